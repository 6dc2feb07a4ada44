// Quenby.exe end to end under Wine: the built Brenmark registered from a
// setup.ini whose receiving program is the stand-in, documents handed off
// through the connector's Run, and what the receiving program got.
#include "QuenbyProcess.h"

#include "ConnectorClient.h"
#include "DialogWatcher.h"
#include "HandoffXml.h"
#include "OberlaneStandin.h"
#include "RegistryFixture.h"
#include "ScopedTempFolder.h"
#include "TempDir.h"
#include "XmlCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

const wchar_t LOCATION[] = L"label=\"Archiv\" appid=A1 configid=C1";
const wchar_t SECOND_LOCATION[] = L"label=\"Projekte\" appid=A2 configid=C2";

std::wstring InboxFolder(const std::wstring& id)
{
    return TempPath() + L"kq_temp_inbox\\" + id;
}

std::wstring HandoffFileText(const std::wstring& id)
{
    return FromUtf8(ReadFileBytes(InboxFolder(id) + L"\\" + id + L".xml"));
}

size_t InboxFolderCount()
{
    return FolderNames(TempPath() + L"kq_temp_inbox\\kq_data_*").size();
}

class QuenbyHandoff : public RegistryTest
{
protected:
    void Register(const std::vector<std::wstring>& locations)
    {
        m_setup.reset(new BrenmarkSetup(ConnectorSetupIni(standin.Path(), locations)));
        ASSERT_EQ(0u, m_setup->Register());
    }
    void SetUp() override
    {
        RegistryTest::SetUp();
        Register({LOCATION});
    }
    void TearDown() override
    {
        if (m_setup)
            m_setup->Unregister();
        RegistryTest::TearDown();
    }

    // One run that ends with exit code 0 and starts the receiving program
    // once; its parameters.
    std::wstring HandOff(const std::wstring& arguments)
    {
        size_t before = standin.Records().size();
        EXPECT_EQ(0, RunQuenby(arguments)) << arguments;
        EXPECT_TRUE(standin.WaitForRecords(before + 1)) << arguments;
        std::vector<StandinRecord> records = standin.Records();
        return records.empty() ? std::wstring() : records.back().parameters;
    }

    // The documents of the hand-off files that the parameters list.
    std::vector<std::wstring> Documents(const std::wstring& parameters)
    {
        std::vector<std::wstring> documents;
        for (const std::wstring& id : FilesParameter(parameters))
            documents.push_back(ElementText(HandoffFileText(id), L"path"));
        return documents;
    }

    OberlaneStandin standin;
    TempDir dir;

private:
    std::unique_ptr<BrenmarkSetup> m_setup;
};

TEST_F(QuenbyHandoff, FolderWithThreeFilesInTwoSubfoldersGivesThreeHandoffFolders)
{
    std::vector<std::wstring> files = {dir.WriteFile(L"docs\\a.pdf", "a"), dir.WriteFile(L"docs\\one\\b.txt", "b"),
                                       dir.WriteFile(L"docs\\two\\c", "c")};
    std::wstring parameters = HandOff(L"/f " + Quoted(dir / L"docs"));

    EXPECT_EQ(0u, parameters.find(LOCATION)) << parameters;
    EXPECT_NE(std::wstring::npos, parameters.find(L" files=kq_data_")) << parameters;
    ASSERT_GE(parameters.size(), 11u);
    EXPECT_EQ(L" startapp=6", parameters.substr(parameters.size() - 11)) << parameters;
    std::vector<std::wstring> ids = FilesParameter(parameters);
    EXPECT_EQ(3u, ids.size());
    EXPECT_EQ(3u, std::set<std::wstring>(ids.begin(), ids.end()).size()) << "a folder of its own for each";
    std::vector<std::wstring> documents = Documents(parameters);
    std::sort(documents.begin(), documents.end());
    EXPECT_EQ(files, documents);
}

