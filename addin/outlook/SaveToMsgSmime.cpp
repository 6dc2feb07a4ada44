// SaveToMSG_SMIME: Outlook saves the mail itself, in the format it chooses.
#include "MsgWriters.h"

#include "LogFile.h"
#include "TypedMembers.h"
#include "WideFormat.h"

HRESULT SaveItemThroughOutlook(IDispatch* typedItem, const wchar_t* fileName)
{
    // Arguments in IDispatch order: the left-out type first, then the path.
    _variant_t args[2] = {_variant_t(DISP_E_PARAMNOTFOUND, VT_ERROR), _variant_t(fileName)};
    _variant_t result;
    return CallTypedMethod(typedItem, L"SaveAs", &result, 2, args);
}

HRESULT SaveToMSG_SMIME(IDispatch* mailItem, wchar_t* path, unsigned index)
{
    g_Log.Info(L"Entering SaveToMSG_SMIME\n");
    if (!mailItem || !path)
        return E_POINTER;
    wchar_t fileName[MAX_PATH];
    if (FAILED(MakeMsgFileName(fileName, MAX_PATH, index))) {
        g_Log.Error(L"Failed to get path of temp directory oder tempfilename\n");
        return E_FAIL;
    }
    HRESULT hr = SaveItemThroughOutlook(mailItem, fileName);
    if (FAILED(hr))
        g_Log.Error(L"Failed to saveas smime mailitem! hr = 0x%08X\n", static_cast<unsigned>(hr));
    else
        CopyText(path, MAX_PATH, fileName);
    g_Log.Info(L"Leave SaveToMSG_SMIME\n");
    return hr;
}
