#include "FakeMapiSession.h"

namespace doubles {

namespace {

template <typename T>
void Clear(T* out)
{
    if (out)
        *out = T();
}

} // namespace

FakeMailUser* FakeAddrBook::AddEntry(const std::vector<BYTE>& entryId, std::vector<PropValue> props)
{
    FakeMailUser* user = FakeMailUser::Create();
    for (const PropValue& value : props)
        user->Set(value);
    m_entries.emplace_back(entryId, user);
    return user;
}

FakeAddrBook::~FakeAddrBook()
{
    for (auto& entry : m_entries)
        entry.second->Release();
}

STDMETHODIMP FakeAddrBook::OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID, ULONG, ULONG* lpulObjType,
                                     LPUNKNOWN* lppUnk)
{
    Clear(lpulObjType);
    if (!lppUnk)
        return MAPI_E_INVALID_PARAMETER;
    *lppUnk = nullptr;
    HRESULT hr = Script().Enter("OpenEntry");
    if (FAILED(hr))
        return hr;
    if (cbEntryID && !lpEntryID)
        return MAPI_E_INVALID_PARAMETER;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(lpEntryID);
    std::vector<BYTE> wanted(bytes, bytes + cbEntryID);
    for (auto& entry : m_entries) {
        if (entry.first == wanted) {
            entry.second->AddRef();
            *lppUnk = static_cast<IMailUser*>(entry.second);
            if (lpulObjType)
                *lpulObjType = MAPI_MAILUSER;
            return S_OK;
        }
    }
    return MAPI_E_UNKNOWN_ENTRYID;
}

STDMETHODIMP FakeAddrBook::CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG* result)
{
    Clear(result);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeAddrBook::Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG* connection)
{
    Clear(connection);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeAddrBook::Unadvise(ULONG)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeAddrBook::CreateOneOff(LPTSTR, LPTSTR, LPTSTR, ULONG, ULONG* cb, LPENTRYID* entryId)
{
    Clear(cb);
    Clear(entryId);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeAddrBook::NewEntry(ULONG_PTR, ULONG, ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG* cb, LPENTRYID* entryId)
{
    Clear(cb);
    Clear(entryId);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeAddrBook::ResolveName(ULONG_PTR, ULONG, LPTSTR, LPADRLIST)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeAddrBook::Address(ULONG_PTR*, LPADRPARM, LPADRLIST* list)
{
    Clear(list);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeAddrBook::Details(ULONG*, LPFNDISMISS, LPVOID, ULONG, LPENTRYID, LPFNBUTTON, LPVOID, LPTSTR, ULONG)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeAddrBook::RecipOptions(ULONG_PTR, ULONG, LPADRENTRY)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeAddrBook::QueryDefaultRecipOpt(LPTSTR, ULONG, ULONG* count, LPSPropValue* options)
{
    Clear(count);
    Clear(options);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeAddrBook::GetPAB(ULONG* cb, LPENTRYID* entryId)
{
    Clear(cb);
    Clear(entryId);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeAddrBook::SetPAB(ULONG, LPENTRYID)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeAddrBook::GetDefaultDir(ULONG* cb, LPENTRYID* entryId)
{
    Clear(cb);
    Clear(entryId);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeAddrBook::SetDefaultDir(ULONG, LPENTRYID)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeAddrBook::GetSearchPath(ULONG, LPSRowSet* path)
{
    Clear(path);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeAddrBook::SetSearchPath(ULONG, LPSRowSet)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeAddrBook::PrepareRecips(ULONG, LPSPropTagArray, LPADRLIST)
{
    return MAPI_E_NO_SUPPORT;
}

FakeMapiSession* FakeMapiSession::Create()
{
    return new FakeMapiSession();
}

FakeMapiSession::FakeMapiSession() : m_book(FakeAddrBook::Create()) {}

FakeMapiSession::~FakeMapiSession()
{
    m_book->Release();
}

STDMETHODIMP FakeMapiSession::QueryInterface(REFIID iid, LPVOID* ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kIID_IMAPISession)) {
        *ppv = static_cast<IMAPISession*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) FakeMapiSession::AddRef()
{
    return ++m_refs;
}

STDMETHODIMP_(ULONG) FakeMapiSession::Release()
{
    ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

STDMETHODIMP FakeMapiSession::GetLastError(HRESULT, ULONG, LPMAPIERROR* error)
{
    Clear(error);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiSession::GetMsgStoresTable(ULONG, LPMAPITABLE* table)
{
    Clear(table);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiSession::OpenMsgStore(ULONG_PTR, ULONG, LPENTRYID, LPCIID, ULONG, LPMDB* store)
{
    Clear(store);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiSession::OpenAddressBook(ULONG_PTR, LPCIID, ULONG, LPADRBOOK* book)
{
    if (!book)
        return MAPI_E_INVALID_PARAMETER;
    *book = nullptr;
    HRESULT hr = m_script.Enter("OpenAddressBook");
    if (FAILED(hr))
        return hr;
    m_book->AddRef();
    *book = m_book;
    return S_OK;
}

STDMETHODIMP FakeMapiSession::OpenProfileSection(LPMAPIUID, LPCIID, ULONG, LPPROFSECT* section)
{
    Clear(section);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiSession::GetStatusTable(ULONG, LPMAPITABLE* table)
{
    Clear(table);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiSession::OpenEntry(ULONG, LPENTRYID, LPCIID, ULONG, ULONG* type, LPUNKNOWN* unknown)
{
    Clear(type);
    Clear(unknown);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiSession::CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG* result)
{
    Clear(result);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiSession::Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG* connection)
{
    Clear(connection);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiSession::Unadvise(ULONG)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiSession::MessageOptions(ULONG_PTR, ULONG, LPTSTR, LPMESSAGE)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiSession::QueryDefaultMessageOpt(LPTSTR, ULONG, ULONG* count, LPSPropValue* options)
{
    Clear(count);
    Clear(options);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiSession::EnumAdrTypes(ULONG, ULONG* count, LPTSTR** types)
{
    Clear(count);
    Clear(types);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiSession::QueryIdentity(ULONG* cb, LPENTRYID* entryId)
{
    Clear(cb);
    Clear(entryId);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiSession::Logoff(ULONG_PTR, ULONG, ULONG)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiSession::SetDefaultStore(ULONG, ULONG, LPENTRYID)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiSession::AdminServices(ULONG, LPSERVICEADMIN* admin)
{
    Clear(admin);
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiSession::ShowForm(ULONG_PTR, LPMDB, LPMAPIFOLDER, LPCIID, ULONG, LPMESSAGE, ULONG, ULONG, ULONG,
                                       ULONG, LPSTR)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiSession::PrepareForm(LPCIID, LPMESSAGE, ULONG* token)
{
    Clear(token);
    return MAPI_E_NO_SUPPORT;
}

} // namespace doubles
