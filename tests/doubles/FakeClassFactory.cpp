#include "FakeClassFactory.h"

#include <utility>

namespace doubles {

FakeClassFactoryPtr FakeClassFactory::Create(MakeObject make)
{
    return FakeClassFactoryPtr(new FakeClassFactory(std::move(make)), false);
}

FakeClassFactory::FakeClassFactory(MakeObject make) : m_make(std::move(make)) {}

STDMETHODIMP FakeClassFactory::QueryInterface(REFIID iid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) FakeClassFactory::AddRef()
{
    return ++m_refs;
}

STDMETHODIMP_(ULONG) FakeClassFactory::Release()
{
    ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

STDMETHODIMP FakeClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    ++m_creates;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return m_make ? m_make(iid, ppv) : E_UNEXPECTED;
}

STDMETHODIMP FakeClassFactory::LockServer(BOOL)
{
    return S_OK;
}

} // namespace doubles
