// The add-in's commands as the ribbon starts them, end to end: the document
// captured from its host double, the hand-off file in the inbox, the choice
// of storage location and the stand-in receiving program; the messages of
// the failing roads; the settings and info dialogs.
#include "CommandGuard.h"
#include "CommandsFixture.h"
#include "DialogResource.h"
#include "DialogWatcher.h"
#include "HandoffXml.h"
#include "FakeOffice.h"
#include "FileHelpers.h"
#include "KQConnectorCOM.h"
#include "ModalDialogDriver.h"
#include "NoCommonControls.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace doubles;

namespace {

const wchar_t TEXT_NOT_SAVED[] = L"Das Dokument konnte nicht zwischengespeichert werden!";
const wchar_t TEXT_NO_HANDOFF_FILE[] = L"Die Dateieigenschaften konnten nicht zwischengespeichert werden.";
const wchar_t TEXT_NO_OBERLANE[] = L"Das marvik dovrane Oberlane konnte nicht gefunden werden.";
const wchar_t TEXT_OUT_OF_MEMORY[] =
    L"Das Dokument konnte nicht zwischengespeichert werden! Der Anwendung steht zu wenig Speicher zur Verf\u00fcgung.";

class CommandsTest : public CommandsTestBase
{
protected:
    void ReleaseHost() override
    {
        host.reset();
        if (application)
            application->ClearObjectProperties();
        application = nullptr;
    }

    // An Office host with a filed document that has properties of both kinds.
    OfficeDocumentDouble& StartOffice(OfficeApp app, const wchar_t* fileName)
    {
        host.reset(new OfficeHostDouble(app, 16, "figures of the quarter"));
        OfficeDocumentDouble& document = host->Document();
        document.OpenFile(documents / fileName);
        document.SetCustomProperties({{L"Kunde", _variant_t(L"Muster GmbH")}});
        document.SetBuiltInProperties({{L"Title", _variant_t(L"Quartal")}, {L"Author", _variant_t(L"Anna")}});
        EXPECT_EQ(Start(host->Application()), S_OK);
        started = true;
        return document;
    }

