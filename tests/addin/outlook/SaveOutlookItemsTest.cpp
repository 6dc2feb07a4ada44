// Saving Outlook items against the Outlook, MAPI and Redemption doubles:
// every message class by its road (the file read back, the properties
// collected), the fallback of mails to Outlook's own save, series,
// sticky notes, signed mails by Outlook version, and the selection walk.
#include "OutlookCapture.h"

#include "DialogWatcher.h"
#include "LogTail.h"
#include "MessageBoxSpy.h"
#include "OutlookModelFixture.h"
#include "OutlookPropertyTables.h"
#include "TempDir.h"
#include "mapi/MsgFileReader.h"
#include "redemption/FakeRedemption.h"

#include <functional>

using namespace doubles;

namespace {

const wchar_t UNTOUCHED[] = L"untouched";
const wchar_t SIGNED_ENTRY_ID[] = L"00000000ABCD";
const HRESULT NO_PROGID = static_cast<HRESULT>(0x800401F3);

class SaveItemTest : public OutlookModelTest
{
protected:
    void SetUp() override
    {
        OutlookModelTest::SetUp();
        wcscpy(path, UNTOUCHED);
    }
    void ReleaseHostObjects() override
    {
        rdoMails.clear();
        rdoFolder = nullptr;
        ReleaseOutlook();
    }

    // A message of the class's subject with a display name and the named
    // properties that tell the item tables apart.
    FakeDispatchPtr ItemOfClass(const wchar_t* messageClass)
    {
        if (IsMessageClass(messageClass, L"IPM.StickyNote")) {
            FakeDispatchPtr note = Keep(FakeOutlookItem::Create(messageClass));
            note->AddProperty(L"Subject", _variant_t(L"Notiz"));
            note->AddProperty(L"Body", _variant_t(L"Milch kaufen"));
            return note;
        }
        if (FindOutlookMessageClass(messageClass) == 1 || FindOutlookMessageClass(messageClass) == 2)
            return SignedItem(messageClass);
        FakeMessage* message = NewMessage(messageClass);
        message->Set(TextProp(PR_DISPLAY_NAME_W, L"Anna Muster"));
        message->SetNamed(PSETID_Appointment, 0x823B, TextProp(PT_UNICODE, L"Bernd"));
        message->SetNamed(PSETID_Task, 0x8101, LongProp(PT_LONG, 2));
        return Keep(FakeOutlookItem::Create(messageClass, message));
    }

    // A signed mail in the explorer's folder, as Outlook and Redemption
    // show it.
    FakeDispatchPtr SignedItem(const wchar_t* messageClass)
    {
        RdoMailData data;
        data.entryId = SIGNED_ENTRY_ID;
        data.subject = L"Signiert";
        data.size = 2048;
        data.messageClass = messageClass;
        if (rdoMails.empty()) {
            rdoMails.push_back(CreateRdoMail(data));
            rdoFolder = CreateRdoFolder(rdoMails, L"STORE01");
        }
        FakeDispatchPtr item = Keep(FakeOutlookItem::Create(messageClass));
        item->AddProperty(L"EntryID", _variant_t(data.entryId.c_str()));
        item->AddProperty(L"Subject", _variant_t(data.subject.c_str()));
        item->AddProperty(L"Size", _variant_t(data.size));
        return item;
    }

    // Redemption registered, its session finding the explorer's folder.
    std::unique_ptr<RedemptionClass> RegisterRedemption(RedemptionRegistration how = RedemptionRegistration::Registered)
    {
        std::wstring folderId = static_cast<const wchar_t*>(_bstr_t(outlook->CurrentFolder()->Property(L"EntryID")));
        FakeDispatchPtr folder = rdoFolder;
        return std::unique_ptr<RedemptionClass>(new RedemptionClass(how, [folderId, folder] {
            return CreateRdoSession({{folderId, folder}});
        }));
    }

