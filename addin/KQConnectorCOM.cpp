#include "KQConnectorCOM.h"

#include "ComSupport.h"
#include "ConnectorIds.h"
#include "ServerModule.h"

namespace {

struct MemberName {
    const wchar_t* name;
    DISPID id;
};

// Compared case-sensitively, first match wins.
const MemberName g_members[] = {
    {L"KQConnectorCOM.Run", DISPID_CONNECTOR_RUN},
    {L"KQConnectorCOM.DisplaySettings", DISPID_CONNECTOR_DISPLAYSETTINGS},
    {L"KQConnectorCOM.DisplayInfo", DISPID_CONNECTOR_DISPLAYINFO},
    {L"KQConnectorCOM.DeleteMail", DISPID_CONNECTOR_DELETEMAIL},
    {L"Run", DISPID_CONNECTOR_RUN},
    {L"DisplaySettings", DISPID_CONNECTOR_DISPLAYSETTINGS},
    {L"DisplayInfo", DISPID_CONNECTOR_DISPLAYINFO},
    {L"DeleteMail", DISPID_CONNECTOR_DELETEMAIL},
};

} // namespace

STDMETHODIMP CKQConnectorCOM::QueryInterface(REFIID iid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, CLSID_KQConnectorCOM)) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CKQConnectorCOM::AddRef()
{
    return ++m_refs;
}

STDMETHODIMP_(ULONG) CKQConnectorCOM::Release()
{
    ULONG refs = --m_refs;
    if (refs == 0) {
        delete this;
        ServerObjectDestroyed();
    }
    return refs;
}

STDMETHODIMP CKQConnectorCOM::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP CKQConnectorCOM::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    return E_FAIL;
}

STDMETHODIMP CKQConnectorCOM::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT nameCount, LCID, DISPID* ids)
{
    return CallNoThrow([&]() -> HRESULT {
        if (!IsEqualIID(iid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids)
            return E_POINTER;
        if (nameCount != 1)
            return E_INVALIDARG;
        if (names[0]) {
            for (const MemberName& member : g_members) {
                if (lstrcmpW(names[0], member.name) == 0) {
                    ids[0] = member.id;
                    return S_OK;
                }
            }
        }
        return DISP_E_UNKNOWNNAME;
    });
}

STDMETHODIMP CKQConnectorCOM::Invoke(DISPID id, REFIID iid, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*)
{
    return CallNoThrow([&]() -> HRESULT {
        if (!IsEqualIID(iid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        if (!params)
            return E_POINTER;
        switch (id) {
        case DISPID_CONNECTOR_RUN:
            return InvokeRun(*params);
        case DISPID_CONNECTOR_DISPLAYSETTINGS:
            return DisplaySettings();
        case DISPID_CONNECTOR_DISPLAYINFO:
            return DisplayInfo();
        case DISPID_CONNECTOR_DELETEMAIL:
            return InvokeDeleteMail(*params);
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    });
}

HRESULT CKQConnectorCOM::InvokeRun(const DISPPARAMS& params)
{
    // The argument count says which of the four slots carry meaning; callers
    // always pass all four.
    const UINT count = params.cArgs;
    if (count < 1 || count > 4)
        return DISP_E_BADPARAMCOUNT;
    if (!params.rgvarg)
        return E_POINTER;
    const VARIANT* slots = params.rgvarg;

    const wchar_t* pathList = static_cast<const wchar_t*>(slots[ARG_PATHLIST].byref);
    const wchar_t* iniPath = nullptr;
    // Only a text is taken as the ini path: another type's value field is no
    // pointer that could be read.
    if ((count == 2 || count == 4) && V_VT(&slots[ARG_PROPERTIES]) == VT_BSTR)
        iniPath = V_BSTR(&slots[ARG_PROPERTIES]);
    const int pathCount = count >= 3 ? slots[ARG_PATHCOUNT].intVal : 1;
    return Run(pathList, iniPath, pathCount);
}

HRESULT CKQConnectorCOM::InvokeDeleteMail(const DISPPARAMS& params)
{
    if (params.cArgs != 2)
        return DISP_E_BADPARAMCOUNT;
    if (!params.rgvarg)
        return E_POINTER;
    // The receiving program passes both ids as 8-bit texts in the ANSI code
    // page, whatever the VARIANT types say.
    const char* storeId = static_cast<const char*>(params.rgvarg[0].byref);
    const char* entryId = static_cast<const char*>(params.rgvarg[1].byref);
    if (!storeId || !entryId)
        return E_INVALIDARG;
    _bstr_t wideStoreId(storeId);
    _bstr_t wideEntryId(entryId);
    return DeleteMail(wideStoreId, wideEntryId);
}