TEST_F(QuenbyHandoff, ArgumentsThatNameNothingAreNamedAndTheOthersHandedOff)
{
    std::wstring a = dir.WriteFile(L"docs\\a.txt", "a");
    std::wstring b = dir.WriteFile(L"docs\\b.txt", "b");
    // A document that reads as a properties file.
    std::wstring notes = dir.WriteFile(L"docs\\notes.txt", "[Properties]\r\nInjected=from a document\r\n");
    dir.MakeDir(L"My Docs");
    std::wstring slashed = dir.Path();
    std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
    const std::wstring huge = dir / std::wstring(32000 - dir.Path().size() - 1, L'x');
    struct {
        const char* name;
        std::wstring arguments;
        std::vector<std::wstring> documents;
        std::vector<std::wstring> named; // on the standard output, as skipped
    } cases[] = {
        {"a path holding /s", L"/f " + Quoted(a) + L" " + Quoted(slashed + L"/sales/q1.txt") + L" " + Quoted(b), {a, b},
         {slashed + L"/sales/q1.txt"}},
        {"a path holding /c", L"/f " + Quoted(a) + L" " + Quoted(slashed + L"/cfg/gone.txt") + L" " + Quoted(notes), {a, notes},
         {slashed + L"/cfg/gone.txt"}},
        {"a missing file", L"/f " + Quoted(a) + L" " + Quoted(dir / L"missing.txt") + L" " + Quoted(b), {a, b},
         {dir / L"missing.txt"}},
        {"a repeated /f", L"/f " + Quoted(a) + L" /f " + Quoted(b), {a, b}, {}},
        {"32,000 characters", L"/f " + Quoted(a) + L" " + Quoted(huge) + L" " + Quoted(b), {a, b}, {huge}},
        // The closing backslash before the quote takes in the rest of the line.
        {"a folder with its closing backslash", L"/f " + Quoted(a) + L" \"" + dir.Path() + L"\\My Docs\\\" " + b,
         {a}, {dir.Path() + L"\\My Docs\" " + b}},
    };
    for (const auto& c : cases) {
        size_t before = standin.Records().size();
        // No settings dialog, no message.
        DialogWatcher watcher(std::vector<DialogAnswer>{}, DialogAnswer{IDCANCEL}, true);
        std::string output;
        EXPECT_EQ(c.named.empty() ? 0 : 1, RunQuenby(c.arguments, 60000, std::wstring(), &output)) << c.name;
        EXPECT_EQ(0u, watcher.Count()) << c.name;
        for (const std::wstring& path : c.named)
            EXPECT_NE(std::string::npos, output.find(", skipped: " + ToUtf8(path) + "\r\n"))
                << c.name << "\n" << output.substr(0, 500);
        ASSERT_TRUE(standin.WaitForRecords(before + 1)) << c.name;
        std::wstring parameters = standin.Records().back().parameters;
        std::vector<std::wstring> documents = Documents(parameters);
        EXPECT_EQ(c.documents, documents) << c.name;
        for (const std::wstring& id : FilesParameter(parameters))
            EXPECT_EQ(std::wstring::npos, HandoffFileText(id).find(L"<property")) << c.name;
    }
}

TEST_F(QuenbyHandoff, PropertiesFileGoesIntoEveryHandoffFile)
{
    std::wstring a = dir.WriteFile(L"a.pdf", "a");
    std::wstring b = dir.WriteFile(L"b.pdf", "b");
    std::wstring ini = dir.WriteFile(L"upload.ini", "[Properties]\r\nKunde=Muster GmbH\r\nNotiz=a=b\r\n");
    std::wstring parameters = HandOff(L"/c " + Quoted(ini) + L" /f " + Quoted(a) + L" " + Quoted(b));
    std::vector<std::wstring> ids = FilesParameter(parameters);
    ASSERT_EQ(2u, ids.size());
    for (const std::wstring& id : ids) {
        std::wstring xml = HandoffFileText(id);
        EXPECT_NE(std::wstring::npos, xml.find(L"name=\"Kunde\"><![CDATA[Muster GmbH]]>")) << xml;
        EXPECT_NE(std::wstring::npos, xml.find(L"name=\"Notiz\"><![CDATA[a=b]]>")) << xml;
    }
}

