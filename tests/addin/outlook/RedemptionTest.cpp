// The Redemption binding, FindRDOMail and SaveRDOMailFromFolder against the
// Redemption doubles registered in the test process.
#include "MsgWriters.h"
#include "RdoMailSearch.h"
#include "RedemptionSession.h"

#include "DialogWatcher.h"
#include "LogTail.h"
#include "MapiTestFixture.h"
#include "MessageBoxSpy.h"
#include "TempDir.h"
#include "mapi/MsgFileReader.h"
#include "outlook/FakeOutlook.h"
#include "redemption/FakeRedemption.h"

using namespace doubles;

namespace {

const DATE JULY_15 = 44392.5;
const DATE JULY_16 = 44393.5;

RdoMailData Mail(const wchar_t* entryId, const wchar_t* subject)
{
    RdoMailData data;
    data.entryId = entryId;
    data.subject = subject;
    data.size = 4711;
    data.messageClass = L"IPM.Note.SMIME";
    data.sentOnBehalfOfName = L"Chef";
    data.receivedTime = JULY_15;
    data.to = L"Anna";
    data.sentOn = JULY_15;
    return data;
}

// The Outlook item a Redemption mail stands for, with the same values.
FakeDispatchPtr ItemLike(const RdoMailData& data)
{
    FakeDispatchPtr item = FakeOutlookItem::Create(data.messageClass.c_str());
    item->AddProperty(L"EntryID", _variant_t(data.entryId.c_str()));
    item->AddProperty(L"Subject", _variant_t(data.subject.c_str()));
    item->AddProperty(L"Size", _variant_t(data.size));
    item->AddProperty(L"SentOnBehalfOfName", _variant_t(data.sentOnBehalfOfName.c_str()));
    _variant_t received;
    V_VT(&received) = VT_DATE;
    V_DATE(&received) = data.receivedTime;
    item->AddProperty(L"ReceivedTime", received);
    item->AddProperty(L"To", _variant_t(data.to.c_str()));
    _variant_t sent;
    V_VT(&sent) = VT_DATE;
    V_DATE(&sent) = data.sentOn;
    item->AddProperty(L"SentOn", sent);
    return item;
}

class RedemptionTest : public MapiDoublesTest
{
protected:
    void ReleaseHostObjects() override
    {
        folder = nullptr;
        item = nullptr;
        mails.clear();
    }
    void MakeFolder(const std::vector<RdoMailData>& data)
    {
        for (const RdoMailData& d : data)
            mails.push_back(CreateRdoMail(d));
        folder = CreateRdoFolder(mails, L"STORE01");
    }
    // The index of the mail in result among mails; -1 for none.
    int Found(const VARIANT& result) const
    {
        if (V_VT(&result) != VT_DISPATCH)
            return -1;
        for (size_t i = 0; i < mails.size(); ++i)
            if (V_DISPATCH(&result) == static_cast<IDispatch*>(mails[i].GetInterfacePtr()))
                return static_cast<int>(i);
        return -1;
    }

public:
    // Open to the tables of cases, which arrange them.
    std::vector<FakeDispatchPtr> mails;
    FakeDispatchPtr folder;
    FakeDispatchPtr item;
};

TEST_F(RedemptionTest, TheSessionComesFromTheRegisteredClassInProcess)
{
    FakeDispatchPtr made;
    RedemptionClass registered(RedemptionRegistration::Registered, [&made] {
        made = CreateRdoSession({});
        return made;
    });
    IDispatch* session = nullptr;
    ASSERT_EQ(S_OK, CreateRedemptionSession(&session));
    ASSERT_NE(nullptr, session);
    EXPECT_EQ(static_cast<IDispatch*>(made.GetInterfacePtr()), session);
    EXPECT_EQ(1, registered.CreateCalls());
    session->Release();
    made = nullptr;
}

TEST_F(RedemptionTest, WithoutRedemptionTheUserIsToldWhy)
{
    struct Case {
        const char* name;
        RedemptionRegistration how;
        const wchar_t* message;
        bool logged;
    };
    const Case cases[] = {
        {"no ProgID", RedemptionRegistration::None, L"Die Redemption Schnittstelle ist nicht registriert.", true},
        {"no class object", RedemptionRegistration::ProgIdOnly, L"Die Redemption Schnittstelle ist nicht registriert.",
         false},
        {"CreateInstance fails", RedemptionRegistration::CreateFails,
         L"Fehler bei der Kommunikation mit der Redemption Schnittstelle.", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RedemptionClass registration(c.how, [] { return CreateRdoSession({}); });
        MessageBoxSpy spy;
        ASSERT_TRUE(spy.Installed());
        DialogWatcher watcher({}, DialogAnswer{IDOK});
        LogTail log;
        IDispatch* session = reinterpret_cast<IDispatch*>(1);
        EXPECT_TRUE(FAILED(CreateRedemptionSession(&session)));
        EXPECT_EQ(nullptr, session);
        std::vector<MessageBoxCall> boxes = spy.Calls();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(c.message, boxes[0].text);
        EXPECT_EQ(L"marvik dovrane", boxes[0].caption);
        EXPECT_EQ(static_cast<UINT>(MB_TOPMOST | MB_ICONERROR), boxes[0].type);
        EXPECT_EQ(nullptr, boxes[0].owner);
        EXPECT_EQ(c.logged, log.Contains(L"[ERR] Can't get CLSID for Redemption.RDOSession! hr = 0x800401F3"))
            << ToUtf8(log.Text());
    }
}

TEST_F(RedemptionTest, AMailIsFoundByItsEntryIdInAnyLetterCase)
{
    MakeFolder({Mail(L"00000000AAAA", L"Erste"), Mail(L"00000000bbbb", L"Zweite"), Mail(L"00000000CCCC", L"Dritte")});
    item = ItemLike(Mail(L"00000000BBBB", L"anders"));
    _variant_t result;
    LogTail log;
    ASSERT_EQ(S_OK, FindRDOMail(folder, item, &result));
    EXPECT_EQ(1, Found(result));
    EXPECT_TRUE(log.Contains(L"[INF] There are 3 items in that folder.")) << ToUtf8(log.Text());
    EXPECT_TRUE(log.Contains(L"[INF] We have found an Email with an corresponding EntryID!"));
    // The third mail is not looked at.
    EXPECT_EQ(0, mails[2]->CallCount(L"EntryID"));
}

TEST_F(RedemptionTest, WhereTheEntryIdCannotBeReadTheMailsPropertiesDecide)
{
    struct Case {
        const char* name;
        std::function<void(RdoMailData&)> change;
        bool matches;
    };
    const Case cases[] = {
        {"all equal", [](RdoMailData&) {}, true},
        {"subject in other case", [](RdoMailData& d) { d.subject = L"BERICHT"; }, true},
        {"other SentOnBehalfOfName and ReceivedTime, equal To and SentOn",
         [](RdoMailData& d) {
             d.sentOnBehalfOfName = L"Vertretung";
             d.receivedTime = JULY_16;
         },
         true},
        {"equal SentOnBehalfOfName and ReceivedTime, other To and SentOn",
         [](RdoMailData& d) {
             d.to = L"Bernd";
             d.sentOn = JULY_16;
         },
         true},
        {"other subject", [](RdoMailData& d) { d.subject = L"Bericht 2"; }, false},
        {"other class", [](RdoMailData& d) { d.messageClass = L"IPM.Note.SMIME.MultipartSigned"; }, false},
        {"other size", [](RdoMailData& d) { d.size = 4712; }, false},
        {"neither name nor To equal",
         [](RdoMailData& d) {
             d.sentOnBehalfOfName = L"Vertretung";
             d.to = L"Bernd";
         },
         false},
        {"neither date equal",
         [](RdoMailData& d) {
             d.receivedTime = JULY_16;
             d.sentOn = JULY_16;
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReleaseHostObjects();
        RdoMailData candidate = Mail(L"unused", L"Bericht");
        c.change(candidate);
        MakeFolder({candidate});
        mails[0]->FailInvoke(L"EntryID", 0, MAPI_E_NOT_FOUND);
        item = ItemLike(Mail(L"00000000AAAA", L"Bericht"));
        _variant_t result;
        LogTail log;
        EXPECT_EQ(c.matches ? S_OK : E_FAIL, FindRDOMail(folder, item, &result));
        EXPECT_EQ(c.matches ? 0 : -1, Found(result));
        EXPECT_EQ(c.matches, log.Contains(L"[INF] We have found an Email over other properties.!"))
            << ToUtf8(log.Text());
        EXPECT_EQ(!c.matches, log.Contains(L"[ERR] ### No mail found! ###")) << ToUtf8(log.Text());
    }
}

TEST_F(RedemptionTest, FailedReadsAreLoggedAndReturnedExceptTheItemsOptionalOnes)
{
    struct Case {
        const char* name;
        std::function<void(RedemptionTest&)> arrange;
        HRESULT result;
        const char* log;
    };
    const Case cases[] = {
        {"item EntryID", [](RedemptionTest& t) { t.item->FailInvoke(L"EntryID", 0, E_ACCESSDENIED); }, E_ACCESSDENIED,
         "[ERR] Can't get EntryID from selected item! hr = 0x80070005"},
        {"item MessageClass", [](RedemptionTest& t) { t.item->FailInvoke(L"MessageClass", 0, E_ACCESSDENIED); },
         E_ACCESSDENIED, "[ERR] Can't get MessageClass from selected item! hr = 0x80070005"},
        {"item To is optional", [](RedemptionTest& t) { t.item->FailInvoke(L"To", 0, E_ACCESSDENIED); }, S_OK,
         "[ERR] Can't get To from selected item! hr = 0x80070005"},
        {"folder Items", [](RedemptionTest& t) { t.folder->FailInvoke(L"Items", 0, MAPI_E_NO_ACCESS); },
         MAPI_E_NO_ACCESS, "[ERR] Can't get folder items! hr = 0x80070005"},
        {"candidate without EntryID and Size",
         [](RedemptionTest& t) {
             t.mails[0]->FailInvoke(L"EntryID", 0, MAPI_E_NOT_FOUND);
             t.mails[0]->FailInvoke(L"Size", 0, MAPI_E_NOT_FOUND);
         },
         MAPI_E_NOT_FOUND, "[ERR] Can't get Size from folder item! hr = 0x8004010F"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReleaseHostObjects();
        MakeFolder({Mail(L"00000000AAAA", L"Bericht")});
        item = ItemLike(Mail(L"00000000AAAA", L"Bericht"));
        c.arrange(*this);
        _variant_t result;
        LogTail log;
        EXPECT_EQ(c.result, FindRDOMail(folder, item, &result));
        EXPECT_TRUE(log.Contains(FromUtf8(c.log))) << ToUtf8(log.Text());
        if (FAILED(c.result)) {
            EXPECT_EQ(VT_EMPTY, V_VT(&result));
        }
    }
}

TEST_F(RedemptionTest, AnEmptyFolderFindsNoMail)
{
    MakeFolder({});
    item = ItemLike(Mail(L"00000000AAAA", L"Bericht"));
    _variant_t result;
    LogTail log;
    EXPECT_EQ(E_FAIL, FindRDOMail(folder, item, &result));
    EXPECT_TRUE(log.Contains(L"[ERR] There are no folder items!")) << ToUtf8(log.Text());
}

TEST_F(RedemptionTest, AFoundMailIsSavedAsUnicodeMessageFileAndItsPropertiesAreCollected)
{
    RdoMailData data = Mail(L"00000000AAAA", L"Vertraulich \u00c4");
    MakeFolder({Mail(L"00000000FFFF", L"Andere"), data});
    item = ItemLike(data);
    wchar_t path[MAX_PATH] = L"untouched";
    CPropertyCollection properties;
    ASSERT_EQ(S_OK, SaveRDOMailFromFolder(folder, item, path, 2, &properties));
    std::vector<Invocation> saves = mails[1]->CallsOf(L"SaveAs");
    ASSERT_EQ(1u, saves.size());
    ASSERT_EQ(2u, saves[0].args.size());
    EXPECT_EQ(_bstr_t(path), _bstr_t(saves[0].args[0]));
    EXPECT_EQ(VT_I4, V_VT(&saves[0].args[1]));
    EXPECT_EQ(9, V_I4(&saves[0].args[1]));
    EXPECT_NE(nullptr, wcsstr(path, L"\\dovrane_2_"));
    MsgFile msg;
    std::string error;
    ASSERT_TRUE(ReadMsgFile(path, &msg, &error)) << error;
    EXPECT_EQ(L"Vertraulich \u00c4", msg.Find(PROP_ID(PR_SUBJECT_W))->text);
    ASSERT_NE(nullptr, properties.GetValue(L"OTL_MSG_SUBJECT"));
    EXPECT_EQ(std::wstring(L"Vertraulich \u00c4"), properties.GetValue(L"OTL_MSG_SUBJECT"));
    EXPECT_EQ(std::wstring(L"00000000AAAA"), properties.GetValue(L"PR_ENTRYID"));
    EXPECT_EQ(std::wstring(L"STORE01"), properties.GetValue(L"PR_STORE_ENTRYID"));
    EXPECT_EQ(0, mails[0]->CallCount(L"SaveAs"));
}

TEST_F(RedemptionTest, NoMailOrAFailedSaveCollectsNothingAndLeavesTheBuffer)
{
    struct Case {
        const char* name;
        bool inFolder;
        bool saveFails;
        HRESULT result;
        const char* log;
    };
    const Case cases[] = {
        {"not in the folder", false, false, E_FAIL, "[ERR] ### No mail found! ###"},
        {"SaveAs fails", true, true, STG_E_ACCESSDENIED, "[ERR] Can't save mail item! hr = 0x80030005"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReleaseHostObjects();
        MakeFolder({Mail(L"00000000AAAA", L"Bericht")});
        item = ItemLike(Mail(c.inFolder ? L"00000000AAAA" : L"00000000BBBB", L"Anderes"));
        if (c.saveFails)
            mails[0]->FailInvoke(L"SaveAs", 0, STG_E_ACCESSDENIED);
        wchar_t path[MAX_PATH] = L"untouched";
        CPropertyCollection properties;
        LogTail log;
        EXPECT_EQ(c.result, SaveRDOMailFromFolder(folder, item, path, 0, &properties));
        EXPECT_TRUE(log.Contains(FromUtf8(c.log))) << ToUtf8(log.Text());
        EXPECT_EQ(std::wstring(L"untouched"), path);
        EXPECT_EQ(0u, properties.Count());
        EXPECT_EQ(c.saveFails ? 1u : 0u, HandoffFolders().size());
        for (const std::wstring& f : HandoffFolders())
            RemoveTree(f);
    }
}

} // namespace
