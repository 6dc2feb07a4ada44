// Run end to end: the registered connector writes hand-off files into the
// temporary inbox and starts the stand-in of the receiving program.
#include "ConnectorFixture.h"
#include "ConnectorIds.h"
#include "DialogWatcher.h"
#include "HandoffXml.h"
#include "OberlaneStandin.h"
#include "ScopedTempFolder.h"
#include "TempDir.h"
#include "XmlCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

namespace {

const wchar_t LOCATION_A[] = L"label=\"Vertrieb\" appid=A1 configid=C1";
const wchar_t LOCATION_B[] = L"label=\"Einkauf\" appid=A2 configid=C2";

std::wstring InboxPath()
{
    return TempPath() + L"kq_temp_inbox";
}

std::set<std::wstring> InboxFolders()
{
    std::vector<std::wstring> names = FolderNames(InboxPath() + L"\\kq_data_*");
    return std::set<std::wstring>(names.begin(), names.end());
}

std::wstring HandoffText(const std::wstring& id)
{
    return FromUtf8(ReadFileBytes(InboxPath() + L"\\" + id + L"\\" + id + L".xml"));
}

class RunTest : public ConnectorTest
{
protected:
    void SetUp() override
    {
        ConnectorTest::SetUp();
        before = InboxFolders();
    }

    void Configure(const std::wstring& loader, const std::vector<std::wstring>& locations)
    {
        reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Loader", loader);
        for (size_t i = 0; i < locations.size(); ++i)
            reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Params" + std::to_wstring(i + 1),
                        locations[i]);
    }

    std::vector<std::wstring> Documents(int n)
    {
        std::vector<std::wstring> paths;
        for (int i = 0; i < n; ++i)
            paths.push_back(files.WriteFile(L"doc" + std::to_wstring(i + 1) + L".pdf", "%PDF-1.4"));
        return paths;
    }

    std::wstring IniFile(const std::string& text) { return files.WriteFile(L"upload.ini", text); }

    HRESULT Run(RunArguments& args, UINT cArgs = 4) { return client.Call(L"KQConnectorCOM.Run", args.Slots(), cArgs); }

    // The one start of the stand-in.
    StandinRecord Started()
    {
        EXPECT_TRUE(standin.WaitForRecords(1));
        std::vector<StandinRecord> records = standin.Records();
        return records.empty() ? StandinRecord() : records[0];
    }

    std::vector<std::wstring> NewFolders() const
    {
        std::vector<std::wstring> added;
        for (const std::wstring& name : InboxFolders())
            if (!before.count(name))
                added.push_back(name);
        return added;
    }

    OberlaneStandin standin;
    TempDir files;
    std::set<std::wstring> before;
};

TEST_F(RunTest, PropertiesFileGoesIntoEveryHandoffFile)
{
    Configure(standin.Path(), {LOCATION_A});
    std::wstring ini = IniFile("[Mimetype]\r\nTitle=wrong\r\n[Properties]\r\nTitle=Offer\r\nTitle=Order\r\n"
                               "Note=a=b\r\nFlag\r\n=nameless\r\n");
    std::vector<std::wstring> docs = Documents(2);
    RunArguments args(docs, ini);
    ASSERT_EQ(Run(args), S_OK);

    StandinRecord start = Started();
    std::vector<std::wstring> ids = FilesParameter(start.parameters);
    ASSERT_EQ(ids.size(), 2u) << ToUtf8(start.parameters);
    const std::vector<std::pair<std::wstring, std::wstring>> expected = {
        {L"Flag", L""}, {L"Note", L"a=b"}, {L"Title", L"Order"}};
    for (const std::wstring& id : ids)
        EXPECT_EQ(PropertiesOf(HandoffText(id)), expected) << ToUtf8(id);
}

TEST_F(RunTest, ThreeOutsideFilesGiveThreeFoldersInListOrder)
{
    Configure(standin.Path(), {LOCATION_A});
    std::vector<std::wstring> docs = Documents(3);
    RunArguments args(docs);
    ASSERT_EQ(Run(args), S_OK);

    StandinRecord start = Started();
    std::vector<std::wstring> ids = FilesParameter(start.parameters);
    ASSERT_EQ(ids.size(), 3u) << ToUtf8(start.parameters);
    EXPECT_EQ(start.parameters, std::wstring(LOCATION_A) + L" files=" + ids[0] + L"," + ids[1] + L"," + ids[2] +
                                    L" startapp=6");
    std::vector<std::wstring> added = NewFolders();
    EXPECT_EQ(std::set<std::wstring>(added.begin(), added.end()), std::set<std::wstring>(ids.begin(), ids.end()));
    for (size_t i = 0; i < 3; ++i) {
        std::wstring xml = HandoffText(ids[i]);
        EXPECT_EQ(ElementText(xml, L"path"), docs[i]);
        EXPECT_EQ(ElementText(xml, L"id"), ids[i]);
        EXPECT_TRUE(PropertiesOf(xml).empty());
        // The documents stay where they are.
        EXPECT_TRUE(FileExists(docs[i]));
    }
}

