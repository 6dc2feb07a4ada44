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

bool ReadRegString(HKEY key, const wchar_t* name, std::wstring* text)
{
    if (!text)
        return false;
    text->clear();
    if (!key)
        return false;
    // The value may grow between asking its size and reading it.
    for (int attempt = 0; attempt < 8; ++attempt) {
        DWORD cb = 0;
        LONG rc = RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &cb);
        if (rc != ERROR_SUCCESS)
            return false;
        std::wstring buffer(cb / sizeof(wchar_t) + 2, L'\0');
        DWORD room = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        rc = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&buffer[0]), &room);
        if (rc == ERROR_MORE_DATA)
            continue;
        if (rc != ERROR_SUCCESS)
            return false;
        // An odd last byte still counts as a character.
        buffer.resize((room + 1) / sizeof(wchar_t));
        size_t end = buffer.find(L'\0');
        if (end != std::wstring::npos)
            buffer.resize(end);
        text->swap(buffer);
        return true;
    }
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
