// Listing and saving attachments against the Outlook, MAPI and Redemption
// doubles: visible attachments of the selection in order, the chosen ones
// written into hand-off folders of their own under safe names, the choice
// kept to its own mail, and signed mails through Redemption.
#include "ItemAttachments.h"

#include "DialogWatcher.h"
#include "LogTail.h"
#include "OutlookCapture.h"
#include "OutlookModelFixture.h"
#include "OutlookPropertyTables.h"
#include "TempDir.h"
#include "redemption/FakeRedemption.h"

#include <functional>

using namespace doubles;

namespace {

std::vector<PropValue> Attachment(const std::wstring& name, const std::string& bytes, std::vector<BYTE> key,
                                  bool hidden = false)
{
    return {TextProp(PR_DISPLAY_NAME_W, name), LongProp(PR_ATTACH_SIZE, static_cast<LONG>(bytes.size())),
            BinaryProp(PR_RECORD_KEY, key), BoolProp(kPR_ATTACHMENT_HIDDEN, hidden),
            BinaryProp(PR_ATTACH_DATA_BIN, std::vector<BYTE>(bytes.begin(), bytes.end()))};
}

class AttachmentsTest : public OutlookModelTest
{
protected:
    void ReleaseHostObjects() override
    {
        list.Clear();
        rdoMails.clear();
        rdoFolder = nullptr;
        ReleaseOutlook();
    }

    // A mail with these attachments.
    FakeDispatchPtr Mail(const std::wstring& subject, const std::vector<std::vector<PropValue>>& attachments)
    {
        FakeMessage* message = NewMessage(subject);
        for (const std::vector<PropValue>& attachment : attachments)
            message->AddAttachment(attachment);
        return Keep(FakeOutlookItem::Create(L"IPM.Note", message));
    }

    std::vector<std::string> Listed(const wchar_t* key) const
    {
        std::vector<std::string> values;
        for (size_t i = 0; i < list.Count(); ++i)
            values.push_back(ValueOf(*list.At(i), key));
        return values;
    }

    // Marks the listed entry as the dialog does.
    void Choose(size_t index) { list.At(index)->Add(KEY_OTL_ATTACHMENT_SELECTED, L"1", 0); }

    std::vector<std::wstring> Saved() const
    {
        std::vector<std::wstring> paths;
        for (const _bstr_t& path : saved)
            paths.push_back(static_cast<const wchar_t*>(path));
        return paths;
    }

