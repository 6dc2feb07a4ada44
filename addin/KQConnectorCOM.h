// The connector class that Corvelle, Quenby, Ostrelle and the receiving
// program call: a plain IDispatch without a type library, bound late by
// member name, its arguments in fixed slots of the argument array.
#pragma once

#include <windows.h>
#include <oaidl.h>

class CKQConnectorCOM final : public IDispatch
{
public:
    CKQConnectorCOM() = default;
    ~CKQConnectorCOM() = default;
    CKQConnectorCOM(const CKQConnectorCOM&) = delete;
    CKQConnectorCOM& operator=(const CKQConnectorCOM&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT nameCount, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

    // The members. Run hands the listed files to the receiving program; the
    // list holds NUL-terminated paths closed by an empty one.
    HRESULT Run(const wchar_t* pathList, const wchar_t* iniPath, int pathCount);
    HRESULT DisplaySettings();
    HRESULT DisplayInfo();
    HRESULT DeleteMail(const wchar_t* storeId, const wchar_t* entryId);

private:
    HRESULT InvokeRun(const DISPPARAMS& params);
    HRESULT InvokeDeleteMail(const DISPPARAMS& params);

    ULONG m_refs = 0;
};
