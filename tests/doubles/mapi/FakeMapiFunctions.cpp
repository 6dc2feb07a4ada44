#include "FakeMapiFunctions.h"

#include "FakeMapiProp.h"
#include "MsgLayout.h"

#include <shlwapi.h>

namespace doubles {

namespace {

class HeapMalloc : public IMalloc
{
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMalloc)) {
            *ppv = static_cast<IMalloc*>(this);
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    // One object for the life of the process, as MAPI's own.
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP_(void*) Alloc(SIZE_T cb) override { return HeapAlloc(GetProcessHeap(), 0, cb); }
    STDMETHODIMP_(void*) Realloc(void* pv, SIZE_T cb) override
    {
        if (!pv)
            return Alloc(cb);
        if (!cb) {
            Free(pv);
            return nullptr;
        }
        return HeapReAlloc(GetProcessHeap(), 0, pv, cb);
    }
    STDMETHODIMP_(void) Free(void* pv) override
    {
        if (pv)
            HeapFree(GetProcessHeap(), 0, pv);
    }
    STDMETHODIMP_(SIZE_T) GetSize(void* pv) override { return pv ? HeapSize(GetProcessHeap(), 0, pv) : 0; }
    STDMETHODIMP_(int) DidAlloc(void*) override { return -1; }
    STDMETHODIMP_(void) HeapMinimize() override {}
};

HeapMalloc g_malloc;

struct FakeMsgSession : FakeObjectCounted {
};

class StorageMessage;

class StorageAttach : public FakeMapiProp<IAttach>
{
public:
    StorageAttach(StorageMessage* message, size_t number);
    ~StorageAttach() override;

protected:
    bool AnswersIid(REFIID iid) const override { return IsEqualIID(iid, kIID_IAttachment); }
    HRESULT OnSaveChanges(ULONG) override;
    PropValue Stored(const PropValue& value) const override;

private:
    StorageMessage* m_message;
    size_t m_number;
};

class StorageMessage : public FakeMapiProp<IMessage>
{
public:
    StorageMessage(IStorage* storage, ULONG flags) : m_storage(storage), m_flags(flags) { m_storage->AddRef(); }

    bool Unicode() const { return (m_flags & MAPI_UNICODE) != 0; }
    PropValue Keep(const PropValue& value) const
    {
        if (Unicode() || value.Type() != PT_UNICODE)
            return value;
        return Text8Prop(value.tag, Narrow(value.text));
    }
    void PutAttachment(size_t number, const std::vector<PropValue>& props)
    {
        if (m_attachments.size() <= number)
            m_attachments.resize(number + 1);
        m_attachments[number] = props;
    }

