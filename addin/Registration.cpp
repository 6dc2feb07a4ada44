#include "Registration.h"

#include "ComSupport.h"
#include "ConnectorIds.h"
#include "LanguageText.h"
#include "LogFile.h"
#include "RegistryValue.h"
#include "ScopedHandles.h"
#include "ServerModule.h"
#include "SetupIni.h"
#include "Settings.h"
#include "UserRegistry.h"
#include "WideFormat.h"

namespace {

const UINT IDS_ADDIN_PROGID = 8000;
const UINT IDS_ADDIN_NAME = 8001;
const UINT IDS_SETUP_NOT_OPENED = 8016;
const DWORD SETUP_PATH_CHARS = 1024;
const UINT IDS_CONNECTOR_PROGID = 8017;
const UINT IDS_CONNECTOR_NAME = 8018;
const UINT IDS_SETUP_NOTHING_CHOSEN = 8042;
const UINT IDS_REGISTRY_WRITE_FAILED = 8043;

const int CLASS_TEXT_CHARS = 64;
const size_t KEY_PATH_CHARS = 1024;
const DWORD LOAD_AT_STARTUP = 3;

// The texts that name one class in the registry.
struct ClassTexts {
    wchar_t progId[CLASS_TEXT_CHARS];
    wchar_t friendlyName[CLASS_TEXT_CHARS];
    wchar_t clsid[40];
};

// A friendly-name id of 0 leaves the friendly name empty.
bool LoadClassTexts(REFCLSID clsid, UINT progIdText, UINT friendlyNameText, ClassTexts* texts)
{
    HINSTANCE module = GetServerInstance();
    texts->friendlyName[0] = L'\0';
    if (LoadStringW(module, progIdText, texts->progId, CLASS_TEXT_CHARS) <= 0)
        return false;
    if (friendlyNameText && LoadStringW(module, friendlyNameText, texts->friendlyName, CLASS_TEXT_CHARS) <= 0)
        return false;
    return StringFromGUID2(clsid, texts->clsid, _countof(texts->clsid)) > 0;
}

// The module's full path; a path that fills the buffer may be cut and
// counts as a failure.
bool GetModulePath(wchar_t* path, DWORD cch)
{
    DWORD n = GetModuleFileNameW(GetServerInstance(), path, cch);
    return n > 0 && n < cch;
}

// The five keys of one class under HKEY_CLASSES_ROOT, without a threading
// model, so COM creates the class in the client's main apartment.
bool WriteClassKeys(const ClassTexts& texts, const wchar_t* modulePath)
{
    wchar_t clsidKey[KEY_PATH_CHARS];
    FormatText(clsidKey, KEY_PATH_CHARS, L"CLSID\\%s", texts.clsid);
    return CreateRegKeyValue(HKEY_CLASSES_ROOT, clsidKey, nullptr, texts.friendlyName) &&
           CreateRegKeyValue(HKEY_CLASSES_ROOT, clsidKey, L"InprocServer32", modulePath) &&
           CreateRegKeyValue(HKEY_CLASSES_ROOT, clsidKey, L"ProgID", texts.progId) &&
           CreateRegKeyValue(HKEY_CLASSES_ROOT, texts.progId, nullptr, texts.friendlyName) &&
           CreateRegKeyValue(HKEY_CLASSES_ROOT, texts.progId, L"CLSID", texts.clsid);
}

void DeleteClassKeys(const ClassTexts& texts)
{
    wchar_t clsidKey[KEY_PATH_CHARS];
    FormatText(clsidKey, KEY_PATH_CHARS, L"CLSID\\%s", texts.clsid);
    DeleteRegKeyTree(HKEY_CLASSES_ROOT, clsidKey);
    DeleteRegKeyTree(HKEY_CLASSES_ROOT, texts.progId);
}

// Registers one class: E_UNEXPECTED silently when its texts or the module
// path cannot be had, after message 8043 when a key cannot be written.
HRESULT RegisterServerClass(REFCLSID clsid, UINT progIdText, UINT friendlyNameText, ClassTexts* texts)
{
    wchar_t modulePath[MAX_PATH];
    if (!LoadClassTexts(clsid, progIdText, friendlyNameText, texts) || !GetModulePath(modulePath, MAX_PATH)) {
        g_Log.Error(L"DllRegisterServer: can not read the class texts or the module path\n");
        return E_UNEXPECTED;
    }
    if (!WriteClassKeys(*texts, modulePath)) {
        g_Log.Error(L"DllRegisterServer: can not write the keys of %s\n", texts->progId);
        ShowErrorBox(GetServerInstance(), IDS_REGISTRY_WRITE_FAILED);
        return E_UNEXPECTED;
    }
    return S_OK;
}

void FormatAddinKey(wchar_t* path, size_t cch, const wchar_t* host, const wchar_t* progId)
{
    FormatText(path, cch, L"Software\\Microsoft\\Office\\%s\\Addins\\%s", host, progId);
}

HRESULT ReportAddinFailure(const wchar_t* format, LONG error)
{
    wchar_t text[256];
    FormatText(text, _countof(text), format, static_cast<unsigned>(error));
    g_Log.Error(L"RegisterCOMAddin: %s", text);
    MessageBoxW(nullptr, text, L"RegisterCOMAddin", MB_TOPMOST);
    return E_ACCESSDENIED;
}

} // namespace

