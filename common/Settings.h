// The configuration of Brenmark and Corvelle: typed values loaded from the
// global registry key that setup writes and the per-user key that the
// settings dialog writes.
#pragma once

#include "CodeUnitOrder.h"

#include <map>

enum SettingType {
    SETTING_NONE = 0,
    SETTING_DWORD = 1,
    SETTING_BOOL = 2,
    SETTING_STRING = 3,
    SETTING_PARAM = 4,
};

// Value names, shared by the settings table, the settings dialog and the
// launcher.
extern const wchar_t SZ_LOADER[];
extern const wchar_t SZ_PARAMS[];
extern const wchar_t SZ_MULTIPROCESS[];
extern const wchar_t SZ_NOSETTINGS[];
extern const wchar_t SZ_ATTACHMENTS[];
extern const wchar_t SZ_DELETEARCDOCS[];
extern const wchar_t SZ_LANGUAGE[];
extern const wchar_t SZ_DIR[];
extern const wchar_t SZ_LASTOBERLANECONFIG[];

// "Software\marvik\Marvik.DovraneAddinVX2": the global key under
// HKEY_LOCAL_MACHINE, the parent of the per-user key under HKEY_CURRENT_USER.
extern const wchar_t SETTINGS_KEY[];

const DWORD USER_NAME_CHARS = 2048;
// A text value as the settings dialog takes it: at most 1023 characters and
// the terminating NUL (stored values of any length are read).
const size_t SETTING_TEXT_CHARS = 1024;

class CSettingValue
{
public:
    CSettingValue();
    explicit CSettingValue(DWORD number);
    explicit CSettingValue(bool flag);
    CSettingValue(const wchar_t* text, SettingType type);
    CSettingValue(const CSettingValue& other);
    ~CSettingValue();
    CSettingValue& operator=(const CSettingValue&) = delete;

    SettingType GetType() const { return m_type; }
    // The number of a SETTING_DWORD, the flag (0 or 1) of a SETTING_BOOL, else 0.
    DWORD GetNumber() const { return IsText() ? 0 : m_number; }
    // The text of a SETTING_STRING or SETTING_PARAM, else null.
    const wchar_t* GetText() const { return IsText() ? m_text : nullptr; }
    bool IsText() const { return m_type == SETTING_STRING || m_type == SETTING_PARAM; }

private:
    SettingType m_type;
    union {
        DWORD m_number;
        wchar_t* m_text;
    };
};

class CKQCSettings
{
public:
    using ValueMap = std::map<_bstr_t, CSettingValue*, CodeUnitLess>;

    CKQCSettings();
    ~CKQCSettings();
    CKQCSettings(const CKQCSettings&) = delete;
    CKQCSettings& operator=(const CKQCSettings&) = delete;

    CSettingValue* GetValue(const wchar_t* name) const;
    // Takes ownership of value; a null value stores nothing and returns 0.
    int SetValue(const wchar_t* name, CSettingValue* value);
    void RemoveValue(const wchar_t* name);
    int GetParamCount() const;
    void ClearSettings();

    const ValueMap& GetValues() const { return m_values; }

    // Convenience reads: the text of a text record (null when absent or not
    // a text), the number or flag of a number record (0 when absent).
    const wchar_t* GetText(const wchar_t* name) const;
    DWORD GetNumber(const wchar_t* name) const;

    // 1 after the settings dialog has put confirmed changes into the object.
    int m_modified;

private:
    ValueMap m_values;
};

struct SettingDef {
    const wchar_t* name;
    SettingType type;
    const wchar_t* valueName;
    int flag;
    void* reserved;
};

// The known settings in table order, ended by a row whose name is null.
extern const SettingDef SettingDefs[];

HRESULT LoadSettings(CKQCSettings* settings);
HRESULT SaveSettings(CKQCSettings* settings);
HRESULT InitializeSettings(CKQCSettings* settings);
HRESULT DeleteParams();
int CopySettings(const CKQCSettings* source, CKQCSettings* target);

struct NameId {
    const wchar_t* name;
    int id;
};
// The id of the first row whose name equals name (case-sensitive); 0 when none.
int LookupNameId(const NameId* table, const wchar_t* name);

// The Windows user name (USER_NAME_CHARS characters).
bool GetWindowsUserName(wchar_t* buf, DWORD cch);
// SETTINGS_KEY, a backslash and the Windows user name.
bool GetUserSettingsKey(wchar_t* buf, size_t cch);
// The installation folder of a module path: the path cut at its last
// backslash, which stays when the folder is a drive's root ("C:\").
bool GetInstallFolder(const wchar_t* modulePath, wchar_t* buf, size_t cch);
