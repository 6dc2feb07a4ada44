// The droplet's OLE drop target: file lists from the shell go to the folder
// walker and the connector; virtual files (mails as storages, attachments as
// streams) are saved into hand-off folders here and handed off directly.
#pragma once

#include "Settings.h"

#include <ole2.h>

#include <string>
#include <vector>

enum DropKind {
    DROP_NONE = 0,
    DROP_HDROP = 1,
    DROP_STORAGE = 2,
    DROP_STREAM = 3,
};

class CDropTarget : public IDropTarget
{
public:
    // The settings must outlive the target; `Attachments` is read from them.
    explicit CDropTarget(CKQCSettings* settings);
    virtual ~CDropTarget() = default;
    CDropTarget(const CDropTarget&) = delete;
    CDropTarget& operator=(const CDropTarget&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDropTarget
    STDMETHODIMP DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
    STDMETHODIMP DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
    STDMETHODIMP DragLeave() override;
    STDMETHODIMP Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;

    // The registered "FileGroupDescriptorW" and "FileContents" formats.
    void SetFormats(CLIPFORMAT fileGroupDescriptor, CLIPFORMAT fileContents)
    {
        m_descriptorFormat = fileGroupDescriptor;
        m_contentsFormat = fileContents;
    }

    DropKind GetKind() const { return m_kind; }

    // Save one dropped item into a new hand-off folder under the name;
    // S_OK with the saved file's full path, else a failure.
    HRESULT SaveDroppedStorage(IStorage* storage, const wchar_t* name, std::wstring* fullPath);
    HRESULT SaveDroppedStream(IStream* stream, const wchar_t* name, std::wstring* fullPath);

private:
    bool AttachmentsOn() const;
    DropKind DecideKind(IDataObject* data) const;
    // The item names of the file group descriptor (none when it cannot be read).
    std::vector<std::wstring> ReadDescriptorNames(IDataObject* data) const;
    bool DropVirtualFiles(IDataObject* data, DropKind kind);
    bool HandOff(const std::vector<std::wstring>& savedPaths);

    ULONG m_refCount;
    DropKind m_kind;
    CLIPFORMAT m_descriptorFormat;
    CLIPFORMAT m_contentsFormat;
    CKQCSettings* m_settings;
};
