// GetOutlookDocumentCount and SaveOutlookDocument: the active explorer's
// selection, counted and saved item by item.
#include "OutlookCapture.h"

#include "LogFile.h"
#include "OutlookObjects.h"

HRESULT GetOutlookDocumentCount(IDispatch* application, long* count)
{
    g_Log.Info(L"Entering GetOutlookDocumentCount\n");
    if (!count)
        return E_POINTER;
    IDispatchPtr explorer;
    HRESULT hr = GetActiveExplorer(application, explorer);
    if (FAILED(hr))
        return hr;
    IDispatchPtr selection;
    long selected = 0;
    hr = GetSelection(explorer, selection, &selected);
    if (FAILED(hr))
        return hr;
    if (selected <= 0) {
        g_Log.Error(L"There are no items selected!\n");
        return E_NO_ITEMS_SELECTED;
    }
    *count = selected;
    return S_OK;
}

HRESULT SaveOutlookDocument(IDispatch* application, wchar_t* const* paths, CPropertyCollection* const* properties,
                            size_t count)
{
    g_Log.Info(L"Entering SaveOutlookDocument\n");
    if (!paths || !properties)
        return E_POINTER;
    OutlookVersion version;
    IDispatchPtr selection;
    long selected = 0;
    HRESULT hr = ReadVersionAndSelection(application, &version, selection, &selected);
    if (FAILED(hr))
        return hr;
    // The caller sized its arrays when it counted; a selection that has
    // grown since is saved only as far as they reach.
    size_t total = static_cast<size_t>(selected);
    if (total > count) {
        g_Log.Warning(L"The selection grew from %u to %u items; saving the first %u\n", static_cast<unsigned>(count),
                      static_cast<unsigned>(total), static_cast<unsigned>(count));
        total = count;
    }
    for (size_t i = 0; i < total; ++i) {
        IDispatchPtr item;
        hr = GetSelectedItem(selection, static_cast<long>(i + 1), item);
        if (FAILED(hr)) {
            g_Log.Error(L"Can't get mail item! hr = 0x%08X\n", static_cast<unsigned>(hr));
            return hr;
        }
        hr = SaveOutlookItem(application, item, static_cast<unsigned>(i), version.majorNumber, paths[i], properties[i]);
        if (FAILED(hr)) {
            g_Log.Error(L"Can't save current item! hr = 0x%08X\n", static_cast<unsigned>(hr));
            return hr;
        }
    }
    return S_OK;
}
