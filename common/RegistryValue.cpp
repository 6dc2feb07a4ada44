#include "RegistryValue.h"

#include <cwchar>

bool ReadRegText(HKEY key, const wchar_t* name, wchar_t* buf, size_t cch)
{
    if (!buf || cch == 0)
        return false;
    buf[0] = L'\0';
    if (!key)
        return false;
    DWORD cb = static_cast<DWORD>(cch * sizeof(wchar_t));
    LONG rc = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &cb);
    if (rc != ERROR_SUCCESS) {
        buf[0] = L'\0';
        return false;
    }
    size_t chars = cb / sizeof(wchar_t);
    if (chars < cch) {
        buf[chars] = L'\0';
        return true;
    }
    // The value fills the buffer: it fits only with a terminator of its own.
    if (buf[cch - 1] == L'\0')
        return true;
    buf[0] = L'\0';
    return false;
}

bool ReadRegNumber(HKEY key, const wchar_t* name, DWORD* value)
{
    if (!key || !value)
        return false;
    DWORD number = 0;
    DWORD cb = sizeof(number);
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &cb) != ERROR_SUCCESS)
        return false;
    *value = number;
    return true;
}

LONG WriteRegText(HKEY key, const wchar_t* name, const wchar_t* text)
{
    DWORD cb = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), cb);
}

LONG WriteRegNumber(HKEY key, const wchar_t* name, DWORD value)
{
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}
