// A data object as a drag source hands it over: a file list, or virtual
// files with a file group descriptor and their contents as storages or
// streams. Built by the tests; no shell or mail program behind it.
#pragma once

#include <ole2.h>

#include <functional>
#include <string>
#include <vector>

class TestDataObject : public IDataObject
{
public:
    TestDataObject();
    virtual ~TestDataObject();

    // A CF_HDROP list of the paths.
    void SetFileList(const std::vector<std::wstring>& paths);
    // A "FileGroupDescriptorW" of the names; `claimedCount` (when not -1)
    // is written as the item count whatever the block holds.
    void SetDescriptor(const std::vector<std::wstring>& names, long claimedCount = -1);
    // The descriptor's raw block, for names without a NUL.
    void SetDescriptorBlock(const std::vector<BYTE>& block);
    // "FileContents" items: each call gives the medium's interface, AddRef'd.
    void AddStorage(IStorage* storage);
    void AddStream(std::function<IStream*()> makeStream);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IDataObject
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override
    {
        if (out)
            out->ptd = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    static CLIPFORMAT DescriptorFormat();
    static CLIPFORMAT ContentsFormat();

    // What the target asked for.
    std::vector<FORMATETC> requests;

private:
    std::vector<FORMATETC> Offered() const;

    ULONG m_refs = 1;
    std::vector<BYTE> m_fileList;
    std::vector<BYTE> m_descriptor;
    std::vector<IStorage*> m_storages;
    std::vector<std::function<IStream*()>> m_streams;
};

// A stream over bytes that hands them out in blocks of at most `chunk`
// bytes and, like a file stream, returns S_FALSE together with the last ones.
IStream* CreateEndingStream(const std::string& bytes, ULONG chunk, bool failRead = false);

// A compound file in memory whose first element is a storage named "A"
// (holding a stream) followed by a stream "BBBB"; with streamFirst, the first
// element is a stream.
IStorage* CreateMailStorage(bool streamFirst = false);