    HRESULT Save(IDispatch* item, int majorVersion = 16)
    {
        return SaveOutlookItem(outlook->Application(), item, 0, majorVersion, path, &properties);
    }

    std::wstring SubjectInFile() const
    {
        MsgFile msg;
        std::string error;
        if (!ReadMsgFile(path, &msg, &error))
            return L"(unreadable: " + FromUtf8(error) + L")";
        const PropValue* subject = msg.Find(PROP_ID(PR_SUBJECT_W));
        return subject ? subject->text : L"(no subject)";
    }

public:
    wchar_t path[ITEM_PATH_CHARS];
    CPropertyCollection properties;
    std::vector<FakeDispatchPtr> rdoMails;
    FakeDispatchPtr rdoFolder;
};

TEST_F(SaveItemTest, EachClassIsSavedByItsRoadWithTheKeysOfItsTable)
{
    struct Case {
        const wchar_t* messageClass;
        const wchar_t* subjectInFile;
        std::vector<const wchar_t*> present;
        std::vector<const wchar_t*> absent;
    };
    const std::vector<const wchar_t*> ids = {L"PR_ENTRYID", L"PR_STORE_ENTRYID"};
    auto with = [&ids](std::vector<const wchar_t*> keys) {
        keys.insert(keys.end(), ids.begin(), ids.end());
        return keys;
    };
    const Case cases[] = {
        {L"IPM.Note", L"IPM.Note", with({L"OTL_MSG_SUBJECT", L"OTL_MSG_TO_SMTP_ADDRESS"}), {}},
        {L"IPM.Note.SMIME",
         L"Signiert",
         {L"OTL_MSG_SUBJECT", L"PR_ENTRYID", L"PR_STORE_ENTRYID"},
         {L"OTL_MSG_TO_SMTP_ADDRESS"}},
        {L"IPM.Note.SMIME.MultipartSigned", L"Signiert", {L"OTL_MSG_SUBJECT", L"PR_STORE_ENTRYID"}, {}},
        {L"IPM.Contact", L"IPM.Contact", with({L"OTL_CONTACT_FULLNAME"}), {L"OTL_MSG_TO_SMTP_ADDRESS"}},
        {L"ipm.CONTACT", L"ipm.CONTACT", with({L"OTL_CONTACT_FULLNAME"}), {}},
        {L"IPM.StickyNote", L"Notiz", {L"OTL_STICKYNOTE_BODY", L"OTL_STICKYNOTE_SUBJECT"}, ids},
        {L"IPM.Activity", L"IPM.Activity", with({L"OTL_ACTIVITY_SUBJECT"}), {}},
        {L"IPM.Appointment", L"IPM.Appointment", with({L"OTL_APPOINTMENT_SUBJECT", L"OTL_APPOINTMENT_ATTENDEE"}), {}},
        {L"IPM.Schedule.Meeting.Request",
         L"IPM.Schedule.Meeting.Request",
         with({L"OTL_APPOINTMENT_SUBJECT", L"OTL_APPOINTMENT_ATTENDEE"}),
         {}},
        {L"IPM.Schedule.Meeting.Resp.Pos",
         L"IPM.Schedule.Meeting.Resp.Pos",
         with({L"OTL_APPOINTMENT_SUBJECT"}),
         {L"OTL_APPOINTMENT_ATTENDEE"}},
        {L"IPM.Schedule.Meeting.Resp.Neg",
         L"IPM.Schedule.Meeting.Resp.Neg",
         with({L"OTL_APPOINTMENT_SUBJECT"}),
         {L"OTL_APPOINTMENT_ATTENDEE"}},
        {L"IPM.Schedule.Meeting.Resp.Tent",
         L"IPM.Schedule.Meeting.Resp.Tent",
         with({L"OTL_APPOINTMENT_SUBJECT"}),
         {L"OTL_APPOINTMENT_ATTENDEE"}},
        {L"IPM.Schedule.Meeting.Canceled",
         L"IPM.Schedule.Meeting.Canceled",
         with({L"OTL_APPOINTMENT_SUBJECT"}),
         {L"OTL_APPOINTMENT_ATTENDEE"}},
        {L"IPM.Task", L"IPM.Task", with({L"OTL_TASK_SUBJECT", L"OTL_TASK_STATUS"}), {}},
        {L"IPM.TaskRequest", L"IPM.TaskRequest", with({L"OTL_TASK_SUBJECT", L"OTL_TASK_STATUS"}), {}},
        {L"IPM.TaskRequest.Accept", L"IPM.TaskRequest.Accept", with({L"OTL_TASK_SUBJECT"}), {L"OTL_TASK_STATUS"}},
        {L"IPM.TaskRequest.Decline", L"IPM.TaskRequest.Decline", with({L"OTL_TASK_SUBJECT"}), {L"OTL_TASK_STATUS"}},
        {L"IPM.TaskRequest.Update", L"IPM.TaskRequest.Update", with({L"OTL_TASK_SUBJECT"}), {L"OTL_TASK_STATUS"}},
    };
    SignedItem(L"IPM.Note.SMIME");
    std::unique_ptr<RedemptionClass> redemption = RegisterRedemption();
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.messageClass));
        wcscpy(path, UNTOUCHED);
        properties.Clear();
        FakeDispatchPtr item = ItemOfClass(c.messageClass);
        ASSERT_EQ(S_OK, Save(item));
        EXPECT_NE(nullptr, wcsstr(path, L"\\kq_data_")) << ToUtf8(path);
        EXPECT_NE(nullptr, wcsstr(path, L"\\dovrane_0_")) << ToUtf8(path);
        EXPECT_EQ(c.subjectInFile, SubjectInFile());
        for (const wchar_t* key : c.present)
            EXPECT_NE("(absent)", ValueOf(properties, key)) << ToUtf8(key);
        for (const wchar_t* key : c.absent)
            EXPECT_EQ("(absent)", ValueOf(properties, key)) << ToUtf8(key);
    }
}

