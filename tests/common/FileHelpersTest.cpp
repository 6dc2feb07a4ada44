#include "FileHelpers.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(MarkFolderForDelete, TwiceLeavesOneEmptyMarker)
{
    TempDir dir;
    MarkFolderForDelete(dir.Path().c_str());
    MarkFolderForDelete(dir.Path().c_str());
    std::wstring marker = dir / L"__freetodelete__.bin";
    EXPECT_TRUE(FileExists(marker));
    EXPECT_EQ(std::string(), ReadFileBytes(marker));

    // An existing marker is left as it is.
    dir.WriteFile(L"__freetodelete__.bin", "keep");
    MarkFolderForDelete(dir.Path().c_str());
    EXPECT_EQ("keep", ReadFileBytes(marker));

    // A missing folder or an overlong path is silently ignored.
    MarkFolderForDelete((dir / L"missing").c_str());
    MarkFolderForDelete(std::wstring(400, L'x').c_str());
    EXPECT_FALSE(FileExists(dir / L"missing\\__freetodelete__.bin"));
}

TEST(RemoveInvalidFileNameChars, Cases)
{
    struct Case {
        std::wstring in, out;
    } cases[] = {
        {L"Re: a/b?", L"Re ab"},
        {L"\\/:*?\"<>|", L""},
        {L"Angebot \"Süd\" <2021>|final*", L"Angebot Süd 2021final"},
        {L"", L""},
        {std::wstring(300, L'a') + L"?", std::wstring(259, L'a')},
        {std::wstring(200, L':') + std::wstring(100, L'b'), std::wstring(100, L'b')},
    };
    for (const Case& c : cases) {
        std::wstring text = c.in;
        RemoveInvalidFileNameChars(&text[0]);
        EXPECT_EQ(c.out, std::wstring(text.c_str())) << ToUtf8(c.in);
    }
}

TEST(DeleteDirectory, RemovesNestedContent)
{
    TempDir dir;
    std::wstring root = dir.MakeDir(L"tree");
    dir.WriteFile(L"tree\\a.txt", "a");
    dir.WriteFile(L"tree\\sub\\b.txt", "b");
    dir.WriteFile(L"tree\\sub\\deeper\\c.txt", "c");
    dir.MakeDir(L"tree\\empty");
    EXPECT_EQ(1, DeleteDirectory(root.c_str()));
    EXPECT_FALSE(DirExists(root));
    EXPECT_EQ(0, DeleteDirectory(root.c_str()));
}

TEST(DeleteDirectory, ReadOnlyFileStopsAndKeepsTheRest)
{
    TempDir dir;
    std::wstring root = dir.MakeDir(L"tree");
    std::wstring locked = dir.WriteFile(L"tree\\locked.txt", "x");
    ASSERT_TRUE(SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(0, DeleteDirectory(root.c_str()));
    EXPECT_TRUE(FileExists(locked));
    EXPECT_TRUE(DirExists(root));
    SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

} // namespace
