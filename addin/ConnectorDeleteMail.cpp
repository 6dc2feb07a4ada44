// The connector's DeleteMail: the receiving program asks to delete an
// archived Outlook item, reached out of process.
#include "KQConnectorCOM.h"

#include "ComSupport.h"
#include "LogFile.h"

HRESULT CKQConnectorCOM::DeleteMail(const wchar_t* storeId, const wchar_t* entryId)
{
    if (!storeId || !entryId)
        return E_INVALIDARG;
    // Only a successful initialisation is balanced: uninitialising after
    // RPC_E_CHANGED_MODE would tear down the caller's apartment.
    HRESULT init = CoInitialize(nullptr);

    HRESULT hr;
    {
        CLSID clsid = CLSID_NULL;
        CLSIDFromProgID(L"Outlook.Application", &clsid);
        IDispatchPtr outlook;
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(&outlook));
        if (SUCCEEDED(hr)) {
            g_Log.Error(L"DeleteMail: deleting Outlook items is not available, hr = 0x%08X\n", E_NOTIMPL);
            hr = E_NOTIMPL;
        }
    }

    if (SUCCEEDED(init))
        CoUninitialize();
    return hr;
}
