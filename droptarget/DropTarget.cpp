#include "DropTarget.h"

#include "ComSupport.h"
#include "CommonResource.h"
#include "FileHelpers.h"
#include "HandoffFile.h"
#include "InboxFolder.h"
#include "LanguageText.h"
#include "LogFile.h"
#include "ModuleInstance.h"
#include "OneAtATime.h"
#include "SafeFileName.h"
#include "ScopedHandles.h"
#include "StorageLocation.h"
#include "WalkerCalls.h"

#include <shlobj.h>

#include <algorithm>

namespace {

const ULONG STREAM_BLOCK_BYTES = 1024;

static_assert(sizeof(FILEDESCRIPTORW) == 592, "a file descriptor of the shell is 592 bytes");

_COM_SMARTPTR_TYPEDEF(IEnumSTATSTG, __uuidof(IEnumSTATSTG));
_COM_SMARTPTR_TYPEDEF(IStorage, __uuidof(IStorage));

FORMATETC MakeFormat(CLIPFORMAT format, LONG index, DWORD tymed)
{
    FORMATETC f = {format, nullptr, DVASPECT_CONTENT, index, tymed};
    return f;
}

// A medium that GetData filled, released once on every path.
class CStgMedium
{
public:
    CStgMedium() noexcept { ZeroMemory(&m_medium, sizeof(m_medium)); }
    ~CStgMedium() { ::ReleaseStgMedium(&m_medium); }
    CStgMedium(const CStgMedium&) = delete;
    CStgMedium& operator=(const CStgMedium&) = delete;
    STGMEDIUM* operator&() noexcept { return &m_medium; }
    STGMEDIUM* operator->() noexcept { return &m_medium; }

private:
    STGMEDIUM m_medium;
};

// No hand-off folder could be made: the drop reports a failed hand-off.
const HRESULT E_NO_HANDOFF_FOLDER = HRESULT_FROM_WIN32(ERROR_CANNOT_MAKE);

// The full path of a file in a new hand-off folder; a failure (with the
// folder marked for deletion) when it cannot be had or does not fit.
HRESULT MakeItemPath(const wchar_t* name, std::wstring* folder, std::wstring* fullPath)
{
    wchar_t buffer[MAX_PATH];
    if (!CreateInboxDataFolder(buffer, _countof(buffer))) {
        g_Log.Error(L"CDropTarget: can not create a hand-off folder for %s\n", name);
        return E_NO_HANDOFF_FOLDER;
    }
    *folder = buffer;
    std::wstring path = *folder + MakeSafeFileName(name);
    if (path.size() >= MAX_PATH) {
        g_Log.Error(L"CDropTarget: the path %s is too long, the item is not saved\n", path.c_str());
        MarkFolderForDelete(folder->c_str());
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    }
    *fullPath = path;
    return S_OK;
}

// The saved virtual files to the receiving program, after the questions.
void HandOffSavedItems(CKQCSettings* settings, const std::vector<std::wstring>& savedPaths)
{
    std::vector<const wchar_t*> paths;
    for (const std::wstring& path : savedPaths)
        paths.push_back(path.c_str());
    HandoffIdList ids;
    if (!WriteHandoffFiles(paths.data(), nullptr, static_cast<int>(paths.size()), ids, false))
        ShowErrorBox(GetThisModule(), IDS_HANDOFF_FILE_FAILED);

    const bool ask = settings->GetParamCount() > 1;
    std::wstring chosen;
    if (ask && !SelectStorageLocation(GetThisModule(), settings, &chosen)) {
        MarkDataFoldersForDelete(ids);
        return;
    }
    if (!LaunchOberlane(settings, ids, STARTAPP_CORVELLE, ask ? &chosen : nullptr))
        ShowErrorBox(GetThisModule(), IDS_OBERLANE_NOT_FOUND);
}

bool WriteAll(HANDLE file, const BYTE* data, ULONG size)
{
    while (size > 0) {
        DWORD written = 0;
        if (!::WriteFile(file, data, size, &written, nullptr) || written == 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

} // namespace

CDropTarget::CDropTarget(CKQCSettings* settings, IDropWorkQueue* queue)
    : m_refCount(0), m_kind(DROP_NONE), m_descriptorFormat(0), m_contentsFormat(0), m_settings(settings),
      m_queue(queue)
{
}

STDMETHODIMP CDropTarget::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDropTarget) {
        *ppv = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CDropTarget::AddRef()
{
    return ++m_refCount;
}

STDMETHODIMP_(ULONG) CDropTarget::Release()
{
    ULONG count = --m_refCount;
    if (count == 0)
        delete this;
    return count;
}

bool CDropTarget::AttachmentsOn() const
{
    const CSettingValue* value = m_settings ? m_settings->GetValue(SZ_ATTACHMENTS) : nullptr;
    return value && value->GetNumber() != 0;
}

DropKind CDropTarget::DecideKind(IDataObject* data) const
{
    FORMATETC format = MakeFormat(CF_HDROP, -1, TYMED_HGLOBAL);
    if (data->QueryGetData(&format) == S_OK)
        return DROP_HDROP;
    if (!m_descriptorFormat || !m_contentsFormat)
        return DROP_NONE;
    format = MakeFormat(m_descriptorFormat, -1, TYMED_HGLOBAL);
    if (data->QueryGetData(&format) != S_OK)
        return DROP_NONE;
    format = MakeFormat(m_contentsFormat, -1, TYMED_ISTORAGE);
    if (data->QueryGetData(&format) == S_OK)
        return DROP_STORAGE;
    format = MakeFormat(m_contentsFormat, -1, TYMED_ISTREAM);
    if (AttachmentsOn() && data->QueryGetData(&format) == S_OK)
        return DROP_STREAM;
    return DROP_NONE;
}

STDMETHODIMP CDropTarget::DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect)
{
    if (!pDataObj || !pdwEffect)
        return E_INVALIDARG;
    return CallNoThrow([&]() -> HRESULT {
        m_kind = DROP_NONE;
        // A move-only source would lose its document: only a copy is taken.
        // Nothing is taken while a command's dialog or question is open.
        if ((*pdwEffect & DROPEFFECT_COPY) && !ModuleCommandGate().Busy())
            m_kind = DecideKind(pDataObj);
        *pdwEffect = m_kind != DROP_NONE ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    });
}

STDMETHODIMP CDropTarget::DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect)
{
    if (!pdwEffect)
        return E_INVALIDARG;
    *pdwEffect = m_kind != DROP_NONE ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    return S_OK;
}

STDMETHODIMP CDropTarget::DragLeave()
{
    return S_OK;
}

std::vector<std::wstring> CDropTarget::ReadDescriptorNames(IDataObject* data) const
{
    std::vector<std::wstring> names;
    FORMATETC format = MakeFormat(m_descriptorFormat, 0, TYMED_HGLOBAL);
    CStgMedium medium;
    if (FAILED(data->GetData(&format, &medium)) || medium->tymed != TYMED_HGLOBAL)
        return names;
    CGlobalLock<BYTE> block(medium->hGlobal);
    if (!block.Get() || block.Size() < sizeof(DWORD))
        return names;

    // The count comes from another process: it is held to what the block holds.
    DWORD count = *reinterpret_cast<const DWORD*>(block.Get());
    const SIZE_T fits = (block.Size() - sizeof(DWORD)) / sizeof(FILEDESCRIPTORW);
    if (count > fits) {
        g_Log.Warning(L"CDropTarget: the file group descriptor names %u items but holds %u\n", count,
                      static_cast<UINT>(fits));
        count = static_cast<DWORD>(fits);
    }
    const BYTE* item = block.Get() + sizeof(DWORD);
    for (DWORD i = 0; i < count; ++i, item += sizeof(FILEDESCRIPTORW)) {
        const wchar_t* name = reinterpret_cast<const FILEDESCRIPTORW*>(item)->cFileName;
        // At most the name field's length, also when no NUL ends it.
        names.emplace_back(name, std::find(name, name + MAX_PATH - 1, L'\0'));
    }
    return names;
}

HRESULT CDropTarget::SaveDroppedStorage(IStorage* storage, const wchar_t* name, std::wstring* fullPath)
{
    if (!storage || !fullPath)
        return E_INVALIDARG;
    return CallNoThrow([&]() -> HRESULT {
        IEnumSTATSTGPtr elements;
        HRESULT hr = storage->EnumElements(0, nullptr, 0, &elements);
        if (FAILED(hr))
            return hr;
        elements->Reset();
        STATSTG stat = {};
        ULONG fetched = 0;
        hr = elements->Next(1, &stat, &fetched);
        // A mail is a storage whose first element is itself a storage.
        bool isMail = hr == S_OK && fetched == 1 && stat.pwcsName && stat.type == STGTY_STORAGE;
        HRESULT result = STG_E_INVALIDHEADER;
        if (isMail) {
            IStoragePtr element;
            result = storage->OpenStorage(stat.pwcsName, nullptr, STGM_SHARE_EXCLUSIVE, nullptr, 0, &element);
            std::wstring folder, path;
            if (SUCCEEDED(result)) {
                result = MakeItemPath(name, &folder, &path);
                if (SUCCEEDED(result)) {
                    IStoragePtr file;
                    result = ::StgCreateDocfile(path.c_str(), STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE,
                                                0, &file);
                    if (SUCCEEDED(result))
                        result = storage->CopyTo(0, nullptr, nullptr, file);
                    if (SUCCEEDED(result))
                        result = file->Commit(STGC_DEFAULT);
                    if (SUCCEEDED(result)) {
                        *fullPath = path;
                        result = S_OK;
                    } else {
                        g_Log.Error(L"CDropTarget: can not save the mail %s, hr = 0x%08X\n", path.c_str(), result);
                        file = nullptr;
                        ::DeleteFileW(path.c_str());
                        MarkFolderForDelete(folder.c_str());
                    }
                }
            }
        } else {
            g_Log.Warning(L"CDropTarget: %s is no mail storage, it is not saved\n", name);
        }
        ::CoTaskMemFree(stat.pwcsName);
        return result;
    });
}

HRESULT CDropTarget::SaveDroppedStream(IStream* stream, const wchar_t* name, std::wstring* fullPath)
{
    if (!stream || !fullPath)
        return E_INVALIDARG;
    return CallNoThrow([&]() -> HRESULT {
        std::wstring folder, path;
        HRESULT result = MakeItemPath(name, &folder, &path);
        if (FAILED(result))
            return result;
        {
            CFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file) {
                result = HRESULT_FROM_WIN32(::GetLastError());
            } else {
                BYTE block[STREAM_BLOCK_BYTES];
                for (;;) {
                    ULONG got = 0;
                    HRESULT hr = stream->Read(block, sizeof(block), &got);
                    if (FAILED(hr)) {
                        result = hr;
                        break;
                    }
                    // The S_FALSE that ends a stream may come with its last bytes.
                    if (got > sizeof(block) || (got > 0 && !WriteAll(file, block, got))) {
                        result = got > sizeof(block) ? E_UNEXPECTED : HRESULT_FROM_WIN32(::GetLastError());
                        break;
                    }
                    if (hr != S_OK || got == 0)
                        break;
                }
            }
        }
        if (FAILED(result)) {
            g_Log.Error(L"CDropTarget: can not save the attachment %s, hr = 0x%08X\n", path.c_str(), result);
            ::DeleteFileW(path.c_str());
            MarkFolderForDelete(folder.c_str());
            return result;
        }
        *fullPath = path;
        return S_OK;
    });
}