TEST_F(QuenbyHandoff, PropertiesFileThatIsMissingOrAFolderIsRefusedBeforeAnyHandoff)
{
    std::wstring a = dir.WriteFile(L"a.pdf", "a");
    dir.WriteFile(L"folder\\inside.pdf", "i");
    const std::wstring log = TempPath() + L"Quenby.log";
    struct {
        const char* name;
        std::wstring arguments;
        std::wstring logged; // what the log line names
    } cases[] = {
        {"a folder", L"/c " + Quoted(dir / L"folder") + L" /f " + Quoted(a), dir / L"folder"},
        {"a missing file", L"/c " + Quoted(dir / L"missing.ini") + L" /f " + Quoted(a), dir / L"missing.ini"},
        {"behind the documents", L"/f " + Quoted(a) + L" /C " + Quoted(dir / L"missing.ini"), dir / L"missing.ini"},
        {"no file at all", L"/f " + Quoted(a) + L" /c", L"\"/c\""},
    };
    for (const auto& c : cases) {
        size_t folders = InboxFolderCount();
        size_t logged = ReadFileBytes(log).size();
        DialogWatcher watcher(std::vector<DialogAnswer>{}, DialogAnswer{IDOK}, true);
        EXPECT_EQ(1, RunQuenby(c.arguments)) << c.name;
        ASSERT_EQ(1u, watcher.Count()) << c.name;
        EXPECT_EQ(L"Fehler bei der Dokumentablage", watcher.Seen()[0].caption);
        EXPECT_EQ(L"Die Dateieigenschaften konnten nicht zwischengespeichert werden.", watcher.Seen()[0].text);
        EXPECT_FALSE(standin.WaitForRecords(1, 1000)) << c.name;
        EXPECT_EQ(folders, InboxFolderCount()) << c.name;
        std::string tail = ReadFileBytes(log).substr(logged);
        EXPECT_NE(std::string::npos, tail.find("[ERR] ")) << c.name << "\n" << tail;
        EXPECT_NE(std::string::npos, tail.find(ToUtf8(c.logged))) << c.name << "\n" << tail;
    }
    // The same file, once it is there, goes into the hand-off.
    dir.WriteFile(L"missing.ini", "[Properties]\r\nKunde=Muster GmbH\r\n");
    std::vector<std::wstring> ids = FilesParameter(HandOff(cases[1].arguments));
    ASSERT_EQ(1u, ids.size());
    EXPECT_NE(std::wstring::npos, HandoffFileText(ids[0]).find(L"name=\"Kunde\"><![CDATA[Muster GmbH]]>"));
}

TEST_F(QuenbyHandoff, SettingsSwitchCallsDisplaySettings)
{
    // Until the settings dialog is there the member answers at once; a dialog
    // that shows is cancelled.
    DialogWatcher watcher(std::vector<DialogAnswer>{}, DialogAnswer{IDCANCEL}, true);
    EXPECT_EQ(0, RunQuenby(L"/s"));
    Sleep(500);
    EXPECT_TRUE(standin.Records().empty()) << "nothing is handed off";
}

TEST_F(QuenbyHandoff, CancelInTheStorageLocationDialogStartsNothing)
{
    RegistryFixture::DeleteAllSettings();
    Register({LOCATION, SECOND_LOCATION});
    std::wstring a = dir.WriteFile(L"a.pdf", "a");
    size_t before = InboxFolderCount();
    DialogWatcher watcher(std::vector<DialogAnswer>{DialogAnswer{IDCANCEL}}, DialogAnswer{IDCANCEL}, true);

    EXPECT_EQ(0, RunQuenby(L"/f " + Quoted(a))) << "a cancelled choice is no failure";
    ASSERT_EQ(1u, watcher.Count());
    EXPECT_EQ(2u, watcher.Seen()[0].listItems.size());
    Sleep(1000);
    EXPECT_TRUE(standin.Records().empty());
    EXPECT_EQ(before, InboxFolderCount()) << "no hand-off folder was made";
}

