// A property's stream as IMAPIProp::OpenProperty hands it out: its bytes,
// or a declared size whose bytes are made up as they are read (a stream of
// nearly 4 GiB needs no memory), with failures and short reads on cue.
#pragma once

#include "../FakeObjectCount.h"

#include <windows.h>
#include <objidl.h>

#include <vector>

namespace doubles {

struct StreamScript {
    // Stat fails with this code (S_OK: it does not).
    HRESULT statFailure = S_OK;
    // Every Read fails with this code.
    HRESULT readFailure = S_OK;
    // A Read gives at most this many bytes (0: as many as asked).
    ULONG chunk = 0;
    // The Read that reaches the end answers S_FALSE with its bytes, as a
    // file stream under Wine does.
    bool sFalseAtEnd = false;
};

class FakeMapiStream : public IStream, public FakeObjectCounted
{
public:
    // A stream over the given bytes.
    static IStream* Create(const std::vector<BYTE>& bytes, const StreamScript& script = StreamScript());
    // A stream of declared size whose content is the byte `fill` repeated.
    static IStream* CreateOfSize(ULONGLONG size, BYTE fill, const StreamScript& script = StreamScript());

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Read(void* pv, ULONG cb, ULONG* pcbRead) override;
    STDMETHODIMP Write(const void* pv, ULONG cb, ULONG* pcbWritten) override;
    STDMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
    STDMETHODIMP SetSize(ULARGE_INTEGER newSize) override;
    STDMETHODIMP CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* read, ULARGE_INTEGER* written) override;
    STDMETHODIMP Commit(DWORD flags) override;
    STDMETHODIMP Revert() override;
    STDMETHODIMP LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD type) override;
    STDMETHODIMP UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD type) override;
    STDMETHODIMP Stat(STATSTG* stat, DWORD flags) override;
    STDMETHODIMP Clone(IStream** stream) override;

private:
    FakeMapiStream(std::vector<BYTE> bytes, ULONGLONG size, BYTE fill, bool generated, const StreamScript& script);
    ~FakeMapiStream() override = default;

    ULONG m_refs = 1;
    std::vector<BYTE> m_bytes;
    ULONGLONG m_size;
    BYTE m_fill;
    bool m_generated;
    StreamScript m_script;
    ULONGLONG m_position = 0;
};

} // namespace doubles
