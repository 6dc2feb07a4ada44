#include "FolderWalker.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Seen {
    std::vector<std::wstring> refused;
    std::vector<std::wstring> tooLong;
    std::vector<std::wstring> handoffRefused;
};

WalkRules Rules(Seen* seen, int acceptAll, std::vector<std::wstring> extensions = {})
{
    WalkRules rules;
    rules.acceptAll = acceptAll;
    rules.extensions = std::move(extensions);
    rules.context = seen;
    rules.onRefused = [](const wchar_t* path, void* c) { static_cast<Seen*>(c)->refused.push_back(path); };
    rules.onTooLong = [](const wchar_t* path, void* c) { static_cast<Seen*>(c)->tooLong.push_back(path); };
    rules.onHandoffRefused = [](const wchar_t* path, const wchar_t*, void* c) {
        static_cast<Seen*>(c)->handoffRefused.push_back(path);
    };
    return rules;
}

// Both passes as the callers run them: count, size the list, fill.
struct Collected {
    int counted = 0;
    int written = 0;
    int files = 0;
    std::vector<std::wstring> paths;
};

Collected CollectBoth(const std::wstring& path, const WalkRules& rules)
{
    Collected c;
    c.counted = CollectFiles(path.c_str(), nullptr, nullptr, rules);
    std::vector<wchar_t> list(static_cast<size_t>(c.counted) + 1, L'\0');
    PathListCursor cursor;
    cursor.next = list.data();
    cursor.end = list.data() + c.counted;
    c.written = CollectFiles(path.c_str(), &cursor, &c.files, rules);
    for (const wchar_t* p = list.data(); *p; p += wcslen(p) + 1)
        c.paths.push_back(p);
    std::sort(c.paths.begin(), c.paths.end());
    return c;
}

TEST(FolderWalker, ExtensionIsTheTextBehindTheLastDotOfTheName)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* extension;
    } cases[] = {
        {L"C:\\in\\a.pdf", L"pdf"},
        {L"C:\\in\\archive.tar.gz", L"gz"},
        {L"C:\\in\\dir.v2\\readme", L""},
        {L"C:\\in\\trailing.", L""},
        {L"readme", L""},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(c.extension, FileExtension(c.path)) << c.path;
}

TEST(FolderWalker, ExtensionListAcceptsListedExtensionsWithoutRegardToCase)
{
    Seen seen;
    WalkRules pdfOnly = Rules(&seen, 0, {L"pdf", L"doc"});
    EXPECT_TRUE(IsFileAccepted(L"C:\\x\\a.pdf", pdfOnly));
    EXPECT_TRUE(IsFileAccepted(L"C:\\x\\A.PDF", pdfOnly));
    EXPECT_TRUE(IsFileAccepted(L"C:\\x\\letter.Doc", pdfOnly));
    EXPECT_FALSE(IsFileAccepted(L"C:\\x\\b.txt", pdfOnly));
    EXPECT_FALSE(IsFileAccepted(L"C:\\x\\a.pdfx", pdfOnly));
    // A dot in a folder's name is no extension: readme has none.
    EXPECT_FALSE(IsFileAccepted(L"C:\\x\\dir.v2\\readme", pdfOnly));
    EXPECT_TRUE(IsFileAccepted(L"C:\\x\\dir.v2\\readme", Rules(&seen, 1)));
}

TEST(FolderWalker, FolderWithFilteredFilesReportsRefusedOnesInTheFillPassOnly)
{
    TempDir dir;
    dir.WriteFile(L"drop\\a.pdf", "pdf");
    dir.WriteFile(L"drop\\b.txt", "text");
    Seen seen;
    WalkRules rules = Rules(&seen, 0, {L"pdf"});

    int counted = CollectFiles((dir / L"drop").c_str(), nullptr, nullptr, rules);
    EXPECT_TRUE(seen.refused.empty()) << "the counting pass shows no message";

    Collected c = CollectBoth(dir / L"drop", rules);
    std::wstring accepted = dir / L"drop\\a.pdf";
    EXPECT_EQ(static_cast<int>(accepted.size()) + 1, counted);
    EXPECT_EQ(counted, c.written);
    EXPECT_EQ(1, c.files);
    EXPECT_EQ(std::vector<std::wstring>{accepted}, c.paths);
    EXPECT_EQ(std::vector<std::wstring>{dir / L"drop\\b.txt"}, seen.refused);
}

