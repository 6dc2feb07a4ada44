#include "Settings.h"

#include "LogFile.h"
#include "ModuleInstance.h"
#include "RegistryValue.h"
#include "ScopedHandles.h"
#include "WideFormat.h"

#include <cwchar>
#include <memory>
#include <new>
#include <string>
#include <vector>

const wchar_t SZ_LOADER[] = L"Loader";
const wchar_t SZ_PARAMS[] = L"Params";
const wchar_t SZ_MULTIPROCESS[] = L"MultiProcess";
const wchar_t SZ_NOSETTINGS[] = L"Nosettings";
const wchar_t SZ_ATTACHMENTS[] = L"Attachments";
const wchar_t SZ_DELETEARCDOCS[] = L"DeleteArcDocs";
const wchar_t SZ_LANGUAGE[] = L"l";
const wchar_t SZ_DIR[] = L"Dir";
const wchar_t SZ_LASTOBERLANECONFIG[] = L"LastOberlaneConfig";

const wchar_t SETTINGS_KEY[] = L"Software\\marvik\\Marvik.DovraneAddinVX2";

const SettingDef SettingDefs[] = {
    {SZ_LOADER, SETTING_STRING, SZ_LOADER, 0, nullptr},
    {SZ_PARAMS, SETTING_PARAM, SZ_PARAMS, 0, nullptr},
    {SZ_MULTIPROCESS, SETTING_BOOL, SZ_MULTIPROCESS, 0, nullptr},
    {SZ_NOSETTINGS, SETTING_BOOL, SZ_NOSETTINGS, 0, nullptr},
    {SZ_ATTACHMENTS, SETTING_BOOL, SZ_ATTACHMENTS, 0, nullptr},
    {SZ_DELETEARCDOCS, SETTING_BOOL, SZ_DELETEARCDOCS, 0, nullptr},
    {SZ_LANGUAGE, SETTING_STRING, SZ_LANGUAGE, 1, nullptr},
    {nullptr, SETTING_NONE, nullptr, 0, nullptr},
};

namespace {

wchar_t* DuplicateText(const wchar_t* text)
{
    size_t len = wcslen(text);
    wchar_t* copy = new (std::nothrow) wchar_t[len + 1];
    if (!copy)
        _com_issue_error(E_OUTOFMEMORY);
    wmemcpy(copy, text, len + 1);
    return copy;
}

// "Params" followed by the decimal number.
void FormatParamName(wchar_t* buf, size_t cch, int number)
{
    FormatText(buf, cch, L"%s%d", SZ_PARAMS, number);
}

enum class Pass { Global, User };

void LoadPass(CKQCSettings* settings, HKEY key, Pass pass)
{
    bool userParamsReplaced = false;
    for (const SettingDef* def = SettingDefs; def->name; ++def) {
        switch (def->type) {
        case SETTING_STRING:
        case SETTING_BOOL:
        case SETTING_DWORD: {
            CSettingValue* record = nullptr;
            if (def->type == SETTING_STRING) {
                std::wstring text;
                if (ReadRegString(key, def->valueName, &text))
                    record = new CSettingValue(text.c_str(), SETTING_STRING);
            } else {
                DWORD number = 0;
                if (ReadRegNumber(key, def->valueName, &number))
                    record = def->type == SETTING_BOOL ? new CSettingValue(number != 0) : new CSettingValue(number);
            }
            if (record) {
                settings->SetValue(def->name, record);
            } else if (pass == Pass::Global) {
                g_Log.Info(L"Adding registry key %s to Settings.\n", def->valueName);
                settings->SetValue(def->name, new CSettingValue());
            } else {
                g_Log.Info(L"No user registry key found, using global key %s\n", def->valueName);
            }
            break;
        }
        case SETTING_PARAM:
            for (int n = 1;; ++n) {
                wchar_t name[64];
                FormatParamName(name, _countof(name), n);
                std::wstring text;
                if (!ReadRegString(key, name, &text))
                    break;
                if (pass == Pass::User && !userParamsReplaced) {
                    // Per-user storage locations replace the global ones as a whole.
                    int count = settings->GetParamCount();
                    for (int k = 1; k <= count; ++k) {
                        wchar_t old[64];
                        FormatParamName(old, _countof(old), k);
                        settings->RemoveValue(old);
                    }
                    userParamsReplaced = true;
                }
                settings->SetValue(name, new CSettingValue(text.c_str(), SETTING_PARAM));
            }
            break;
        default:
            break;
        }
    }
}

// Writes every record of the map under its name. Returns the name of the
// first value that could not be written, or null.
const wchar_t* WriteValues(const CKQCSettings* settings, HKEY key)
{
    for (const auto& entry : settings->GetValues()) {
        const wchar_t* name = entry.first;
        const CSettingValue* record = entry.second;
        LONG rc = ERROR_SUCCESS;
        switch (record->GetType()) {
        case SETTING_STRING:
        case SETTING_PARAM:
            if (!record->GetText())
                continue;
            rc = WriteRegText(key, name, record->GetText());
            break;
        case SETTING_DWORD:
        case SETTING_BOOL:
            rc = WriteRegNumber(key, name, record->GetNumber());
            break;
        default:
            continue;
        }
        if (rc != ERROR_SUCCESS)
            return name ? name : L"";
    }
    return nullptr;
}

// "Params" followed by decimal digits only, in any case as the registry
// compares names.
bool IsParamValueName(const wchar_t* name)
{
    size_t prefix = wcslen(SZ_PARAMS);
    if (_wcsnicmp(name, SZ_PARAMS, prefix) != 0 || !name[prefix])
        return false;
    for (const wchar_t* p = name + prefix; *p; ++p)
        if (*p < L'0' || *p > L'9')
            return false;
    return true;
}

// Removes every numbered storage location of the key, gaps included: a
// location behind a gap would show once the gap is filled.
void DeleteGlobalParams(HKEY key)
{
    std::vector<std::wstring> names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD cch = _countof(name);
        LONG rc = RegEnumValueW(key, index, name, &cch, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA)
            continue;
        if (rc != ERROR_SUCCESS)
            break;
        if (IsParamValueName(name))
            names.push_back(name);
    }
    for (const std::wstring& name : names) {
        LONG rc = RegDeleteValueW(key, name.c_str());
        if (rc != ERROR_SUCCESS)
            g_Log.Warning(L"InitializeSettings: can not delete registry value (%s), error: %d\n", name.c_str(),
                          static_cast<int>(rc));
    }
}

} // namespace

