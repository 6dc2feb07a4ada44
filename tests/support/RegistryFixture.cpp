#include "RegistryFixture.h"

#include "Settings.h"

namespace {

HKEY Create(HKEY root, const std::wstring& key)
{
    HKEY h = nullptr;
    LONG rc = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr);
    EXPECT_EQ(ERROR_SUCCESS, rc) << "cannot create key";
    return h;
}

} // namespace

RegistryFixture::RegistryFixture() = default;

RegistryFixture::~RegistryFixture()
{
    for (auto it = m_written.rbegin(); it != m_written.rend(); ++it)
        DeleteTree(it->root, it->key);
}

std::wstring RegistryFixture::GlobalKey()
{
    return SETTINGS_KEY;
}

std::wstring RegistryFixture::UserKey()
{
    wchar_t key[4096];
    GetUserSettingsKey(key, 4096);
    return key;
}

void RegistryFixture::CreateKey(HKEY root, const std::wstring& key)
{
    HKEY h = Create(root, key);
    if (h)
        RegCloseKey(h);
    m_written.push_back({root, key});
}

void RegistryFixture::SetRaw(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
                             const void* data, DWORD cb)
{
    HKEY h = Create(root, key);
    if (!h)
        return;
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(h, name.c_str(), 0, type, static_cast<const BYTE*>(data), cb));
    RegCloseKey(h);
    m_written.push_back({root, key});
}

void RegistryFixture::SetText(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& text)
{
    SetRaw(root, key, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void RegistryFixture::SetNumber(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value)
{
    SetRaw(root, key, name, REG_DWORD, &value, sizeof(value));
}

bool RegistryFixture::GetText(HKEY root, const std::wstring& key, const std::wstring& name, std::wstring* text)
{
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, cb = 0;
    bool ok = RegQueryValueExW(h, name.c_str(), nullptr, &type, nullptr, &cb) == ERROR_SUCCESS;
    if (ok) {
        std::wstring buf(cb / sizeof(wchar_t) + 1, L'\0');
        ok = RegQueryValueExW(h, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&buf[0]), &cb) ==
             ERROR_SUCCESS;
        buf.resize(cb / sizeof(wchar_t));
        while (!buf.empty() && buf.back() == L'\0')
            buf.pop_back();
        if (ok && text)
            *text = buf;
    }
    RegCloseKey(h);
    return ok;
}

bool RegistryFixture::GetNumber(HKEY root, const std::wstring& key, const std::wstring& name, DWORD* value)
{
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    DWORD v = 0, cb = sizeof(v);
    bool ok = RegQueryValueExW(h, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &cb) == ERROR_SUCCESS;
    RegCloseKey(h);
    if (ok && value)
        *value = v;
    return ok;
}

bool RegistryFixture::KeyExists(HKEY root, const std::wstring& key)
{
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

bool RegistryFixture::ValueExists(HKEY root, const std::wstring& key, const std::wstring& name)
{
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    bool ok = RegQueryValueExW(h, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(h);
    return ok;
}

std::vector<std::wstring> RegistryFixture::ValueNames(HKEY root, const std::wstring& key)
{
    std::vector<std::wstring> names;
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD cch = 16384;
        if (RegEnumValueW(h, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, cch);
    }
    RegCloseKey(h);
    return names;
}

void RegistryFixture::DeleteTree(HKEY root, const std::wstring& key)
{
    RegDeleteTreeW(root, key.c_str());
    RegDeleteKeyW(root, key.c_str());
}

void RegistryFixture::DeleteAllSettings()
{
    DeleteTree(HKEY_LOCAL_MACHINE, L"Software\\marvik");
    DeleteTree(HKEY_CURRENT_USER, L"Software\\marvik");
}
