// The connector's DeleteMail: the receiving program asks to delete an
// archived Outlook item, reached out of process.
#include "KQConnectorCOM.h"

#include "ComSupport.h"
#include "DeleteOutlookItem.h"
#include "LogFile.h"

namespace {

// COM for this call. Only a successful initialisation is balanced:
// uninitialising after RPC_E_CHANGED_MODE would tear down the caller's
// apartment.
class CComForCall
{
public:
    CComForCall() : m_init(CoInitialize(nullptr)) {}
    ~CComForCall()
    {
        if (SUCCEEDED(m_init))
            CoUninitialize();
    }
    CComForCall(const CComForCall&) = delete;
    CComForCall& operator=(const CComForCall&) = delete;

private:
    HRESULT m_init;
};

} // namespace

HRESULT CKQConnectorCOM::DeleteMail(const wchar_t* storeId, const wchar_t* entryId)
{
    if (!storeId || !entryId)
        return E_INVALIDARG;
    // Outlook is let go of before COM is.
    CComForCall com;
    CLSID clsid = CLSID_NULL;
    CLSIDFromProgID(L"Outlook.Application", &clsid);
    IDispatchPtr outlook;
    HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, reinterpret_cast<void**>(&outlook));
    if (FAILED(hr)) {
        g_Log.Error(L"DeleteMail: can't start Outlook! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    wchar_t errorText[DELETE_ERROR_CHARS] = L"";
    hr = DeleteOutlookItem(outlook, storeId, entryId, errorText, DELETE_ERROR_CHARS);
    // The receiving program shows nothing of it: the log keeps why.
    if (FAILED(hr))
        g_Log.Error(L"DeleteMail: %s", errorText[0] ? errorText : L"the item was not deleted\n");
    return hr;
}
