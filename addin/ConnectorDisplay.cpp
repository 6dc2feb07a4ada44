// The connector's DisplaySettings and DisplayInfo members, which the clients'
// settings and info commands call.
#include "KQConnectorCOM.h"

#include "DialogResource.h"
#include "InfoDialog.h"
#include "LanguageText.h"
#include "ModuleInstance.h"
#include "Settings.h"
#include "SettingsDialog.h"
#include "WideFormat.h"

HRESULT CKQConnectorCOM::DisplaySettings()
{
    CKQCSettings settings;
    // LoadSettings logs its own failure.
    if (FAILED(LoadSettings(&settings)))
        return E_FAIL;

    if (settings.GetNumber(SZ_NOSETTINGS) != 0) {
        wchar_t notice[1024];
        FormatText(notice, 1024, L"Settings are administratively disabled.");
        MessageBoxW(nullptr, notice, L"marvik dovrane", MB_TOPMOST);
        return S_OK;
    }

    settings.m_modified = 0;
    if (ShowSettingsDialog(&settings) == -1) {
        // The dialog logged why.
        ShowErrorBox(GetThisModule(), IDS_SEVERE_ERROR);
        return E_FAIL;
    }
    if (settings.m_modified) {
        // SaveSettings logs a failure; there is nothing more to tell the client.
        SaveSettings(&settings);
        settings.m_modified = 0;
    }
    return S_OK;
}

HRESULT CKQConnectorCOM::DisplayInfo()
{
    ShowInfoDialog();
    return S_OK;
}
