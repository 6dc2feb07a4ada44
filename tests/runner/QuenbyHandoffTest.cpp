// Quenby.exe end to end under Wine: the built Brenmark registered from a
// setup.ini whose receiving program is the stand-in, documents handed off
// through the connector's Run, and what the receiving program got.
#include "QuenbyProcess.h"

#include "ConnectorClient.h"
#include "DialogWatcher.h"
#include "OberlaneStandin.h"
#include "RegistryFixture.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The document that a hand-off file names.
std::wstring DocumentOf(const std::wstring& xml)
{
    size_t at = xml.find(L"<path>");
    size_t end = xml.find(L"</path>");
    if (at == std::wstring::npos || end == std::wstring::npos || end < at)
        return std::wstring();
    return xml.substr(at + 6, end - at - 6);
}

size_t InboxEntries()
{
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((TempPath() + L"kq_temp_inbox\\kq_data_*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    size_t n = 0;
    do
        ++n;
    while (FindNextFileW(find, &entry));
    FindClose(find);
    return n;
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
            documents.push_back(DocumentOf(HandoffFileText(id)));
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
    size_t before = InboxEntries();
    DialogWatcher watcher(std::vector<DialogAnswer>{DialogAnswer{IDCANCEL}}, DialogAnswer{IDCANCEL}, true);

    EXPECT_EQ(0, RunQuenby(L"/f " + Quoted(a))) << "a cancelled choice is no failure";
    ASSERT_EQ(1u, watcher.Count());
    EXPECT_EQ(2u, watcher.Seen()[0].listItems.size());
    Sleep(1000);
    EXPECT_TRUE(standin.Records().empty());
    EXPECT_EQ(before, InboxEntries()) << "no hand-off folder was made";
}

} // namespace
