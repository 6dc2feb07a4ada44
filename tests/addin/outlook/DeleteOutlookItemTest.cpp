// Deleting an archived item against the Outlook and Redemption doubles: by
// Outlook's Delete, by Redemption for signed mails from Outlook 11, and the
// error text of each failing step.
#include "DeleteOutlookItem.h"

#include "DialogWatcher.h"
#include "LogTail.h"
#include "MessageBoxSpy.h"
#include "OutlookModelFixture.h"
#include "TempDir.h"
#include "redemption/FakeRedemption.h"

#include <functional>

using namespace doubles;

namespace {

const wchar_t STORE[] = L"0000000038A1BB1005E5101AA1BB08002B2A56C2";
const wchar_t ENTRY[] = L"00000000A1B2C3D4";
const wchar_t UNTOUCHED[] = L"untouched";

class DeleteItemTest : public OutlookModelTest
{
protected:
    void ReleaseHostObjects() override
    {
        rdoMail = nullptr;
        ReleaseOutlook();
    }

    // The item in Outlook's store, and the same mail as Redemption sees it.
    FakeDispatchPtr StoreItem(const wchar_t* messageClass)
    {
        RdoMailData data;
        data.entryId = ENTRY;
        data.messageClass = messageClass;
        rdoMail = CreateRdoMail(data);
        return outlook->AddToStore(STORE, ENTRY, messageClass);
    }