TEST_F(RunTest, OneLocationNeedsNoDialog)
{
    Configure(standin.Path(), {LOCATION_A});
    DialogWatcher watcher;
    RunArguments args(Documents(1));
    ASSERT_EQ(Run(args), S_OK);
    StandinRecord start = Started();
    EXPECT_EQ(start.parameters.find(LOCATION_A), 0u) << ToUtf8(start.parameters);
    EXPECT_EQ(watcher.Count(), 0u);
}

TEST_F(RunTest, TwoLocationsAskBeforeAnythingIsWritten)
{
    Configure(standin.Path(), {LOCATION_A, LOCATION_B});
    {
        DialogWatcher watcher({DialogAnswer{IDCANCEL, -1}});
        RunArguments args(Documents(2));
        EXPECT_EQ(Run(args), CONNECTOR_RUN_CANCELLED);
        ASSERT_EQ(watcher.Count(), 1u);
        EXPECT_EQ(watcher.Seen()[0].listItems, (std::vector<std::wstring>{L"Vertrieb", L"Einkauf"}));
    }
    Sleep(1000);
    EXPECT_TRUE(standin.Records().empty()) << "nothing is started";
    EXPECT_TRUE(NewFolders().empty()) << "nothing is written or marked";

    DialogWatcher watcher({DialogAnswer{IDOK, 1}});
    RunArguments args(Documents(1));
    ASSERT_EQ(Run(args), S_OK);
    EXPECT_EQ(Started().parameters.find(LOCATION_B), 0u);
}

// A Loader that names no program file by its full path starts nothing (the
// shell would open a folder, or a program of that name in the current
// folder); the hand-off files written stay, marked for deletion, so failed
// tries do not pile up in the inbox unmarked.
TEST_F(RunTest, UnusableLoaderShowsItsBoxAndMarksTheHandoffFolders)
{
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(standin.Folder().c_str());
    const std::wstring notAProgram = files.WriteFile(L"bad\\Oberlane.exe", "no program");
    struct Case {
        const char* name;
        std::wstring loader;
    } cases[] = {
        {"Missing", files / L"missing\\Oberlane.exe"},
        {"Folder", standin.Folder()},
        {"Relative", L"Oberlane.exe"},
        {"NoProgram", notAProgram},
    };
    for (const Case& c : cases) {
        before = InboxFolders();
        Configure(c.loader, {LOCATION_A});
        DialogWatcher watcher;
        RunArguments args(Documents(2));
        EXPECT_EQ(Run(args), E_FAIL) << c.name;
        // A start the shell refuses brings the shell's own error box first.
        ASSERT_GE(watcher.Count(), 1u) << c.name;
        EXPECT_EQ(watcher.Seen().back().caption, L"Fehler bei der Dokumentablage");
        EXPECT_EQ(watcher.Seen().back().text, L"Das marvik dovrane Oberlane konnte nicht gefunden werden.");

        std::vector<std::wstring> added = NewFolders();
        ASSERT_EQ(added.size(), 2u) << c.name;
        for (const std::wstring& id : added) {
            EXPECT_FALSE(HandoffText(id).empty()) << c.name;
            EXPECT_TRUE(FileExists(InboxPath() + L"\\" + id + L"\\__freetodelete__.bin")) << c.name;
        }
    }
    SetCurrentDirectoryW(previous);
    Sleep(500);
    EXPECT_TRUE(standin.Records().empty());
}

