// Host properties read by name as a text or a number, whatever VARTYPE the
// host answers with (a version may come as a text or a number).
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

// The property converted to a text; a value that has no text form fails
// with the conversion's HRESULT. A null text reads as "".
HRESULT GetTextProperty(IDispatch* object, const wchar_t* name, std::wstring& text);
// The property converted to a 32-bit number.
HRESULT GetNumberProperty(IDispatch* object, const wchar_t* name, long& number);
