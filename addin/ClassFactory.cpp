#include "ClassFactory.h"

#include "ComSupport.h"
#include "KQConnectorCOM.h"
#include "MarvikAddin.h"
#include "ServerModule.h"

STDMETHODIMP CClassFactoryBase::QueryInterface(REFIID iid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CClassFactoryBase::AddRef()
{
    return ++m_refs;
}

STDMETHODIMP_(ULONG) CClassFactoryBase::Release()
{
    ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

STDMETHODIMP CClassFactoryBase::CreateInstance(IUnknown* outer, REFIID iid, void** ppv)
{
    return CallNoThrow([&]() -> HRESULT {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        HRESULT hr = CreateObject(iid, ppv);
        if (SUCCEEDED(hr))
            ServerObjectCreated();
        return hr;
    });
}

STDMETHODIMP CClassFactoryBase::LockServer(BOOL lock)
{
    ServerLock(lock != FALSE);
    return S_OK;
}

HRESULT CMarvikAddinCF::CreateObject(REFIID iid, void** ppv)
{
    return CreateQueried<CMarvikAddin>(iid, ppv);
}

HRESULT CKQConnectorCOMCF::CreateObject(REFIID iid, void** ppv)
{
    return CreateQueried<CKQConnectorCOM>(iid, ppv);
}