// The start names the location chosen in this call, also where labels repeat
// in another case or are missing; the label remembered for the next choice
// is the chosen one, or stays when the chosen one has none.
TEST_F(RunTest, StartPassesTheLocationChosenInThisCall)
{
    const std::wstring upper = L"label=\"Akten\" appid=1 configid=C1";
    const std::wstring lower = L"label=\"akten\" appid=2 configid=C2";
    const std::wstring unlabelled = L"appid=3 configid=C3";
    struct Case {
        const char* name;
        std::vector<std::wstring> locations;
        std::wstring remembered;
        int choice;
        std::wstring passed;
        std::wstring rememberedAfter;
    } cases[] = {
        {"FirstOfTwoInAnotherCase", {upper, lower}, L"", 0, upper, L"Akten"},
        {"FirstOfTwoRememberedLower", {upper, lower}, L"akten", 0, upper, L"Akten"},
        {"SecondOfTwo", {upper, lower}, L"Akten", 1, lower, L"akten"},
        {"WithoutLabel", {upper, unlabelled}, L"Akten", 1, unlabelled, L"Akten"},
    };
    Configure(standin.Path(), {});
    size_t starts = 0;
    for (const Case& c : cases) {
        RegistryFixture::DeleteAllSettings();
        reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Dir", s_setup->Folder());
        Configure(standin.Path(), c.locations);
        if (!c.remembered.empty())
            reg.SetText(HKEY_CURRENT_USER, RegistryFixture::UserKey(), L"LastOberlaneConfig", c.remembered);
        DialogWatcher watcher({DialogAnswer{IDOK, c.choice}});
        RunArguments args(Documents(1));
        ASSERT_EQ(Run(args), S_OK) << c.name;
        ASSERT_TRUE(standin.WaitForRecords(++starts)) << c.name;
        const std::wstring parameters = standin.Records().back().parameters;
        EXPECT_EQ(parameters.find(c.passed + L" files="), 0u) << c.name << ": " << ToUtf8(parameters);
        std::wstring remembered;
        RegistryFixture::GetText(HKEY_CURRENT_USER, RegistryFixture::UserKey(), L"LastOberlaneConfig", &remembered);
        EXPECT_EQ(remembered, c.rememberedAfter) << c.name;
    }
}

TEST_F(RunTest, NoUsablePathStartsWithTheLocationOnly)
{
    Configure(standin.Path(), {LOCATION_A});
    std::wstring doc = Documents(1)[0];
    struct Case {
        const char* name;
        std::vector<std::wstring> paths;
        int count;
        bool nullList;
    };
    const Case cases[] = {
        {"empty list", {}, 0, false},
        {"null list", {}, 1, true},
        {"count 0", {doc}, 0, false},
        {"count -1", {doc}, -1, false},
    };
    size_t starts = 0;
    for (const Case& c : cases) {
        RunArguments args(c.paths);
        V_INT(&args.Slots()[ARG_PATHCOUNT]) = c.count;
        if (c.nullList)
            args.Slots()[ARG_PATHLIST].byref = nullptr;
        EXPECT_EQ(Run(args), S_OK) << c.name;
        ASSERT_TRUE(standin.WaitForRecords(++starts)) << c.name;
        EXPECT_EQ(standin.Records().back().parameters, std::wstring(LOCATION_A) + L" startapp=6") << c.name;
    }
    EXPECT_TRUE(NewFolders().empty());
}

TEST_F(RunTest, ArgumentCountChoosesTheSlots)
{
    Configure(standin.Path(), {});
    std::wstring ini = IniFile("[Properties]\r\nTitle=Offer\r\n");
    struct Case {
        UINT cArgs;
        int count;
        size_t folders;
        bool properties;
    };
    // 1: slot 0 with one path; 2: slot 0 and 1, one path whatever follows;
    // 3: slots 0 and 3, slot 1 unread; 4: all of them.
    const Case cases[] = {{1, 2, 1, false}, {2, 2, 1, true}, {3, 2, 2, false}, {4, 2, 2, true}, {4, 1, 1, true}};
    size_t starts = 0;
    for (const Case& c : cases) {
        before = InboxFolders();
        RunArguments args(Documents(2), ini);
        V_INT(&args.Slots()[ARG_PATHCOUNT]) = c.count;
        V_INT(&args.Slots()[ARG_LISTLENGTH]) = 99999; // never read
        ASSERT_EQ(Run(args, c.cArgs), S_OK) << c.cArgs;
        ASSERT_TRUE(standin.WaitForRecords(++starts)) << c.cArgs;
        std::vector<std::wstring> ids = FilesParameter(standin.Records().back().parameters);
        ASSERT_EQ(ids.size(), c.folders) << c.cArgs;
        EXPECT_EQ(NewFolders().size(), c.folders) << c.cArgs;
        EXPECT_EQ(PropertiesOf(HandoffText(ids[0])).size(), c.properties ? 1u : 0u) << c.cArgs;
    }
}

