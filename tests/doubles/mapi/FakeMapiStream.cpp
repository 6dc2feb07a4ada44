#include "FakeMapiStream.h"

#include <cstring>

namespace doubles {

IStream* FakeMapiStream::Create(const std::vector<BYTE>& bytes, const StreamScript& script)
{
    return new FakeMapiStream(bytes, bytes.size(), 0, false, script);
}

IStream* FakeMapiStream::CreateOfSize(ULONGLONG size, BYTE fill, const StreamScript& script)
{
    return new FakeMapiStream({}, size, fill, true, script);
}

FakeMapiStream::FakeMapiStream(std::vector<BYTE> bytes, ULONGLONG size, BYTE fill, bool generated,
                               const StreamScript& script)
    : m_bytes(std::move(bytes)), m_size(size), m_fill(fill), m_generated(generated), m_script(script)
{
}

STDMETHODIMP FakeMapiStream::QueryInterface(REFIID iid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IStream) || IsEqualIID(iid, IID_ISequentialStream)) {
        *ppv = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) FakeMapiStream::AddRef()
{
    return ++m_refs;
}

STDMETHODIMP_(ULONG) FakeMapiStream::Release()
{
    ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

STDMETHODIMP FakeMapiStream::Read(void* pv, ULONG cb, ULONG* pcbRead)
{
    if (pcbRead)
        *pcbRead = 0;
    if (!pv && cb)
        return STG_E_INVALIDPOINTER;
    if (FAILED(m_script.readFailure))
        return m_script.readFailure;
    ULONGLONG left = m_position < m_size ? m_size - m_position : 0;
    ULONG n = left < cb ? static_cast<ULONG>(left) : cb;
    if (m_script.chunk && n > m_script.chunk)
        n = m_script.chunk;
    if (m_generated)
        memset(pv, m_fill, n);
    else if (n)
        memcpy(pv, m_bytes.data() + m_position, n);
    m_position += n;
    if (pcbRead)
        *pcbRead = n;
    if (m_script.sFalseAtEnd && m_position >= m_size)
        return S_FALSE;
    return S_OK;
}

STDMETHODIMP FakeMapiStream::Write(const void*, ULONG, ULONG* pcbWritten)
{
    if (pcbWritten)
        *pcbWritten = 0;
    return STG_E_ACCESSDENIED;
}

STDMETHODIMP FakeMapiStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition)
{
    LONGLONG base = origin == STREAM_SEEK_SET   ? 0
                    : origin == STREAM_SEEK_CUR ? static_cast<LONGLONG>(m_position)
                    : origin == STREAM_SEEK_END ? static_cast<LONGLONG>(m_size)
                                                : -1;
    if (base < 0)
        return STG_E_INVALIDFUNCTION;
    LONGLONG target = base + move.QuadPart;
    if (target < 0)
        return STG_E_INVALIDFUNCTION;
    m_position = static_cast<ULONGLONG>(target);
    if (newPosition)
        newPosition->QuadPart = m_position;
    return S_OK;
}

STDMETHODIMP FakeMapiStream::SetSize(ULARGE_INTEGER)
{
    return STG_E_ACCESSDENIED;
}

STDMETHODIMP FakeMapiStream::CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* read, ULARGE_INTEGER* written)
{
    if (read)
        read->QuadPart = 0;
    if (written)
        written->QuadPart = 0;
    if (!target)
        return STG_E_INVALIDPOINTER;
    BYTE buffer[4096];
    ULONGLONG left = cb.QuadPart;
    while (left > 0) {
        ULONG got = 0;
        HRESULT hr = Read(buffer, left < sizeof(buffer) ? static_cast<ULONG>(left) : sizeof(buffer), &got);
        if (FAILED(hr))
            return hr;
        if (got == 0)
            break;
        ULONG put = 0;
        hr = target->Write(buffer, got, &put);
        if (read)
            read->QuadPart += got;
        if (written)
            written->QuadPart += put;
        if (FAILED(hr))
            return hr;
        left -= got;
    }
    return S_OK;
}

STDMETHODIMP FakeMapiStream::Commit(DWORD)
{
    return S_OK;
}

STDMETHODIMP FakeMapiStream::Revert()
{
    return S_OK;
}

STDMETHODIMP FakeMapiStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD)
{
    return STG_E_INVALIDFUNCTION;
}

STDMETHODIMP FakeMapiStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD)
{
    return STG_E_INVALIDFUNCTION;
}

STDMETHODIMP FakeMapiStream::Stat(STATSTG* stat, DWORD flags)
{
    if (!stat)
        return STG_E_INVALIDPOINTER;
    memset(stat, 0, sizeof(*stat));
    if (FAILED(m_script.statFailure))
        return m_script.statFailure;
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = m_size;
    stat->grfMode = STGM_READ;
    return S_OK;
}

STDMETHODIMP FakeMapiStream::Clone(IStream** stream)
{
    if (stream)
        *stream = nullptr;
    return E_NOTIMPL;
}

} // namespace doubles