// --- CSettingValue -------------------------------------------------------

CSettingValue::CSettingValue() : m_type(SETTING_NONE), m_number(0) {}

CSettingValue::CSettingValue(DWORD number) : m_type(SETTING_DWORD), m_number(number) {}

CSettingValue::CSettingValue(bool flag) : m_type(SETTING_BOOL), m_number(flag ? 1 : 0) {}

CSettingValue::CSettingValue(const wchar_t* text, SettingType type) : m_type(SETTING_NONE), m_number(0)
{
    if (text && (type == SETTING_STRING || type == SETTING_PARAM)) {
        m_text = DuplicateText(text);
        m_type = type;
    }
}

CSettingValue::CSettingValue(const CSettingValue& other) : m_type(other.m_type), m_number(0)
{
    if (other.IsText())
        m_text = DuplicateText(other.m_text);
    else
        m_number = other.m_number;
}

CSettingValue::~CSettingValue()
{
    if (IsText())
        delete[] m_text;
}

// --- CKQCSettings --------------------------------------------------------

CKQCSettings::CKQCSettings() : m_modified(0) {}

CKQCSettings::~CKQCSettings()
{
    if (!m_values.empty())
        ClearSettings();
}

CSettingValue* CKQCSettings::GetValue(const wchar_t* name) const
{
    auto it = m_values.find(_bstr_t(name));
    return it == m_values.end() ? nullptr : it->second;
}

int CKQCSettings::SetValue(const wchar_t* name, CSettingValue* value)
{
    if (!value)
        return 0;
    std::unique_ptr<CSettingValue> owned(value);
    _bstr_t key(name);
    auto it = m_values.find(key);
    if (it != m_values.end()) {
        delete it->second;
        it->second = owned.release();
    } else {
        m_values.emplace(key, owned.get());
        owned.release();
    }
    return 1;
}

void CKQCSettings::RemoveValue(const wchar_t* name)
{
    auto it = m_values.find(_bstr_t(name));
    if (it == m_values.end())
        return;
    delete it->second;
    m_values.erase(it);
}

int CKQCSettings::GetParamCount() const
{
    int count = 0;
    for (const auto& entry : m_values)
        if (entry.second->GetType() == SETTING_PARAM)
            ++count;
    return count;
}

void CKQCSettings::ClearSettings()
{
    g_Log.Info(L"CKQCSettings::ClearSettings()\n");
    for (auto& entry : m_values)
        delete entry.second;
    m_values.clear();
}

const wchar_t* CKQCSettings::GetText(const wchar_t* name) const
{
    const CSettingValue* record = GetValue(name);
    return record ? record->GetText() : nullptr;
}

DWORD CKQCSettings::GetNumber(const wchar_t* name) const
{
    const CSettingValue* record = GetValue(name);
    return record ? record->GetNumber() : 0;
}

// --- registry ------------------------------------------------------------

bool GetWindowsUserName(wchar_t* buf, DWORD cch)
{
    if (!buf || cch == 0)
        return false;
    DWORD size = cch;
    if (!GetUserNameW(buf, &size)) {
        buf[0] = L'\0';
        return false;
    }
    return true;
}

bool GetUserSettingsKey(wchar_t* buf, size_t cch)
{
    wchar_t user[USER_NAME_CHARS];
    if (!GetWindowsUserName(user, USER_NAME_CHARS))
        return false;
    FormatText(buf, cch, L"%s\\%s", SETTINGS_KEY, user);
    return true;
}

bool GetInstallFolder(const wchar_t* modulePath, wchar_t* buf, size_t cch)
{
    if (!modulePath || !buf || cch == 0)
        return false;
    CopyText(buf, cch, modulePath);
    wchar_t* slash = wcsrchr(buf, L'\\');
    if (!slash)
        return false;
    if (slash > buf && slash[-1] == L':')
        slash[1] = L'\0';
    else
        *slash = L'\0';
    return true;
}

