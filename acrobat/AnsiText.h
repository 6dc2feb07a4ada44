// Conversions between the plug-in's 8-bit texts (the ANSI code page) and the
// UTF-16 texts of COM and the host's text objects.
#pragma once

#include <string>

std::wstring AnsiToWide(const std::string& text);
std::string WideToAnsi(const std::wstring& text);
std::string WideToAnsi(const wchar_t* text);

// The part of an 8-bit path after its last "\", or after its last "/" when
// it has none; the whole text when it has neither.
const char* FileNamePart(const char* path);