TEST_F(QuenbyHandoff, RelativePathsAreHandedOffInFullAndDevicesAreNoDocuments)
{
    // The receiving program starts in its own folder: a relative path would
    // name nothing there. A device is no document: it is left out like a
    // missing path, and the documents behind it still go.
    std::wstring plain = dir.WriteFile(L"work\\plain.txt", "p");
    std::wstring other = dir.WriteFile(L"work\\sub\\other.txt", "o");
    struct {
        const wchar_t* arguments;
        std::vector<std::wstring> documents; // empty: nothing handed off
        int code;
    } cases[] = {
        {L"/f plain.txt", {plain}, 0},
        {L"/f .\\sub\\..\\plain.txt sub\\other.txt", {plain, other}, 0},
        {L"/f plain.txt CON sub\\other.txt", {plain, other}, 1},
        {L"/f CON", {}, 1},
        {L"/f nul.txt", {}, 1},
        {L"/f COM1 plain.txt", {plain}, 1},
        {L"/f CONIN$", {}, 1},
    };
    for (const auto& c : cases) {
        size_t before = standin.Records().size();
        DialogWatcher watcher(std::vector<DialogAnswer>{}, DialogAnswer{IDOK}, true);
        int code = RunQuenby(c.arguments, 60000, dir / L"work");
        EXPECT_EQ(c.code, code) << ToUtf8(c.arguments);
        if (c.documents.empty()) {
            ASSERT_EQ(1u, watcher.Count()) << ToUtf8(c.arguments);
            EXPECT_EQ(L"Es wurden keine Dateien ausgew\u00e4hlt.", watcher.Seen()[0].text);
            EXPECT_FALSE(standin.WaitForRecords(before + 1, 1000)) << ToUtf8(c.arguments);
            continue;
        }
        ASSERT_TRUE(standin.WaitForRecords(before + 1)) << ToUtf8(c.arguments);
        std::wstring parameters = standin.Records().back().parameters;
        EXPECT_EQ(c.documents, Documents(parameters)) << ToUtf8(c.arguments);
        for (const std::wstring& id : FilesParameter(parameters))
            EXPECT_TRUE(ParsesAsXml(InboxFolder(id) + L"\\" + id + L".xml")) << ToUtf8(id);
        EXPECT_EQ(0u, watcher.Count());
    }
}

TEST_F(QuenbyHandoff, DocumentsLeftOutGiveExitCodeOneAndTheRestIsHandedOff)
{
    // Files that the walk finds but that cannot be handed off by their path:
    // a name ending in a dot or a blank would name "c" (another document),
    // a path too long for the walker names nothing it could pass on.
    struct {
        const char* name;
        std::function<void(const std::wstring& folder)> make;
    } cases[] = {
        {"trailing dot", [](const std::wstring& folder) { TempDir::WriteLongPath(folder + L"\\c.", "dot"); }},
        {"trailing blank", [](const std::wstring& folder) { TempDir::WriteLongPath(folder + L"\\c ", "blank"); }},
        {"too long",
         [](const std::wstring& folder) {
             TempDir::WriteLongPath(folder + L"\\" + std::wstring(120, L'd') + L"\\" + std::wstring(150, L'f') + L".pdf",
                                    "long");
         }},
    };
    int n = 0;
    for (const auto& c : cases) {
        std::wstring folder = dir.MakeDir(L"left" + std::to_wstring(++n));
        std::wstring a = dir.WriteFile(L"left" + std::to_wstring(n) + L"\\a.pdf", "a");
        std::wstring plainC = dir.WriteFile(L"left" + std::to_wstring(n) + L"\\c", "c");
        c.make(folder);
        size_t before = standin.Records().size();
        EXPECT_EQ(1, RunQuenby(L"/f " + Quoted(folder))) << c.name;
        ASSERT_TRUE(standin.WaitForRecords(before + 1)) << c.name;
        std::wstring parameters = standin.Records().back().parameters;
        std::vector<std::wstring> documents = Documents(parameters);
        std::sort(documents.begin(), documents.end());
        EXPECT_EQ((std::vector<std::wstring>{a, plainC}), documents) << c.name;
        for (const std::wstring& id : FilesParameter(parameters))
            EXPECT_TRUE(ParsesAsXml(InboxFolder(id) + L"\\" + id + L".xml")) << c.name;
    }
    // Nothing left out: exit code 0.
    EXPECT_EQ(0, RunQuenby(L"/f " + Quoted(dir.WriteFile(L"fine\\a.pdf", "a"))));
}

