// The add-in's Outlook commands as the ribbon starts them, end to end: the
// selected or opened items saved from the Outlook and MAPI doubles, the
// hand-off files in the inbox, the choice of storage location and the
// stand-in receiving program; the attachments command through dialog 119;
// the messages of the failing roads.
#include "AttachmentsDialogIds.h"
#include "CommandsFixture.h"
#include "DialogWatcher.h"
#include "FileHelpers.h"
#include "HandoffXml.h"
#include "MapiTestFixture.h"
#include "ModalLoopRequest.h"
#include "ModalDialogDriver.h"
#include "NoCommonControls.h"
#include "OutlookModelFixture.h"
#include "TempDir.h"
#include "WindowScreenshot.h"
#include "mapi/MsgFileReader.h"
#include "redemption/FakeRedemption.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace doubles;

namespace {

std::wstring Hex(const std::vector<BYTE>& bytes)
{
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text;
    for (BYTE b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 0x0F];
    }
    return text;
}

std::vector<PropValue> Attachment(const std::wstring& name, const std::string& bytes, std::vector<BYTE> key)
{
    return {TextProp(PR_DISPLAY_NAME_W, name), LongProp(PR_ATTACH_SIZE, static_cast<LONG>(bytes.size())),
            BinaryProp(PR_RECORD_KEY, key), BoolProp(kPR_ATTACHMENT_HIDDEN, false),
            BinaryProp(PR_ATTACH_DATA_BIN, std::vector<BYTE>(bytes.begin(), bytes.end()))};
}

class OutlookCommandsTest : public CommandsTestBase, public OutlookDoubles
{
protected:
    void SetUp() override
    {
        CommandsTestBase::SetUp();
        mapi.reset(new MapiDoublesScope);
        MakeOutlook();
    }

    void TearDown() override
    {
        CommandsTestBase::TearDown();
        mapi.reset();
        ExpectMapiDoublesClean();
    }

    void ReleaseHost() override { ReleaseOutlook(); }

    void SetGlobalFlag(const wchar_t* name, DWORD value)
    {
        reg.SetNumber(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), name, value);
    }

    // Outlook loads the add-in; the settings are read now.
    void StartOutlook()
    {
        ASSERT_EQ(Start(outlook->Application()), S_OK);
        started = true;
    }

public:
    // Open to the tables of cases, which arrange them: a mail of this
    // subject and entry id with these attachments.
    FakeDispatchPtr Mail(const std::wstring& subject, std::vector<BYTE> entryId,
                         const std::vector<std::vector<PropValue>>& attachments = {},
                         const wchar_t* messageClass = L"IPM.Note")
    {
        FakeMessage* message = NewMessage(subject, entryId);
        for (const std::vector<PropValue>& attachment : attachments)
            message->AddAttachment(attachment);
        return Keep(FakeOutlookItem::Create(messageClass, message));
    }

protected:
    // The main window's attachments command, its dialog answered by a click
    // on the row and then on the button; rows, when given, gets the list as
    // the dialog showed it.
    ModalRun ChooseAttachment(int row, int button, std::vector<std::vector<std::wstring>>* rows = nullptr)
    {
        return RunModalDialog([this] { return static_cast<INT_PTR>(Click(L"MarvikAddin.Attachment")); },
                              [row, button, rows](HWND dialog) {
                                  if (rows)
                                      *rows = ListViewRows(dialog, IDC_ATTACHMENTS_LIST, 2);
                                  ClickListRow(dialog, IDC_ATTACHMENTS_LIST, row);
                                  ClickButton(dialog, button);
                              });
    }

    std::wstring PropertyOf(const std::wstring& xml, const std::wstring& name) const
    {
        return PropertyValue(xml, name, L"(absent)");
    }
    static std::wstring SubjectOfMsg(const std::wstring& path)
    {
        MsgFile msg;
        std::string error;
        if (!ReadMsgFile(path, &msg, &error))
            return L"(unreadable)";
        const PropValue* subject = msg.Find(PROP_ID(PR_SUBJECT_W));
        return subject ? subject->text : L"(none)";
    }

    std::unique_ptr<MapiDoublesScope> mapi;
};

class ArchiveSelectionTest : public OutlookCommandsTest, public testing::WithParamInterface<bool>
{
};