TEST_F(SaveItemTest, EntryIdAndStoreIdAreTheMessagesIdsInHexadecimal)
{
    ASSERT_EQ(S_OK, Save(NewItem(L"IPM.Task", L"Aufgabe")));
    EXPECT_EQ("00AB10", ValueOf(properties, L"PR_ENTRYID"));
    EXPECT_EQ("5E01", ValueOf(properties, L"PR_STORE_ENTRYID"));
    EXPECT_EQ("Aufgabe", ValueOf(properties, L"OTL_TASK_SUBJECT"));
}

TEST_F(SaveItemTest, ClassesWithoutARoadAreRefusedBeforeAnythingIsWritten)
{
    const wchar_t* const classes[] = {L"IPM.Note.Formular", L"IPM.Post", L"IPM", L"", L"IPM.Note "};
    for (const wchar_t* messageClass : classes) {
        SCOPED_TRACE(ToUtf8(messageClass));
        FakeDispatchPtr item = NewItem(messageClass, L"Formular");
        LogTail log;
        EXPECT_EQ(E_WRONG_MESSAGE_CLASS, Save(item));
        EXPECT_TRUE(log.Contains(L"[WRN] Wrong message class of selected item!")) << ToUtf8(log.Text());
        EXPECT_EQ(UNTOUCHED, std::wstring(path));
        EXPECT_EQ(0u, properties.Count());
        EXPECT_TRUE(HandoffFolders().empty());
    }
}

