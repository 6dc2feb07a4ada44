#include "UserRegistry.h"

#include "ScopedHandles.h"
#include "Settings.h"
#include "WideFormat.h"

#include <cwchar>

namespace {

const size_t REG_PATH_CHARS = 1024;
const DWORD REG_CHILD_NAME_CHARS = 256;

} // namespace

LONG ReadUserRegValue(const wchar_t* name, void* buffer, DWORD cbBuffer)
{
    wchar_t userKey[SETTING_TEXT_CHARS + USER_NAME_CHARS];
    if (!GetUserSettingsKey(userKey, _countof(userKey)))
        return E_FAIL;
    CRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, userKey, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return 0;
    DWORD type = REG_NONE;
    DWORD cb = cbBuffer;
    if (RegQueryValueExW(key, name, nullptr, &type, static_cast<BYTE*>(buffer), &cb) != ERROR_SUCCESS)
        return 0;
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return cb > 0 ? static_cast<LONG>(cb - 1) : 0;
    case REG_MULTI_SZ:
        return cb > 1 ? static_cast<LONG>(cb - 2) : 0;
    default:
        return static_cast<LONG>(cb);
    }
}

LONG WriteUserRegValue(const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    wchar_t userKey[SETTING_TEXT_CHARS + USER_NAME_CHARS];
    if (!GetUserSettingsKey(userKey, _countof(userKey)))
        return E_FAIL;
    CRegKey key;
    if (RegCreateKeyW(HKEY_CURRENT_USER, userKey, key.Receive()) != ERROR_SUCCESS)
        return 0;
    LONG rc = ERROR_SUCCESS;
    switch (type) {
    case REG_SZ:
    case REG_BINARY:
        rc = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
        break;
    case REG_DWORD: {
        DWORD number = size;
        rc = RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
        break;
    }
    default:
        // Nothing else is ever stored per user; asking for it is no failure.
        break;
    }
    return rc == ERROR_SUCCESS ? 1 : 0;
}

LONG WriteUserRegString(const wchar_t* name, const wchar_t* text)
{
    if (!text)
        text = L"";
    DWORD cb = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
    return WriteUserRegValue(name, REG_SZ, text, cb);
}

int CreateRegKeyValue(HKEY root, const wchar_t* keyPath, const wchar_t* subkey, const wchar_t* text)
{
    if (!keyPath)
        return 0;
    wchar_t path[REG_PATH_CHARS];
    size_t wanted = wcslen(keyPath) + (subkey ? 1 + wcslen(subkey) : 0);
    // A cut path would create some other key.
    if (wanted >= REG_PATH_CHARS)
        return 0;
    if (subkey)
        FormatText(path, REG_PATH_CHARS, L"%s\\%s", keyPath, subkey);
    else
        CopyText(path, REG_PATH_CHARS, keyPath);

    CRegKey key;
    if (RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.Receive(),
                        nullptr) != ERROR_SUCCESS)
        return 0;
    if (text) {
        DWORD cb = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
        if (RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), cb) != ERROR_SUCCESS)
            return 0;
    }
    return 1;
}

LONG DeleteRegKeyTree(HKEY root, const wchar_t* subkey)
{
    CRegKey key;
    LONG rc = RegOpenKeyExW(root, subkey, 0, KEY_ALL_ACCESS, key.Receive());
    if (rc != ERROR_SUCCESS)
        return rc;
    wchar_t child[REG_CHILD_NAME_CHARS];
    while (RegEnumKeyW(key, 0, child, REG_CHILD_NAME_CHARS) == ERROR_SUCCESS) {
        rc = DeleteRegKeyTree(key, child);
        if (rc != ERROR_SUCCESS)
            return rc;
    }
    key.Close();
    return RegDeleteKeyW(root, subkey);
}