TEST_P(ArchiveSelectionTest, EachSelectedMailGoesToTheReceivingProgramInAFolderOfItsOwn)
{
    bool deleteArchived = GetParam();
    SetGlobalFlag(L"DeleteArcDocs", deleteArchived ? 1 : 0);
    const std::vector<std::vector<BYTE>> entryIds = {{0x00, 0x11}, {0x00, 0x22}, {0x00, 0x33}};
    const wchar_t* const subjects[] = {L"Erste", L"Zweite", L"Dritte"};
    outlook->Select({Mail(subjects[0], entryIds[0]), Mail(subjects[1], entryIds[1]), Mail(subjects[2], entryIds[2])});
    StartOutlook();
    DialogWatcher watcher;

    EXPECT_EQ(Click(L"MarvikAddin.Archive"), S_OK);
    ASSERT_TRUE(standin.WaitForRecords(1)) << ToUtf8(log.Text());
    std::vector<std::wstring> ids = FilesParameter(standin.Records()[0].parameters);
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(standin.Records()[0].parameters,
              std::wstring(LOCATION_A) + L" files=" + ids[0] + L"," + ids[1] + L"," + ids[2] + L" startapp=1");
    EXPECT_EQ(InboxFolders().size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        std::wstring xml = HandoffXml(ids[i]);
        std::wstring msg = ElementText(xml, L"path");
        EXPECT_EQ(msg.find(Inbox() + ids[i] + L"\\dovrane_" + std::to_wstring(i) + L"_"), 0u) << ToUtf8(msg);
        EXPECT_EQ(SubjectOfMsg(msg), subjects[i]);
        EXPECT_EQ(PropertyOf(xml, L"OTL_MSG_SUBJECT"), subjects[i]);
        EXPECT_EQ(PropertyOf(xml, L"PR_ENTRYID"), Hex(entryIds[i]));
        EXPECT_EQ(PropertyOf(xml, L"PR_STORE_ENTRYID"), L"5E01");
        EXPECT_EQ(ElementText(xml, L"deletemail"), deleteArchived ? L"1" : L"");
        EXPECT_EQ(ElementText(xml, L"deletefile"), Inbox() + ids[i]);
    }
    EXPECT_EQ(watcher.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(DeleteArcDocs, ArchiveSelectionTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "On" : "Off"; });

TEST_F(OutlookCommandsTest, TheOpenedMailIsArchivedWithoutEverAskingForItsDeletion)
{
    SetGlobalFlag(L"DeleteArcDocs", 1);
    FakeDispatchPtr inspector = FakeOutlookModel::MakeInspector(Mail(L"Offen", {0x00, 0x44}));
    StartOutlook();

    EXPECT_EQ(Click(L"MarvikAddin.ArchiveSingleOutlook", inspector), S_OK);
    ASSERT_TRUE(standin.WaitForRecords(1)) << ToUtf8(log.Text());
    std::vector<std::wstring> ids = FilesParameter(standin.Records()[0].parameters);
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(standin.Records()[0].parameters, std::wstring(LOCATION_A) + L" files=" + ids[0] + L" startapp=1");
    std::wstring xml = HandoffXml(ids[0]);
    EXPECT_EQ(SubjectOfMsg(ElementText(xml, L"path")), L"Offen");
    EXPECT_EQ(PropertyOf(xml, L"PR_ENTRYID"), L"0044");
    EXPECT_EQ(xml.find(L"<deletemail>"), std::wstring::npos);
    EXPECT_TRUE(log.Contains(L"[INF] Outlook CMarvikAddin->OnArchiveSingleOutlook invoked\n"));
}

TEST_F(OutlookCommandsTest, AnOpenedItemThatCannotBeReadOrSavedShowsTheMessagesOfTheSelectionRoad)
{
    const wchar_t ARCHIVE[] = L"MarvikAddin.ArchiveSingleOutlook";
    struct Case {
        const char* name;
        const wchar_t* callback;
        std::function<void(FakeDispatch& inspector, FakeDispatch& item, FakeMessage& message)> arrange;
        const wchar_t* log;
        const wchar_t* box;
    };
    const Case cases[] = {
        {"no current item", ARCHIVE,
         [](FakeDispatch& i, FakeDispatch&, FakeMessage&) { i.FailInvoke(L"CurrentItem", 0, E_FAIL); },
         L"[ERR] Can't get CurrentItem from Context! hr = 0x80004005",
         L"Das Dokument konnte nicht zwischengespeichert werden!"},
        {"attachments, no current item", L"MarvikAddin.AttachmentSingleOutlook",
         [](FakeDispatch& i, FakeDispatch&, FakeMessage&) { i.FailInvoke(L"CurrentItem", 0, E_FAIL); },
         L"[ERR] Can't get CurrentItem from Context! hr = 0x80004005",
         L"Das Dokument konnte nicht zwischengespeichert werden!"},
        {"refused class", ARCHIVE,
         [](FakeDispatch&, FakeDispatch& item, FakeMessage&) {
             item.SetProperty(L"MessageClass", _variant_t(L"IPM.Post"));
         },
         L"[ERR] Can't save current item! hr = 0x80044303",
         L"Unzul\u00e4ssiger Dokumenttyp! Nur e-Mail Dokumente k\u00f6nnen archiviert werden!"},
        {"out of memory", ARCHIVE,
         [](FakeDispatch&, FakeDispatch&, FakeMessage& m) { m.Script().Fail("CopyTo", E_OUTOFMEMORY); },
         L"[ERR] Can't save current item! hr = 0x8007000E",
         L"Das Dokument konnte nicht zwischengespeichert werden! Der Anwendung steht zu wenig Speicher zur "
         L"Verf\u00fcgung."},
    };
    StartOutlook();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDispatchPtr item = Mail(L"Offen", {0x01});
        FakeDispatchPtr inspector = FakeOutlookModel::MakeInspector(item);
        c.arrange(*inspector, *item, *messages.back());
        DialogWatcher watcher;
        log.Mark();
        EXPECT_EQ(Click(c.callback, inspector), S_OK);
        EXPECT_TRUE(log.Contains(c.log)) << ToUtf8(log.Text());
        std::vector<SeenDialog> seen = watcher.Seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].text, c.box);
        EXPECT_EQ(seen[0].caption, ERROR_CAPTION);
        EXPECT_FALSE(seen[0].hasOwner);
        inspector->ClearObjectProperties();
    }
    // No hand-off file was written.
    for (const std::wstring& folder : InboxFolders())
        EXPECT_FALSE(FileExists(Inbox() + folder + L"\\" + folder + L".xml")) << ToUtf8(folder);
    EXPECT_TRUE(NothingStarted());
}