    HRESULT Delete(const wchar_t* storeId = STORE, const wchar_t* entryId = ENTRY)
    {
        wcscpy(errorText, UNTOUCHED);
        return DeleteOutlookItem(outlook->Application(), storeId, entryId, errorText, DELETE_ERROR_CHARS);
    }

public:
    FakeDispatchPtr rdoMail;
    wchar_t errorText[DELETE_ERROR_CHARS];
};

TEST_F(DeleteItemTest, EachItemIsDeletedByItsRoad)
{
    struct Case {
        const char* name;
        const wchar_t* version;
        const wchar_t* messageClass;
        bool throughRedemption;
    };
    const Case cases[] = {
        {"plain mail", L"16.0.0.17928", L"IPM.Note", false},
        {"appointment", L"16.0.0.17928", L"IPM.Appointment", false},
        {"signed mail in Outlook 16", L"16.0.0.17928", L"ipm.note.SMIME.multipartsigned", true},
        {"encrypted mail in Outlook 11", L"11.0.5608", L"IPM.Note.SMIME", true},
        {"signed mail in Outlook 10", L"10.0.4115", L"IPM.Note.SMIME.MultipartSigned", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeOutlook(c.version);
        FakeDispatchPtr item = StoreItem(c.messageClass);
        FakeDispatchPtr mail = rdoMail;
        RedemptionClass redemption(RedemptionRegistration::Registered,
                                   [mail] { return CreateRdoSession({}, L"6.3.0.5742", {mail}); });
        EXPECT_EQ(S_OK, Delete());
        EXPECT_EQ(UNTOUCHED, std::wstring(errorText));
        EXPECT_EQ(c.throughRedemption, IsRdoMailDeleted(rdoMail));
        EXPECT_EQ(c.throughRedemption ? 0 : 1, item->CallCount(L"Delete"));
        EXPECT_EQ(c.throughRedemption, outlook->InStore(STORE, ENTRY));
        EXPECT_EQ(c.throughRedemption ? 1 : 0, redemption.CreateCalls());
        // The item was looked up by both ids, the entry id first.
        std::vector<Invocation> lookups = outlook->NameSpace()->CallsOf(L"GetItemFromID");
        ASSERT_EQ(1u, lookups.size());
        EXPECT_EQ(_bstr_t(ENTRY), _bstr_t(lookups[0].args[0]));
        EXPECT_EQ(_bstr_t(STORE), _bstr_t(lookups[0].args[1]));
    }
}

TEST_F(DeleteItemTest, EachFailingStepNamesItselfInTheErrorText)
{
    struct Case {
        const char* name;
        std::function<void(DeleteItemTest&, FakeDispatch& item)> arrange;
        const wchar_t* entryId;
        HRESULT result;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"Version",
         [](DeleteItemTest& t, FakeDispatch&) { t.outlook->Application()->FailInvoke(L"Version", 0, E_FAIL); }, ENTRY,
         E_FAIL, L"Can't get version from outlook! hr = 0x80004005\n"},
        {"GetNameSpace",
         [](DeleteItemTest& t, FakeDispatch&) { t.outlook->Application()->FailInvoke(L"GetNamespace", 0, E_FAIL); },
         ENTRY, E_FAIL, L"Can't get name space object! hr = 0x80004005\n"},
        {"unknown entry id", [](DeleteItemTest&, FakeDispatch&) {}, L"00000000FFFF", static_cast<HRESULT>(0x8004010F),
         L"Error in GetItemFromID(00000000FFFF,0000000038A1BB1005E5101AA1BB08002B2A56C2)! hr = 0x8004010F\n"},
        {"MessageClass", [](DeleteItemTest&, FakeDispatch& item) { item.FailInvoke(L"MessageClass", 0, E_FAIL); },
         ENTRY, E_FAIL, L"Can't get message class for selected item! hr = 0x80004005\n"},
        {"Delete", [](DeleteItemTest&, FakeDispatch& item) { item.FailInvoke(L"Delete", 0, E_ACCESSDENIED); }, ENTRY,
         E_ACCESSDENIED, L"Failed to delete mail item! hr = 0x80070005\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeOutlook(L"16.0.0.17928");
        FakeDispatchPtr item = StoreItem(L"IPM.Note");
        c.arrange(*this, *item);
        EXPECT_EQ(c.result, Delete(STORE, c.entryId));
        EXPECT_EQ(c.text, std::wstring(errorText));
        EXPECT_TRUE(outlook->InStore(STORE, ENTRY));
    }
}

TEST_F(DeleteItemTest, WithoutRedemptionASignedMailStaysAndTheUserIsToldOnce)
{
    struct Case {
        const char* name;
        RedemptionRegistration how;
        HRESULT result;
        const wchar_t* box;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"not registered", RedemptionRegistration::None, static_cast<HRESULT>(0x800401F3),
         L"Die Redemption Schnittstelle ist nicht registriert.",
         L"Can't get CLSID for Redemption.RDOSession! hr = 0x800401F3\n"},
        {"session cannot be made", RedemptionRegistration::CreateFails, E_OUTOFMEMORY,
         L"Fehler bei der Kommunikation mit der Redemption Schnittstelle.", UNTOUCHED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeOutlook(L"16.0.0.17928");
        FakeDispatchPtr item = StoreItem(L"IPM.Note.SMIME");
        RedemptionClass redemption(c.how, [] { return CreateRdoSession({}); });
        MessageBoxSpy spy;
        DialogWatcher watcher({}, DialogAnswer{IDOK});
        EXPECT_EQ(c.result, Delete());
        std::vector<MessageBoxCall> boxes = spy.Calls();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(c.box, boxes[0].text);
        EXPECT_EQ(L"marvik dovrane", boxes[0].caption);
        EXPECT_EQ(static_cast<UINT>(MB_TOPMOST | MB_ICONERROR), boxes[0].type);
        EXPECT_EQ(c.text, std::wstring(errorText));
        EXPECT_TRUE(outlook->InStore(STORE, ENTRY));
        EXPECT_EQ(0, item->CallCount(L"Delete"));
    }
}

TEST_F(DeleteItemTest, DeleteMailItemTakesTheIdsOfAHandoffCollection)
{
    struct Case {
        const char* name;
        const wchar_t* entryId; // null: absent
        const wchar_t* storeId;
        bool reachesOutlook;
        bool deleted;
        const wchar_t* log;
    };
    const Case cases[] = {
        {"both ids", ENTRY, STORE, true, true, L"[INF] Entering DeleteMailItem"},
        {"empty entry id", L"", STORE, false, false, L"[ERR] Invalid value of custom document property PR_ENTRYID!"},
        {"no store id", ENTRY, nullptr, false, false, L"[ERR] Can't find custom document property PR_STORE_ENTRYID!"},
        {"unknown item", L"00000000FFFF", STORE, true, false, L"[ERR] Error in GetItemFromID(00000000FFFF,"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeOutlook(L"16.0.0.17928");
        StoreItem(L"IPM.Note");
        CPropertyCollection properties;
        if (c.entryId)
            properties.Add(L"PR_ENTRYID", c.entryId, 0);
        if (c.storeId)
            properties.Add(L"PR_STORE_ENTRYID", c.storeId, 0);
        LogTail log;
        DeleteMailItem(outlook->Application(), &properties);
        EXPECT_EQ(!c.deleted, outlook->InStore(STORE, ENTRY));
        EXPECT_TRUE(log.Contains(c.log)) << ToUtf8(log.Text());
        EXPECT_EQ(c.reachesOutlook, outlook->Application()->CallCount(L"Version") > 0);
    }
}

} // namespace
