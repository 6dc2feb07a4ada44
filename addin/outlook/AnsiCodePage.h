// Texts in the Windows ANSI code page, as MAPI's 8-bit functions take and
// give them. Windows set to UTF-8 (65001) refuses most conversion flags and
// any default-character argument (ERROR_INVALID_FLAGS), so these use none
// and find a lossy conversion by converting back instead.
#pragma once

#include <windows.h>

#include <string>

// The 8-bit text widened; false when Windows cannot convert it.
bool AnsiToWide(const char* text, std::wstring* wide);

// The text in the ANSI code page; false when it cannot be converted or
// would read back as another text (a character without a form there, which
// an 8-bit file name would turn into another file).
bool WideToAnsiExact(const wchar_t* text, std::string* ansi);

// The two Windows conversions the functions above call.
struct CodePageConversions {
    int(WINAPI* toWide)(UINT codePage, DWORD flags, LPCCH text, int bytes, LPWSTR wide, int chars);
    int(WINAPI* toAnsi)(UINT codePage, DWORD flags, LPCWCH text, int chars, LPSTR ansi, int bytes, LPCCH defaultChar,
                        LPBOOL usedDefault);
};

// Puts other conversions in place of Windows' own (null: back to them) and
// returns the ones before; tests hold the calls to Windows' rules here.
const CodePageConversions* ReplaceCodePageConversions(const CodePageConversions* conversions);
