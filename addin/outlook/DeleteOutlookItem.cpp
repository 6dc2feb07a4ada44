#include "DeleteOutlookItem.h"

#include "ComSupport.h"
#include "DispatchHelpers.h"
#include "LogFile.h"
#include "OutlookItemKinds.h"
#include "OutlookObjects.h"
#include "OutlookPropertyTables.h"
#include "RedemptionFolder.h"

namespace {

bool IsSignedMailClass(const std::wstring& messageClass)
{
    return IsMessageClass(messageClass.c_str(), L"IPM.Note.SMIME") ||
           IsMessageClass(messageClass.c_str(), L"IPM.Note.SMIME.MultipartSigned");
}

HRESULT DeleteThroughRedemption(IDispatch* application, const wchar_t* entryId, const StepFailure& error)
{
    IDispatchPtr rdo;
    HRESULT hr = OpenRedemptionSession(application, rdo, error);
    if (FAILED(hr))
        return hr;

    _variant_t id(entryId);
    _variant_t result;
    IDispatchPtr mail;
    hr = CallMethod(rdo, L"GetMessageFromID", &result, 1, &id);
    if (SUCCEEDED(hr))
        hr = DispatchFromResult(result, mail);
    if (FAILED(hr))
        return error(hr, L"Can't call GetMessageFromID! hr = 0x%08X\n", static_cast<unsigned>(hr));
    _variant_t ignored;
    hr = CallMethod(mail, L"Delete", &ignored, 0, nullptr);
    if (FAILED(hr))
        return error(hr, L"Failed to delete RDO mail item! hr = 0x%08X\n", static_cast<unsigned>(hr));
    return S_OK;
}

} // namespace

HRESULT DeleteOutlookItem(IDispatch* application, const wchar_t* storeId, const wchar_t* entryId, wchar_t* errorText,
                          size_t errorChars)
{
    if (!application || !storeId || !entryId)
        return E_POINTER;
    StepFailure error(errorText, errorChars);
    _variant_t versionValue;
    HRESULT hr = GetProperty(application, L"Version", &versionValue);
    if (FAILED(hr))
        return error(hr, L"Can't get version from outlook! hr = 0x%08X\n", static_cast<unsigned>(hr));
    std::wstring version = TextOfValue(versionValue);
    int majorVersion = _wtoi(version.substr(0, version.find(L'.')).c_str());

    _variant_t mapiName(L"MAPI");
    _variant_t nameSpaceValue;
    IDispatchPtr nameSpace;
    hr = CallMethod(application, L"GetNameSpace", &nameSpaceValue, 1, &mapiName);
    if (SUCCEEDED(hr))
        hr = DispatchFromResult(nameSpaceValue, nameSpace);
    if (FAILED(hr))
        return error(hr, L"Can't get name space object! hr = 0x%08X\n", static_cast<unsigned>(hr));

    // IDispatch order: the store id (the second argument) comes first.
    _variant_t ids[2] = {_variant_t(storeId), _variant_t(entryId)};
    _variant_t itemValue;
    IDispatchPtr item;
    hr = CallMethod(nameSpace, L"GetItemFromID", &itemValue, 2, ids);
    if (SUCCEEDED(hr))
        hr = DispatchFromResult(itemValue, item);
    if (FAILED(hr))
        return error(hr, L"Error in GetItemFromID(%s,%s)! hr = 0x%08X\n", entryId, storeId, static_cast<unsigned>(hr));

    _variant_t classValue;
    hr = GetProperty(item, L"MessageClass", &classValue);
    if (FAILED(hr))
        return error(hr, L"Can't get message class for selected item! hr = 0x%08X\n", static_cast<unsigned>(hr));
    if (IsSignedMailClass(TextOfValue(classValue)) && majorVersion >= FIRST_REDEMPTION_VERSION)
        return DeleteThroughRedemption(application, entryId, error);

    _variant_t ignored;
    hr = CallMethod(item, L"Delete", &ignored, 0, nullptr);
    if (FAILED(hr))
        return error(hr, L"Failed to delete mail item! hr = 0x%08X\n", static_cast<unsigned>(hr));
    return S_OK;
}

void DeleteMailItem(IDispatch* application, const CPropertyCollection* properties)
{
    g_Log.Info(L"Entering DeleteMailItem\n");
    if (!properties)
        return;
    const wchar_t* ids[2] = {nullptr, nullptr};
    const wchar_t* const keys[2] = {KEY_PR_ENTRYID, KEY_PR_STORE_ENTRYID};
    for (int i = 0; i < 2; ++i) {
        ids[i] = properties->GetValue(keys[i]);
        if (!ids[i]) {
            g_Log.Error(L"Can't find custom document property %s!\n", keys[i]);
            return;
        }
        if (!*ids[i]) {
            g_Log.Error(L"Invalid value of custom document property %s!\n", keys[i]);
            return;
        }
    }
    wchar_t errorText[DELETE_ERROR_CHARS] = L"";
    HRESULT hr = DeleteOutlookItem(application, ids[1], ids[0], errorText, DELETE_ERROR_CHARS);
    if (FAILED(hr))
        g_Log.Error(L"%s", errorText);
}
