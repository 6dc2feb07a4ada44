#include "ScriptedStorage.h"

namespace doubles {

namespace {

class ScriptedStorage : public IStorage, public FakeObjectCounted
{
public:
    explicit ScriptedStorage(IStorage* inner) : m_inner(inner) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IStorage)) {
            *ppv = static_cast<IStorage*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override
    {
        ULONG refs = --m_refs;
        if (refs == 0)
            delete this;
        return refs;
    }
    STDMETHODIMP CreateStream(const OLECHAR* name, DWORD mode, DWORD r1, DWORD r2, IStream** stream) override
    {
        return m_inner->CreateStream(name, mode, r1, r2, stream);
    }
    STDMETHODIMP OpenStream(const OLECHAR* name, void* r1, DWORD mode, DWORD r2, IStream** stream) override
    {
        return m_inner->OpenStream(name, r1, mode, r2, stream);
    }
    STDMETHODIMP CreateStorage(const OLECHAR* name, DWORD mode, DWORD r1, DWORD r2, IStorage** storage) override
    {
        return m_inner->CreateStorage(name, mode, r1, r2, storage);
    }
    STDMETHODIMP OpenStorage(const OLECHAR* name, IStorage* priority, DWORD mode, SNB exclude, DWORD reserved,
                             IStorage** storage) override
    {
        return m_inner->OpenStorage(name, priority, mode, exclude, reserved, storage);
    }
    STDMETHODIMP CopyTo(DWORD count, const IID* exclude, SNB names, IStorage* target) override
    {
        return m_inner->CopyTo(count, exclude, names, target);
    }
    STDMETHODIMP MoveElementTo(const OLECHAR* name, IStorage* target, const OLECHAR* newName, DWORD flags) override
    {
        return m_inner->MoveElementTo(name, target, newName, flags);
    }
    STDMETHODIMP Commit(DWORD flags) override
    {
        StorageScript& script = ScriptedStorages();
        ++script.commits;
        if (FAILED(script.commitFailure) &&
            (script.commitFailureOnCall == 0 || script.commitFailureOnCall == script.commits))
            return script.commitFailure;
        return m_inner->Commit(flags);
    }
    STDMETHODIMP Revert() override { return m_inner->Revert(); }
    STDMETHODIMP EnumElements(DWORD r1, void* r2, DWORD r3, IEnumSTATSTG** elements) override
    {
        return m_inner->EnumElements(r1, r2, r3, elements);
    }
    STDMETHODIMP DestroyElement(const OLECHAR* name) override { return m_inner->DestroyElement(name); }
    STDMETHODIMP RenameElement(const OLECHAR* oldName, const OLECHAR* newName) override
    {
        return m_inner->RenameElement(oldName, newName);
    }
    STDMETHODIMP SetElementTimes(const OLECHAR* name, const FILETIME* c, const FILETIME* a, const FILETIME* m) override
    {
        return m_inner->SetElementTimes(name, c, a, m);
    }
    STDMETHODIMP SetClass(REFCLSID clsid) override
    {
        if (FAILED(ScriptedStorages().setClassFailure))
            return ScriptedStorages().setClassFailure;
        return m_inner->SetClass(clsid);
    }
    STDMETHODIMP SetStateBits(DWORD bits, DWORD mask) override { return m_inner->SetStateBits(bits, mask); }
    STDMETHODIMP Stat(STATSTG* stat, DWORD flags) override { return m_inner->Stat(stat, flags); }

private:
    ~ScriptedStorage() override { m_inner->Release(); }

    ULONG m_refs = 1;
    IStorage* m_inner;
};

} // namespace

StorageScript& ScriptedStorages()
{
    static StorageScript script;
    return script;
}

HRESULT CreateScriptedStorage(const wchar_t* path, DWORD mode, IStorage** storage)
{
    if (!storage)
        return E_POINTER;
    *storage = nullptr;
    if (FAILED(ScriptedStorages().createFailure))
        return ScriptedStorages().createFailure;
    IStorage* inner = nullptr;
    HRESULT hr = StgCreateDocfile(path, mode, 0, &inner);
    if (FAILED(hr))
        return hr;
    *storage = new ScriptedStorage(inner);
    return S_OK;
}

} // namespace doubles
