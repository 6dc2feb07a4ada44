// Outlook's MAPI session (the name space's MAPIOBJECT) with its address
// book: OpenAddressBook gives the book, whose OpenEntry opens the mail user
// of an entry id; a mail user answers its properties (PR_SMTP_ADDRESS_W).
#pragma once

#include "FakeMapiProp.h"

namespace doubles {

class FakeMailUser : public FakeMapiProp<IMailUser>
{
public:
    static FakeMailUser* Create() { return new FakeMailUser(); }

protected:
    bool AnswersIid(REFIID iid) const override { return IsEqualIID(iid, kIID_IMailUser); }

private:
    FakeMailUser() = default;
};

class FakeAddrBook : public FakeMapiProp<IAddrBook>
{
public:
    static FakeAddrBook* Create() { return new FakeAddrBook(); }
    // The mail user of an entry id (the book keeps a reference).
    FakeMailUser* AddEntry(const std::vector<BYTE>& entryId, std::vector<PropValue> props);

    STDMETHODIMP OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                           LPUNKNOWN* lppUnk) override;
    STDMETHODIMP CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG* result) override;
    STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG* connection) override;
    STDMETHODIMP Unadvise(ULONG) override;
    STDMETHODIMP CreateOneOff(LPTSTR, LPTSTR, LPTSTR, ULONG, ULONG* cb, LPENTRYID* entryId) override;
    STDMETHODIMP NewEntry(ULONG_PTR, ULONG, ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG* cb, LPENTRYID* entryId) override;
    STDMETHODIMP ResolveName(ULONG_PTR, ULONG, LPTSTR, LPADRLIST) override;
    STDMETHODIMP Address(ULONG_PTR*, LPADRPARM, LPADRLIST* list) override;
    STDMETHODIMP Details(ULONG*, LPFNDISMISS, LPVOID, ULONG, LPENTRYID, LPFNBUTTON, LPVOID, LPTSTR, ULONG) override;
    STDMETHODIMP RecipOptions(ULONG_PTR, ULONG, LPADRENTRY) override;
    STDMETHODIMP QueryDefaultRecipOpt(LPTSTR, ULONG, ULONG* count, LPSPropValue* options) override;
    STDMETHODIMP GetPAB(ULONG* cb, LPENTRYID* entryId) override;
    STDMETHODIMP SetPAB(ULONG, LPENTRYID) override;
    STDMETHODIMP GetDefaultDir(ULONG* cb, LPENTRYID* entryId) override;
    STDMETHODIMP SetDefaultDir(ULONG, LPENTRYID) override;
    STDMETHODIMP GetSearchPath(ULONG, LPSRowSet* path) override;
    STDMETHODIMP SetSearchPath(ULONG, LPSRowSet) override;
    STDMETHODIMP PrepareRecips(ULONG, LPSPropTagArray, LPADRLIST) override;

protected:
    bool AnswersIid(REFIID iid) const override { return IsEqualIID(iid, kIID_IAddrBook); }

private:
    FakeAddrBook() = default;
    ~FakeAddrBook() override;

    std::vector<std::pair<std::vector<BYTE>, FakeMailUser*>> m_entries;
};

class FakeMapiSession : public IMAPISession, public FakeObjectCounted
{
public:
    // A session with one reference and an empty address book.
    static FakeMapiSession* Create();
    FakeAddrBook* AddressBook() const { return m_book; }
    MapiScript& Script() { return m_script; }

    STDMETHODIMP QueryInterface(REFIID iid, LPVOID* ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR* error) override;
    STDMETHODIMP GetMsgStoresTable(ULONG, LPMAPITABLE* table) override;
    STDMETHODIMP OpenMsgStore(ULONG_PTR, ULONG, LPENTRYID, LPCIID, ULONG, LPMDB* store) override;
    STDMETHODIMP OpenAddressBook(ULONG_PTR uiParam, LPCIID iid, ULONG flags, LPADRBOOK* book) override;
    STDMETHODIMP OpenProfileSection(LPMAPIUID, LPCIID, ULONG, LPPROFSECT* section) override;
    STDMETHODIMP GetStatusTable(ULONG, LPMAPITABLE* table) override;
    STDMETHODIMP OpenEntry(ULONG, LPENTRYID, LPCIID, ULONG, ULONG* type, LPUNKNOWN* unknown) override;
    STDMETHODIMP CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG* result) override;
    STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG* connection) override;
    STDMETHODIMP Unadvise(ULONG) override;
    STDMETHODIMP MessageOptions(ULONG_PTR, ULONG, LPTSTR, LPMESSAGE) override;
    STDMETHODIMP QueryDefaultMessageOpt(LPTSTR, ULONG, ULONG* count, LPSPropValue* options) override;
    STDMETHODIMP EnumAdrTypes(ULONG, ULONG* count, LPTSTR** types) override;
    STDMETHODIMP QueryIdentity(ULONG* cb, LPENTRYID* entryId) override;
    STDMETHODIMP Logoff(ULONG_PTR, ULONG, ULONG) override;
    STDMETHODIMP SetDefaultStore(ULONG, ULONG, LPENTRYID) override;
    STDMETHODIMP AdminServices(ULONG, LPSERVICEADMIN* admin) override;
    STDMETHODIMP ShowForm(ULONG_PTR, LPMDB, LPMAPIFOLDER, LPCIID, ULONG, LPMESSAGE, ULONG, ULONG, ULONG, ULONG,
                          LPSTR) override;
    STDMETHODIMP PrepareForm(LPCIID, LPMESSAGE, ULONG* token) override;

private:
    FakeMapiSession();
    ~FakeMapiSession() override;

    ULONG m_refs = 1;
    FakeAddrBook* m_book;
    MapiScript m_script;
};

} // namespace doubles
