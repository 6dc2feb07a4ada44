// The add-in's road in hosts without its ribbon, end to end: Outlook 12
// with and without MultiProcess, explorers built at their first activation,
// mail inspectors equipped when they open, windows that close in any order
// and after the add-in's shutdown, events with wrong argument counts, and
// clicks on the legacy controls of Word, Excel and PowerPoint 11 that reach
// the receiving program and the dialogs.
#include "LegacyAddinFixture.h"

#include "DialogWatcher.h"
#include "MapiTestFixture.h"
#include "OberlaneStandin.h"
#include "mapi/FakeMessage.h"
#include "mapi/MapiPropValue.h"
#include "outlook/FakeOutlook.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace doubles;

namespace {

const IID DOC_ExplorersEvents = {0x00063078, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID DOC_ExplorerEvents = {0x0006304f, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID DOC_InspectorsEvents = {0x00063079, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};

const wchar_t EXPLORER_ACTIVATE[] = L"[INF] Outlook Explorer->OnExplorerActivate invoked\n";
const wchar_t NEW_EXPLORER[] = L"[INF] Outlook Explorer->OnNewExplorer invoked\n";
const wchar_t NEW_INSPECTOR[] = L"[INF] Outlook Inspectors->OnNewInspector invoked\n";

const std::vector<std::wstring> INSPECTOR_BUTTON_TAGS = {L"KVPMBTSVX2_0001", L"KVPMBTSVX2_0002", L"KVPMBTSVX2_0003",
                                                         L"KVCBBTSVX2_0001"};

int ClickSinks(const FakeCommandBars& window, const std::vector<std::wstring>& tags)
{
    int sinks = 0;
    for (const std::wstring& tag : tags)
        for (const auto& control : window.FindAll(tag))
            sinks += control->ClickSinks();
    return sinks;
}

class LegacyRoadTest : public LegacyAddinTest
{
protected:
    void StartOutlook(DWORD multiProcess)
    {
        SetSetting(L"MultiProcess", multiProcess);
        MakeOutlook();
        ASSERT_EQ(S_OK, Start(outlook->Application())) << log.Text().c_str();
    }

    std::shared_ptr<FakeOutlookWindow> OpenMail(const wchar_t* messageClass, bool sent)
    {
        FakeDispatchPtr item = FakeOutlook::MakeItem(messageClass, sent);
        return outlook->OpenInspector(item);
    }
};

TEST_F(LegacyRoadTest, OutlookWithMultiProcessBuildsEachNewExplorerOnceAtItsFirstActivation)
{
    StartOutlook(1);
    EXPECT_EQ(1, outlook->Explorers()->SinkCount(DOC_ExplorersEvents));
    EXPECT_EQ(1, outlook->Inspectors()->SinkCount(DOC_InspectorsEvents));
    EXPECT_TRUE(outlook->MainExplorer()->commandBars->Find(L"KVPMVX2_0001"));

    auto explorer = outlook->OpenExplorer();
    EXPECT_EQ(1, log.Count(NEW_EXPLORER));
    EXPECT_EQ(1, explorer->Sinks());
    EXPECT_FALSE(explorer->commandBars->Find(L"KVPMVX2_0001"));

    EXPECT_EQ(S_OK, outlook->Activate(explorer));
    EXPECT_EQ(S_OK, outlook->Activate(explorer));
    EXPECT_EQ(1, log.Count(EXPLORER_ACTIVATE));
    EXPECT_EQ(1u, explorer->commandBars->FindAll(L"KVPMVX2_0001").size());
    EXPECT_EQ(1u, explorer->commandBars->FindAll(L"KVCBBTVX2_0001").size());
    // The explorer's controls get no click sinks of their own.
    EXPECT_EQ(0, ClickSinks(*explorer->commandBars, {L"KVPMBTVX2_0001", L"KVCBBTVX2_0001"}));

    EXPECT_EQ(S_OK, outlook->Close(explorer));
    EXPECT_EQ(0, explorer->Sinks());
    Stop();
    EXPECT_EQ(0, outlook->Explorers()->SinkCount(DOC_ExplorersEvents));
    EXPECT_EQ(0, outlook->Inspectors()->SinkCount(DOC_InspectorsEvents));
}

TEST_F(LegacyRoadTest, OutlookWithoutMultiProcessLeavesNewExplorersAloneButEquipsMailInspectors)
{
    StartOutlook(0);
    EXPECT_EQ(0, outlook->Explorers()->SinkCount(DOC_ExplorersEvents));

    auto explorer = outlook->OpenExplorer();
    outlook->Activate(explorer);
    EXPECT_EQ(0, explorer->Sinks());
    EXPECT_FALSE(explorer->commandBars->Find(L"KVPMVX2_0001"));

    auto inspector = OpenMail(L"IPM.Note", true);
    EXPECT_EQ(1, inspector->Sinks());
    EXPECT_EQ(4, ClickSinks(*inspector->commandBars, INSPECTOR_BUTTON_TAGS));

    outlook->Close(inspector);
    outlook->Close(explorer);
    Stop();
}

struct InspectorCase {
    const char* name;
    const wchar_t* messageClass;
    bool sent;
    bool equipped;
};

class InspectorKindTest : public LegacyRoadTest, public testing::WithParamInterface<InspectorCase>
{
};

TEST_P(InspectorKindTest, OnlyASentOrReceivedPlainMailGetsSinkAndButtons)
{
    StartOutlook(0);
    auto inspector = OpenMail(GetParam().messageClass, GetParam().sent);

    EXPECT_EQ(1, log.Count(NEW_INSPECTOR));
    EXPECT_EQ(GetParam().equipped ? 1 : 0, inspector->Sinks());
    EXPECT_EQ(GetParam().equipped, inspector->commandBars->Find(L"KVPMSVX2_0001") != nullptr);
    EXPECT_EQ(GetParam().equipped ? 1 : 0, log.Count(L"[INF] Outlook Inspector->OnInspectorActivate invoked\n"));
    outlook->Close(inspector);
    Stop();
}

INSTANTIATE_TEST_SUITE_P(Items, InspectorKindTest,
                         testing::Values(InspectorCase{"ReceivedMail", L"IPM.Note", true, true},
                                         InspectorCase{"ClassInOtherCase", L"ipm.NOTE", true, true},
                                         InspectorCase{"MailBeingWritten", L"IPM.Note", false, false},
                                         InspectorCase{"SignedMail", L"IPM.Note.SMIME", true, false},
                                         InspectorCase{"Appointment", L"IPM.Appointment", false, false}),
                         [](const testing::TestParamInfo<InspectorCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(LegacyRoadTest, ExplorerWhoseBarsCannotBeReadIsBuiltAtItsNextActivation)
{
    StartOutlook(1);
    auto explorer = outlook->OpenExplorer();
    explorer->object->FailInvoke(L"CommandBars", 1, E_FAIL);

    outlook->Activate(explorer);
    EXPECT_EQ(1, log.Count(L"[ERR] Failed to access CommandBars property! hr = 0x80004005\n"));
    EXPECT_FALSE(explorer->commandBars->Find(L"KVPMVX2_0001"));
    outlook->Activate(explorer);
    EXPECT_TRUE(explorer->commandBars->Find(L"KVPMVX2_0001"));

    outlook->Close(explorer);
    Stop();
}

TEST_F(LegacyRoadTest, WindowsClosingInAnyOrderAndAfterShutdownTouchNothingOfTheAddin)
{
    StartOutlook(1);
    auto first = outlook->OpenExplorer();
    auto second = outlook->OpenExplorer();
    outlook->Activate(first);
    outlook->Activate(second);
    auto mailA = OpenMail(L"IPM.Note", true);
    auto mailB = OpenMail(L"IPM.Note", true);
    auto buttonOfA = mailA->commandBars->Find(L"KVCBBTSVX2_0001");
    ASSERT_TRUE(buttonOfA);

    outlook->Close(mailA);
    // Closing an inspector lets go of its own click sinks only.
    EXPECT_EQ(0, buttonOfA->ClickSinks());
    EXPECT_EQ(4, ClickSinks(*mailB->commandBars, INSPECTOR_BUTTON_TAGS));
    EXPECT_EQ(4, ClickSinks(*outlook->MainExplorer()->commandBars,
                            {L"KVPMBTVX2_0001", L"KVPMBTVX2_0002", L"KVPMBTVX2_0003", L"KVCBBTVX2_0001"}));
    outlook->Close(second);
    EXPECT_EQ(1, first->Sinks());

    Stop();
    EXPECT_EQ(0, first->Sinks());
    EXPECT_EQ(0, mailB->Sinks());
    EXPECT_EQ(0, ClickSinks(*mailB->commandBars, INSPECTOR_BUTTON_TAGS));
    log.Mark();
    // Windows still open when the add-in went away close later.
    EXPECT_EQ(S_OK, outlook->Close(mailB));
    EXPECT_EQ(S_OK, outlook->Close(first));
    outlook->OpenExplorer();
    OpenMail(L"IPM.Note", true);
    EXPECT_EQ(L"", log.Text());
    ReleaseAddin();
}

class DisconnectAloneTest : public LegacyRoadTest, public testing::WithParamInterface<ext_DisconnectMode>
{
};

// A host that unloads the add-in from its COM Add-ins dialog calls
// OnDisconnection without OnBeginShutdown; no sink may stay advised on a
// host object after it.
TEST_P(DisconnectAloneTest, LetsGoOfEverySinkAndHandler)
{
    StartOutlook(1);
    auto explorer = outlook->OpenExplorer();
    outlook->Activate(explorer);
    auto mail = OpenMail(L"IPM.Note", true);
    ASSERT_EQ(1, mail->Sinks());

    EXPECT_EQ(S_OK, addin->OnDisconnection(GetParam(), &custom));
    EXPECT_EQ(0, outlook->Explorers()->SinkCount(DOC_ExplorersEvents));
    EXPECT_EQ(0, outlook->Inspectors()->SinkCount(DOC_InspectorsEvents));
    EXPECT_EQ(0, explorer->Sinks());
    EXPECT_EQ(0, mail->Sinks());
    EXPECT_EQ(0, ClickSinks(*mail->commandBars, INSPECTOR_BUTTON_TAGS));
    EXPECT_EQ(0, ClickSinks(*outlook->MainExplorer()->commandBars,
                            {L"KVPMBTVX2_0001", L"KVPMBTVX2_0002", L"KVPMBTVX2_0003", L"KVCBBTVX2_0001"}));
    // A late OnBeginShutdown finds nothing left to let go of.
    EXPECT_EQ(S_OK, addin->OnBeginShutdown(&custom));
    outlook->Close(mail);
    outlook->Close(explorer);
    ReleaseAddin();
}

INSTANTIATE_TEST_SUITE_P(Modes, DisconnectAloneTest, testing::Values(ext_dm_UserClosed, ext_dm_HostShutdown),
                         [](const testing::TestParamInfo<ext_DisconnectMode>& info) {
                             return std::string(info.param == ext_dm_UserClosed ? "UserClosed" : "HostShutdown");
                         });

TEST_F(LegacyRoadTest, EventsWithWrongArgumentCountsReachNothing)
{
    StartOutlook(1);
    auto explorer = outlook->OpenExplorer();
    log.Mark();

    EXPECT_EQ(DISP_E_BADPARAMCOUNT, outlook->Inspectors()->Fire(DOC_InspectorsEvents, 0xF001));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT,
              outlook->Explorers()->Fire(DOC_ExplorersEvents, 0xF001,
                                         {DispatchVariant(explorer->object), DispatchVariant(explorer->object)}));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, explorer->object->Fire(DOC_ExplorerEvents, 0xF001, {_variant_t(1L)}));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, explorer->object->Fire(DOC_ExplorerEvents, 0xF008, {_variant_t(1L)}));
    EXPECT_EQ(L"", log.Text());
    EXPECT_EQ(1, explorer->Sinks());

    outlook->Close(explorer);
    Stop();
}

TEST_F(LegacyRoadTest, ShutdownWithoutAWindowEverOpenedAndAStartThatFailedAtTheExplorer)
{
    MakeOutlook();
    outlook->Application()->FailInvoke(L"ActiveExplorer", 0, E_ACCESSDENIED);
    EXPECT_EQ(E_ACCESSDENIED, Start(outlook->Application()));
    EXPECT_EQ(1, log.Count(L"[ERR] Failed to access ActiveExplorer property! hr = 0x80070005\n"));
    EXPECT_EQ(0, outlook->Inspectors()->SinkCount(DOC_InspectorsEvents));
    Stop();
}

struct ClickHost {
    const char* name;
    OfficeApp app;
    const wchar_t* document;
    const wchar_t* startapp;
};

class OfficeClickTest : public LegacyRoadTest
{
protected:
    void StartHost(const ClickHost& host)
    {
        reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Loader", standin.Path());
        reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Params1",
                    L"label=\"Ablage\" appid=7 configid=9");
        MakeOffice(host.app, 11);
        office->Document().OpenFile(documents / host.document);
        ASSERT_EQ(S_OK, Start(office->Application())) << log.Text().c_str();
    }
    void TearDown() override
    {
        if (addin)
            Stop();
        LegacyRoadTest::TearDown();
    }

    TempDir documents;
    OberlaneStandin standin;
};

class ArchiveClickTest : public OfficeClickTest, public testing::WithParamInterface<ClickHost>
{
};

TEST_P(ArchiveClickTest, ArchiveButtonAndEntryHandTheDocumentToTheReceivingProgram)
{
    StartHost(GetParam());
    ASSERT_EQ(S_OK, bars->Find(L"KVCBBTVX2_0001")->Click());
    ASSERT_EQ(S_OK, bars->Find(L"KVPMBTVX2_0001")->Click());

    ASSERT_TRUE(standin.WaitForRecords(2));
    for (const StandinRecord& record : standin.Records()) {
        EXPECT_EQ(0u, record.parameters.find(L"label=\"Ablage\" appid=7 configid=9 files="))
            << record.parameters.c_str();
        EXPECT_NE(std::wstring::npos, record.parameters.find(GetParam().startapp)) << record.parameters.c_str();
        std::vector<std::wstring> ids = FilesParameter(record.parameters);
        ASSERT_EQ(1u, ids.size());
        std::wstring folder = TempPath() + L"kq_temp_inbox\\" + ids[0];
        std::string handoff = ReadFileBytes(folder + L"\\" + ids[0] + L".xml");
        EXPECT_NE(std::string::npos, handoff.find(ToUtf8(GetParam().document))) << handoff;
        RemoveTree(folder);
    }
}

INSTANTIATE_TEST_SUITE_P(Hosts, ArchiveClickTest,
                         testing::Values(ClickHost{"Word", OfficeApp::Word, L"Bericht.doc", L" startapp=2"},
                                         ClickHost{"Excel", OfficeApp::Excel, L"Zahlen.xls", L" startapp=3"},
                                         ClickHost{"PowerPoint", OfficeApp::PowerPoint, L"Folien.ppt",
                                                   L" startapp=4"}),
                         [](const testing::TestParamInfo<ClickHost>& info) { return std::string(info.param.name); });

// Office fires a click to the handlers of every control with that Tag, and
// every mail window has the same tags: a click in one of three open mail
// windows still archives the mail once.
TEST_F(LegacyRoadTest, OneClickInOneOfThreeMailWindowsArchivesOnce)
{
    OberlaneStandin standin;
    reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Loader", standin.Path());
    reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Params1", L"label=\"Ablage\" appid=7 configid=9");
    MapiDoublesScope mapi;
    StartOutlook(0);
    std::vector<std::shared_ptr<FakeOutlookWindow>> windows;
    for (const wchar_t* subject : {L"Erste", L"Zweite", L"Dritte"}) {
        FakeMessage* message = FakeMessage::Create();
        message->Set(TextProp(PR_SUBJECT_W, subject));
        FakeDispatchPtr item = FakeOutlookItem::Create(L"IPM.Note", message);
        message->Release();
        item->SetProperty(L"Sent", _variant_t(true));
        windows.push_back(outlook->OpenInspector(item));
    }
    auto first = windows[0];
    auto second = windows[1];
    auto third = windows[2];
    for (const auto& mail : {first, second, third})
        ASSERT_EQ(1, mail->commandBars->Find(L"KVCBBTSVX2_0001")->ClickSinks());

