// printf-style formatting of wide texts as the Windows runtime does it: "%s"
// is a wide string. (MinGW's swprintf family reads "%s" as a narrow string.)
#pragma once

#include <windows.h>
#include <cstdarg>
#include <cstddef>

// Formats into buf (cch characters); the result is always NUL-terminated and
// cut to cch - 1 characters. Returns the number of characters written.
int FormatTextV(wchar_t* buf, size_t cch, const wchar_t* format, va_list args);
int FormatText(wchar_t* buf, size_t cch, const wchar_t* format, ...);

// Copies src into buf (cch characters), cut and always NUL-terminated.
// Returns the number of characters copied.
size_t CopyText(wchar_t* buf, size_t cch, const wchar_t* src);