TEST_F(OutlookCommandsTest, CancelInTheLocationChoiceMarksEveryFolderAndStartsNothing)
{
    SetGlobal(L"Params2", LOCATION_B);
    outlook->Select({Mail(L"Eins", {0x01}), Mail(L"Zwei", {0x02}), Mail(L"Drei", {0x03})});
    StartOutlook();
    DialogWatcher watcher({DialogAnswer{IDCANCEL}});

    EXPECT_EQ(Click(L"MarvikAddin.Archive"), S_OK);
    ASSERT_EQ(watcher.Count(), 1u);
    EXPECT_EQ(watcher.Seen()[0].listItems, (std::vector<std::wstring>{L"Archiv", L"Vertrieb"}));
    std::vector<std::wstring> folders = InboxFolders();
    ASSERT_EQ(folders.size(), 3u);
    for (const std::wstring& folder : folders) {
        EXPECT_TRUE(FileExists(Inbox() + folder + L"\\" + MARKER_FILE_NAME)) << ToUtf8(folder);
        EXPECT_TRUE(FileExists(Inbox() + folder + L"\\" + folder + L".xml")) << ToUtf8(folder);
    }
    EXPECT_TRUE(NothingStarted());
}

TEST_F(OutlookCommandsTest, EachFailingRoadShowsItsMessagesAndHandsNothingOver)
{
    struct Case {
        const char* name;
        const wchar_t* callback;
        std::function<void(OutlookCommandsTest&)> arrange;
        std::vector<std::wstring> boxes;
    };
    const Case cases[] = {
        {"archive, nothing selected",
         L"MarvikAddin.Archive",
         [](OutlookCommandsTest&) {},
         {L"Es wurde kein Dokument selektiert!"}},
        {"attachments, nothing selected",
         L"MarvikAddin.Attachment",
         [](OutlookCommandsTest&) {},
         {L"Es wurde kein Dokument selektiert!"}},
        {"a refused class among mails",
         L"MarvikAddin.Archive",
         [](OutlookCommandsTest& t) {
             t.outlook->Select({t.Mail(L"Eins", {0x01}), t.Mail(L"Beitrag", {0x02}, {}, L"IPM.Post")});
         },
         {L"Unzul\u00e4ssiger Dokumenttyp! Nur e-Mail Dokumente k\u00f6nnen archiviert werden!"}},
        {"out of memory",
         L"MarvikAddin.Archive",
         [](OutlookCommandsTest& t) {
             t.outlook->Select({t.Mail(L"Gro\u00df", {0x01})});
             t.messages.back()->Script().Fail("CopyTo", E_OUTOFMEMORY);
         },
         {L"Das Dokument konnte nicht zwischengespeichert werden! Der Anwendung steht zu wenig Speicher zur "
          L"Verf\u00fcgung."}},
        {"the selection cannot be counted",
         L"MarvikAddin.Archive",
         [](OutlookCommandsTest& t) {
             t.outlook->Select({t.Mail(L"Eins", {0x01})});
             t.outlook->Selection()->FailInvoke(L"Count", 1, RPC_E_SERVERFAULT);
         },
         {L"Das Dokument konnte nicht zwischengespeichert werden!"}},
        {"a signed mail without Redemption",
         L"MarvikAddin.Archive",
         [](OutlookCommandsTest& t) {
             FakeDispatchPtr item = t.Mail(L"Signiert", {0x01}, {}, L"IPM.Note.SMIME");
             item->AddProperty(L"EntryID", _variant_t(L"0001"));
             t.outlook->Select({item});
         },
         {L"Die Redemption Schnittstelle ist nicht registriert.",
          L"Das Dokument konnte nicht zwischengespeichert werden!"}},
        {"a mail without attachments",
         L"MarvikAddin.Attachment",
         [](OutlookCommandsTest& t) { t.outlook->Select({t.Mail(L"Eins", {0x01})}); },
         {L"Es konnten keine Anh\u00e4nge gefunden werden."}},
    };
    StartOutlook();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        outlook->Select({});
        c.arrange(*this);
        DialogWatcher watcher;
        EXPECT_EQ(Click(c.callback), S_OK);
        std::vector<std::wstring> texts;
        for (const SeenDialog& seen : watcher.Seen())
            texts.push_back(seen.text);
        EXPECT_EQ(texts, c.boxes) << ToUtf8(log.Text());
        if (!watcher.Seen().empty()) {
            EXPECT_EQ(watcher.Seen().back().caption, ERROR_CAPTION);
        }
        // No hand-off file was written.
        for (const std::wstring& folder : InboxFolders())
            EXPECT_FALSE(FileExists(Inbox() + folder + L"\\" + folder + L".xml")) << ToUtf8(folder);
    }
    EXPECT_TRUE(NothingStarted());
}

