// GetAttachmentList: the attachments of every item selected in the active
// explorer, in selection order.
#include "ItemAttachments.h"

#include "LogFile.h"
#include "OutlookObjects.h"

HRESULT GetAttachmentList(IDispatch* application, bool save, CAttachmentList* attachments, SavedPathList* savedPaths)
{
    g_Log.Info(L"Entering GetAttachmentList\n");
    if (!attachments || (save && !savedPaths))
        return E_POINTER;
    OutlookVersion version;
    IDispatchPtr selection;
    long count = 0;
    HRESULT hr = ReadVersionAndSelection(application, &version, selection, &count);
    if (FAILED(hr))
        return hr;
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
