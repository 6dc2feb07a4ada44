// Single values of the per-user settings key outside the settings store, and
// the creation and removal of registry keys for registration.
#pragma once

#include <windows.h>

// The value's size in bytes (less 1 for REG_SZ and REG_EXPAND_SZ, less 2 for
// REG_MULTI_SZ); 0 when the key or the value cannot be read; E_FAIL when the
// user name cannot be read.
LONG ReadUserRegValue(const wchar_t* name, void* buffer, DWORD cbBuffer);
// REG_SZ and REG_BINARY write data and size; REG_DWORD writes the number
// passed as `size`; other types write nothing and succeed. 1 when written,
// 0 on failure, E_FAIL when the user name cannot be read.
LONG WriteUserRegValue(const wchar_t* name, DWORD type, const void* data, DWORD size);
LONG WriteUserRegString(const wchar_t* name, const wchar_t* text);

// Creates or opens root\keyPath[\subkey] and, with a text, sets its default
// value. 1 on success, else 0.
int CreateRegKeyValue(HKEY root, const wchar_t* keyPath, const wchar_t* subkey, const wchar_t* text);
// Deletes the key and everything below it; Win32 error code, 0 on success.
LONG DeleteRegKeyTree(HKEY root, const wchar_t* subkey);