TEST_F(OutlookCommandsTest, TheAttachmentsCommandHandsOverTheChosenAttachmentOfTheChosenMail)
{
    SetGlobalFlag(L"DeleteArcDocs", 1);
    // Both mails' attachments bear the same record key.
    outlook->Select({Mail(L"Eins", {0x01}, {Attachment(L"Anhang.txt", "of the first mail", {0x01})}),
                     Mail(L"Zwei", {0x02}, {Attachment(L"Anhang.txt", "of the second mail", {0x01})})});
    StartOutlook();
    std::vector<std::vector<std::wstring>> rows;
    ModalRun run = ChooseAttachment(1, IDOK, &rows);
    ASSERT_TRUE(run.appeared);
    EXPECT_EQ(rows,
              (std::vector<std::vector<std::wstring>>{{L"Anhang.txt", L"17 bytes"}, {L"Anhang.txt", L"18 bytes"}}));
    ASSERT_TRUE(standin.WaitForRecords(1)) << ToUtf8(log.Text());
    std::vector<std::wstring> ids = FilesParameter(standin.Records()[0].parameters);
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(standin.Records()[0].parameters, std::wstring(LOCATION_A) + L" files=" + ids[0] + L" startapp=1");
    std::wstring xml = HandoffXml(ids[0]);
    EXPECT_EQ(ElementText(xml, L"path"), Inbox() + ids[0] + L"\\Anhang.txt");
    EXPECT_EQ(ReadFileBytes(Inbox() + ids[0] + L"\\Anhang.txt"), "of the second mail");
    EXPECT_TRUE(PropertiesOf(xml).empty());
    EXPECT_EQ(xml.find(L"<deletemail>"), std::wstring::npos);
    EXPECT_EQ(InboxFolders().size(), 1u);
}

TEST_F(OutlookCommandsTest, TheOpenedMailsAttachmentsCommandOffersThatMailOnly)
{
    FakeDispatchPtr opened =
        Mail(L"Offen", {0x01}, {Attachment(L"a.pdf", "AAA", {0x01}), Attachment(L"b.pdf", "BBBB", {0x02})});
    outlook->Select({Mail(L"Markiert", {0x02}, {Attachment(L"anders.pdf", "X", {0x01})})});
    FakeDispatchPtr inspector = FakeOutlookModel::MakeInspector(opened);
    StartOutlook();
    std::vector<std::vector<std::wstring>> rows;
    ModalRun run =
        RunModalDialog([&] { return static_cast<INT_PTR>(Click(L"MarvikAddin.AttachmentSingleOutlook", inspector)); },
                       [&](HWND dialog) {
                           rows = ListViewRows(dialog, IDC_ATTACHMENTS_LIST, 2);
                           ClickListRow(dialog, IDC_ATTACHMENTS_LIST, 0);
                           ClickListRow(dialog, IDC_ATTACHMENTS_LIST, 1, true);
                           ClickButton(dialog, IDOK);
                       });
    ASSERT_TRUE(run.appeared);
    EXPECT_EQ(rows, (std::vector<std::vector<std::wstring>>{{L"a.pdf", L"3 bytes"}, {L"b.pdf", L"4 bytes"}}));
    ASSERT_TRUE(standin.WaitForRecords(1)) << ToUtf8(log.Text());
    std::vector<std::wstring> ids = FilesParameter(standin.Records()[0].parameters);
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_EQ(ReadFileBytes(ElementText(HandoffXml(ids[0]), L"path")), "AAA");
    EXPECT_EQ(ReadFileBytes(ElementText(HandoffXml(ids[1]), L"path")), "BBBB");
    EXPECT_TRUE(log.Contains(L"[INF] Outlook CMarvikAddin->OnAttachmentSingleOutlook invoked\n"));
    EXPECT_TRUE(log.Contains(L"[INF] Outlook CMarvikAddin->OnAttachment invoked\n"));
}

