// The class objects of Brenmark's two classes. A class object does not count
// in the server's object count; each object it creates does.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <new>

// A new T (count 0) queried for the interface, destroyed when the query
// fails, so that nothing of it remains.
template <typename T>
HRESULT CreateQueried(REFIID iid, void** ppv)
{
    T* object = new (std::nothrow) T;
    if (!object)
        return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(iid, ppv);
    if (FAILED(hr))
        delete object;
    return hr;
}

class CClassFactoryBase : public IClassFactory
{
public:
    virtual ~CClassFactoryBase() = default;

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL lock) override;

protected:
    CClassFactoryBase() = default;

    // Makes a new object of the class and hands out the interface; on
    // failure nothing of the object remains.
    virtual HRESULT CreateObject(REFIID iid, void** ppv) = 0;

private:
    ULONG m_refs = 0;
};

class CMarvikAddinCF final : public CClassFactoryBase
{
protected:
    HRESULT CreateObject(REFIID iid, void** ppv) override;
};

class CKQConnectorCOMCF final : public CClassFactoryBase
{
protected:
    HRESULT CreateObject(REFIID iid, void** ppv) override;
};