    TempDir documents;
    std::unique_ptr<OfficeHostDouble> host;
    FakeDispatchPtr application;
};

struct HostCase {
    OfficeApp app;
    const wchar_t* fileName;
    int startapp;
};

class ArchiveEndToEndTest : public CommandsTest, public testing::WithParamInterface<HostCase>
{
};

TEST_P(ArchiveEndToEndTest, HandsTheDocumentWithItsPropertiesToTheReceivingProgram)
{
    const HostCase& c = GetParam();
    OfficeDocumentDouble& document = StartOffice(c.app, c.fileName);
    document.Edit("edited before archiving");
    DialogWatcher watcher;

    EXPECT_EQ(Click(L"MarvikAddin.Archive"), S_OK);
    ASSERT_TRUE(standin.WaitForRecords(1)) << ToUtf8(log.Text());
    std::vector<std::wstring> folders = InboxFolders();
    ASSERT_EQ(folders.size(), 1u);
    const std::wstring& id = folders[0];
    EXPECT_EQ(standin.Records()[0].parameters,
              std::wstring(LOCATION_A) + L" files=" + id + L" startapp=" + std::to_wstring(c.startapp));

    std::wstring xml = HandoffXml(id);
    std::wstring copy = Inbox() + id + L"\\" + c.fileName;
    EXPECT_EQ(PropertiesOf(xml), (std::vector<std::pair<std::wstring, std::wstring>>{
                                   {L"Kunde", L"Muster GmbH"}, {L"MSO_AUTHOR", L"Anna"}, {L"MSO_TITLE", L"Quartal"}}));
    EXPECT_EQ(ElementText(xml, L"path"), copy);
    EXPECT_EQ(ElementText(xml, L"deletefile"), Inbox() + id);
    EXPECT_EQ(ElementText(xml, L"id"), id);
    EXPECT_EQ(xml.find(L"<deletemail>"), std::wstring::npos);
    EXPECT_EQ(ReadFileBytes(copy), document.FileBytes());
    EXPECT_EQ(document.State().fullName, documents / c.fileName);
    EXPECT_EQ(watcher.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Hosts, ArchiveEndToEndTest,
                         testing::Values(HostCase{OfficeApp::Word, L"Bericht.docx", 2},
                                         HostCase{OfficeApp::Excel, L"Budget.xlsx", 3},
                                         HostCase{OfficeApp::PowerPoint, L"Vortrag.pptx", 4}),
                         [](const testing::TestParamInfo<HostCase>& info) {
                             return std::to_string(info.param.startapp);
                         });

TEST_F(CommandsTest, WithTwoLocationsTheChosenOneIsPassed)
{
    SetGlobal(L"Params2", LOCATION_B);
    StartOffice(OfficeApp::Word, L"Bericht.docx");
    DialogWatcher watcher({DialogAnswer{IDOK, 1}});

    EXPECT_EQ(Click(L"MarvikAddin.Archive"), S_OK);
    ASSERT_TRUE(standin.WaitForRecords(1));
    ASSERT_EQ(watcher.Count(), 1u);
    EXPECT_EQ(watcher.Seen()[0].listItems, (std::vector<std::wstring>{L"Archiv", L"Vertrieb"}));
    std::vector<std::wstring> folders = InboxFolders();
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(standin.Records()[0].parameters, std::wstring(LOCATION_B) + L" files=" + folders[0] + L" startapp=2");
}

// Cancel leaves the hand-off folder marked for deletion and starts nothing.
TEST_F(CommandsTest, CancelledChoiceMarksTheFolderAndStartsNothing)
{
    SetGlobal(L"Params2", LOCATION_B);
    StartOffice(OfficeApp::Excel, L"Budget.xlsx");
    DialogWatcher watcher({DialogAnswer{IDCANCEL}});

    EXPECT_EQ(Click(L"MarvikAddin.Archive"), S_OK);
    EXPECT_EQ(watcher.Count(), 1u);
    std::vector<std::wstring> folders = InboxFolders();
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_TRUE(FileExists(Inbox() + folders[0] + L"\\" + MARKER_FILE_NAME));
    EXPECT_TRUE(NothingStarted());
}

struct FailureCase {
    const char* label;
    const wchar_t* text;
};

class ArchiveFailureTest : public CommandsTest, public testing::WithParamInterface<FailureCase>
{
};

// Each failing road shows its one message and starts nothing.
TEST_P(ArchiveFailureTest, ShowsItsMessageAndStartsNothing)
{
    const FailureCase& c = GetParam();
    std::string label = c.label;
    if (label == "NoLoader")
        SetGlobal(L"Loader", documents / L"Oberlane.exe");
    OfficeDocumentDouble& document = StartOffice(OfficeApp::PowerPoint, L"Vortrag.pptx");
    if (label == "SaverFails")
        document.Object()->FailInvoke(L"SaveCopyAs", 0, RPC_E_SERVERFAULT);
    if (label == "HandoffFileFails") {
        // The disk refuses the hand-off file: a folder stands where it goes.
        document.Object()->FailInvokeWhen(L"SaveCopyAs", [](const Invocation& call) {
            std::wstring copy = static_cast<const wchar_t*>(_bstr_t(call.args[0]));
            std::wstring folder = copy.substr(0, copy.rfind(L'\\'));
            std::wstring id = folder.substr(folder.rfind(L'\\') + 1);
            CreateDirectoryW((folder + L"\\" + id + L".xml").c_str(), nullptr);
            return S_OK;
        });
    }
    DialogWatcher watcher;

    EXPECT_EQ(Click(L"MarvikAddin.Archive"), S_OK);
    ASSERT_EQ(watcher.Count(), 1u);
    EXPECT_EQ(watcher.Seen()[0].caption, ERROR_CAPTION);
    EXPECT_EQ(watcher.Seen()[0].text, c.text);
    if (label != "NoLoader") {
        EXPECT_TRUE(NothingStarted());
    }
}

INSTANTIATE_TEST_SUITE_P(Roads, ArchiveFailureTest,
                         testing::Values(FailureCase{"SaverFails", TEXT_NOT_SAVED},
                                         FailureCase{"HandoffFileFails", TEXT_NO_HANDOFF_FILE},
                                         FailureCase{"NoLoader", TEXT_NO_OBERLANE}),
                         [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.label); });

// Word holds the document as the copy in the inbox after a failed save back:
// the user sees the failure at once, and that folder is not handed off (nor
// marked deletable, since the open document still writes to it).
TEST_F(CommandsTest, FailedSaveBackShowsTheFailureAndHandsNothingOff)
{
    OfficeDocumentDouble& document = StartOffice(OfficeApp::Word, L"Bericht.docx");
    std::wstring own = documents / L"Bericht.docx";
    document.Object()->FailInvokeWhen(L"SaveAs", [own](const Invocation& call) {
        return _wcsicmp(_bstr_t(call.args[0]), own.c_str()) == 0 ? RPC_E_SERVERFAULT : S_OK;
    });
    DialogWatcher watcher;

    EXPECT_EQ(Click(L"MarvikAddin.Archive"), S_OK);
    ASSERT_EQ(watcher.Count(), 1u);
    EXPECT_EQ(watcher.Seen()[0].text, TEXT_NOT_SAVED);
    std::vector<std::wstring> folders = InboxFolders();
    ASSERT_EQ(folders.size(), 1u);
    std::wstring folder = Inbox() + folders[0] + L"\\";
    EXPECT_EQ(document.State().fullName, folder + L"Bericht.docx");
    EXPECT_TRUE(log.Contains(L"[ERR] Can't save the document back to " + own));
    EXPECT_FALSE(FileExists(folder + folders[0] + L".xml"));
    EXPECT_FALSE(FileExists(folder + MARKER_FILE_NAME));
    EXPECT_TRUE(NothingStarted());
}

// A host whose start-up failed, or one the add-in does not know, gets no
// capture: no message, no folder, no start.
TEST_F(CommandsTest, ArchiveDoesNothingWithoutAKnownHost)
{
    for (const wchar_t* name : {L"Microsoft Word", L"Microsoft Visio"}) {
        application = MakeHostApplication(name, L"16.0");
        if (std::wstring(name) == L"Microsoft Word")
            application->FailInvoke(L"Version", 0, RPC_E_SERVERFAULT);
        addin->OnConnection(application, ext_cm_Startup, nullptr, &custom);
        addin->OnStartupComplete(&custom);
        EXPECT_EQ(object->GetHostKind(), std::wstring(name) == L"Microsoft Word" ? HOST_NONE : HOST_OTHER);
        application->ClearCalls();
        DialogWatcher watcher;
        log.Mark();

        EXPECT_EQ(Click(L"MarvikAddin.Archive"), S_OK);
        EXPECT_EQ(log.Count(L"[INF] Outlook CMarvikAddin->OnArchive invoked\n"), 1);
        EXPECT_TRUE(application->Calls().empty());
        EXPECT_TRUE(InboxFolders().empty());
        Stop();
        application->ClearObjectProperties();
        application = nullptr;
        EXPECT_EQ(watcher.Count(), 0u);
    }
    EXPECT_TRUE(NothingStarted());
}

// A change confirmed in the settings dialog is saved for the user and used
// by the next archive command in the same host.
TEST_F(CommandsTest, SettingsChangeIsSavedAndUsedByTheNextArchive)
{
    OberlaneStandin other(L"other");
    StartOffice(OfficeApp::Word, L"Bericht.docx");

    ModalRun run = RunModalDialog([&] { return static_cast<INT_PTR>(Click(L"MarvikAddin.Settings")); },
                                  [&](HWND dialog) {
                                      TypeInto(dialog, IDC_SETTINGS_LOADER, other.Path());
                                      ClickButton(dialog, IDOK);
                                  });
    ASSERT_TRUE(run.appeared);
    EXPECT_EQ(run.result, S_OK);
    std::wstring saved;
    EXPECT_TRUE(RegistryFixture::GetText(HKEY_CURRENT_USER, RegistryFixture::UserKey(), L"Loader", &saved));
    EXPECT_EQ(saved, other.Path());

    EXPECT_EQ(Click(L"MarvikAddin.Archive"), S_OK);
    EXPECT_TRUE(other.WaitForRecords(1));
    EXPECT_TRUE(NothingStarted());
}

// Where the common controls cannot be loaded the settings dialog cannot
// open: the user is told, the log says why, the connector's caller hears of
// the failure, and nothing is saved.
TEST_F(CommandsTest, SettingsWithoutTheCommonControlsTellTheUserAndReportTheFailure)
{
    struct Case {
        const char* name;
        std::function<HRESULT()> call;
        HRESULT result;
    };
    const Case cases[] = {
        {"connector", [] { return CKQConnectorCOM().DisplaySettings(); }, E_FAIL},
        {"add-in command", [this] { return Click(L"MarvikAddin.Settings"); }, S_OK},
    };
    StartOffice(OfficeApp::Word, L"Bericht.docx");
    NoCommonControls refused;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.Mark();
        DialogWatcher watcher;
        EXPECT_EQ(c.call(), c.result);
        ASSERT_EQ(watcher.Count(), 1u);
        EXPECT_EQ(watcher.Seen()[0].caption, ERROR_CAPTION);
        EXPECT_EQ(watcher.Seen()[0].text, SEVERE_ERROR_TEXT);
        EXPECT_EQ(log.Count(L"[ERR] Failed to load the common controls for the settings dialog, error: 126\n"), 1)
            << ToUtf8(log.Text());
        EXPECT_TRUE(RegistryFixture::ValueNames(HKEY_CURRENT_USER, RegistryFixture::UserKey()).empty());
    }
}