bool CDropTarget::DropVirtualFiles(IDataObject* data, DropKind kind, DropWork* work)
{
    std::vector<std::wstring> names = ReadDescriptorNames(data);
    if (names.empty())
        return false;

    const DWORD tymed = kind == DROP_STORAGE ? TYMED_ISTORAGE : TYMED_ISTREAM;
    std::vector<std::wstring> saved;
    bool noFolder = false;
    for (size_t i = 0; i < names.size(); ++i) {
        FORMATETC format = MakeFormat(m_contentsFormat, static_cast<LONG>(i), tymed);
        CStgMedium medium;
        if (FAILED(data->GetData(&format, &medium))) {
            g_Log.Warning(L"CDropTarget: item %d of the drop can not be had\n", static_cast<int>(i));
            break;
        }
        std::wstring path;
        HRESULT hr = E_UNEXPECTED;
        if (kind == DROP_STORAGE && medium->tymed == TYMED_ISTORAGE)
            hr = SaveDroppedStorage(medium->pstg, names[i].c_str(), &path);
        else if (kind == DROP_STREAM && medium->tymed == TYMED_ISTREAM)
            hr = SaveDroppedStream(medium->pstm, names[i].c_str(), &path);
        if (hr == S_OK)
            saved.push_back(path);
        noFolder = noFolder || hr == E_NO_HANDOFF_FOLDER;
    }
    if (saved.empty())
        g_Log.Warning(L"CDropTarget: no item of the drop was saved\n");
    if (!noFolder && saved.empty())
        return false;
    CKQCSettings* settings = m_settings;
    *work = [settings, saved, noFolder]() {
        if (noFolder)
            ShowErrorBox(GetThisModule(), IDS_HANDOFF_FILE_FAILED);
        // Only what was saved is handed off.
        if (!saved.empty())
            HandOffSavedItems(settings, saved);
    };
    return !saved.empty();
}

