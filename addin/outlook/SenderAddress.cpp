// CollectSenderAddress: the SMTP address of a mail's Exchange sender, from
// Outlook's own MAPI session and address book.
#include "OutlookPropertyReaders.h"

#include "ComSupport.h"
#include "LogFile.h"
#include "OutlookInterfaces.h"
#include "TypedMembers.h"

HRESULT CollectSenderAddress(IDispatch* application, IMessage* message, CPropertyCollection* properties)
{
    if (!properties)
        return E_POINTER;
    const wchar_t* addressType = properties->GetValue(KEY_PR_SENDER_ADDRTYPE);
    if (!addressType || CompareStringOrdinal(addressType, -1, L"EX", -1, TRUE) != CSTR_EQUAL)
        return S_OK;
    // The mail table's address is an Exchange path, no mail address.
    properties->Add(KEY_OTL_MSG_SENDER_EMAIL_ADDRESS, L"", 1);
    if (!application || !message)
        return E_POINTER;
    HRESULT hr = S_OK;
    const MapiFunctions* mapi = GetMapiFunctions(&hr);
    if (!mapi)
        return hr;

    IDispatchPtr outlook;
    hr = QueryTypedInterface(application, IID_Outlook_Application, &outlook);
    if (FAILED(hr)) {
        g_Log.Error(L"Can't get ApplicationPtr! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    _variant_t nameSpace;
    _variant_t mapiName(L"MAPI");
    hr = CallTypedMethod(outlook, L"GetNamespace", &nameSpace, 1, &mapiName);
    if (FAILED(hr)) {
        // The sender's address is not worth the rest of the capture.
        g_Log.Error(L"Can't get Namespace(MAPI) from Application! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    if (V_VT(&nameSpace) != VT_DISPATCH || !V_DISPATCH(&nameSpace)) {
        g_Log.Error(L"Can't get Namespace(MAPI) from Application!");
        return E_FAIL;
    }
    _variant_t mapiObject;
    hr = GetTypedProperty(V_DISPATCH(&nameSpace), L"MAPIOBJECT", &mapiObject);
    if (SUCCEEDED(hr) && (V_VT(&mapiObject) != VT_UNKNOWN && V_VT(&mapiObject) != VT_DISPATCH))
        hr = DISP_E_TYPEMISMATCH;
    if (SUCCEEDED(hr) && !V_UNKNOWN(&mapiObject))
        hr = E_POINTER;
    if (FAILED(hr)) {
        g_Log.Error(L"Can't get MAPIOBJECT from session! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    CMapiSessionPtr session;
    hr = V_UNKNOWN(&mapiObject)->QueryInterface(IID_IMAPISession, reinterpret_cast<void**>(&session));
    if (FAILED(hr)) {
        g_Log.Error(L"Can't get MAPISession from MAPIObject! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    CAddrBookPtr book;
    hr = session->OpenAddressBook(0, nullptr, AB_NO_DIALOG, &book);
    if (FAILED(hr) || !book) {
        hr = FAILED(hr) ? hr : E_POINTER;
        g_Log.Error(L"Can't open AddressBook from MAPISession! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    SizedSPropTagArray(1, senderTags) = {1, {PR_SENDER_ENTRYID}};
    ULONG count = 0;
    CMapiBuffer<SPropValue> sender(mapi);
    hr = message->GetProps(reinterpret_cast<LPSPropTagArray>(&senderTags), 0, &count, sender.Receive());
    if (FAILED(hr) || !sender || count < 1) {
        hr = FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
        g_Log.Error(L"Can't get ENTRYID Object from Mailitem! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    if (PROP_TYPE(sender->ulPropTag) != PT_BINARY) {
        g_Log.Error(L"Can't get valid ENTRYID Object from Mailitem!\n");
        return E_FAIL;
    }
    ULONG objectType = 0;
    IUnknown* entry = nullptr;
    hr = book->OpenEntry(sender->Value.bin.cb, reinterpret_cast<LPENTRYID>(sender->Value.bin.lpb), nullptr,
                         MAPI_BEST_ACCESS, &objectType, &entry);
    if (FAILED(hr) || !entry) {
        hr = FAILED(hr) ? hr : E_POINTER;
        g_Log.Error(L"Can't open MailUser Object! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    CMapiPropPtr user;
    hr = entry->QueryInterface(IID_IMAPIProp, reinterpret_cast<void**>(&user));
    entry->Release();
    if (FAILED(hr)) {
        g_Log.Error(L"Can't open MailUser Object! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    SizedSPropTagArray(1, smtpTags) = {1, {TAG_SMTP_ADDRESS_W}};
    CMapiBuffer<SPropValue> smtp(mapi);
    hr = user->GetProps(reinterpret_cast<LPSPropTagArray>(&smtpTags), 0, &count, smtp.Receive());
    if (FAILED(hr)) {
        g_Log.Error(L"Can't get PR_SMTP_ADDRESS from MailUser! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    const wchar_t* address = L"";
    if (hr == S_OK && smtp && count >= 1 && PROP_TYPE(smtp->ulPropTag) == PT_UNICODE && smtp->Value.lpszW)
        address = smtp->Value.lpszW;
    properties->Add(KEY_OTL_MSG_SENDER_EMAIL_ADDRESS, address, 1);
    return S_OK;
}
