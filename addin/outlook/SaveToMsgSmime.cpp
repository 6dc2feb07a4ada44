// SaveToMSG_SMIME: Outlook saves the mail itself, in the format it chooses.
#include "MsgWriters.h"

#include "LogFile.h"
#include "TypedMembers.h"
#include "WideFormat.h"

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
    // Arguments in IDispatch order: the left-out type first, then the path.
    VARIANT args[2];
    VariantInit(&args[0]);
    V_VT(&args[0]) = VT_ERROR;
    V_ERROR(&args[0]) = DISP_E_PARAMNOTFOUND;
    _variant_t target(fileName);
    args[1] = target;
    _variant_t result;
    HRESULT hr = CallTypedMethod(mailItem, L"SaveAs", &result, 2, args);
    if (FAILED(hr))
        g_Log.Error(L"Failed to saveas smime mailitem! hr = 0x%08X\n", static_cast<unsigned>(hr));
    else
        CopyText(path, MAX_PATH, fileName);
    g_Log.Info(L"Leave SaveToMSG_SMIME\n");
    return hr;
}
