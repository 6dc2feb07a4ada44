// SaveRDOMailFromFolder: a signed or encrypted mail saved through Redemption.
#include "MsgWriters.h"

#include "DispatchHelpers.h"
#include "LogFile.h"
#include "OutlookPropertyReaders.h"
#include "RdoMailSearch.h"
#include "RedemptionSession.h"
#include "WideFormat.h"

HRESULT SaveRDOMailFromFolder(IDispatch* folder, IDispatch* item, wchar_t* path, unsigned index,
                              CPropertyCollection* properties)
{
    g_Log.Info(L"Entering SaveRDOMailFromFolder\n");
    if (!path)
        return E_POINTER;
    _variant_t mail;
    if (FAILED(FindRDOMail(folder, item, &mail))) {
        g_Log.Error(L"### No mail found! ###\n");
        return E_FAIL;
    }
    wchar_t fileName[MAX_PATH];
    if (FAILED(MakeMsgFileName(fileName, MAX_PATH, index))) {
        g_Log.Error(L"Failed to get path of temp directory oder tempfilename\n");
        return E_FAIL;
    }
    // IDispatch order: the type comes first, the path last.
    _variant_t args[2] = {_variant_t(RDO_SAVE_AS_UNICODE_MSG), _variant_t(fileName)};
    _variant_t result;
    HRESULT hr = CallMethod(V_DISPATCH(&mail), L"SaveAs", &result, 2, args);
    if (FAILED(hr)) {
        g_Log.Error(L"Can't save mail item! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    CopyText(path, MAX_PATH, fileName);
    CollectMailItemProperties(folder, V_DISPATCH(&mail), properties);
    return S_OK;
}
