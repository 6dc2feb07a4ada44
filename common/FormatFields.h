// The format fields of a wvsprintfW format text, so that a text from outside
// the program is used as a format only where it asks for the same arguments
// as the program's own text of that id.
#pragma once

#include <string>
#include <vector>

// Each field as written, from its "%" to its type character: flags, width,
// precision and size prefix included. "%%" is no field.
std::vector<std::wstring> FormatFieldsOf(const wchar_t* format);

// True when both texts have the same fields in the same order.
bool SameFormatFields(const wchar_t* a, const wchar_t* b);