TEST_F(OutlookCommandsTest, OfThreeAttachmentsWithoutAKeyOnlyTheChosenOneIsHandedOver)
{
    // Some stores give attachments no PR_RECORD_KEY.
    std::vector<std::vector<PropValue>> attachments;
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        std::vector<PropValue> attachment = Attachment(FromUtf8(name), std::string("of ") + name, {});
        attachment.erase(attachment.begin() + 2);
        attachments.push_back(attachment);
    }
    outlook->Select({Mail(L"Eins", {0x01}, attachments)});
    StartOutlook();
    ModalRun run = ChooseAttachment(1, IDOK);
    ASSERT_TRUE(run.appeared);
    ASSERT_TRUE(standin.WaitForRecords(1)) << ToUtf8(log.Text());
    std::vector<std::wstring> ids = FilesParameter(standin.Records()[0].parameters);
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(ElementText(HandoffXml(ids[0]), L"path"), Inbox() + ids[0] + L"\\b.txt");
    EXPECT_EQ(ReadFileBytes(Inbox() + ids[0] + L"\\b.txt"), "of b.txt");
    EXPECT_EQ(InboxFolders().size(), 1u);
}

TEST_F(OutlookCommandsTest, WhenNoChosenAttachmentCanBeWrittenTheCommandSaysSo)
{
    outlook->Select({Mail(L"Eins", {0x01}, {Attachment(L"a.pdf", "AAA", {0x01})})});
    messages.back()->Attachments()[0]->Script().Fail("OpenProperty", MAPI_E_NO_ACCESS);
    StartOutlook();
    // Dialog 119 is the script's; the message box after it is answered.
    DialogWatcher watcher({DialogAnswer{0}}, DialogAnswer{IDOK});
    ModalRun run = ChooseAttachment(0, IDOK);
    ASSERT_TRUE(run.appeared);
    std::vector<SeenDialog> seen = watcher.Seen();
    ASSERT_EQ(seen.size(), 2u) << ToUtf8(log.Text());
    EXPECT_EQ(seen[1].text, L"Das Dokument konnte nicht zwischengespeichert werden!");
    EXPECT_EQ(seen[1].caption, ERROR_CAPTION);
    EXPECT_TRUE(log.Contains(L"[ERR] error saving attachment files to disk"));
    EXPECT_TRUE(NothingStarted());
}

TEST_F(OutlookCommandsTest, CancelInTheAttachmentsDialogSavesNothing)
{
    outlook->Select({Mail(L"Eins", {0x01}, {Attachment(L"a.pdf", "AAA", {0x01})})});
    StartOutlook();
    ModalRun run = ChooseAttachment(0, IDCANCEL);
    ASSERT_TRUE(run.appeared);
    EXPECT_TRUE(InboxFolders().empty());
    EXPECT_TRUE(NothingStarted());
}