TEST_F(SaveItemTest, EachStepToTheMessageLogsItsFailureInTheWordsOfTheItemsKind)
{
    // builtAs: the kind of item the double is, whose typed interface it answers.
    struct Case {
        const char* name;
        const wchar_t* builtAs;
        std::function<void(SaveItemTest&, FakeDispatch&)> arrange;
        HRESULT result;
        const wchar_t* log;
    };
    const Case cases[] = {
        {"class read", L"IPM.Note",
         [](SaveItemTest&, FakeDispatch& item) { item.FailInvoke(L"MessageClass", 0, E_ACCESSDENIED); }, E_ACCESSDENIED,
         L"[ERR] Can't get message class for selected item! hr = 0x80070005"},
        {"mail interface refused", L"IPM.Post",
         [](SaveItemTest&, FakeDispatch& item) { item.SetProperty(L"MessageClass", _variant_t(L"IPM.Note")); },
         E_NOINTERFACE, L"[ERR] Failed to get Outlook::_MailItem object! hr = 0x80004002"},
        {"task request accept's MAPIOBJECT", L"IPM.TaskRequest.Accept",
         [](SaveItemTest&, FakeDispatch& item) { item.FailInvoke(L"MAPIOBJECT", 0, E_FAIL); }, E_FAIL,
         L"[ERR] Failed to get MAPIOBJECT of task request accept item! hr = 0x80004005"},
        {"a journal entry's MAPIOBJECT that is no message", L"IPM.Activity",
         [](SaveItemTest& t, FakeDispatch& item) {
             _variant_t notAMessage;
             V_VT(&notAMessage) = VT_UNKNOWN;
             V_UNKNOWN(&notAMessage) = t.session;
             t.session->AddRef();
             item.SetProperty(L"MAPIOBJECT", notAMessage);
         },
         E_NOINTERFACE, L"[ERR] Failed to get IMessage interface from Outlook::_JournalItem object! hr = 0x80004002"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDispatchPtr item = NewItem(c.builtAs, L"x");
        c.arrange(*this, *item);
        LogTail log;
        EXPECT_EQ(c.result, Save(item));
        EXPECT_TRUE(log.Contains(c.log)) << ToUtf8(log.Text());
        EXPECT_EQ(UNTOUCHED, std::wstring(path));
        EXPECT_TRUE(HandoffFolders().empty());
    }
}

TEST_F(SaveItemTest, AMailThatMapiCannotCopyIsSavedByOutlookUnlessMemoryRanOut)
{
    struct Case {
        const char* name;
        HRESULT copyFailure;
        HRESULT result;
        bool outlookSaves;
    };
    const Case cases[] = {
        {"no access", MAPI_E_NO_ACCESS, S_OK, true},
        {"any other failure", E_FAIL, S_OK, true},
        {"out of memory", E_OUTOFMEMORY, E_OUTOFMEMORY, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        wcscpy(path, UNTOUCHED);
        properties.Clear();
        for (const std::wstring& folder : HandoffFolders())
            RemoveTree(folder);
        FakeDispatchPtr mail = NewItem(L"IPM.Note", L"Angebot");
        messages.back()->Script().Fail("CopyTo", c.copyFailure);
        EXPECT_EQ(c.result, Save(mail));
        EXPECT_EQ(c.outlookSaves ? 1 : 0, mail->CallCount(L"SaveAs"));
        // The properties read through MAPI stay either way.
        EXPECT_EQ("Angebot", ValueOf(properties, L"OTL_MSG_SUBJECT"));
        if (c.outlookSaves) {
            EXPECT_EQ(L"Angebot", SubjectInFile());
            // The copy's folder is marked, the saved file lies in another.
            EXPECT_EQ(2u, HandoffFolders().size());
        } else {
            EXPECT_EQ(UNTOUCHED, std::wstring(path));
            EXPECT_EQ(1u, HandoffFolders().size());
        }
    }
}

TEST_F(SaveItemTest, AnOccurrenceOfASeriesIsSavedAsItsSeriesAndTheSeriesAsItself)
{
    // member: the state of the item archived within its series (0: none).
    struct Case {
        const char* name;
        long member;
        const wchar_t* masterBuiltAs;
        std::function<void(FakeDispatch& item)> arrange;
        HRESULT result;
        const wchar_t* subject;
        const wchar_t* log;
    };
    const Case cases[] = {
        {"single appointment", RECURRENCE_NOT_RECURRING, L"IPM.Appointment", [](FakeDispatch&) {}, S_OK, L"Termin",
         nullptr},
        {"the series' master", RECURRENCE_MASTER, L"IPM.Appointment", [](FakeDispatch&) {}, S_OK, L"Serie", nullptr},
        {"occurrence", RECURRENCE_OCCURRENCE, L"IPM.Appointment", [](FakeDispatch&) {}, S_OK, L"Serie", nullptr},
        {"exception", RECURRENCE_EXCEPTION, L"IPM.Appointment", [](FakeDispatch&) {}, S_OK, L"Serie", nullptr},
        {"IsRecurring fails", RECURRENCE_OCCURRENCE, L"IPM.Appointment",
         [](FakeDispatch& o) { o.FailInvoke(L"IsRecurring", 0, E_FAIL); }, E_FAIL, nullptr,
         L"[ERR] Failed to get IsRecurring state! hr = 0x80004005"},
        {"RecurrenceState fails", RECURRENCE_OCCURRENCE, L"IPM.Appointment",
         [](FakeDispatch& o) { o.FailInvoke(L"RecurrenceState", 0, E_ACCESSDENIED); }, E_ACCESSDENIED, nullptr,
         L"[ERR] Failed to get RecurrenceState! hr = 0x80070005"},
        {"Parent fails", RECURRENCE_OCCURRENCE, L"IPM.Appointment",
         [](FakeDispatch& o) { o.FailInvoke(L"Parent", 0, E_FAIL); }, E_FAIL, nullptr,
         L"[ERR] Failed to get_Parent from item! hr = 0x80004005"},
        {"parent is no appointment", RECURRENCE_OCCURRENCE, L"IPM.Post", [](FakeDispatch&) {}, E_NOINTERFACE, nullptr,
         L"[ERR] Failed to get parent Outlook::_AppointmentItem object! hr = 0x80004002"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        wcscpy(path, UNTOUCHED);
        properties.Clear();
        FakeDispatchPtr master = NewItem(c.masterBuiltAs, L"Serie");
        FakeDispatchPtr item = NewItem(L"IPM.Appointment", L"Termin");
        if (c.member == RECURRENCE_MASTER) {
            // IsRecurring is true for the master too; its Parent is its folder.
            FakeOutlookItem::MakeOccurrence(master, item);
            item = master;
        } else if (c.member != RECURRENCE_NOT_RECURRING) {
            FakeOutlookItem::MakeOccurrence(master, item, c.member);
        }
        c.arrange(*item);
        LogTail log;
        EXPECT_EQ(c.result, Save(item));
        if (c.subject) {
            EXPECT_EQ(c.subject, SubjectInFile());
            EXPECT_EQ(ToUtf8(c.subject), ValueOf(properties, L"OTL_APPOINTMENT_SUBJECT"));
        } else {
            EXPECT_TRUE(log.Contains(c.log)) << ToUtf8(log.Text());
            EXPECT_EQ(UNTOUCHED, std::wstring(path));
        }
    }
}

TEST_F(SaveItemTest, AStickyNoteCarriesItsBodyAndSubjectOnlyAndANullTextAddsNoEntry)
{
    FakeDispatchPtr note = Keep(FakeOutlookItem::Create(L"IPM.StickyNote"));
    note->AddProperty(L"Subject", _variant_t(L"Einkauf"));
    // A copied variant would turn the null text into an empty one.
    note->AddMember(L"Body", ACCESS_GET, {}, [](FakeDispatch&, const Invocation&, VARIANT* result) {
        VariantInit(result);
        V_VT(result) = VT_BSTR;
        V_BSTR(result) = nullptr;
        return S_OK;
    });
    LogTail log;
    ASSERT_EQ(S_OK, Save(note));
    EXPECT_EQ(std::vector<std::wstring>{L"OTL_STICKYNOTE_SUBJECT"}, KeysOf(properties));
    EXPECT_EQ(1, properties.GetType(L"OTL_STICKYNOTE_SUBJECT"));
    EXPECT_EQ(L"Einkauf", SubjectInFile());
    EXPECT_TRUE(log.Contains(L"[INF] Entering SaveStickyNoteToMSG")) << ToUtf8(log.Text());
}

TEST_F(SaveItemTest, OutlooksOwnSaveWritesNotesAndFallbackMailsInTheUnicodeFormatFromOutlook11)
{
    // Greek and Cyrillic letters have no form in a Western ANSI code page.
    const std::wstring subject = L"\u0391\u03c1\u03c7\u03b5\u03af\u03bf \u041e\u0442\u0447\u0451\u0442";
    struct Case {
        const char* name;
        const wchar_t* messageClass;
        int majorVersion;
        bool unicode;
    };
    const Case cases[] = {
        {"note, Outlook 16", L"IPM.StickyNote", 16, true},
        {"note, Outlook 11", L"IPM.StickyNote", 11, true},
        {"note, Outlook 10", L"IPM.StickyNote", 10, false},
        {"mail that MAPI cannot copy, Outlook 16", L"IPM.Note", 16, true},
        {"mail that MAPI cannot copy, Outlook 10", L"IPM.Note", 10, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        wcscpy(path, UNTOUCHED);
        properties.Clear();
        FakeDispatchPtr item;
        if (IsMessageClass(c.messageClass, L"IPM.StickyNote")) {
            item = Keep(FakeOutlookItem::Create(c.messageClass));
            item->AddProperty(L"Subject", _variant_t(subject.c_str()));
            item->AddProperty(L"Body", _variant_t(L"Text"));
        } else {
            item = NewItem(c.messageClass, subject);
            messages.back()->Script().Fail("CopyTo", MAPI_E_NO_ACCESS);
        }
        ASSERT_EQ(S_OK, Save(item, c.majorVersion));
        ExpectOwnSave(*item, path, c.unicode, subject);
    }
}

TEST_F(SaveItemTest, ASignedMailIsReadThroughRedemptionFromOutlook11AndRefusedBefore)
{
    struct Case {
        const char* name;
        int majorVersion;
        RedemptionRegistration how;
        HRESULT result;
        const wchar_t* box;
    };
    const Case cases[] = {
        {"Outlook 10", 10, RedemptionRegistration::Registered, E_WRONG_MESSAGE_CLASS, nullptr},
        {"Outlook 11", 11, RedemptionRegistration::Registered, S_OK, nullptr},
        {"Outlook 16 without Redemption", 16, RedemptionRegistration::None, NO_PROGID,
         L"Die Redemption Schnittstelle ist nicht registriert."},
        {"Outlook 16, Redemption failing", 16, RedemptionRegistration::CreateFails, E_OUTOFMEMORY,
         L"Fehler bei der Kommunikation mit der Redemption Schnittstelle."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        wcscpy(path, UNTOUCHED);
        properties.Clear();
        FakeDispatchPtr item = SignedItem(L"IPM.Note.SMIME.MultipartSigned");
        std::unique_ptr<RedemptionClass> redemption = RegisterRedemption(c.how);
        MessageBoxSpy spy;
        DialogWatcher watcher({}, DialogAnswer{IDOK});
        EXPECT_EQ(c.result, Save(item, c.majorVersion));
        std::vector<MessageBoxCall> boxes = spy.Calls();
        if (c.box) {
            ASSERT_EQ(1u, boxes.size());
            EXPECT_EQ(c.box, boxes[0].text);
        } else {
            EXPECT_TRUE(boxes.empty());
        }
        EXPECT_EQ(c.result == S_OK ? 1 : 0, rdoMails[0]->CallCount(L"SaveAs"));
        rdoMails[0]->ClearCalls();
        if (c.majorVersion == 10) {
            EXPECT_EQ(0, redemption->CreateCalls());
        }
    }
}

TEST_F(SaveItemTest, ASignedMailOpenedFromAnotherFolderIsNotFoundInTheExplorersFolder)
{
    FakeDispatchPtr item = SignedItem(L"IPM.Note.SMIME");
    item->SetProperty(L"EntryID", _variant_t(L"00000000FFFF"));
    rdoMails[0]->FailInvoke(L"Subject", 0, MAPI_E_NOT_FOUND);
    std::unique_ptr<RedemptionClass> redemption = RegisterRedemption();
    LogTail log;
    EXPECT_EQ(E_FAIL, Save(item));
    EXPECT_TRUE(log.Contains(L"[ERR] ### No mail found! ###")) << ToUtf8(log.Text());
    EXPECT_TRUE(log.Contains(L"[ERR] error in SaveRDOMailFromFolder! hr = 0x80004005")) << ToUtf8(log.Text());
    EXPECT_TRUE(log.Contains(L"[INF] selected Outlook Folder: \\\\Postfach\\Posteingang EntryID: 00000000F0F0F0F001"))
        << ToUtf8(log.Text());
}

class SelectionTest : public SaveItemTest
{
protected:
    // count path buffers and collections, as the archive command sizes them.
    void MakeArrays(size_t count)
    {
        buffers.assign(count, std::wstring(ITEM_PATH_CHARS, L'\0'));
        collections.clear();
        for (size_t i = 0; i < count; ++i)
            collections.emplace_back(new CPropertyCollection);
        paths.clear();
        props.clear();
        for (size_t i = 0; i < count; ++i) {
            paths.push_back(&buffers[i][0]);
            props.push_back(collections[i].get());
        }
    }
    HRESULT SaveSelection()
    {
        return SaveOutlookDocument(outlook->Application(), paths.data(), props.data(), paths.size());
    }

    std::vector<std::wstring> buffers;
    std::vector<std::unique_ptr<CPropertyCollection>> collections;
    std::vector<wchar_t*> paths;
    std::vector<CPropertyCollection*> props;
};

TEST_F(SelectionTest, AnEmptySelectionIsNoItemsSelectedAndNothingIsRead)
{
    long count = 77;
    LogTail log;
    EXPECT_EQ(E_NO_ITEMS_SELECTED, GetOutlookDocumentCount(outlook->Application(), &count));
    EXPECT_EQ(77, count);
    MakeArrays(1);
    EXPECT_EQ(E_NO_ITEMS_SELECTED, SaveSelection());
    EXPECT_EQ(2, log.Count(L"[ERR] There are no items selected!"));
    EXPECT_EQ(0, outlook->Selection()->CallCount(L"Item"));
    EXPECT_TRUE(HandoffFolders().empty());
}

TEST_F(SelectionTest, TheSelectionIsCountedAndSavedInItsOrder)
{
    outlook->Select({NewItem(L"IPM.Note", L"Eins"), NewItem(L"IPM.Task", L"Zwei"), NewItem(L"IPM.Note", L"Drei")});
    long count = 0;
    ASSERT_EQ(S_OK, GetOutlookDocumentCount(outlook->Application(), &count));
    ASSERT_EQ(3, count);
    MakeArrays(3);
    LogTail log;
    ASSERT_EQ(S_OK, SaveSelection());
    EXPECT_TRUE(log.Contains(L"[INF] Outlookversion: 16 (16.0.0.17928)")) << ToUtf8(log.Text());
    const char* subjects[] = {"Eins", "Zwei", "Drei"};
    const wchar_t* keys[] = {L"OTL_MSG_SUBJECT", L"OTL_TASK_SUBJECT", L"OTL_MSG_SUBJECT"};
    for (size_t i = 0; i < 3; ++i) {
        wcscpy(path, paths[i]);
        EXPECT_EQ(FromUtf8(subjects[i]), SubjectInFile());
        EXPECT_NE(nullptr, wcsstr(paths[i], (L"\\dovrane_" + std::to_wstring(i) + L"_").c_str()));
        EXPECT_EQ(subjects[i], ValueOf(*props[i], keys[i]));
    }
}

TEST_F(SelectionTest, ARefusedItemStopsTheWalkAndKeepsWhatWasSavedBefore)
{
    FakeDispatchPtr third = NewItem(L"IPM.Note", L"Drei");
    outlook->Select({NewItem(L"IPM.Note", L"Eins"), NewItem(L"IPM.Post", L"Zwei"), third});
    MakeArrays(3);
    LogTail log;
    EXPECT_EQ(E_WRONG_MESSAGE_CLASS, SaveSelection());
    EXPECT_TRUE(log.Contains(L"[ERR] Can't save current item! hr = 0x80044303")) << ToUtf8(log.Text());
    wcscpy(path, paths[0]);
    EXPECT_EQ(L"Eins", SubjectInFile());
    EXPECT_EQ("Eins", ValueOf(*props[0], L"OTL_MSG_SUBJECT"));
    for (size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(L'\0', paths[i][0]);
        EXPECT_EQ(0u, props[i]->Count());
    }
    EXPECT_EQ(0, third->CallCount(L"MessageClass"));
}

TEST_F(SelectionTest, ASelectionThatGrewAfterCountingIsSavedOnlyAsFarAsTheArraysReach)
{
    FakeDispatchPtr third = NewItem(L"IPM.Note", L"Drei");
    outlook->Select({NewItem(L"IPM.Note", L"Eins"), NewItem(L"IPM.Note", L"Zwei"), third});
    MakeArrays(2);
    EXPECT_EQ(S_OK, SaveSelection());
    EXPECT_EQ(2u, HandoffFolders().size());
    EXPECT_EQ(0, third->CallCount(L"MessageClass"));
}

TEST_F(SelectionTest, FailedReadsOfTheSelectionAreLoggedAndReturned)
{
    struct Case {
        const char* name;
        std::function<void(FakeOutlookModel&)> arrange;
        HRESULT result;
        const wchar_t* log;
        bool counting;
    };
    const Case cases[] = {
        {"ActiveExplorer", [](FakeOutlookModel& o) { o.Application()->FailInvoke(L"ActiveExplorer", 0, E_FAIL); },
         E_FAIL, L"[ERR] Can't get active explorer! hr = 0x80004005", true},
        {"Selection", [](FakeOutlookModel& o) { o.Explorer()->FailInvoke(L"Selection", 0, E_ACCESSDENIED); },
         E_ACCESSDENIED, L"[ERR] Can't get selected items! hr = 0x80070005", true},
        {"Count", [](FakeOutlookModel& o) { o.Selection()->FailInvoke(L"Count", 0, E_UNEXPECTED); }, E_UNEXPECTED,
         L"[ERR] Can't get count of selected items! hr = 0x8000FFFF", true},
        {"Version", [](FakeOutlookModel& o) { o.Application()->FailInvoke(L"Version", 0, E_FAIL); }, E_FAIL,
         L"[ERR] Can't get version from outlook! hr = 0x80004005", false},
        {"Item", [](FakeOutlookModel& o) { o.Selection()->FailInvoke(L"Item", 0, DISP_E_BADINDEX); }, DISP_E_BADINDEX,
         L"[ERR] Can't get mail item! hr = 0x8002000B", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeOutlook(L"16.0.0.17928");
        outlook->Select({NewItem(L"IPM.Note", L"Eins")});
        c.arrange(*outlook);
        LogTail log;
        if (c.counting) {
            long count = 5;
            EXPECT_EQ(c.result, GetOutlookDocumentCount(outlook->Application(), &count));
            EXPECT_EQ(5, count);
        }
        MakeArrays(1);
        EXPECT_EQ(c.result, SaveSelection());
        EXPECT_TRUE(log.Contains(c.log)) << ToUtf8(log.Text());
        EXPECT_TRUE(HandoffFolders().empty());
    }
}

} // namespace