    static std::wstring FolderOf(const std::wstring& file) { return file.substr(0, file.rfind(L'\\') + 1); }
    static std::wstring NameOf(const std::wstring& file) { return file.substr(file.rfind(L'\\') + 1); }

public:
    CAttachmentList list;
    SavedPathList saved;
    std::vector<FakeDispatchPtr> rdoMails;
    FakeDispatchPtr rdoFolder;
};

TEST_F(AttachmentsTest, TheSelectionsVisibleAttachmentsAreListedInSelectionOrder)
{
    outlook->Select({Mail(L"Eins", {Attachment(L"a.pdf", "AAAA", {0x01}), Attachment(L"h.png", "H", {0x02}, true),
                                    Attachment(L"b.txt", std::string(1500, 'b'), {0x03})}),
                     Mail(L"Zwei", {}), Mail(L"Drei", {Attachment(L"c.doc", "CC", {0x0A, 0xFF})})});
    ASSERT_EQ(S_OK, GetAttachmentList(outlook->Application(), &list));
    EXPECT_EQ((std::vector<std::string>{"a.pdf", "b.txt", "c.doc"}), Listed(L"OTL_ATTACHMENT_NAME"));
    EXPECT_EQ((std::vector<std::string>{"4", "1500", "2"}), Listed(L"OTL_ATTACHMENT_SIZE"));
    EXPECT_EQ((std::vector<std::string>{"01", "03", "0AFF"}), Listed(L"OTL_ATTACHMENT_KEY"));
    EXPECT_EQ((std::vector<std::string>{"0", "0", "0"}), Listed(L"OTL_ATTACHMENT_HIDDEN"));
    ASSERT_EQ(3u, list.Count());
    EXPECT_EQ(1u, list.ItemOf(0));
    EXPECT_EQ(1u, list.ItemOf(1));
    EXPECT_EQ(3u, list.ItemOf(2));
    EXPECT_TRUE(HandoffFolders().empty());
}

TEST_F(AttachmentsTest, AnEmptySelectionListsNothing)
{
    LogTail log;
    EXPECT_EQ(E_NO_ITEMS_SELECTED, GetAttachmentList(outlook->Application(), &list));
    EXPECT_TRUE(log.Contains(L"[ERR] There are no items selected!")) << ToUtf8(log.Text());
    EXPECT_TRUE(list.Empty());
}

TEST_F(AttachmentsTest, ItemsWithoutAttachmentsToOfferAreRefused)
{
    const wchar_t* const classes[] = {L"IPM.Contact", L"IPM.Activity", L"IPM.Appointment", L"IPM.StickyNote",
                                      L"IPM.Note.Formular"};
    for (const wchar_t* messageClass : classes) {
        SCOPED_TRACE(ToUtf8(messageClass));
        FakeMessage* message = NewMessage(L"x");
        message->AddAttachment(Attachment(L"a.pdf", "A", {0x01}));
        FakeDispatchPtr item = Keep(FakeOutlookItem::Create(messageClass, message));
        EXPECT_EQ(E_WRONG_MESSAGE_CLASS, CollectItemAttachments(outlook->Application(), item, &list));
        EXPECT_TRUE(list.Empty());
        EXPECT_EQ(E_WRONG_MESSAGE_CLASS, CollectItemAttachments(outlook->Application(), item, &list, &saved));
        EXPECT_TRUE(saved.empty());
    }
}

TEST_F(AttachmentsTest, MeetingsAndTasksOfferTheirAttachments)
{
    for (const wchar_t* messageClass : {L"IPM.Schedule.Meeting.Canceled", L"IPM.TaskRequest.Update"}) {
        SCOPED_TRACE(ToUtf8(messageClass));
        list.Clear();
        FakeMessage* message = NewMessage(L"x");
        message->AddAttachment(Attachment(L"agenda.pdf", "A", {0x01}));
        FakeDispatchPtr item = Keep(FakeOutlookItem::Create(messageClass, message));
        EXPECT_EQ(S_OK, CollectItemAttachments(outlook->Application(), item, &list));
        EXPECT_EQ(std::vector<std::string>{"agenda.pdf"}, Listed(L"OTL_ATTACHMENT_NAME"));
    }
}

TEST_F(AttachmentsTest, OnlyTheChosenVisibleAttachmentsAreWrittenEachIntoAFolderOfItsOwn)
{
    FakeDispatchPtr mail =
        Mail(L"Angebot", {Attachment(L"Bericht.pdf", "first report", {0x01}), Attachment(L"Bild.png", "img", {0x02}),
                          Attachment(L"Bericht.pdf", "second report", {0x03}),
                          Attachment(L"versteckt.bin", "hidden", {0x01}, true)});
    ASSERT_EQ(S_OK, CollectItemAttachments(outlook->Application(), mail, &list));
    ASSERT_EQ(3u, list.Count());
    Choose(2);
    Choose(0);
    ASSERT_EQ(S_OK, CollectItemAttachments(outlook->Application(), mail, &list, &saved));
    std::vector<std::wstring> paths = Saved();
    ASSERT_EQ(2u, paths.size());
    // The attachment table's order, in two folders under the same name.
    EXPECT_EQ("first report", ReadFileBytes(paths[0]));
    EXPECT_EQ("second report", ReadFileBytes(paths[1]));
    EXPECT_EQ(L"Bericht.pdf", NameOf(paths[0]));
    EXPECT_EQ(L"Bericht.pdf", NameOf(paths[1]));
    EXPECT_NE(FolderOf(paths[0]), FolderOf(paths[1]));
    EXPECT_EQ(2u, HandoffFolders().size());
    for (const std::wstring& folder : HandoffFolders())
        EXPECT_FALSE(FileExists(folder + L"\\OpenStreamOnFile.tmp"));
}

TEST_F(AttachmentsTest, NamesFromTheSenderBecomePlainFileNamesInsideTheirFolder)
{
    struct Case {
        const char* name;
        std::wstring attachmentName;
        const wchar_t* fileName; // null: not written
        const wchar_t* log;
    };
    const Case cases[] = {
        {"plain", L"Rechnung 2024.pdf", L"Rechnung 2024.pdf", nullptr},
        {"parent folders", L"..\\..\\evil.exe", L"evil.exe", nullptr},
        {"drive", L"C:\\x.txt", L"x.txt", nullptr},
        {"device", L"con", L"_con", nullptr},
        {"nothing left", L"..\\", L"Dokument", nullptr},
        {"too long", std::wstring(300, L'n') + L".txt", nullptr, L"[ERR] The attachment's path is too long"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        list.Clear();
        saved.clear();
        for (const std::wstring& folder : HandoffFolders())
            RemoveTree(folder);
        FakeDispatchPtr mail =
            Mail(L"x", {Attachment(c.attachmentName, "payload", {0x01}), Attachment(L"danach.txt", "next", {0x02})});
        ASSERT_EQ(S_OK, CollectItemAttachments(outlook->Application(), mail, &list));
        Choose(0);
        Choose(1);
        LogTail log;
        ASSERT_EQ(S_OK, CollectItemAttachments(outlook->Application(), mail, &list, &saved));
        std::vector<std::wstring> paths = Saved();
        // The other attachment is written all the same.
        ASSERT_EQ(c.fileName ? 2u : 1u, paths.size());
        EXPECT_EQ("next", ReadFileBytes(paths.back()));
        EXPECT_EQ(c.fileName ? 2u : 1u, HandoffFolders().size());
        if (c.fileName) {
            EXPECT_EQ(c.fileName, NameOf(paths[0]));
            EXPECT_EQ("payload", ReadFileBytes(paths[0]));
            EXPECT_EQ(0u, FolderOf(paths[0]).find(Inbox() + L"kq_data_")) << ToUtf8(paths[0]);
        } else {
            EXPECT_TRUE(log.Contains(c.log)) << ToUtf8(log.Text());
        }
        EXPECT_FALSE(FileExists(Inbox() + L"evil.exe"));
        EXPECT_FALSE(FileExists(temp->Path() + L"evil.exe"));
    }
}

TEST_F(AttachmentsTest, WhenTheFileCannotTakeItsNameTheListNamesWhereItsBytesAre)
{
    // Longer than a file name may be on this system, though the path fits.
    std::wstring name = std::wstring(150, L'\u00e4') + L".txt";
    ASSERT_LT(Inbox().size() + 20 + name.size(), static_cast<size_t>(MAX_PATH));
    FakeDispatchPtr mail = Mail(L"x", {Attachment(name, "bytes of it", {0x01})});
    ASSERT_EQ(S_OK, CollectItemAttachments(outlook->Application(), mail, &list));
    Choose(0);
    LogTail log;
    ASSERT_EQ(S_OK, CollectItemAttachments(outlook->Application(), mail, &list, &saved));
    std::vector<std::wstring> paths = Saved();
    ASSERT_EQ(1u, paths.size());
    EXPECT_EQ("bytes of it", ReadFileBytes(paths[0]));
    EXPECT_EQ(L"OpenStreamOnFile.tmp", NameOf(paths[0]));
    EXPECT_TRUE(log.Contains(L"[WRN] Can't rename")) << ToUtf8(log.Text());
}

TEST_F(AttachmentsTest, AChoiceAmongSeveralMailsSavesTheChosenMailsAttachmentOnly)
{
    // Both mails' first attachments bear the same record key.
    outlook->Select({Mail(L"Eins", {Attachment(L"Anhang.txt", "of the first mail", {0x01})}),
                     Mail(L"Zwei", {Attachment(L"Anhang.txt", "of the second mail", {0x01})})});
    ASSERT_EQ(S_OK, GetAttachmentList(outlook->Application(), &list));
    ASSERT_EQ(2u, list.Count());
    Choose(1);
    ASSERT_EQ(S_OK, GetAttachmentList(outlook->Application(), &list, &saved));
    std::vector<std::wstring> paths = Saved();
    ASSERT_EQ(1u, paths.size());
    EXPECT_EQ("of the second mail", ReadFileBytes(paths[0]));
    EXPECT_EQ(1u, HandoffFolders().size());
}

TEST_F(AttachmentsTest, AnAttachmentThatCannotBeReadIsPassedOverWithoutAFailure)
{
    struct Case {
        const char* name;
        std::function<void(FakeMessage&)> arrange;
        std::vector<std::string> listed;
        size_t written;
    };
    const Case cases[] = {
        {"no attachment table", [](FakeMessage& m) { m.Script().Fail("GetAttachmentTable", MAPI_E_NO_ACCESS); }, {}, 0},
        {"first attachment cannot be opened",
         [](FakeMessage& m) { m.Script().Fail("OpenAttach", MAPI_E_NO_ACCESS, 1); },
         {"b.txt"},
         1},
        {"data cannot be opened",
         [](FakeMessage& m) {
             for (FakeAttach* attach : m.Attachments())
                 attach->Script().Fail("OpenProperty", MAPI_E_NO_ACCESS);
         },
         {"a.txt", "b.txt"},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        list.Clear();
        saved.clear();
        FakeMessage* message = NewMessage(L"x");
        message->AddAttachment(Attachment(L"a.txt", "A", {0x01}));
        message->AddAttachment(Attachment(L"b.txt", "B", {0x02}));
        FakeDispatchPtr mail = Keep(FakeOutlookItem::Create(L"IPM.Note", message));
        // Listed first without failures, then the failure for both walks.
        ASSERT_EQ(S_OK, CollectItemAttachments(outlook->Application(), mail, &list));
        Choose(0);
        Choose(1);
        c.arrange(*message);
        CAttachmentList fresh;
        EXPECT_EQ(S_OK, CollectItemAttachments(outlook->Application(), mail, &fresh));
        std::vector<std::string> names;
        for (size_t i = 0; i < fresh.Count(); ++i)
            names.push_back(ValueOf(*fresh.At(i), L"OTL_ATTACHMENT_NAME"));
        EXPECT_EQ(c.listed, names);
        c.arrange(*message);
        EXPECT_EQ(S_OK, CollectItemAttachments(outlook->Application(), mail, &list, &saved));
        EXPECT_EQ(c.written, saved.size());
        for (const std::wstring& folder : HandoffFolders())
            RemoveTree(folder);
    }
}

TEST_F(AttachmentsTest, ASignedMailsAttachmentsComeFromRedemptionByPosition)
{
    RdoMailData data;
    data.entryId = L"00000000ABCD";
    data.subject = L"Signiert";
    data.size = 50000;
    data.messageClass = L"IPM.Note.SMIME";
    data.attachments = {{L"logo.png", "logo", true},
                        {L"vertrag.pdf", std::string(40000, 'v'), false},
                        {L"..\\notiz.txt", "notiz", false}};
    rdoMails.push_back(CreateRdoMail(data));
    rdoFolder = CreateRdoFolder(rdoMails, L"STORE01");
    std::wstring folderId = static_cast<const wchar_t*>(_bstr_t(outlook->CurrentFolder()->Property(L"EntryID")));
    FakeDispatchPtr folder = rdoFolder;
    RedemptionClass redemption(RedemptionRegistration::Registered, [folderId, folder] {
        return CreateRdoSession({{folderId, folder}});
    });
    FakeDispatchPtr item = Keep(FakeOutlookItem::Create(L"IPM.Note.SMIME"));
    item->AddProperty(L"EntryID", _variant_t(data.entryId.c_str()));
    item->AddProperty(L"Subject", _variant_t(data.subject.c_str()));
    item->AddProperty(L"Size", _variant_t(data.size));

    MakeOutlook(L"10.0.4115");
    EXPECT_EQ(E_WRONG_MESSAGE_CLASS, CollectItemAttachments(outlook->Application(), item, &list));
    EXPECT_EQ(0, redemption.CreateCalls());

    MakeOutlook(L"11.0.5608");
    ASSERT_EQ(S_OK, CollectItemAttachments(outlook->Application(), item, &list));
    // The hidden first attachment keeps its position: no key "1".
    EXPECT_EQ((std::vector<std::string>{"2", "3"}), Listed(L"OTL_ATTACHMENT_KEY"));
    EXPECT_EQ((std::vector<std::string>{"vertrag.pdf", "..\\notiz.txt"}), Listed(L"OTL_ATTACHMENT_NAME"));
    EXPECT_EQ((std::vector<std::string>{"40000", "5"}), Listed(L"OTL_ATTACHMENT_SIZE"));
    EXPECT_EQ((std::vector<std::string>{"0", "0"}), Listed(L"OTL_ATTACHMENT_HIDDEN"));

    Choose(1);
    ASSERT_EQ(S_OK, CollectItemAttachments(outlook->Application(), item, &list, &saved));
    std::vector<std::wstring> paths = Saved();
    ASSERT_EQ(1u, paths.size());
    EXPECT_EQ(L"notiz.txt", NameOf(paths[0]));
    EXPECT_EQ("notiz", ReadFileBytes(paths[0]));
    EXPECT_EQ(0u, FolderOf(paths[0]).find(Inbox() + L"kq_data_"));
}

} // namespace