TEST_F(OutlookCommandsTest, ChosenAttachmentsThatAreNoFilesAreNamedOnceTheOthersAreHandedOver)
{
    // Only an attachment by value holds its data as bytes; an attached mail
    // and an OLE object hold an object, a reference only a path.
    auto withMethod = [](const std::wstring& name, LONG method) {
        std::vector<PropValue> attachment = Attachment(name, "bytes of " + ToUtf8(name), {BYTE(method)});
        attachment.push_back(LongProp(PR_ATTACH_METHOD, method));
        if (method == ATTACH_BY_REFERENCE)
            attachment.push_back(TextProp(PR_ATTACH_PATHNAME_W, L"\\\\server\\share\\" + name));
        return attachment;
    };
    outlook->Select({Mail(L"Eins", {0x01},
                          {withMethod(L"Vertrag.pdf", ATTACH_BY_VALUE), withMethod(L"Weitergeleitet", ATTACH_EMBEDDED_MSG),
                           withMethod(L"Diagramm", ATTACH_OLE), withMethod(L"Verweis.txt", ATTACH_BY_REFERENCE)})});
    StartOutlook();
    DialogWatcher watcher({DialogAnswer{0}}, DialogAnswer{IDOK});
    watcher.SetHook(
        [](HWND box, void*) {
            wchar_t caption[64] = L"";
            GetWindowTextW(box, caption, 64);
            if (std::wstring(caption) == ERROR_CAPTION)
                SaveWindowScreenshot(box, L"attachments-left-out-message");
        },
        nullptr);
    ModalRun run = RunModalDialog([this] { return static_cast<INT_PTR>(Click(L"MarvikAddin.Attachment")); },
                                  [](HWND dialog) {
                                      for (int row = 0; row < 4; ++row)
                                          ClickListRow(dialog, IDC_ATTACHMENTS_LIST, row, row > 0);
                                      ClickButton(dialog, IDOK);
                                  });
    ASSERT_TRUE(run.appeared);
    ASSERT_TRUE(standin.WaitForRecords(1)) << ToUtf8(log.Text());
    std::vector<std::wstring> ids = FilesParameter(standin.Records()[0].parameters);
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(ReadFileBytes(ElementText(HandoffXml(ids[0]), L"path")), "bytes of Vertrag.pdf");
    // No folder stays behind for the ones left out.
    EXPECT_EQ(InboxFolders().size(), 1u);
    std::vector<SeenDialog> seen = watcher.Seen();
    ASSERT_EQ(seen.size(), 2u) << ToUtf8(log.Text());
    EXPECT_EQ(seen[1].text, L"Das Dokument konnte nicht abgelegt werden.\r\nEs trat ein schwerwiegender Fehler "
                            L"auf.\r\n\r\nFehler:\r\nWeitergeleitet\r\nDiagramm\r\nVerweis.txt");
    EXPECT_EQ(seen[1].caption, ERROR_CAPTION);
    for (const wchar_t* line : {L"[ERR] Can't write the attachment Weitergeleitet (attach method 5)!",
                                L"[ERR] Can't write the attachment Diagramm (attach method 6)!",
                                L"[ERR] Can't write the attachment Verweis.txt (attach method 2)!"})
        EXPECT_TRUE(log.Contains(line)) << ToUtf8(line);
}

TEST_F(OutlookCommandsTest, ASecondClickInsideTheCommandsOpenDialogStartsNothing)
{
    struct Case {
        const char* name;
        const wchar_t* first;
        std::function<void(HWND dialog)> answer;
    };
    const Case cases[] = {
        {"inside the choice of storage location", L"MarvikAddin.Archive",
         [](HWND dialog) {
             SaveWindowScreenshot(dialog, L"storage-location-dialog");
             ClickButton(dialog, IDOK);
         }},
        {"inside the attachments dialog", L"MarvikAddin.Attachment",
         [](HWND dialog) {
             ClickListRow(dialog, IDC_ATTACHMENTS_LIST, 0);
             ClickButton(dialog, IDOK);
         }},
    };
    SetGlobal(L"Params2", LOCATION_B);
    outlook->Select({Mail(L"Eins", {0x01}, {Attachment(L"a.pdf", "AAA", {0x01})})});
    StartOutlook();
    const DWORD thread = GetCurrentThreadId();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::wstring& folder : InboxFolders())
            RemoveTree(Inbox() + folder);
        const size_t before = standin.Records().size();
        // The location choice of the attachments road is answered here.
        DialogWatcher watcher({DialogAnswer{0}}, DialogAnswer{IDOK});
        HRESULT second = E_PENDING;
        int dialogsAfter = -1;
        bool returned = false;
        ModalLoopRequest click([&] {
            second = Click(L"MarvikAddin.Archive");
            Click(L"MarvikAddin.Attachment");
            Click(L"MarvikAddin.Settings");
        });
        ModalRun run = RunModalDialog([&] { return static_cast<INT_PTR>(Click(c.first)); },
                                      [&](HWND dialog) {
                                          returned = click.WaitDone();
                                          dialogsAfter = CountThreadDialogs(thread, nullptr);
                                          if (!returned)
                                              CancelThreadDialogs(thread);
                                          else
                                              c.answer(dialog);
                                      });
        ASSERT_TRUE(run.appeared);
        EXPECT_TRUE(returned) << "the second click opened something of its own";
        EXPECT_EQ(second, S_OK);
        EXPECT_EQ(dialogsAfter, 1);
        ASSERT_TRUE(standin.WaitForRecords(before + 1)) << ToUtf8(log.Text());
        Sleep(500);
        ASSERT_EQ(standin.Records().size(), before + 1);
        EXPECT_EQ(FilesParameter(standin.Records()[before].parameters).size(), 1u);
        EXPECT_EQ(InboxFolders().size(), 1u);
        EXPECT_TRUE(log.Contains(L"[INF] OnArchive: another command is still running"));
    }
}

