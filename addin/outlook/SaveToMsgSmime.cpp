// SaveToMSG_SMIME: Outlook saves the mail itself, as a Unicode message file
// where it can write one.
#include "MsgWriters.h"

#include "LogFile.h"
#include "TypedMembers.h"
#include "WideFormat.h"

namespace {

// OlSaveAsType's olMSGUnicode, known from Outlook 2003 (11) on. Without a
// type Outlook writes olMSG (3), whose 8-bit texts lose every character
// outside the ANSI code page.
const long SAVE_AS_MSG_UNICODE = 9;
const int FIRST_UNICODE_MSG_VERSION = 11;

} // namespace

HRESULT SaveItemThroughOutlook(IDispatch* typedItem, const wchar_t* fileName, int majorVersion)
{
    // An older Outlook knows no Unicode type: it chooses the format itself.
    _variant_t type(DISP_E_PARAMNOTFOUND, VT_ERROR);
    if (majorVersion >= FIRST_UNICODE_MSG_VERSION)
        type = _variant_t(SAVE_AS_MSG_UNICODE, VT_I4);
    // Arguments in IDispatch order: the type first, then the path.
    _variant_t args[2] = {type, _variant_t(fileName)};
    _variant_t result;
    return CallTypedMethod(typedItem, L"SaveAs", &result, 2, args);
}

HRESULT SaveToMSG_SMIME(IDispatch* mailItem, wchar_t* path, unsigned index, int majorVersion)
{
    g_Log.Info(L"Entering SaveToMSG_SMIME\n");
    if (!mailItem || !path)
        return E_POINTER;
    wchar_t fileName[MAX_PATH];
    if (FAILED(MakeMsgFileName(fileName, MAX_PATH, index))) {
        g_Log.Error(L"Failed to get path of temp directory oder tempfilename\n");
        return E_FAIL;
    }
    HRESULT hr = SaveItemThroughOutlook(mailItem, fileName, majorVersion);
    if (FAILED(hr))
        g_Log.Error(L"Failed to saveas smime mailitem! hr = 0x%08X\n", static_cast<unsigned>(hr));
    else
        CopyText(path, MAX_PATH, fileName);
    g_Log.Info(L"Leave SaveToMSG_SMIME\n");
    return hr;
}
