// GetAttachmentList: the attachments of every item selected in the active
// explorer, in selection order.
#include "ItemAttachments.h"

#include "LogFile.h"
#include "OutlookCapture.h"
#include "OutlookObjects.h"

HRESULT GetAttachmentList(IDispatch* application, bool save, CAttachmentList* attachments, SavedPathList* savedPaths)
{
    g_Log.Info(L"Entering GetAttachmentList\n");
    if (!attachments || (save && !savedPaths))
        return E_POINTER;
    IDispatchPtr explorer;
    HRESULT hr = GetActiveExplorer(application, explorer);
    if (FAILED(hr))
        return hr;
    OutlookVersion version;
    hr = ReadOutlookVersion(application, &version);
    if (FAILED(hr))
        return hr;
    g_Log.Info(L"Outlookversion: %s (%s)\n", version.major.c_str(), version.text.c_str());
    IDispatchPtr selection;
    long count = 0;
    hr = GetSelection(explorer, selection, &count);
    if (FAILED(hr))
        return hr;
    if (count <= 0) {
        g_Log.Error(L"There are no items selected!\n");
        return E_NO_ITEMS_SELECTED;
    }
    for (long i = 1; i <= count; ++i) {
        IDispatchPtr item;
        hr = GetSelectedItem(selection, i, item);
        if (SUCCEEDED(hr))
            hr = CollectItemAttachments(application, item, static_cast<unsigned>(i), save, attachments, savedPaths);
        if (FAILED(hr)) {
            g_Log.Error(L"Can't get mail item! hr = 0x%08X\n", static_cast<unsigned>(hr));
            return hr;
        }
    }
    return S_OK;
}