TEST_F(CommandsTest, InfoShowsTheInfoDialog)
{
    DialogWatcher watcher;
    EXPECT_EQ(Click(L"MarvikAddin.Info"), S_OK);
    ASSERT_EQ(watcher.Count(), 1u);
    EXPECT_EQ(watcher.Seen()[0].caption, L"Info");
    EXPECT_TRUE(log.Contains(L"[INF] Outlook CMarvikAddin->OnAbout invoked\n"));
}

struct GuardCase {
    const char* label;
    std::function<void()> body;
    const wchar_t* hr;
    const wchar_t* text;
};

class CommandGuardTest : public AddinTest, public testing::WithParamInterface<GuardCase>
{
};

// An exception that escapes a command's body never reaches the host: it is
// logged and shown as the message for a document that could not be saved.
TEST_P(CommandGuardTest, TurnsAnEscapingExceptionIntoItsMessage)
{
    const GuardCase& c = GetParam();
    DialogWatcher watcher;
    RunCommand(*object, L"OnArchive", c.body);
    ASSERT_EQ(watcher.Count(), 1u);
    EXPECT_EQ(watcher.Seen()[0].text, c.text);
    EXPECT_TRUE(log.Contains(std::wstring(L"[ERR] OnArchive failed with an exception! hr = ") + c.hr + L"\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Exceptions, CommandGuardTest,
    testing::Values(GuardCase{"OutOfMemory", [] { _com_issue_error(E_OUTOFMEMORY); }, L"0x8007000E", TEXT_OUT_OF_MEMORY},
                    GuardCase{"BadAlloc", [] { throw std::bad_alloc(); }, L"0x8007000E", TEXT_OUT_OF_MEMORY},
                    GuardCase{"ComError", [] { _com_issue_error(DISP_E_TYPEMISMATCH); }, L"0x80020005", TEXT_NOT_SAVED}),
    [](const testing::TestParamInfo<GuardCase>& info) { return std::string(info.param.label); });

} // namespace