TEST(FolderWalker, WalksSubfoldersHiddenFilesAndNamesWithoutExtension)
{
    TempDir dir;
    std::wstring a = dir.WriteFile(L"tree\\one.pdf");
    std::wstring b = dir.WriteFile(L"tree\\sub\\two.pdf");
    std::wstring readme = dir.WriteFile(L"tree\\sub\\dir.v2\\readme");
    std::wstring hidden = dir.WriteFile(L"tree\\sub\\hidden.pdf");
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    dir.MakeDir(L"tree\\empty");
    Seen seen;

    Collected all = CollectBoth(dir / L"tree", Rules(&seen, 1));
    std::vector<std::wstring> expected = {a, b, readme, hidden};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, all.paths);
    EXPECT_EQ(4, all.files);
    int length = 0;
    for (const std::wstring& p : expected)
        length += static_cast<int>(p.size()) + 1;
    EXPECT_EQ(length, all.counted);
    EXPECT_EQ(length, all.written);

    Collected pdf = CollectBoth(dir / L"tree", Rules(&seen, 0, {L"pdf"}));
    EXPECT_EQ(3, pdf.files);
    EXPECT_EQ(std::vector<std::wstring>{readme}, seen.refused);
}

TEST(FolderWalker, FilesTheHandoffRefusesAreLeftOutAndReportedInTheFillPassOnly)
{
    // A walk that reaches the inbox: a pending hand-off (its mail and its
    // hand-off file) and a folder whose file is not written yet.
    const std::wstring inbox = TempPath() + L"kq_temp_inbox\\";
    const std::wstring pendingId = L"kq_data_" + std::to_wstring(GetTickCount() + 9100000);
    const std::wstring freshId = L"kq_data_" + std::to_wstring(GetTickCount() + 9100001);
    std::wstring mail = TempDir::WriteLongPath(inbox + pendingId + L"\\a.msg", "mail");
    std::wstring pendingFile = TempDir::WriteLongPath(inbox + pendingId + L"\\" + pendingId + L".xml", "<files/>");
    std::wstring fresh = TempDir::WriteLongPath(inbox + freshId + L"\\b.pdf", "b");
    TempDir dir;
    std::wstring unsafe = dir.WriteFile(L"xml\\a\xFFFE" L"b.txt", "u");
    std::wstring plain = dir.WriteFile(L"xml\\a b.txt", "p");

    struct {
        std::wstring walked;
        std::vector<std::wstring> kept, refused;
    } cases[] = {
        {inbox + pendingId, {}, {mail, pendingFile}},
        {inbox + freshId, {fresh}, {}},
        {dir / L"xml", {plain}, {unsafe}},
    };
    for (const auto& c : cases) {
        Seen seen;
        int counted = CollectFiles(c.walked.c_str(), nullptr, nullptr, Rules(&seen, 1));
        EXPECT_TRUE(seen.handoffRefused.empty()) << "the counting pass says nothing";
        Collected all = CollectBoth(c.walked, Rules(&seen, 1));
        EXPECT_EQ(counted, all.counted);
        EXPECT_EQ(c.kept, all.paths);
        EXPECT_EQ(static_cast<int>(c.kept.size()), all.files);
        std::sort(seen.handoffRefused.begin(), seen.handoffRefused.end());
        EXPECT_EQ(c.refused, seen.handoffRefused);
    }
    RemoveTree(inbox + pendingId);
    RemoveTree(inbox + freshId);
}

TEST(FolderWalker, PathThatNoLongerExistsIsHandledAsAFile)
{
    TempDir dir;
    std::wstring gone = dir / L"vanished.pdf";
    Seen seen;
    Collected accepted = CollectBoth(gone, Rules(&seen, 0, {L"pdf"}));
    EXPECT_EQ(std::vector<std::wstring>{gone}, accepted.paths);
    Collected refused = CollectBoth(dir / L"vanished.txt", Rules(&seen, 0, {L"pdf"}));
    EXPECT_EQ(0, refused.files);
    EXPECT_EQ(1u, seen.refused.size());
}