    // The window opened last is the active one.
    EXPECT_EQ(S_OK, third->commandBars->Find(L"KVCBBTSVX2_0001")->Click());
    EXPECT_EQ(1, log.Count(L"[INF] Outlook CMarvikAddin->OnArchiveSingleOutlook invoked\n"));
    ASSERT_TRUE(standin.WaitForRecords(1)) << ToUtf8(log.Text());
    EXPECT_FALSE(standin.WaitForRecords(2, 1500));
    std::vector<std::wstring> folders = FolderNames(TempPath() + L"kq_temp_inbox\\kq_data_*");
    std::vector<std::wstring> ids = FilesParameter(standin.Records()[0].parameters);
    EXPECT_EQ(1u, ids.size());
    for (const std::wstring& folder : folders)
        RemoveTree(TempPath() + L"kq_temp_inbox\\" + folder);
    EXPECT_EQ(1u, folders.size());

    windows.clear();
    outlook->Close(first);
    outlook->Close(second);
    outlook->Close(third);
    Stop();
    ExpectMapiDoublesClean();
}

// The faces go through the clipboard, which Windows lets only an owner
// window fill: the add-in's own hidden message-only window, made on the
// host's thread for the legacy road and gone at its shutdown.
TEST_F(OfficeClickTest, ButtonFacesArePutOnTheClipboardByTheAddinsOwnMessageOnlyWindow)
{
    StartHost(ClickHost{"Word", OfficeApp::Word, L"Bericht.doc", L" startapp=2"});
    auto button = bars->Find(L"KVCBBTVX2_0001");
    ASSERT_TRUE(button && button->hasFace);
    HWND owner = button->faceOwner;
    ASSERT_TRUE(owner);
    EXPECT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(owner, nullptr));
    bool messageOnly = false;
    for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w && !messageOnly;
         w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr))
        messageOnly = w == owner;
    EXPECT_TRUE(messageOnly);
    EXPECT_EQ(owner, bars->Find(L"KVCBBTVX2_0001")->faceOwner);

    Stop();
    EXPECT_FALSE(IsWindow(owner));
    ReleaseAddin();
}

TEST_F(OfficeClickTest, SettingsAndInfoEntriesOpenTheirDialogs)
{
    StartHost(ClickHost{"Word", OfficeApp::Word, L"Bericht.doc", L" startapp=2"});
    DialogWatcher watcher({}, DialogAnswer{IDCANCEL});
    EXPECT_EQ(S_OK, bars->Find(L"KVPMBTVX2_0002")->Click());
    EXPECT_EQ(S_OK, bars->Find(L"KVPMBTVX2_0003")->Click());

    ASSERT_EQ(2u, watcher.Count());
    std::vector<SeenDialog> seen = watcher.Seen();
    EXPECT_EQ(1, log.Count(L"[INF] Outlook CMarvikAddin->OnSettings invoked\n"));
    EXPECT_EQ(1, log.Count(L"[INF] Outlook CMarvikAddin->OnAbout invoked\n"));
    EXPECT_NE(seen[0].caption, seen[1].caption);
}

} // namespace
