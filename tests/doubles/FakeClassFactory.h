// The class object of a double, as COM hands it out for a class that a test
// registers (see ClassRegistration.h): CreateInstance refuses aggregation,
// counts its calls and leaves the object to a function of the test. Counts
// in FakeObjectCount() like every double.
#pragma once

#include <windows.h>
#include <comdef.h>

#include "FakeObjectCount.h"

#include <functional>

namespace doubles {

class FakeClassFactory;
using FakeClassFactoryPtr = _com_ptr_t<_com_IIID<FakeClassFactory, &IID_IClassFactory>>;

class FakeClassFactory final : public IClassFactory, public FakeObjectCounted
{
public:
    // Makes one object and queries it for iid into *ppv (null on entry);
    // its result is CreateInstance's.
    using MakeObject = std::function<HRESULT(REFIID iid, void** ppv)>;

    // A new class object with one reference, owned by the returned pointer.
    static FakeClassFactoryPtr Create(MakeObject make);

    // CreateInstance calls so far, refused ones included.
    int CreateCalls() const { return m_creates; }

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL) override;

private:
    explicit FakeClassFactory(MakeObject make);
    ~FakeClassFactory() override = default;

    ULONG m_refs = 1;
    int m_creates = 0;
    MakeObject m_make;
};

} // namespace doubles
