#include "InboxFolder.h"

#include "ScopedTempFolder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <string>

namespace {

const wchar_t kDataPrefix[] = L"kq_data_";

// The tick number of a hand-off folder path "...\kq_data_<n>\"; 0 when the
// path has another form.
unsigned long TickOf(const std::wstring& folder)
{
    if (folder.empty() || folder.back() != L'\\')
        return 0;
    size_t start = folder.rfind(kDataPrefix);
    if (start == std::wstring::npos)
        return 0;
    std::wstring digits = folder.substr(start + 8, folder.size() - 1 - (start + 8));
    for (wchar_t c : digits)
        if (!iswdigit(c))
            return 0;
    return digits.empty() || digits[0] == L'0' ? 0 : std::stoul(digits);
}

// Files and folders that match the pattern.
size_t EntryCount(const std::wstring& pattern)
{
    return FolderNames(pattern).size() + FileNames(pattern).size();
}

std::wstring NewFolder()
{
    wchar_t buffer[2048];
    EXPECT_EQ(1, CreateInboxDataFolder(buffer, _countof(buffer)));
    return buffer;
}

class InboxTest : public testing::Test
{
protected:
    std::wstring Inbox() const { return temp.Path() + L"kq_temp_inbox\\"; }
    ScopedTempFolder temp{L"Temp Folder With A Long Name"};
};

TEST_F(InboxTest, FirstCallCreatesTheInboxAndOneFolder)
{
    ASSERT_FALSE(DirExists(Inbox()));
    DWORD before = GetTickCount();
    std::wstring folder = NewFolder();
    DWORD after = GetTickCount();
    EXPECT_TRUE(DirExists(Inbox()));
    EXPECT_TRUE(DirExists(folder));
    ASSERT_EQ(0u, folder.find(Inbox() + kDataPrefix)) << ToUtf8(folder);
    unsigned long tick = TickOf(folder);
    EXPECT_GE(tick, before);
    EXPECT_LE(tick, after);
}

TEST_F(InboxTest, CallsInOneTickGetDifferentLargerNumbers)
{
    std::wstring previous = NewFolder();
    for (int i = 0; i < 5; ++i) {
        std::wstring next = NewFolder();
        EXPECT_GT(TickOf(next), TickOf(previous)) << ToUtf8(next);
        EXPECT_TRUE(DirExists(next));
        previous = next;
    }
}

TEST_F(InboxTest, ExistingNamesAreNeverTaken)
{
    // Whatever bears the name, a file or a folder another process just made,
    // the next free tick is used and the folder is this call's own.
    for (bool asFile : {true, false}) {
        NewFolder(); // the inbox exists from here on
        DWORD now = GetTickCount();
        const DWORD span = 120;
        for (DWORD t = now; t < now + span; ++t) {
            std::wstring name = Inbox() + kDataPrefix + std::to_wstring(t);
            if (asFile) {
                HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
                if (h != INVALID_HANDLE_VALUE)
                    CloseHandle(h);
            } else {
                CreateDirectoryW(name.c_str(), nullptr);
            }
        }
        std::wstring folder = NewFolder();
        EXPECT_GE(TickOf(folder), now + span) << ToUtf8(folder);
        EXPECT_TRUE(DirExists(folder));
        // Our own folder is empty: nobody else wrote into it.
        EXPECT_EQ(0u, EntryCount(folder + L"*"));
    }
}

TEST_F(InboxTest, BufferTooSmallForThePathFails)
{
    wchar_t buffer[20];
    EXPECT_EQ(0, CreateInboxDataFolder(buffer, _countof(buffer)));
}

TEST(InboxLongTemp, AFolderThatWouldNotFitFailsAtOnce)
{
    // The hand-off folder with the longest tick and its hand-off file must
    // fit MAX_PATH; a cut path would name the inbox itself or one folder for
    // every document, and a cut tick would never change.
    struct {
        size_t tempChars;
        bool fits;
    } cases[] = {{204, true}, {205, false}, {231, false}, {236, false}};
    for (const auto& c : cases) {
        ScopedTempFolder temp(L"long", c.tempChars);
        for (int i = 0; i < 3; ++i) {
            wchar_t buffer[2048] = L"unchanged";
            DWORD start = GetTickCount();
            int result = CreateInboxDataFolder(buffer, _countof(buffer));
            EXPECT_LT(GetTickCount() - start, 1000u) << c.tempChars;
            if (!c.fits) {
                EXPECT_EQ(0, result) << c.tempChars;
                EXPECT_STREQ(L"unchanged", buffer);
                continue;
            }
            ASSERT_EQ(1, result) << c.tempChars;
            std::wstring folder = buffer;
            EXPECT_TRUE(DirExists(folder));
            EXPECT_EQ(L'\\', folder.back());
            std::wstring id = folder.substr(folder.rfind(L'\\', folder.size() - 2) + 1);
            id.pop_back();
            EXPECT_LT(folder.size() + id.size() + 4, static_cast<size_t>(MAX_PATH)) << ToUtf8(folder);
        }
        if (!c.fits) {
            // Nothing was made, so nothing can be overwritten.
            EXPECT_EQ(0u, EntryCount(temp.Path() + L"kq_temp_inbox\\*")) << c.tempChars;
        }
    }
}

TEST_F(InboxTest, IsInInboxDataFolderCases)
{
    std::wstring folder = NewFolder();
    std::wstring file = folder + L"Angebot.docx";
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    wchar_t shortFolder[MAX_PATH] = L"";
    GetShortPathNameW(folder.c_str(), shortFolder, MAX_PATH);
    std::wstring lowerInbox = Inbox();
    for (wchar_t& c : lowerInbox)
        c = towupper(c);

    std::wstring id = folder.substr(Inbox().size(), folder.size() - Inbox().size() - 1);
    struct Case {
        std::wstring path;
        bool inside;
    } cases[] = {
        {file, true},
        {folder, true},
        {folder + L".\\y.pdf", true},
        {Inbox() + L"kq_data_x\\..\\" + id + L"\\y.pdf", true},
        // Only a document lying directly in a "kq_data_<digits>" folder.
        {folder + L"sub\\deeper\\x.msg", false},
        {Inbox() + L"kq_data_", false},
        {Inbox() + L"kq_data_x.txt", false},
        {Inbox() + L"kq_data_12ab\\x.txt", false},
        {Inbox() + L"kq_data_\\x.txt", false},
        {Inbox() + L"kq_data_\\..\\..\\..\\Reports\\q3.pdf", false},
        {folder + L"..\\x.pdf", false},
        {Inbox(), false},
        {Inbox() + L"kq_datb_1\\x", false},
        {lowerInbox + L"KQ_DATA_1\\x", false},
        {std::wstring(shortFolder) + L"x", false},
        {L"C:\\elsewhere\\kq_temp_inbox\\kq_data_1\\x", false},
        {L"", false},
    };
    EXPECT_NE(folder, std::wstring(shortFolder)) << "the temporary folder has no distinct short form";
    for (const Case& c : cases)
        EXPECT_EQ(c.inside, IsInInboxDataFolder(c.path.c_str())) << ToUtf8(c.path);
    EXPECT_FALSE(IsInInboxDataFolder(nullptr));
}

TEST_F(InboxTest, MarkDataFoldersForDeleteMarksEachListedFolder)
{
    MarkDataFoldersForDelete(HandoffIdList());
    EXPECT_FALSE(DirExists(Inbox()));

    std::wstring first = NewFolder();
    std::wstring second = NewFolder();
    std::wstring third = NewFolder();
    auto idOf = [](const std::wstring& folder) {
        std::wstring trimmed = folder.substr(0, folder.size() - 1);
        return _bstr_t(trimmed.substr(trimmed.rfind(L'\\') + 1).c_str());
    };
    MarkDataFoldersForDelete({idOf(first), idOf(third), _bstr_t(L"kq_data_gone")});
    EXPECT_TRUE(FileExists(first + L"__freetodelete__.bin"));
    EXPECT_FALSE(FileExists(second + L"__freetodelete__.bin"));
    EXPECT_TRUE(FileExists(third + L"__freetodelete__.bin"));
    EXPECT_FALSE(DirExists(Inbox() + L"kq_data_gone"));
    EXPECT_TRUE(DirExists(first));
}

} // namespace
