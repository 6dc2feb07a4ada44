// SaveToMSG: an item's MAPI message copied into a new .msg file through
// Extended MAPI's message on a compound file.
#include "MsgWriters.h"

#include "FileHelpers.h"
#include "LogFile.h"
#include "MsgStorage.h"
#include "OutlookInterfaces.h"
#include "WideFormat.h"

#include <cwchar>

namespace {

const DWORD MSG_STORAGE_MODE = STGM_TRANSACTED | STGM_CREATE | STGM_READWRITE;

// The message session, closed on every path.
class CMsgSession
{
public:
    explicit CMsgSession(const MapiFunctions* mapi) : m_mapi(mapi), m_session(nullptr) {}
    ~CMsgSession()
    {
        if (m_session)
            m_mapi->CloseIMsgSession(m_session);
    }
    CMsgSession(const CMsgSession&) = delete;
    CMsgSession& operator=(const CMsgSession&) = delete;
    LPMSGSESS Get() const { return m_session; }
    LPMSGSESS* Receive() { return &m_session; }

private:
    const MapiFunctions* m_mapi;
    LPMSGSESS m_session;
};

typedef _com_ptr_t<_com_IIID<IStorage, &IID_IStorage>> CStoragePtr;

// The steps from the compound file to the committed copy; the file's
// handles are all released when this returns.
HRESULT WriteMessageFile(IMessage* source, const wchar_t* fileName, const MapiFunctions* mapi)
{
    LPMALLOC malloc = mapi->MAPIGetDefaultMalloc();
    CStoragePtr storage;
    HRESULT hr = CreateMsgStorage(fileName, MSG_STORAGE_MODE, &storage);
    if (FAILED(hr) || !storage) {
        hr = FAILED(hr) ? hr : E_POINTER;
        g_Log.Error(L"Failed to create compound file! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    CMsgSession session(mapi);
    hr = mapi->OpenIMsgSession(malloc, 0, session.Receive());
    if (FAILED(hr) || !session.Get()) {
        g_Log.Error(L"Failed to open an IMessage session!\n");
        return FAILED(hr) ? hr : E_POINTER;
    }
    // Unicode, so that texts outside the ANSI code page reach the file whole.
    CMessagePtr copy;
    hr = mapi->OpenIMsgOnIStg(session.Get(), mapi->MAPIAllocateBuffer, mapi->MAPIAllocateMore, mapi->MAPIFreeBuffer,
                              malloc, nullptr, storage, nullptr, 0, MAPI_UNICODE, &copy);
    if (FAILED(hr) || !copy) {
        hr = FAILED(hr) ? hr : E_POINTER;
        g_Log.Error(L"Failed to open an IMessage interface on an IStorage object! hr = 0x%08X\n",
                    static_cast<unsigned>(hr));
        return hr;
    }
    hr = WriteClassStg(storage, CLSID_MailMessage);
    if (FAILED(hr)) {
        g_Log.Error(L"Failed to write the CLSID_MailMessage to the IStorage instance! hr = 0x%08X\n",
                    static_cast<unsigned>(hr));
        return hr;
    }
    hr = source->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMessage, copy, 0, nullptr);
    if (FAILED(hr)) {
        g_Log.Error(L"Failed to copy message properties! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    hr = copy->SaveChanges(KEEP_OPEN_READWRITE);
    if (FAILED(hr)) {
        g_Log.Error(L"Failed to save changes to IMessage object! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    hr = storage->Commit(STGC_DEFAULT);
    if (FAILED(hr))
        g_Log.Error(L"Failed to save changes in storage! hr = 0x%08X\n", static_cast<unsigned>(hr));
    return hr;
}

} // namespace

HRESULT SaveToMSG(IMessage* source, wchar_t* path, unsigned index)
{
    g_Log.Info(L"Entering SaveToMSG\n");
    if (!source || !path)
        return E_POINTER;
    HRESULT hr = S_OK;
    const MapiFunctions* mapi = GetMapiFunctions(&hr);
    if (!mapi) {
        g_Log.Error(L"Can't write the MSG file without MAPI32! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    wchar_t fileName[MAX_PATH];
    if (FAILED(MakeMsgFileName(fileName, MAX_PATH, index))) {
        g_Log.Error(L"Failed to get path of temp directory oder tempfilename\n");
        // Not 1: with an empty path the item must not count as saved.
        return E_FAIL;
    }
    hr = WriteMessageFile(source, fileName, mapi);
    if (FAILED(hr)) {
        wchar_t* lastSlash = wcsrchr(fileName, L'\\');
        if (lastSlash)
            *lastSlash = L'\0';
        MarkFolderForDelete(fileName);
    } else {
        CopyText(path, MAX_PATH, fileName);
    }
    g_Log.Info(L"Leave SaveToMSG\n");
    return hr;
}