TEST_F(QuenbyHandoff, ALongTemporaryFolderFailsQuicklyAndOverwritesNothing)
{
    // A cut hand-off folder path lost its closing backslash (every document's
    // hand-off file became the same file) or was cut inside the tick digits
    // (a wait for a digit that never changes).
    std::wstring a = dir.WriteFile(L"a.pdf", "a");
    std::wstring b = dir.WriteFile(L"b.pdf", "b");
    for (size_t chars : {231u, 236u}) {
        ScopedTempFolder temp(L"long", chars);
        std::wstring sentinel = TempDir::WriteLongPath(temp.Path() + L"kq_temp_inbox\\kq_temp_inbox.xml", "mine");
        // Only the log may grow.
        const std::wstring folder = temp.Path().substr(0, chars - 1);
        FileSnapshot before = SnapshotFiles(folder, {}, {L".log"});

        DialogWatcher watcher(std::vector<DialogAnswer>{}, DialogAnswer{IDOK}, true);
        DWORD start = GetTickCount();
        EXPECT_EQ(1, RunQuenby(L"/f " + Quoted(a) + L" " + Quoted(b), 30000)) << chars;
        EXPECT_LT(GetTickCount() - start, 20000u) << chars;
        ASSERT_EQ(1u, watcher.Count()) << chars;
        EXPECT_EQ(L"Die Dateieigenschaften konnten nicht zwischengespeichert werden.", watcher.Seen()[0].text);
        EXPECT_FALSE(standin.WaitForRecords(1, 500)) << chars;

        // No file was made or changed.
        EXPECT_EQ(before, SnapshotFiles(folder, {}, {L".log"})) << chars;
        EXPECT_EQ("mine", ReadFileBytes(sentinel));
    }
}

TEST_F(QuenbyHandoff, AVeryLargeHandoffGoesInSeveralWholeStarts)
{
    const int documents = 2500;
    std::wstring folder = dir.MakeDir(L"many");
    std::set<std::wstring> files;
    for (int i = 0; i < documents; ++i)
        files.insert(dir.WriteFile(L"many\\Dokument " + std::to_wstring(i) + L".pdf", "x"));
    EXPECT_EQ(0, RunQuenby(L"/f " + Quoted(folder), 600000));
    ASSERT_TRUE(standin.WaitForRecords(2, 30000));
    Sleep(1000);

    std::set<std::wstring> ids;
    std::set<std::wstring> handedOff;
    size_t listed = 0;
    std::vector<StandinRecord> records = standin.Records();
    for (const StandinRecord& record : records) {
        EXPECT_LT(record.commandLine.size(), 32767u);
        EXPECT_EQ(0u, record.parameters.find(std::wstring(LOCATION) + L" files=kq_data_"));
        ASSERT_GE(record.parameters.size(), 11u);
        EXPECT_EQ(L" startapp=6", record.parameters.substr(record.parameters.size() - 11));
        for (const std::wstring& id : FilesParameter(record.parameters)) {
            ++listed;
            ids.insert(id);
            std::wstring file = InboxFolder(id) + L"\\" + id + L".xml";
            // Whole ids only: each names a hand-off folder with its file.
            ASSERT_TRUE(FileExists(file)) << ToUtf8(id);
            handedOff.insert(ElementText(HandoffFileText(id), L"path"));
            EXPECT_TRUE(ParsesAsXml(file)) << ToUtf8(id);
        }
    }
    EXPECT_GE(records.size(), 2u);
    EXPECT_EQ(static_cast<size_t>(documents), listed) << "every id once";
    EXPECT_EQ(static_cast<size_t>(documents), ids.size());
    EXPECT_EQ(files, handedOff);
}