TEST_F(RunTest, OddIniArgumentsGiveNoProperties)
{
    Configure(standin.Path(), {});
    std::wstring folderIni = files.MakeDir(L"folder.ini");
    std::wstring noSection = files.WriteFile(L"other.ini", "[Mimetype]\r\npdf\r\n");
    size_t starts = 0;
    for (const std::wstring& ini :
         {std::wstring(), files / L"missing.ini", files / L"missing\\x.ini", folderIni, noSection}) {
        RunArguments args(Documents(1), ini);
        ASSERT_EQ(Run(args), S_OK) << ToUtf8(ini);
        ASSERT_TRUE(standin.WaitForRecords(++starts));
        std::vector<std::wstring> ids = FilesParameter(standin.Records().back().parameters);
        ASSERT_EQ(ids.size(), 1u);
        EXPECT_TRUE(PropertiesOf(HandoffText(ids[0])).empty()) << ToUtf8(ini);
    }
    // Slot 1 that is no text is not read as one.
    RunArguments args(Documents(1));
    SysFreeString(V_BSTR(&args.Slots()[ARG_PROPERTIES]));
    V_VT(&args.Slots()[ARG_PROPERTIES]) = VT_I4;
    V_I4(&args.Slots()[ARG_PROPERTIES]) = 0x1234;
    EXPECT_EQ(Run(args), S_OK);
    V_VT(&args.Slots()[ARG_PROPERTIES]) = VT_BSTR;
    V_BSTR(&args.Slots()[ARG_PROPERTIES]) = nullptr;
    ASSERT_TRUE(standin.WaitForRecords(++starts));
}

TEST_F(RunTest, RelativeIniPathMeansTheCurrentFolder)
{
    Configure(standin.Path(), {});
    IniFile("[Properties]\r\nTitle=Offer\r\n");
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(files.Path().c_str());
    RunArguments args(Documents(1), L"upload.ini");
    HRESULT hr = Run(args);
    SetCurrentDirectoryW(previous);
    ASSERT_EQ(hr, S_OK);
    std::vector<std::wstring> ids = FilesParameter(Started().parameters);
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(PropertiesOf(HandoffText(ids[0])),
              (std::vector<std::pair<std::wstring, std::wstring>>{{L"Title", L"Offer"}}));
}

TEST_F(RunTest, LongPropertiesLineIsTakenWhole)
{
    Configure(standin.Path(), {});
    // Cut at a line buffer, the tail would read as a property of its own.
    const std::string longValue = std::string(4096 - 5, 'x') + "Injected=evil";
    std::wstring ini = IniFile("[Properties]\r\nBefore=1\r\nLong=" + longValue + "\r\nAfter=2\r\n");
    RunArguments args(Documents(1), ini);
    ASSERT_EQ(Run(args), S_OK);
    std::vector<std::wstring> ids = FilesParameter(Started().parameters);
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(PropertiesOf(HandoffText(ids[0])),
              (std::vector<std::pair<std::wstring, std::wstring>>{
                  {L"After", L"2"}, {L"Before", L"1"}, {L"Long", FromUtf8(longValue)}}));
}

} // namespace

