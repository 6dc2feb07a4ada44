// GetAttachmentList: the attachments of every item selected in the active
// explorer, in selection order, over the items as they were selected when
// the list was made.
#include "ItemAttachments.h"

#include "LogFile.h"
#include "OutlookObjects.h"

namespace {

HRESULT HoldSelectedItems(IDispatch* application, HeldItems* items)
{
    OutlookVersion version;
    IDispatchPtr selection;
    long count = 0;
    HRESULT hr = ReadVersionAndSelection(application, &version, selection, &count);
    if (FAILED(hr))
        return hr;
    for (long i = 1; i <= count; ++i) {
        IDispatchPtr item;
        hr = GetSelectedItem(selection, i, item);
        if (FAILED(hr)) {
            g_Log.Error(L"Can't get mail item! hr = 0x%08X\n", static_cast<unsigned>(hr));
            return hr;
        }
        items->push_back(item);
    }
    return S_OK;
}

} // namespace

HRESULT GetAttachmentList(IDispatch* application, bool save, HeldItems* items, CAttachmentList* attachments,
                          SavedPathList* savedPaths)
{
    g_Log.Info(L"Entering GetAttachmentList\n");
    if (!items || !attachments || (save && !savedPaths))
        return E_POINTER;
    // The items held before a failing one are still walked: the list keeps
    // what they add.
    HRESULT held = items->empty() ? HoldSelectedItems(application, items) : S_OK;
    if (FAILED(held) && items->empty())
        return held;
    for (size_t i = 0; i < items->size(); ++i) {
        HRESULT hr = CollectItemAttachments(application, (*items)[i], static_cast<unsigned>(i + 1), save, attachments,
                                            savedPaths);
        if (FAILED(hr)) {
            g_Log.Error(L"Can't get mail item! hr = 0x%08X\n", static_cast<unsigned>(hr));
            return hr;
        }
    }
    return held;
}
