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

TEST_F(QuenbyHandoff, MissingFileEndsTheList)
{
    std::wstring first = dir.WriteFile(L"first.pdf", "1");
    std::wstring third = dir.WriteFile(L"third.pdf", "3");
    std::wstring parameters =
        HandOff(L"/f " + Quoted(first) + L" " + Quoted(dir / L"missing.pdf") + L" " + Quoted(third));
    EXPECT_EQ(std::vector<std::wstring>{first}, Documents(parameters));
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

TEST_F(QuenbyHandoff, PropertiesSwitchWithAFolderOrAMissingFileGivesNoProperties)
{
    std::wstring a = dir.WriteFile(L"a.pdf", "a");
    dir.WriteFile(L"folder\\inside.pdf", "i");
    std::wstring first = HandOff(L"/c " + Quoted(dir / L"folder") + L" /f " + Quoted(a));
    EXPECT_EQ(std::vector<std::wstring>{a}, Documents(first));
    std::wstring second = HandOff(L"/c " + Quoted(dir / L"missing.ini") + L" /f " + Quoted(a));
    EXPECT_EQ(std::vector<std::wstring>{a}, Documents(second));
    for (const std::wstring& parameters : {first, second}) {
        for (const std::wstring& id : FilesParameter(parameters))
            EXPECT_EQ(std::wstring::npos, HandoffFileText(id).find(L"<property")) << parameters;
    }
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
    // name nothing there. A device is no document: it ends the list like a
    // missing path.
    std::wstring plain = dir.WriteFile(L"work\\plain.txt", "p");
    std::wstring other = dir.WriteFile(L"work\\sub\\other.txt", "o");
    struct {
        const wchar_t* arguments;
        std::vector<std::wstring> documents; // empty: nothing handed off
    } cases[] = {
        {L"/f plain.txt", {plain}},
        {L"/f .\\sub\\..\\plain.txt sub\\other.txt", {plain, other}},
        {L"/f plain.txt CON sub\\other.txt", {plain}},
        {L"/f CON", {}},
        {L"/f nul.txt", {}},
        {L"/f COM1 plain.txt", {}},
        {L"/f CONIN$", {}},
    };
    for (const auto& c : cases) {
        size_t before = standin.Records().size();
        DialogWatcher watcher(std::vector<DialogAnswer>{}, DialogAnswer{IDOK}, true);
        int code = RunQuenby(c.arguments, 60000, dir / L"work");
        if (c.documents.empty()) {
            EXPECT_EQ(1, code) << ToUtf8(c.arguments);
            ASSERT_EQ(1u, watcher.Count()) << ToUtf8(c.arguments);
            EXPECT_EQ(L"Es wurden keine Dateien ausgew\u00e4hlt.", watcher.Seen()[0].text);
            EXPECT_FALSE(standin.WaitForRecords(before + 1, 1000)) << ToUtf8(c.arguments);
            continue;
        }
        EXPECT_EQ(0, code) << ToUtf8(c.arguments);
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

} // namespace