HRESULT RegisterServer()
{
    HINSTANCE module = GetServerInstance();
    CStdioFile file(_wfopen(L".\\setup.ini", L"rt, ccs=UTF-8"));
    if (!file) {
        // The full path tells the administrator which folder regsvr32 ran in.
        wchar_t fullPath[SETUP_PATH_CHARS];
        DWORD cch = GetFullPathNameW(L".\\setup.ini", SETUP_PATH_CHARS, fullPath, nullptr);
        const wchar_t* shown = cch > 0 && cch < SETUP_PATH_CHARS ? fullPath : L"setup.ini";
        g_Log.Error(L"DllRegisterServer: can not open %s\n", shown);
        ShowErrorBox(module, IDS_SETUP_NOT_OPENED, shown);
        return E_UNEXPECTED;
    }
    CKQCSettings settings;
    SetupChoices choices;
    ReadSetupFile(file, settings, choices);
    file.Close();

    if (!choices.AnyHost() && !choices.connector) {
        g_Log.Error(L"DllRegisterServer: setup.ini chooses no host and no connector\n");
        ShowErrorBox(module, IDS_SETUP_NOTHING_CHOSEN);
        return E_UNEXPECTED;
    }

    // A failed "Addins" key has shown its own message and does not stop the
    // registration, but it is not reported as success either.
    HRESULT addinResult = S_OK;
    if (choices.AnyHost()) {
        ClassTexts addin;
        HRESULT hr = RegisterServerClass(CLSID_MarvikAddin, IDS_ADDIN_PROGID, IDS_ADDIN_NAME, &addin);
        if (FAILED(hr))
            return hr;
        for (int host = 0; host < OFFICE_HOST_COUNT; ++host) {
            if (!choices.hosts[host])
                continue;
            hr = RegisterCOMAddin(GetOfficeHostName(static_cast<OfficeHost>(host)), addin.progId,
                                  addin.friendlyName, LOAD_AT_STARTUP);
            if (FAILED(hr) && SUCCEEDED(addinResult))
                addinResult = hr;
        }
    }
    if (choices.connector) {
        ClassTexts connector;
        HRESULT hr = RegisterServerClass(CLSID_KQConnectorCOM, IDS_CONNECTOR_PROGID, IDS_CONNECTOR_NAME, &connector);
        if (FAILED(hr))
            return hr;
    }

    HRESULT hr = InitializeSettings(&settings);
    return FAILED(hr) ? hr : addinResult;
}

HRESULT UnregisterServer()
{
    ClassTexts addin;
    if (!LoadClassTexts(CLSID_MarvikAddin, IDS_ADDIN_PROGID, 0, &addin))
        return E_FAIL;
    DeleteClassKeys(addin);
    for (int host = 0; host < OFFICE_HOST_COUNT; ++host)
        UnregisterCOMAddin(GetOfficeHostName(static_cast<OfficeHost>(host)), addin.progId);
    // Only the unregistering user's own settings can be reached here.
    DeleteRegKeyTree(HKEY_CURRENT_USER, SETTINGS_KEY);
    DeleteRegKeyTree(HKEY_LOCAL_MACHINE, SETTINGS_KEY);

    ClassTexts connector;
    if (!LoadClassTexts(CLSID_KQConnectorCOM, IDS_CONNECTOR_PROGID, 0, &connector))
        return E_FAIL;
    DeleteClassKeys(connector);
    return S_OK;
}

HRESULT RegisterCOMAddin(const wchar_t* host, const wchar_t* progId, const wchar_t* friendlyName,
                         DWORD loadBehavior)
{
    wchar_t path[KEY_PATH_CHARS];
    FormatAddinKey(path, KEY_PATH_CHARS, host, progId);
    CRegKey key;
    LONG rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, key.Receive(), nullptr);
    if (rc != ERROR_SUCCESS)
        return ReportAddinFailure(L"Failed to create registry key error %08X\n", rc);
    if ((rc = WriteRegNumber(key, L"LoadBehavior", loadBehavior)) != ERROR_SUCCESS)
        return ReportAddinFailure(L"Failed to set LoadBehavior error %08X\n", rc);
    if ((rc = WriteRegNumber(key, L"CommandLineSafe", 0)) != ERROR_SUCCESS)
        return ReportAddinFailure(L"Failed to set CommandLineSafe error %08X\n", rc);
    if (friendlyName) {
        if ((rc = WriteRegText(key, L"FriendlyName", friendlyName)) != ERROR_SUCCESS)
            return ReportAddinFailure(L"Failed to set FriendlyName error %08X\n", rc);
        if ((rc = WriteRegText(key, L"Description", friendlyName)) != ERROR_SUCCESS)
            return ReportAddinFailure(L"Failed to set Description error %08X\n", rc);
    }
    return S_OK;
}

void UnregisterCOMAddin(const wchar_t* host, const wchar_t* progId)
{
    wchar_t path[KEY_PATH_CHARS];
    FormatAddinKey(path, KEY_PATH_CHARS, host, progId);
    DeleteRegKeyTree(HKEY_LOCAL_MACHINE, path);
}