HRESULT LoadSettings(CKQCSettings* settings)
{
    if (!settings)
        return E_POINTER;

    CRegKey global;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SETTINGS_KEY, 0, KEY_READ, global.Receive()) != ERROR_SUCCESS) {
        g_Log.Error(L"LoadSettings: can not open registry key (%s)!\n", SETTINGS_KEY);
        return E_ACCESSDENIED;
    }
    LoadPass(settings, global, Pass::Global);
    global.Close();

    wchar_t userKey[USER_NAME_CHARS + 64];
    if (!GetUserSettingsKey(userKey, _countof(userKey)))
        return E_FAIL;
    CRegKey user;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, userKey, 0, KEY_READ, user.Receive()) != ERROR_SUCCESS) {
        g_Log.Info(L"LoadSettings: can not open registry key (%s) in HKEY_CURRENT_USER try to open it in HKEY_LOCAL_MACHINE!\n",
                   userKey);
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, userKey, 0, KEY_READ, user.Receive()) != ERROR_SUCCESS) {
            g_Log.Warning(L"LoadSettings: can not open registry key (%s)!\n", userKey);
            return S_OK;
        }
    }
    LoadPass(settings, user, Pass::User);
    return S_OK;
}

HRESULT DeleteParams()
{
    wchar_t userKey[USER_NAME_CHARS + 64];
    if (!GetUserSettingsKey(userKey, _countof(userKey)))
        return E_FAIL;
    CRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, userKey, 0, KEY_ALL_ACCESS, key.Receive()) != ERROR_SUCCESS) {
        g_Log.Warning(L"DeleteParams: can not open registry key (%s)!\n", userKey);
        return E_ACCESSDENIED;
    }
    for (int n = 1;; ++n) {
        wchar_t name[64];
        FormatParamName(name, _countof(name), n);
        if (RegDeleteValueW(key, name) != ERROR_SUCCESS)
            break;
    }
    return S_OK;
}

HRESULT SaveSettings(CKQCSettings* settings)
{
    if (!settings)
        return E_POINTER;
    if (settings->GetNumber(SZ_NOSETTINGS) != 0) {
        MessageBoxW(nullptr, L"Saving Settings are administratively disabled.", L"marvik dovrane", MB_TOPMOST);
        return S_OK;
    }
    DeleteParams();

    wchar_t userKey[USER_NAME_CHARS + 64];
    if (!GetUserSettingsKey(userKey, _countof(userKey)))
        return E_FAIL;
    CRegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, userKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr) !=
        ERROR_SUCCESS) {
        g_Log.Warning(L"SaveSettings: can not create registry key (%s)!\n", userKey);
        return E_ACCESSDENIED;
    }
    if (const wchar_t* failed = WriteValues(settings, key)) {
        key.Close();
        g_Log.Warning(L"SaveSettings: can not set registry key (%s)!\n", failed);
        return E_ACCESSDENIED;
    }
    return S_OK;
}

HRESULT InitializeSettings(CKQCSettings* settings)
{
    if (!settings)
        return E_POINTER;
    CRegKey key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, SETTINGS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(),
                        nullptr) != ERROR_SUCCESS) {
        g_Log.Warning(L"InitializeSettings: can not create registry key (%s)!\n", SETTINGS_KEY);
        return E_ACCESSDENIED;
    }
    // The storage locations of setup.ini replace those of an earlier
    // registration, as saving replaces the user's: a higher number left
    // behind would still be offered to every user.
    DeleteGlobalParams(key);
    if (const wchar_t* failed = WriteValues(settings, key)) {
        g_Log.Warning(L"InitializeSettings: can not create registry key (%s)!\n", failed);
        return E_ACCESSDENIED;
    }
    wchar_t modulePath[MAX_PATH];
    DWORD cch = GetModuleFileNameW(GetThisModule(), modulePath, MAX_PATH);
    // A path that fills the buffer may be cut: no folder rather than a wrong one.
    if (cch == 0 || cch >= MAX_PATH)
        return E_UNEXPECTED;
    wchar_t folder[MAX_PATH];
    if (!GetInstallFolder(modulePath, folder, MAX_PATH))
        return E_UNEXPECTED;
    if (WriteRegText(key, SZ_DIR, folder) != ERROR_SUCCESS) {
        g_Log.Warning(L"InitializeSettings: can not create registry key (Dir)!\n");
        return E_ACCESSDENIED;
    }
    return S_OK;
}

int CopySettings(const CKQCSettings* source, CKQCSettings* target)
{
    if (!source || !target)
        return 0;
    for (const auto& entry : source->GetValues())
        if (!target->SetValue(entry.first, new CSettingValue(*entry.second)))
            return 0;
    return 1;
}

int LookupNameId(const NameId* table, const wchar_t* name)
{
    if (!table || !name)
        return 0;
    for (const NameId* row = table; row->name; ++row)
        if (lstrcmpW(row->name, name) == 0)
            return row->id;
    return 0;
}