TEST_F(OutlookCommandsTest, ASelectionChangedWhileTheAttachmentsDialogIsOpenWritesTheChosenMailsAttachments)
{
    outlook->Select({Mail(L"Eins", {0x01}, {Attachment(L"Vertrag.pdf", "of the first mail", {0x01})}),
                     Mail(L"Zwei", {0x02}, {Attachment(L"Notiz.txt", "of the second mail", {0x02})})});
    // A third mail whose attachment has the first one's place and key.
    FakeDispatchPtr other = Mail(L"Drei", {0x03}, {Attachment(L"Vertrag.pdf", "of the third mail", {0x01})});
    StartOutlook();
    ModalLoopRequest reselect([&] { outlook->Select({other}); });
    bool reselected = false;
    ModalRun run = RunModalDialog([this] { return static_cast<INT_PTR>(Click(L"MarvikAddin.Attachment")); },
                                  [&](HWND dialog) {
                                      reselected = reselect.WaitDone();
                                      ClickListRow(dialog, IDC_ATTACHMENTS_LIST, 0);
                                      ClickListRow(dialog, IDC_ATTACHMENTS_LIST, 1, true);
                                      ClickButton(dialog, IDOK);
                                  });
    ASSERT_TRUE(run.appeared);
    EXPECT_TRUE(reselected);
    ASSERT_TRUE(standin.WaitForRecords(1)) << ToUtf8(log.Text());
    std::vector<std::wstring> ids = FilesParameter(standin.Records()[0].parameters);
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_EQ(ElementText(HandoffXml(ids[0]), L"path"), Inbox() + ids[0] + L"\\Vertrag.pdf");
    EXPECT_EQ(ReadFileBytes(Inbox() + ids[0] + L"\\Vertrag.pdf"), "of the first mail");
    EXPECT_EQ(ReadFileBytes(Inbox() + ids[1] + L"\\Notiz.txt"), "of the second mail");
    EXPECT_EQ(InboxFolders().size(), 2u);
}

} // namespace

namespace {

TEST_F(OutlookCommandsTest, TheAttachmentsCommandWithoutTheCommonControlsTellsTheUserAndSavesNothing)
{
    outlook->Select({Mail(L"Eins", {0x01}, {Attachment(L"a.pdf", "AAA", {0x01})})});
    StartOutlook();
    NoCommonControls refused;
    // A dialog that opened after all is cancelled.
    DialogWatcher watcher({}, DialogAnswer{IDCANCEL});
    EXPECT_EQ(Click(L"MarvikAddin.Attachment"), S_OK);
    ASSERT_EQ(watcher.Count(), 1u);
    EXPECT_EQ(watcher.Seen()[0].caption, ERROR_CAPTION);
    EXPECT_EQ(watcher.Seen()[0].text, SEVERE_ERROR_TEXT);
    EXPECT_EQ(log.Count(L"[ERR] Failed to load the common controls for the attachment dialog, error: 126\n"), 1)
        << ToUtf8(log.Text());
    EXPECT_TRUE(InboxFolders().empty());
    EXPECT_TRUE(NothingStarted());
}

// The dialogs and message boxes a command opens in Outlook, each reached
// from the ribbon.
struct CommandDialogCase {
    const char* name;
    const wchar_t* callback;
    const wchar_t* caption;
};

std::ostream& operator<<(std::ostream& os, const CommandDialogCase& c)
{
    return os << c.name;
}

const CommandDialogCase COMMAND_DIALOGS[] = {
    {"Settings", L"MarvikAddin.Settings", L"Einstellungen"},
    {"StorageLocation", L"MarvikAddin.Archive", L"Dokument ablegen"},
    {"Attachments", L"MarvikAddin.Attachment", L"Anh\u00e4nge ausw\u00e4hlen"},
    // Without an inspector the opened item's command has no item: message 8007.
    {"MessageBox", L"MarvikAddin.ArchiveSingleOutlook", L"Fehler bei der Dokumentablage"},
};

class CommandDialogTest : public OutlookCommandsTest, public testing::WithParamInterface<CommandDialogCase>
{
protected:
    void SetUp() override
    {
        OutlookCommandsTest::SetUp();
        // Two locations: the archive command asks for one.
        SetGlobal(L"Params2", LOCATION_B);
        outlook->Select({Mail(L"Eins", {0x01}, {Attachment(L"a.pdf", "AAA", {0x01})})});
    }

    bool WaitUntilClosed(HWND dialog, DWORD timeoutMs = 5000) const
    {
        for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
            if (!IsWindow(dialog))
                return true;
            Sleep(50);
        }
        return !IsWindow(dialog);
    }

    static std::wstring CaptionOf(HWND window)
    {
        wchar_t text[256] = L"";
        GetWindowTextW(window, text, 256);
        return text;
    }
};

