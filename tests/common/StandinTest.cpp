// The stand-in for the receiving program records what the shell gave it.
#include "OberlaneStandin.h"

#include <gtest/gtest.h>
#include <shellapi.h>

namespace {

bool Start(const std::wstring& program, const std::wstring& parameters, const std::wstring& folder)
{
    SHELLEXECUTEINFOW info = {sizeof(info)};
    info.lpVerb = L"open";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = folder.c_str();
    info.nShow = SW_SHOW;
    return ShellExecuteExW(&info) != FALSE;
}

TEST(Standin, RecordsEveryStart)
{
    OberlaneStandin standin(L"Ober lane");
    TempDir work;
    const std::wstring first = L"label=\"Süd, Akten\" appid=A1 configid=C2 files=kq_data_1,kq_data_2 startapp=6";
    ASSERT_TRUE(Start(standin.Path(), first, work.Path()));
    ASSERT_TRUE(standin.WaitForRecords(1));
    ASSERT_TRUE(Start(standin.Path(), L" startapp=1", standin.Folder()));
    ASSERT_TRUE(standin.WaitForRecords(2));

    std::vector<StandinRecord> records = standin.Records();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(first, records[0].parameters);
    EXPECT_NE(std::wstring::npos, records[0].commandLine.find(first));
    EXPECT_EQ(0, _wcsicmp(work.Path().c_str(), records[0].folder.c_str()));
    EXPECT_EQ(L" startapp=1", records[1].parameters) << ToUtf8(records[1].commandLine);
    EXPECT_EQ(0, _wcsicmp(standin.Folder().c_str(), records[1].folder.c_str()));
}

TEST(Standin, RecordFileParsing)
{
    TempDir dir;
    std::wstring file = dir.WriteFile(L"oberlane-record.txt",
                                      "[start]\r\ncommandline=a b\r\nparameters=b\r\nfolder=C:\\x\r\n\r\n"
                                      "[start]\r\ncommandline=cut");
    std::vector<StandinRecord> records = ReadStandinRecords(file);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(L"a b", records[0].commandLine);
    EXPECT_EQ(L"b", records[0].parameters);
    EXPECT_EQ(L"C:\\x", records[0].folder);
    EXPECT_TRUE(ReadStandinRecords(dir / L"missing.txt").empty());
}

} // namespace