namespace {

// The section is read whole whatever its size: a few lines beyond 65,536
// characters, thousands of lines, a huge value in the middle.
TEST_F(RunTest, PropertiesSectionIsReadWhole)
{
    Configure(standin.Path(), {});
    struct Case {
        const char* name;
        int lines;
        size_t valueChars;
        size_t hugeAt; // index of the line with a 100,000-character value; lines: none
    } cases[] = {
        {"JustBeyondTheFirstBuffer", 800, 90, 800},
        {"FourThousandLines", 4000, 20, 4000},
        {"HugeValueInTheMiddle", 20, 10, 10},
    };
    size_t starts = 0;
    for (const Case& c : cases) {
        std::string text = "[Properties]\r\n";
        std::vector<std::pair<std::wstring, std::wstring>> expected;
        for (int i = 0; i < c.lines; ++i) {
            std::string value(static_cast<size_t>(i) == c.hugeAt ? 100000 : c.valueChars, 'a' + i % 26);
            std::string name = "P" + std::to_string(10000 + i);
            text += name + "=" + value + "\r\n";
            expected.emplace_back(FromUtf8(name), FromUtf8(value));
        }
        text += "[Other]\r\nQ=1\r\n";
        RunArguments args(Documents(1), IniFile(text));
        ASSERT_EQ(Run(args), S_OK) << c.name;
        ASSERT_TRUE(standin.WaitForRecords(++starts)) << c.name;
        std::vector<std::wstring> ids = FilesParameter(standin.Records().back().parameters);
        ASSERT_EQ(ids.size(), 1u) << c.name;
        EXPECT_TRUE(PropertiesOf(HandoffText(ids[0])) == expected) << c.name;
    }
}

// An ini that is there but cannot be read (another program holds it open
// without sharing) fails the call: no document goes without the properties
// its caller asked for.
TEST_F(RunTest, UnreadablePropertiesFileFailsTheCall)
{
    Configure(standin.Path(), {LOCATION_A});
    std::wstring ini = IniFile("[Properties]\r\nTitle=Offer\r\n");
    HANDLE held = CreateFileW(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    DialogWatcher watcher;
    RunArguments args(Documents(2), ini);
    HRESULT hr = Run(args);
    CloseHandle(held);
    EXPECT_EQ(hr, E_FAIL);
    ASSERT_EQ(watcher.Count(), 1u);
    EXPECT_EQ(watcher.Seen()[0].caption, L"Fehler bei der Dokumentablage");
    EXPECT_EQ(watcher.Seen()[0].text, L"Die Dateieigenschaften konnten nicht zwischengespeichert werden.");
    EXPECT_TRUE(NewFolders().empty());
    Sleep(500);
    EXPECT_TRUE(standin.Records().empty());
}

} // namespace

namespace {

TEST_F(RunTest, OnlyADocumentDirectlyInAHandoffFolderUsesThatFolder)
{
    // Anything else that merely starts like a hand-off folder would make its
    // parent the hand-off folder: its file written there, that folder named
    // for deletion and handed to the receiving program.
    Configure(standin.Path(), {LOCATION_A});
    const std::wstring outsideName = files.Path().substr(files.Path().rfind(L'\\') + 1);
    std::wstring report = files.WriteFile(L"Reports\\q3.pdf", "q3");
    files.WriteFile(L"Reports\\Reports.xml", "mine");
    std::wstring genuineFolder = InboxPath() + L"\\kq_data_" + std::to_wstring(GetTickCount() + 7000000);
    std::wstring genuine = TempDir::WriteLongPath(genuineFolder + L"\\Angebot.pdf", "g");
    std::wstring strayFile = TempDir::WriteLongPath(InboxPath() + L"\\kq_data_x.txt", "stray");
    std::wstring nested = TempDir::WriteLongPath(genuineFolder + L"\\sub\\deeper.pdf", "n");
    std::wstring lettered = TempDir::WriteLongPath(InboxPath() + L"\\kq_data_12ab\\x.pdf", "l");
    struct Case {
        const char* name;
        std::wstring given;
        std::wstring document; // the full path that the hand-off file names
        bool ownFolder;        // written into the document's own folder
    } cases[] = {
        {"through kq_data_ and ..", InboxPath() + L"\\kq_data_\\..\\..\\" + outsideName + L"\\Reports\\q3.pdf", report,
         false},
        {"a kq_data_ file in the inbox", strayFile, strayFile, false},
        {"a subfolder of a hand-off folder", nested, nested, false},
        {"not only digits", lettered, lettered, false},
        {"a hand-off folder", genuine, genuine, true},
    };
    for (const Case& c : cases) {
        before = InboxFolders();
        // The log files and the stand-in's record may grow meanwhile.
        const std::vector<std::wstring> growing = {L".log", L"oberlane-record.txt"};
        FileSnapshot outsideBefore = SnapshotFiles(TempPath().substr(0, TempPath().size() - 1), before, growing);
        size_t starts = standin.Records().size();
        RunArguments args({c.given});
        ASSERT_EQ(Run(args), S_OK) << c.name;
        ASSERT_TRUE(standin.WaitForRecords(starts + 1)) << c.name;
        std::vector<std::wstring> ids = FilesParameter(standin.Records().back().parameters);
        ASSERT_EQ(ids.size(), 1u) << c.name;
        std::wstring folder = InboxPath() + L"\\" + ids[0];
        std::wstring xml = HandoffText(ids[0]);
        EXPECT_EQ(ElementText(xml, L"path"), c.document) << c.name;
        EXPECT_EQ(ElementText(xml, L"deletefile"), folder) << c.name;
        EXPECT_TRUE(ParsesAsXml(folder + L"\\" + ids[0] + L".xml")) << c.name;
        if (c.ownFolder) {
            EXPECT_EQ(folder, genuineFolder) << c.name;
            EXPECT_TRUE(NewFolders().empty()) << c.name;
            continue;
        }
        EXPECT_EQ(NewFolders(), std::vector<std::wstring>{ids[0]}) << c.name;
        // Outside the new hand-off folder nothing was made or changed.
        std::set<std::wstring> skip = before;
        skip.insert(ids[0]);
        EXPECT_EQ(outsideBefore, SnapshotFiles(TempPath().substr(0, TempPath().size() - 1), skip, growing)) << c.name;
    }
    EXPECT_EQ(ReadFileBytes(files / L"Reports\\Reports.xml"), "mine");
    RemoveTree(genuineFolder);
    RemoveTree(InboxPath() + L"\\kq_data_12ab");
    DeleteFileW(strayFile.c_str());
}

TEST_F(RunTest, RelativePathsAreWrittenInFullAndDevicesAreSkipped)
{
    Configure(standin.Path(), {LOCATION_A});
    std::wstring plain = files.WriteFile(L"plain.txt", "p");
    std::wstring other = files.WriteFile(L"sub\\other.txt", "o");
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(files.Path().c_str());
    RunArguments args({L"plain.txt", L"CON", L"NUL", L"com1.pdf", L"CONOUT$", L".\\sub\\..\\sub\\other.txt"});
    HRESULT hr = Run(args);
    SetCurrentDirectoryW(previous);
    ASSERT_EQ(hr, S_OK);
    std::vector<std::wstring> ids = FilesParameter(Started().parameters);
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_EQ(ElementText(HandoffText(ids[0]), L"path"), plain);
    EXPECT_EQ(ElementText(HandoffText(ids[1]), L"path"), other);
    for (const std::wstring& id : ids)
        EXPECT_TRUE(ParsesAsXml(InboxPath() + L"\\" + id + L"\\" + id + L".xml"));
}

TEST_F(RunTest, DocumentsThatVanishedAreNamedAndTheCallFails)
{
    // The others are still handed off; the caller learns that not all were.
    Configure(standin.Path(), {LOCATION_A});
    const std::wstring intro = L"Das Dokument konnte nicht abgelegt werden.\r\nEs trat ein schwerwiegender Fehler auf."
                               L"\r\n\r\nFehler:\r\n";
    struct {
        const char* name;
        int documents;
        // Every step-th listed path has vanished (0: only one path, vanished).
        int step;
        size_t nameChars;
        bool allNamed;
    } cases[] = {
        {"a few among many", 60, 20, 8, true},
        {"more than the box holds", 400, 2, 40, false},
        {"the only document", 0, 0, 8, true},
    };
    size_t starts = 0;
    for (const auto& c : cases) {
        before = InboxFolders();
        std::vector<std::wstring> listed, present, vanished;
        int total = c.step ? c.documents : 1;
        for (int i = 0; i < total; ++i) {
            std::wstring name = std::wstring(c.nameChars, L'v') + L" " + std::to_wstring(starts) + L"-" +
                                std::to_wstring(i) + L".pdf";
            if (c.step == 0 || i % c.step == 1) {
                listed.push_back(files / name);
                vanished.push_back(listed.back());
            } else {
                listed.push_back(files.WriteFile(name, "%PDF-1.4"));
                present.push_back(listed.back());
            }
        }
        DialogWatcher watcher;
        RunArguments args(listed);
        EXPECT_EQ(Run(args), E_FAIL) << c.name;

        ASSERT_EQ(watcher.Count(), 1u) << c.name;
        SeenDialog box = watcher.Seen()[0];
        EXPECT_EQ(box.caption, L"Fehler bei der Dokumentablage") << c.name;
        ASSERT_EQ(box.text.compare(0, intro.size(), intro), 0) << c.name << ": " << ToUtf8(box.text);
        std::wstring named = box.text.substr(intro.size());
        EXPECT_LE(box.text.size(), 1024u) << c.name;
        std::wstring all;
        for (const std::wstring& path : vanished)
            all += (all.empty() ? L"" : L"\r\n") + path;
        if (c.allNamed) {
            EXPECT_EQ(named, all) << c.name;
        } else {
            // Whole names in list order, then the line that says there are more.
            ASSERT_GE(named.size(), 5u) << c.name;
            EXPECT_EQ(named.substr(named.size() - 5), L"\r\n...") << c.name;
            std::wstring shown = named.substr(0, named.size() - 5);
            EXPECT_EQ(all.compare(0, shown.size() + 2, shown + L"\r\n"), 0) << c.name;
            EXPECT_GT(shown.size(), 500u) << c.name << ": the box is filled";
        }

        if (present.empty()) {
            EXPECT_FALSE(standin.WaitForRecords(starts + 1, 1000)) << c.name << ": nothing to start";
            EXPECT_TRUE(NewFolders().empty()) << c.name;
            continue;
        }
        // The receiving program got every document that was there, in order.
        ASSERT_TRUE(standin.WaitForRecords(starts + 1)) << c.name;
        std::vector<StandinRecord> records = standin.Records();
        std::vector<std::wstring> handedOff;
        for (size_t r = starts; r < records.size(); ++r) {
            EXPECT_EQ(records[r].parameters.find(LOCATION_A), 0u) << c.name;
            for (const std::wstring& id : FilesParameter(records[r].parameters)) {
                EXPECT_TRUE(ParsesAsXml(InboxPath() + L"\\" + id + L"\\" + id + L".xml")) << c.name;
                handedOff.push_back(ElementText(HandoffText(id), L"path"));
            }
        }
        starts = records.size();
        EXPECT_EQ(handedOff, present) << c.name;
        EXPECT_EQ(NewFolders().size(), present.size()) << c.name;
        for (const std::wstring& path : vanished)
            EXPECT_FALSE(FileExists(path)) << c.name;
    }
}

} // namespace

namespace {

const wchar_t NOT_HANDED_OFF[] = L"Das Dokument konnte nicht abgelegt werden.\r\nEs trat ein schwerwiegender "
                                 L"Fehler auf.\r\n\r\nFehler:\r\n";

std::wstring Lines(const std::vector<std::wstring>& names)
{
    std::wstring text;
    for (const std::wstring& name : names)
        text += (text.empty() ? L"" : L"\r\n") + name;
    return text;
}

// Hand-off folders in the inbox as captures and other processes leave them:
// one that waits for the receiving program, one whose hand-off file's name
// is taken by a folder, one that has documents and no hand-off file yet.
class RunInboxTest : public RunTest
{
protected:
    void SetUp() override
    {
        RunTest::SetUp();
        Configure(standin.Path(), {LOCATION_A});
        pendingId = L"kq_data_" + std::to_wstring(GetTickCount() + 7100000);
        pendingDoc = TempDir::WriteLongPath(Folder(pendingId) + L"a.msg", "mail");
        pendingFile = TempDir::WriteLongPath(Folder(pendingId) + pendingId + L".xml", "<files/>");
        blockedId = L"kq_data_" + std::to_wstring(GetTickCount() + 7100001);
        blockedDoc = TempDir::WriteLongPath(Folder(blockedId) + L"doc.txt", "doc");
        ASSERT_TRUE(CreateDirectoryW((Folder(blockedId) + blockedId + L".xml").c_str(), nullptr));
        freshId = L"kq_data_" + std::to_wstring(GetTickCount() + 7100002);
        freshX = TempDir::WriteLongPath(Folder(freshId) + L"x.pdf", "x");
        freshY = TempDir::WriteLongPath(Folder(freshId) + L"y.pdf", "y");
        before = InboxFolders();
    }
    void TearDown() override
    {
        // Whatever a call did, the hand-offs of others stay as they were.
        EXPECT_EQ("<files/>", ReadFileBytes(pendingFile));
        EXPECT_EQ("mail", ReadFileBytes(pendingDoc));
        DWORD attributes = GetFileAttributesW((Folder(blockedId) + blockedId + L".xml").c_str());
        EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
        EXPECT_FALSE(FileExists(Folder(pendingId) + L"__freetodelete__.bin"));
        EXPECT_FALSE(FileExists(Folder(blockedId) + L"__freetodelete__.bin"));
        for (const std::wstring& id : {pendingId, blockedId, freshId})
            RemoveTree(InboxPath() + L"\\" + id);
        RunTest::TearDown();
    }
    static std::wstring Folder(const std::wstring& id) { return InboxPath() + L"\\" + id + L"\\"; }

