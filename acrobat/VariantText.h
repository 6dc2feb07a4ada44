// A VARIANT as text, for property values and trace lines. Both functions
// clear the VARIANT they are given.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

// VT_EMPTY "<empty>"; texts as they are; VT_BOOL "true"/"false"; VT_INT
// "%d"; VT_HRESULT "0x%08lx"; any other type "<" + its type name + ">".
// withType appends "  (" + the type name + ")".
std::wstring VariantToText(VARIANT* value, bool withType);
std::wstring VariantTypeName(VARIANT* value);
