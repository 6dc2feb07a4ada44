// The droplet's OLE drop target: file lists from the shell go to the folder
// walker and the connector; virtual files (mails as storages, attachments as
// streams) are saved into hand-off folders here and handed off directly.
// Drop takes only what needs the data object (a copy of the file list, the
// saved virtual files) and leaves the questions and the hand-off to work
// that runs after it has returned: the drag source is not held meanwhile.
#pragma once

#include "DropWork.h"
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
    // The settings and the queue must outlive the target; `Attachments` is
    // read from the settings.
    CDropTarget(CKQCSettings* settings, IDropWorkQueue* queue);
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
    // Saves the items; true when one was saved. The work hands them off.
    bool DropVirtualFiles(IDataObject* data, DropKind kind, DropWork* work);

    ULONG m_refCount;
    DropKind m_kind;
    CLIPFORMAT m_descriptorFormat;
    CLIPFORMAT m_contentsFormat;
    CKQCSettings* m_settings;
    IDropWorkQueue* m_queue;
};