// The user unloads the add-in from the host while a command's dialog is
// open, and the host lets go of the add-in at once. The dialog ends as
// Cancel, the command ends with the host's Application still held, and only
// then is Application released and the add-in destroyed.
TEST_P(CommandDialogTest, UnloadingFromInsideTheDialogCancelsItAndLetsGoOfTheHostAfterTheCommand)
{
    const CommandDialogCase& c = GetParam();
    FakeDispatch* application = outlook->Application();
    const ULONG hostRefs = application->RefCount();
    StartOutlook();
    const DWORD thread = GetCurrentThreadId();
    ULONG refsAfterUnload = 0;
    HRESULT disconnected = E_PENDING;
    ModalLoopRequest unload([&] {
        disconnected = addin->OnDisconnection(ext_dm_UserClosed, &custom);
        callbacks->Release();
        callbacks = nullptr;
        addin->Release();
        addin = nullptr;
        object = nullptr;
        started = false;
        refsAfterUnload = application->RefCount();
    }, 1500);
    bool unloaded = false;
    bool closed = false;
    std::wstring caption;
    ModalRun run = RunModalDialog([&] { return static_cast<INT_PTR>(Click(c.callback)); },
                                  [&](HWND dialog) {
                                      caption = CaptionOf(dialog);
                                      unloaded = unload.WaitDone();
                                      closed = WaitUntilClosed(dialog);
                                      if (!closed)
                                          CancelThreadDialogs(thread);
                                  });
    ASSERT_TRUE(run.appeared);
    ASSERT_TRUE(unloaded);
    EXPECT_EQ(disconnected, S_OK);
    EXPECT_EQ(caption, c.caption);
    EXPECT_TRUE(closed) << "the dialog stayed open after the unload";
    EXPECT_EQ(run.result, S_OK);
    EXPECT_EQ(refsAfterUnload, hostRefs + 1) << "Application was released under the command";
    EXPECT_EQ(application->RefCount(), hostRefs);
    EXPECT_TRUE(ServerCanUnload());
    EXPECT_EQ(log.Count(L"[INF] Addin is being unloaded by the user.\n"), 1);
    // Ended as Cancel: the settings were not saved, the folders of the
    // archived mail are marked, no attachment was saved; nothing started.
    EXPECT_TRUE(RegistryFixture::ValueNames(HKEY_CURRENT_USER, RegistryFixture::UserKey()).empty());
    std::vector<std::wstring> folders = InboxFolders();
    EXPECT_EQ(folders.size(), std::wstring(c.callback) == L"MarvikAddin.Archive" ? 1u : 0u);
    for (const std::wstring& folder : folders)
        EXPECT_TRUE(FileExists(Inbox() + folder + L"\\" + MARKER_FILE_NAME)) << ToUtf8(folder);
    EXPECT_EQ(CountThreadDialogs(thread, nullptr), 0);
    EXPECT_TRUE(NothingStarted());
}

// A window of the host's own on the same thread, in front of the command's
// dialog (Outlook's options, say).
class HostDialog
{
public:
    HostDialog()
        : m_window(CreateWindowExW(0, L"#32770", L"Optionen", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 200, 100,
                                   nullptr, nullptr, GetModuleHandleW(nullptr), nullptr))
    {
        SetForegroundWindow(m_window);
    }
    ~HostDialog() { DestroyWindow(m_window); }
    HostDialog(const HostDialog&) = delete;
    HostDialog& operator=(const HostDialog&) = delete;
    HWND Window() const { return m_window; }

private:
    HWND m_window;
};

// A second click while a command's dialog is open, with a dialog of the
// host's in front of it: the command's dialog comes to the front, the
// host's stays where it is, and the second click starts nothing.
TEST_P(CommandDialogTest, ASecondClickRaisesTheCommandsDialogNotTheHostsOwn)
{
    const CommandDialogCase& c = GetParam();
    StartOutlook();
    const DWORD thread = GetCurrentThreadId();
    HWND hostFront = nullptr;
    HWND front = nullptr;
    HWND hostWindow = nullptr;
    ModalLoopRequest click([&] {
        HostDialog host;
        hostWindow = host.Window();
        hostFront = GetForegroundWindow();
        Click(L"MarvikAddin.Settings");
        front = GetForegroundWindow();
    });
    HWND commandDialog = nullptr;
    std::wstring caption;
    ModalRun run = RunModalDialog([&] { return static_cast<INT_PTR>(Click(c.callback)); },
                                  [&](HWND dialog) {
                                      commandDialog = dialog;
                                      caption = CaptionOf(dialog);
                                      if (click.WaitDone())
                                          PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                                      else
                                          CancelThreadDialogs(thread);
                                  });
    ASSERT_TRUE(run.appeared);
    ASSERT_TRUE(click.Done());
    EXPECT_EQ(caption, c.caption);
    ASSERT_NE(hostWindow, nullptr);
    EXPECT_EQ(hostFront, hostWindow) << "the host's dialog was not in front to begin with";
    EXPECT_EQ(front, commandDialog);
    EXPECT_TRUE(log.Contains(L"[INF] OnSettings: another command is still running"));
}

INSTANTIATE_TEST_SUITE_P(Dialogs, CommandDialogTest, testing::ValuesIn(COMMAND_DIALOGS),
                         [](const testing::TestParamInfo<CommandDialogCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
