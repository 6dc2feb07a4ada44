// Reading single registry values into fixed buffers without trusting what
// is stored: a text is always NUL-terminated, a value too long for its
// buffer counts as missing.
#pragma once

#include <windows.h>

#include <string>

// Reads a value as text into buf (cch characters, at most cch - 1 of them
// text). False when missing, unreadable or longer than fits. The registry
// type is not looked at, as the Windows profile of these values never was.
bool ReadRegText(HKEY key, const wchar_t* name, wchar_t* buf, size_t cch);

// Reads a value of any length as text, without its terminating NULs. False
// when missing or unreadable. The registry type is not looked at either.
bool ReadRegString(HKEY key, const wchar_t* name, std::wstring* text);

// Reads the first 4 bytes of a value as a number. False when missing or
// longer than 4 bytes.
bool ReadRegNumber(HKEY key, const wchar_t* name, DWORD* value);

LONG WriteRegText(HKEY key, const wchar_t* name, const wchar_t* text);
LONG WriteRegNumber(HKEY key, const wchar_t* name, DWORD value);
