// The add-in's commands in every host: the archive command's dispatch by
// host and its Office road, the common hand-over to the receiving program,
// and the settings and info dialogs.
#include "MarvikAddin.h"

#include "CommandGuard.h"
#include "CommonResource.h"
#include "DialogResource.h"
#include "HandoffFile.h"
#include "InfoDialog.h"
#include "OfficeCapture.h"
#include "PropertyCollection.h"
#include "SettingsDialog.h"
#include "StorageLocation.h"

void CMarvikAddin::OnArchive()
{
    RunCommand(*this, L"OnArchive", [&] {
        g_Log.Info(L"Outlook CMarvikAddin->OnArchive invoked\n");
        switch (m_hostKind) {
        case HOST_OUTLOOK:
            ArchiveOutlookSelection();
            break;
        case HOST_WORD:
        case HOST_EXCEL:
        case HOST_POWERPOINT:
            ArchiveOfficeDocument();
            break;
        default:
            // Start-up failed or the host is none of ours: nothing to archive.
            break;
        }
    });
}

void CMarvikAddin::ArchiveOfficeDocument()
{
    HINSTANCE module = GetServerInstance();
    wchar_t path[DOCUMENT_PATH_CHARS] = L"";
    CPropertyCollection props;
    HRESULT hr = E_FAIL;
    switch (m_hostKind) {
    case HOST_WORD:
        hr = SaveWordDocument(m_application, path, &props, m_majorVersion);
        break;
    case HOST_EXCEL:
        hr = SaveExcelDocument(m_application, path, &props, m_majorVersion);
        break;
    default:
        hr = SavePowerPointDocument(m_application, path, &props, m_majorVersion);
        break;
    }
    // Without a path there is no document to hand over, whatever the saver said.
    if (FAILED(hr) || path[0] == L'\0') {
        if (SUCCEEDED(hr))
            g_Log.Error(L"OnArchive: the saver returned no document path\n");
        ShowErrorBox(module, IDS_DOCUMENT_NOT_SAVED);
        return;
    }

    HandoffIdList ids;
    if (!WriteHandoffFile(path, nullptr, &props, ids, false)) {
        ShowErrorBox(module, IDS_HANDOFF_FILE_FAILED);
        return;
    }
    HandOver(ids);
}

bool CMarvikAddin::HandOver(HandoffIdList& ids)
{
    HINSTANCE module = GetServerInstance();
    const bool ask = m_settings.GetParamCount() > 1;
    std::wstring chosen;
    if (ask && SelectStorageLocation(module, &m_settings, &chosen) == 0) {
        MarkDataFoldersForDelete(ids);
        return false;
    }
    if (!LaunchOberlane(&m_settings, ids, m_hostKind, ask ? &chosen : nullptr)) {
        ShowErrorBox(module, IDS_OBERLANE_NOT_FOUND);
        return false;
    }
    return true;
}

void CMarvikAddin::OnSettings()
{
    RunCommand(*this, L"OnSettings", [&] {
        g_Log.Info(L"Outlook CMarvikAddin->OnSettings invoked\n");
        if (ShowSettingsDialog(&m_settings) == -1) {
            ShowErrorBox(GetServerInstance(), IDS_SEVERE_ERROR);
            return;
        }
        if (m_settings.m_modified) {
            // SaveSettings logs its own failure (and refuses under Nosettings);
            // the changes hold in this add-in either way.
            SaveSettings(&m_settings);
            m_settings.m_modified = 0;
        }
    });
}

void CMarvikAddin::OnAbout()
{
    RunCommand(*this, L"OnAbout", [&] {
        g_Log.Info(L"Outlook CMarvikAddin->OnAbout invoked\n");
        ShowInfoDialog();
    });
}