TEST_F(QuenbyHandoff, PendingHandoffsAndPathsXmlCannotCarryAreSkippedAndNamed)
{
    // A hand-off that waits for the receiving program, as a capture left it.
    const std::string pendingXml = "\xEF\xBB\xBF\r\n<files>\r\n\t<file>\r\n\t\t<property name=\"OTL_SUBJECT\">"
                                   "<![CDATA[Angebot]]></property>\r\n\t\t<path>a.msg</path>\r\n\t</file>\r\n</files>";
    std::wstring pendingId = L"kq_data_" + std::to_wstring(GetTickCount() + 9000000);
    std::wstring mail = TempDir::WriteLongPath(InboxFolder(pendingId) + L"\\a.msg", "mail");
    std::wstring pendingFile = TempDir::WriteLongPath(InboxFolder(pendingId) + L"\\" + pendingId + L".xml", pendingXml);
    // A user's own file that bears a hand-off folder's file name.
    std::wstring ownId = L"kq_data_" + std::to_wstring(GetTickCount() + 9000001);
    std::wstring ownFile = TempDir::WriteLongPath(InboxFolder(ownId) + L"\\" + ownId + L".xml", "mine");
    std::wstring unsafe = dir.WriteFile(L"xml\\a\xFFFE" L"b.txt", "unsafe");
    std::wstring lookalike = dir.WriteFile(L"xml\\a b.txt", "lookalike");
    std::wstring outside = dir.WriteFile(L"outside.pdf", "o");

    struct {
        const char* name;
        std::wstring arguments;
        std::vector<std::wstring> skipped;
        std::vector<std::wstring> documents; // empty: nothing handed off
    } cases[] = {
        {"a walk through a pending hand-off", L"/f " + Quoted(InboxFolder(pendingId)) + L" " + Quoted(outside),
         {mail, pendingFile}, {outside}},
        {"a user's file named like the hand-off file", L"/f " + Quoted(ownFile), {ownFile}, {}},
        {"a path XML cannot carry", L"/f " + Quoted(dir / L"xml"), {unsafe}, {lookalike}},
    };
    for (const auto& c : cases) {
        size_t before = standin.Records().size();
        DialogWatcher watcher(std::vector<DialogAnswer>{}, DialogAnswer{IDOK}, true);
        std::string output;
        EXPECT_EQ(1, RunQuenby(c.arguments, 60000, std::wstring(), &output)) << c.name;
        for (const std::wstring& path : c.skipped)
            EXPECT_NE(std::string::npos, output.find(", skipped: " + ToUtf8(path) + "\r\n")) << c.name << "\n" << output;
        if (c.documents.empty()) {
            ASSERT_EQ(1u, watcher.Count()) << c.name;
            EXPECT_EQ(L"Es wurden keine Dateien ausgew\u00e4hlt.", watcher.Seen()[0].text);
            EXPECT_FALSE(standin.WaitForRecords(before + 1, 1000)) << c.name;
        } else {
            EXPECT_EQ(0u, watcher.Count()) << c.name;
            ASSERT_TRUE(standin.WaitForRecords(before + 1)) << c.name;
            std::wstring parameters = standin.Records().back().parameters;
            EXPECT_EQ(c.documents, Documents(parameters)) << c.name;
            for (const std::wstring& id : FilesParameter(parameters))
                EXPECT_TRUE(ParsesAsXml(InboxFolder(id) + L"\\" + id + L".xml")) << c.name;
        }
        EXPECT_EQ(pendingXml, ReadFileBytes(pendingFile)) << c.name;
        EXPECT_EQ("mail", ReadFileBytes(mail)) << c.name;
        EXPECT_EQ("mine", ReadFileBytes(ownFile)) << c.name;
        EXPECT_EQ("unsafe", ReadFileBytes(unsafe)) << c.name;
    }
    RemoveTree(InboxFolder(pendingId));
    RemoveTree(InboxFolder(ownId));
}

TEST_F(QuenbyHandoff, DocumentsThatVanishDuringTheCallGiveExitCodeOne)
{
    // The choice of storage location comes after the walk and before the
    // hand-off files: documents deleted while it is open vanish during Run.
    RegistryFixture::DeleteAllSettings();
    Register({LOCATION, SECOND_LOCATION});
    struct Vanishing {
        std::vector<std::wstring> present, gone;
    } v;
    for (int i = 0; i < 30; ++i) {
        std::wstring doc = dir.WriteFile(L"vanish\\doc" + std::to_wstring(100 + i) + L".pdf", "x");
        (i % 7 == 3 ? v.gone : v.present).push_back(doc);
    }
    DialogWatcher watcher(std::vector<DialogAnswer>{DialogAnswer{IDOK, 0}}, DialogAnswer{IDOK}, true);
    watcher.SetHook(
        [](HWND, void* context) {
            for (const std::wstring& doc : static_cast<Vanishing*>(context)->gone)
                DeleteFileW(doc.c_str());
        },
        &v);
    EXPECT_EQ(1, RunQuenby(L"/f " + Quoted(dir / L"vanish")));

    ASSERT_EQ(2u, watcher.Count());
    EXPECT_EQ(2u, watcher.Seen()[0].listItems.size());
    std::wstring expected = L"Das Dokument konnte nicht abgelegt werden.\r\nEs trat ein schwerwiegender Fehler auf."
                            L"\r\n\r\nFehler:\r\n";
    for (size_t i = 0; i < v.gone.size(); ++i)
        expected += (i ? L"\r\n" : L"") + v.gone[i];
    // The walk's order is the file system's; the box follows it.
    std::wstring text = watcher.Seen()[1].text;
    for (const std::wstring& doc : v.gone)
        EXPECT_NE(std::wstring::npos, text.find(doc)) << ToUtf8(text);
    EXPECT_EQ(expected.size(), text.size()) << ToUtf8(text);

    ASSERT_TRUE(standin.WaitForRecords(1));
    std::vector<std::wstring> documents = Documents(standin.Records().back().parameters);
    std::sort(documents.begin(), documents.end());
    EXPECT_EQ(v.present, documents);
}