    STDMETHODIMP GetAttachmentTable(ULONG, LPMAPITABLE* table) override
    {
        if (table)
            *table = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP OpenAttach(ULONG, LPCIID, ULONG, LPATTACH* attach) override
    {
        if (attach)
            *attach = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP CreateAttach(LPCIID, ULONG, ULONG* number, LPATTACH* attach) override
    {
        if (!attach)
            return MAPI_E_INVALID_PARAMETER;
        size_t created = m_nextAttachment++;
        if (number)
            *number = static_cast<ULONG>(created);
        *attach = new StorageAttach(this, created);
        return S_OK;
    }
    STDMETHODIMP DeleteAttach(ULONG, ULONG, LPMAPIPROGRESS, ULONG) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP GetRecipientTable(ULONG, LPMAPITABLE* table) override
    {
        if (table)
            *table = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP ModifyRecipients(ULONG flags, LPADRLIST mods) override
    {
        if (!mods)
            return MAPI_E_INVALID_PARAMETER;
        if (!(flags & MODRECIP_ADD))
            return MAPI_E_NO_SUPPORT;
        for (ULONG i = 0; i < mods->cEntries; ++i) {
            std::vector<PropValue> recipient;
            for (ULONG k = 0; k < mods->aEntries[i].cValues; ++k) {
                PropValue value = FromSPropValue(mods->aEntries[i].rgPropVals[k]);
                if (value.Type() != PT_ERROR && value.Id() != PROP_ID(PR_ROWID))
                    recipient.push_back(Keep(value));
            }
            recipient.push_back(LongProp(PR_ROWID, static_cast<LONG>(m_recipients.size())));
            m_recipients.push_back(recipient);
        }
        return S_OK;
    }
    STDMETHODIMP SubmitMessage(ULONG) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP SetReadFlag(ULONG) override { return S_OK; }

protected:
    ~StorageMessage() override { m_storage->Release(); }
    bool AnswersIid(REFIID iid) const override { return IsEqualIID(iid, kIID_IMessage); }
    PropValue Stored(const PropValue& value) const override { return Keep(value); }
    HRESULT OnSaveChanges(ULONG) override
    {
        if (FAILED(MsgStorage().saveChangesFailure))
            return MsgStorage().saveChangesFailure;
        MsgContent content;
        content.props = Props();
        content.recipients = m_recipients;
        for (const std::vector<PropValue>& attachment : m_attachments)
            content.attachments.push_back(attachment);
        content.names = Names()->Names();
        HRESULT hr = WriteMsgLayout(m_storage, content);
        if (SUCCEEDED(hr) && !(m_flags & IMSG_NO_ISTG_COMMIT))
            hr = m_storage->Commit(STGC_DEFAULT);
        return hr;
    }

private:
    IStorage* m_storage;
    ULONG m_flags;
    std::vector<std::vector<PropValue>> m_recipients;
    std::vector<std::vector<PropValue>> m_attachments;
    size_t m_nextAttachment = 0;
};

StorageAttach::StorageAttach(StorageMessage* message, size_t number) : m_message(message), m_number(number)
{
    m_message->AddRef();
    Set(LongProp(PR_ATTACH_NUM, static_cast<LONG>(number)));
}

StorageAttach::~StorageAttach()
{
    m_message->Release();
}

HRESULT StorageAttach::OnSaveChanges(ULONG)
{
    m_message->PutAttachment(m_number, Props());
    return S_OK;
}

PropValue StorageAttach::Stored(const PropValue& value) const
{
    return m_message->Keep(value);
}

} // namespace

MsgStorageScript& MsgStorage()
{
    static MsgStorageScript script;
    return script;
}

LPMALLOC WINAPI FakeMAPIGetDefaultMalloc()
{
    return &g_malloc;
}

SCODE WINAPI FakeOpenIMsgSession(LPMALLOC malloc, ULONG flags, LPMSGSESS* session)
{
    if (!malloc || !session)
        return MAPI_E_INVALID_PARAMETER;
    *session = nullptr;
    if (flags & ~MAPI_UNICODE)
        return MAPI_E_UNKNOWN_FLAGS;
    if (FAILED(MsgStorage().openSessionFailure))
        return MsgStorage().openSessionFailure;
    *session = reinterpret_cast<LPMSGSESS>(new FakeMsgSession());
    ++MsgStorage().sessionsOpened;
    return S_OK;
}

void WINAPI FakeCloseIMsgSession(LPMSGSESS session)
{
    if (session)
        ++MsgStorage().sessionsClosed;
    delete reinterpret_cast<FakeMsgSession*>(session);
}

SCODE WINAPI FakeOpenIMsgOnIStg(LPMSGSESS session, LPALLOCATEBUFFER allocateBuffer, LPALLOCATEMORE allocateMore,
                                LPFREEBUFFER freeBuffer, LPMALLOC malloc, LPVOID, LPSTORAGE storage, MSGCALLRELEASE*,
                                ULONG, ULONG flags, LPMESSAGE* message)
{
    if (!message)
        return MAPI_E_INVALID_PARAMETER;
    *message = nullptr;
    MsgStorage().lastOpenFlags = flags;
    if (!session || !allocateBuffer || !allocateMore || !freeBuffer || !malloc || !storage)
        return MAPI_E_INVALID_PARAMETER;
    if (flags & ~(MAPI_UNICODE | IMSG_NO_ISTG_COMMIT))
        return MAPI_E_UNKNOWN_FLAGS;
    if (FAILED(MsgStorage().openMessageFailure))
        return MsgStorage().openMessageFailure;
    *message = new StorageMessage(storage, flags);
    return S_OK;
}

HRESULT WINAPI FakeOpenStreamOnFile(LPALLOCATEBUFFER allocateBuffer, LPFREEBUFFER freeBuffer, ULONG flags,
                                    LPSTR fileName, LPSTR prefix, LPSTREAM* stream)
{
    if (!stream)
        return MAPI_E_INVALID_PARAMETER;
    *stream = nullptr;
    if (!allocateBuffer || !freeBuffer || !fileName)
        return MAPI_E_INVALID_PARAMETER;
    char path[MAX_PATH];
    if (flags & SOF_UNIQUEFILENAME) {
        if (!GetTempFileNameA(fileName, prefix ? prefix : "SOF", 0, path))
            return MAPI_E_NOT_FOUND;
    } else if (lstrlenA(fileName) < MAX_PATH) {
        lstrcpyA(path, fileName);
    } else {
        return MAPI_E_INVALID_PARAMETER;
    }
    DWORD mode = flags & ~SOF_UNIQUEFILENAME;
    HRESULT hr = SHCreateStreamOnFileA(path, mode, stream);
    return FAILED(hr) ? MAPI_E_NOT_FOUND : S_OK;
}

void WINAPI FakeHexFromBin(LPBYTE bytes, int count, LPSTR text)
{
    static const char digits[] = "0123456789ABCDEF";
    for (int i = 0; i < count; ++i) {
        *text++ = digits[bytes[i] >> 4];
        *text++ = digits[bytes[i] & 0x0F];
    }
    *text = '\0';
}

} // namespace doubles