// The tree can grow between the passes (a message box was open): the fill
// pass stops at the buffer's end and says what it wrote.
TEST(FolderWalker, FillPassNeverWritesPastTheBuffer)
{
    TempDir dir;
    dir.WriteFile(L"grow\\a.pdf");
    Seen seen;
    WalkRules rules = Rules(&seen, 1);
    int counted = CollectFiles((dir / L"grow").c_str(), nullptr, nullptr, rules);
    dir.WriteFile(L"grow\\b.pdf");
    dir.WriteFile(L"grow\\c.pdf");

    const wchar_t GUARD = L'#';
    std::vector<wchar_t> list(static_cast<size_t>(counted) + 1 + 16, GUARD);
    std::fill(list.begin(), list.begin() + counted + 1, L'\0');
    PathListCursor cursor;
    cursor.next = list.data();
    cursor.end = list.data() + counted;
    int files = 0;
    int written = CollectFiles((dir / L"grow").c_str(), &cursor, &files, rules);

    EXPECT_TRUE(cursor.full);
    EXPECT_EQ(1, files);
    EXPECT_EQ(counted, written);
    EXPECT_EQ(L'\0', list[counted]) << "the closing NUL stays";
    for (size_t i = static_cast<size_t>(counted) + 1; i < list.size(); ++i)
        ASSERT_EQ(GUARD, list[i]);
}

TEST(FolderWalker, PathsTooLongForTheBuffersAreSkippedNotCut)
{
    TempDir dir;
    std::wstring kept = dir.WriteFile(L"long\\kept.pdf");
    // A chain of folders whose file lies beyond MAX_PATH - 1 characters.
    std::wstring deep = dir / L"long";
    std::wstring segment(40, L'd');
    while (deep.size() + 41 < 240) {
        deep += L"\\" + segment;
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr)) << GetLastError();
    }
    std::wstring tooLong = deep + L"\\" + std::wstring(270 - deep.size(), L'n') + L".pdf";
    HANDLE h = CreateFileW((L"\\\\?\\" + tooLong).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    CloseHandle(h);

    Seen seen;
    Collected c = CollectBoth(dir / L"long", Rules(&seen, 1));
    EXPECT_EQ(std::vector<std::wstring>{kept}, c.paths);
    ASSERT_FALSE(seen.tooLong.empty());
    EXPECT_EQ(tooLong, seen.tooLong.front()) << "reported whole";

    std::wstring longArgument = dir / std::wstring(300, L'x');
    EXPECT_EQ(0, CollectFiles(longArgument.c_str(), nullptr, nullptr, Rules(&seen, 1)));
}

TEST(FolderWalker, LinkIsFollowedButNotBackIntoTheTree)
{
    TempDir dir;
    std::wstring file = dir.WriteFile(L"looped\\sub\\a.pdf");
    dir.WriteFile(L"elsewhere\\b.pdf");
    std::wstring back = dir / L"looped\\sub\\back";
    std::wstring away = dir / L"looped\\away";
    if (!CreateSymbolicLinkW(back.c_str(), (dir / L"looped").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
        !CreateSymbolicLinkW(away.c_str(), (dir / L"elsewhere").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY))
        GTEST_SKIP() << "no symbolic links here: " << GetLastError();
    WIN32_FIND_DATAW probe;
    HANDLE h = FindFirstFileW((away + L"\\*").c_str(), &probe);
    if (h == INVALID_HANDLE_VALUE)
        GTEST_SKIP() << "links cannot be listed through here: " << GetLastError();
    FindClose(h);
    Seen seen;
    Collected c = CollectBoth(dir / L"looped", Rules(&seen, 1));
    EXPECT_EQ((std::vector<std::wstring>{away + L"\\b.pdf", file}), c.paths);
    EXPECT_TRUE(seen.tooLong.empty());
}

} // namespace