STDMETHODIMP CDropTarget::Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect)
{
    if (!pDataObj || !pdwEffect)
        return E_INVALIDARG;
    bool handled = false;
    HRESULT hr = CallNoThrow([&]() -> HRESULT {
        // A drop that arrives while another drop's or command's work runs is
        // refused (its dialog comes to the front).
        if (!m_queue || !m_queue->Reserve())
            return S_OK;
        DropWork work;
        try {
            const bool attachments = AttachmentsOn();
            if (m_kind == DROP_HDROP) {
                FORMATETC format = MakeFormat(CF_HDROP, -1, TYMED_HGLOBAL);
                CStgMedium medium;
                if (SUCCEEDED(pDataObj->GetData(&format, &medium)) && medium->tymed == TYMED_HGLOBAL) {
                    std::vector<std::wstring> paths = CopyDroppedPaths(static_cast<HDROP>(medium->hGlobal));
                    DropHandoffOptions options = g_DropHandoff;
                    work = [paths, options]() { HandleDroppedPaths(paths, options); };
                    // Handled whatever the user answers afterwards.
                    handled = true;
                }
            } else if (m_kind == DROP_STORAGE || (m_kind == DROP_STREAM && attachments)) {
                handled = DropVirtualFiles(pDataObj, m_kind, &work);
            }
        } catch (...) {
            handled = false;
            m_queue->Unreserve();
            throw;
        }
        if (work)
            m_queue->Post(std::move(work));
        else
            m_queue->Unreserve();
        return S_OK;
    });
    *pdwEffect = handled ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    return hr;
}