// A hand-off folder with two documents and no hand-off file, named as a
// folder: the first document is handed off in it, the second, which then
// finds that folder waiting, in a folder of its own.
TEST_F(QuenbyHandoff, TwoDocumentsOfAFolderWithoutItsFileAreBothHandedOff)
{
    const std::wstring id = L"kq_data_" + std::to_wstring(GetTickCount() + 9300000);
    std::wstring x = TempDir::WriteLongPath(InboxFolder(id) + L"\\x.pdf", "x");
    std::wstring y = TempDir::WriteLongPath(InboxFolder(id) + L"\\y.pdf", "y");
    DialogWatcher watcher(std::vector<DialogAnswer>{}, DialogAnswer{IDOK}, true);
    std::wstring parameters = HandOff(L"/f " + Quoted(InboxFolder(id)));
    EXPECT_EQ(0u, watcher.Count());
    std::vector<std::wstring> ids = FilesParameter(parameters);
    ASSERT_EQ(2u, ids.size()) << ToUtf8(parameters);
    std::vector<std::wstring> documents = Documents(parameters);
    std::sort(documents.begin(), documents.end());
    EXPECT_EQ((std::vector<std::wstring>{x, y}), documents);
    EXPECT_EQ(id, ids[0]);
    EXPECT_NE(id, ids[1]);
    for (const std::wstring& handed : ids)
        EXPECT_TRUE(ParsesAsXml(InboxFolder(handed) + L"\\" + handed + L".xml"));
    RemoveTree(InboxFolder(id));
}

// A document whose hand-off file cannot be written (a folder has its name)
// is named and gives exit code 1; the documents around it are handed off.
TEST_F(QuenbyHandoff, ADocumentWhoseHandoffFileCannotBeWrittenIsNamedAndTheOthersGo)
{
    const std::wstring id = L"kq_data_" + std::to_wstring(GetTickCount() + 9300001);
    std::wstring blocked = TempDir::WriteLongPath(InboxFolder(id) + L"\\doc.txt", "doc");
    ASSERT_TRUE(CreateDirectoryW((InboxFolder(id) + L"\\" + id + L".xml").c_str(), nullptr));
    std::wstring a = dir.WriteFile(L"a.txt", "a");
    std::wstring b = dir.WriteFile(L"b.txt", "b");
    DialogWatcher watcher(std::vector<DialogAnswer>{}, DialogAnswer{IDOK}, true);
    EXPECT_EQ(1, RunQuenby(L"/f " + Quoted(a) + L" " + Quoted(blocked) + L" " + Quoted(b)));
    ASSERT_EQ(1u, watcher.Count());
    EXPECT_EQ(L"Das Dokument konnte nicht abgelegt werden.\r\nEs trat ein schwerwiegender Fehler auf.\r\n\r\n"
              L"Fehler:\r\n" + blocked,
              watcher.Seen()[0].text);
    ASSERT_TRUE(standin.WaitForRecords(1));
    std::wstring parameters = standin.Records().back().parameters;
    EXPECT_EQ((std::vector<std::wstring>{a, b}), Documents(parameters));
    for (const std::wstring& handed : FilesParameter(parameters)) {
        EXPECT_TRUE(ParsesAsXml(InboxFolder(handed) + L"\\" + handed + L".xml"));
        EXPECT_FALSE(FileExists(InboxFolder(handed) + L"\\__freetodelete__.bin"));
    }
    EXPECT_EQ("doc", ReadFileBytes(blocked));
    EXPECT_FALSE(FileExists(InboxFolder(id) + L"\\__freetodelete__.bin"));
    RemoveTree(InboxFolder(id));
}

} // namespace