    std::wstring pendingId, pendingDoc, pendingFile, blockedId, blockedDoc, freshId, freshX, freshY;
};

// Listed paths of which none is handed off start nothing and fail, and the
// message names what was listed.
TEST_F(RunInboxTest, NoDocumentHandedOffStartsNothingAndFails)
{
    std::wstring folder = files.MakeDir(L"Ordner");
    std::wstring gone = files / L"weg.pdf";
    struct {
        const char* name;
        std::vector<std::wstring> listed, named;
    } cases[] = {
        {"a folder", {folder}, {folder}},
        {"a folder and a device", {folder, L"NUL"}, {folder, L"NUL"}},
        {"a pending hand-off's document", {pendingDoc}, {pendingDoc}},
        {"a folder at the hand-off file's name", {blockedDoc}, {blockedDoc}},
        {"all of them", {folder, gone, pendingFile, blockedDoc, L"NUL"}, {gone, pendingFile, blockedDoc}},
    };
    for (const auto& c : cases) {
        DialogWatcher watcher;
        RunArguments args(c.listed);
        EXPECT_EQ(Run(args), E_FAIL) << c.name;
        ASSERT_EQ(watcher.Count(), 1u) << c.name;
        EXPECT_EQ(watcher.Seen()[0].caption, L"Fehler bei der Dokumentablage") << c.name;
        EXPECT_EQ(watcher.Seen()[0].text, NOT_HANDED_OFF + Lines(c.named)) << c.name;
        EXPECT_TRUE(NewFolders().empty()) << c.name;
    }
    EXPECT_FALSE(standin.WaitForRecords(1, 1000)) << "nothing is started";
}

// A document that Run refuses or cannot write a hand-off file for is named
// and fails the call; the others are handed off, a second document of a
// folder that got its file in this call in a folder of its own.
TEST_F(RunInboxTest, RefusedDocumentsAreNamedAndTheOthersHandedOff)
{
    std::wstring a = files.WriteFile(L"a.txt", "a");
    std::wstring b = files.WriteFile(L"b.txt", "b");
    struct {
        const char* name;
        std::vector<std::wstring> listed, handedOff, named;
    } cases[] = {
        {"a folder at the hand-off file's name", {a, blockedDoc, b}, {a, b}, {blockedDoc}},
        {"a pending hand-off's document", {a, pendingDoc, b}, {a, b}, {pendingDoc}},
        {"two documents of a folder without its file", {freshX, freshY}, {freshX, freshY}, {}},
    };
    size_t starts = 0;
    for (const auto& c : cases) {
        before = InboxFolders();
        DialogWatcher watcher;
        RunArguments args(c.listed);
        EXPECT_EQ(Run(args), c.named.empty() ? S_OK : E_FAIL) << c.name;
        ASSERT_EQ(watcher.Count(), c.named.empty() ? 0u : 1u) << c.name;
        if (!c.named.empty())
            EXPECT_EQ(watcher.Seen()[0].text, NOT_HANDED_OFF + Lines(c.named)) << c.name;

        ASSERT_TRUE(standin.WaitForRecords(++starts)) << c.name;
        std::vector<std::wstring> ids = FilesParameter(standin.Records().back().parameters);
        std::vector<std::wstring> documents;
        for (const std::wstring& id : ids) {
            const std::wstring file = InboxPath() + L"\\" + id + L"\\" + id + L".xml";
            EXPECT_TRUE(ParsesAsXml(file)) << c.name;
            documents.push_back(ElementText(HandoffText(id), L"path"));
            EXPECT_EQ(ElementText(HandoffText(id), L"id"), id) << c.name;
            EXPECT_FALSE(FileExists(InboxPath() + L"\\" + id + L"\\__freetodelete__.bin")) << c.name;
        }
        EXPECT_EQ(documents, c.handedOff) << c.name;
        // Only the documents from elsewhere, and the second one of the
        // folder without its file, got new folders.
        EXPECT_EQ(NewFolders().size(), c.named.empty() ? 1u : 2u) << c.name;
    }
    EXPECT_EQ(FilesParameter(standin.Records().back().parameters)[0], freshId);
}

// Only a properties file that is not there means no properties: one that
// cannot be looked at fails the call before anything is written.
TEST_F(RunTest, PropertiesFileThatCannotBeLookedAtFailsTheCall)
{
    Configure(standin.Path(), {LOCATION_A});
    const std::wstring cases[] = {
        files.Path() + L"\\a?b.ini",
        files.Path() + L"\\" + std::wstring(2100, L'p') + L".ini",
    };
    for (const std::wstring& ini : cases) {
        DialogWatcher watcher;
        RunArguments args(Documents(1), ini);
        EXPECT_EQ(Run(args), E_FAIL) << ToUtf8(ini.substr(0, 80));
        ASSERT_EQ(watcher.Count(), 1u);
        EXPECT_EQ(watcher.Seen()[0].text, L"Die Dateieigenschaften konnten nicht zwischengespeichert werden.");
        EXPECT_TRUE(NewFolders().empty());
    }
    EXPECT_FALSE(standin.WaitForRecords(1, 1000));
}

// A hand-off that ends before anything is started leaves the folders it
// wrote marked for deletion rather than waiting as pending hand-offs: here
// the temporary folder is too long for a new hand-off folder, while the
// short one the first document lies in takes its file.
TEST_F(RunTest, AHandoffEndedBeforeTheStartMarksTheFoldersItWrote)
{
    Configure(standin.Path(), {LOCATION_A});
    std::wstring outside = Documents(1)[0];
    ScopedTempFolder temp(L"long", 210);
    const std::wstring folder = temp.Path() + L"kq_temp_inbox\\kq_data_1\\";
    std::wstring own = TempDir::WriteLongPath(folder + L"d.txt", "d");
    DialogWatcher watcher;
    RunArguments args({own, outside});
    EXPECT_EQ(Run(args), E_FAIL);
    ASSERT_EQ(watcher.Count(), 1u);
    EXPECT_EQ(watcher.Seen()[0].text, L"Die Dateieigenschaften konnten nicht zwischengespeichert werden.");
    EXPECT_TRUE(ParsesAsXml(folder + L"kq_data_1.xml"));
    EXPECT_TRUE(FileExists(folder + L"__freetodelete__.bin"));
    EXPECT_FALSE(standin.WaitForRecords(1, 1000));
}

} // namespace
