#include "TestDataObject.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>

namespace {

HGLOBAL CopyToGlobal(const std::vector<BYTE>& bytes)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.empty() ? 1 : bytes.size());
    if (h && !bytes.empty()) {
        std::memcpy(GlobalLock(h), bytes.data(), bytes.size());
        GlobalUnlock(h);
    }
    return h;
}

class EndingStream : public IStream
{
public:
    virtual ~EndingStream() = default;
    EndingStream(const std::string& bytes, ULONG chunk, bool failRead)
        : m_bytes(bytes), m_chunk(chunk), m_failRead(failRead)
    {
    }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IStream || riid == IID_ISequentialStream) {
            *ppv = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override
    {
        ULONG n = --m_refs;
        if (!n)
            delete this;
        return n;
    }
    STDMETHODIMP Read(void* buffer, ULONG cb, ULONG* read) override
    {
        if (m_failRead && m_pos > 0)
            return STG_E_READFAULT;
        ULONG n = std::min<ULONG>(std::min(cb, m_chunk), static_cast<ULONG>(m_bytes.size() - m_pos));
        std::memcpy(buffer, m_bytes.data() + m_pos, n);
        m_pos += n;
        if (read)
            *read = n;
        return m_pos == m_bytes.size() ? S_FALSE : S_OK;
    }
    STDMETHODIMP Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    STDMETHODIMP SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    STDMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    STDMETHODIMP Commit(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP Revert() override { return E_NOTIMPL; }
    STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP Clone(IStream**) override { return E_NOTIMPL; }

private:
    ULONG m_refs = 1;
    std::string m_bytes;
    size_t m_pos = 0;
    ULONG m_chunk;
    bool m_failRead;
};

} // namespace

IStream* CreateEndingStream(const std::string& bytes, ULONG chunk, bool failRead)
{
    return new EndingStream(bytes, chunk, failRead);
}

IStorage* CreateMailStorage(bool streamFirst)
{
    IStorage* root = nullptr;
    StgCreateDocfile(nullptr, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE, 0, &root);
    if (!root)
        return nullptr;
    const char body[] = "Betreff: Angebot";
    IStream* stream = nullptr;
    if (streamFirst) {
        root->CreateStream(L"A", STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream);
        stream->Write(body, sizeof(body), nullptr);
        stream->Release();
        IStorage* sub = nullptr;
        root->CreateStorage(L"BBBB", STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &sub);
        sub->Release();
    } else {
        IStorage* sub = nullptr;
        root->CreateStorage(L"A", STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &sub);
        sub->CreateStream(L"inner", STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream);
        stream->Write(body, sizeof(body), nullptr);
        stream->Release();
        sub->Release();
        root->CreateStream(L"BBBB", STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream);
        stream->Write(body, sizeof(body), nullptr);
        stream->Release();
    }
    root->Commit(STGC_DEFAULT);
    return root;
}

TestDataObject::TestDataObject() = default;

TestDataObject::~TestDataObject()
{
    for (IStorage* s : m_storages)
        s->Release();
}

CLIPFORMAT TestDataObject::DescriptorFormat()
{
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CFSTR_FILEDESCRIPTORW));
}

CLIPFORMAT TestDataObject::ContentsFormat()
{
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CFSTR_FILECONTENTS));
}

void TestDataObject::SetFileList(const std::vector<std::wstring>& paths)
{
    DROPFILES header = {};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    std::wstring list;
    for (const std::wstring& path : paths)
        list += path + L'\0';
    list += L'\0';
    m_fileList.assign(reinterpret_cast<const BYTE*>(&header), reinterpret_cast<const BYTE*>(&header + 1));
    const BYTE* text = reinterpret_cast<const BYTE*>(list.data());
    m_fileList.insert(m_fileList.end(), text, text + list.size() * sizeof(wchar_t));
}

void TestDataObject::SetDescriptor(const std::vector<std::wstring>& names, long claimedCount)
{
    std::vector<BYTE> block(sizeof(DWORD) + names.size() * sizeof(FILEDESCRIPTORW));
    DWORD count = claimedCount >= 0 ? static_cast<DWORD>(claimedCount) : static_cast<DWORD>(names.size());
    std::memcpy(block.data(), &count, sizeof(count));
    for (size_t i = 0; i < names.size(); ++i) {
        FILEDESCRIPTORW fd = {};
        lstrcpynW(fd.cFileName, names[i].c_str(), MAX_PATH);
        std::memcpy(block.data() + sizeof(DWORD) + i * sizeof(fd), &fd, sizeof(fd));
    }
    m_descriptor = block;
}

void TestDataObject::SetDescriptorBlock(const std::vector<BYTE>& block)
{
    m_descriptor = block;
}

void TestDataObject::AddStorage(IStorage* storage)
{
    m_storages.push_back(storage);
}

void TestDataObject::AddStream(std::function<IStream*()> makeStream)
{
    m_streams.push_back(std::move(makeStream));
}

STDMETHODIMP TestDataObject::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IDataObject) {
        *ppv = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) TestDataObject::AddRef()
{
    return ++m_refs;
}

STDMETHODIMP_(ULONG) TestDataObject::Release()
{
    ULONG n = --m_refs;
    if (!n)
        delete this;
    return n;
}

std::vector<FORMATETC> TestDataObject::Offered() const
{
    std::vector<FORMATETC> offered;
    if (!m_fileList.empty())
        offered.push_back({CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
    if (!m_descriptor.empty())
        offered.push_back({DescriptorFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
    if (!m_storages.empty())
        offered.push_back({ContentsFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTORAGE});
    if (!m_streams.empty())
        offered.push_back({ContentsFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM});
    return offered;
}

STDMETHODIMP TestDataObject::QueryGetData(FORMATETC* format)
{
    if (!format)
        return E_INVALIDARG;
    for (const FORMATETC& f : Offered())
        if (f.cfFormat == format->cfFormat && (f.tymed & format->tymed) && format->dwAspect == DVASPECT_CONTENT)
            return S_OK;
    return DV_E_FORMATETC;
}

STDMETHODIMP TestDataObject::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    if (!format || !medium)
        return E_INVALIDARG;
    requests.push_back(*format);
    ZeroMemory(medium, sizeof(*medium));
    if (format->cfFormat == CF_HDROP && !m_fileList.empty() && (format->tymed & TYMED_HGLOBAL)) {
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = CopyToGlobal(m_fileList);
        return S_OK;
    }
    if (format->cfFormat == DescriptorFormat() && !m_descriptor.empty() && (format->tymed & TYMED_HGLOBAL)) {
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = CopyToGlobal(m_descriptor);
        return S_OK;
    }
    if (format->cfFormat == ContentsFormat() && format->lindex >= 0) {
        size_t i = static_cast<size_t>(format->lindex);
        if ((format->tymed & TYMED_ISTORAGE) && i < m_storages.size()) {
            medium->tymed = TYMED_ISTORAGE;
            medium->pstg = m_storages[i];
            medium->pstg->AddRef();
            return S_OK;
        }
        if ((format->tymed & TYMED_ISTREAM) && i < m_streams.size()) {
            medium->tymed = TYMED_ISTREAM;
            medium->pstm = m_streams[i]();
            return medium->pstm ? S_OK : E_FAIL;
        }
    }
    return DV_E_FORMATETC;
}

STDMETHODIMP TestDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats)
{
    if (!formats)
        return E_INVALIDARG;
    if (direction != DATADIR_GET)
        return E_NOTIMPL;
    std::vector<FORMATETC> offered = Offered();
    return SHCreateStdEnumFmtEtc(static_cast<UINT>(offered.size()), offered.data(), formats);
}
