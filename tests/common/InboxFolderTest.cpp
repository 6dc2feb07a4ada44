#include "InboxFolder.h"

#include "LogTail.h"
#include "ScopedTempFolder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

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

// A clock that stands still until the test moves it.
DWORD g_heldTick;
DWORD WINAPI HeldTick()
{
    return g_heldTick;
}

InboxFolderNumbering HeldClock(DWORD tick, unsigned maxTakenNames = 65536)
{
    g_heldTick = tick;
    return {HeldTick, maxTakenNames, 0, false};
}

std::wstring NewFolder(InboxFolderNumbering* numbering)
{
    wchar_t buffer[2048] = L"";
    EXPECT_EQ(1, CreateInboxDataFolder(buffer, _countof(buffer), numbering));
    return buffer;
}

// The folder's last name, "kq_data_<digits>".
std::wstring IdOf(const std::wstring& folder)
{
    std::wstring trimmed = folder.substr(0, folder.size() - 1);
    return trimmed.substr(trimmed.rfind(L'\\') + 1);
}

std::wstring IdOf(DWORD number)
{
    return kDataPrefix + std::to_wstring(number);
}

double NowMs()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

// Makes a folder from another process, as a second hand-off running beside
// this one would.
void MakeFolderInChildProcess(const std::wstring& folder)
{
    wchar_t system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    std::wstring line = L"\"" + std::wstring(system) + L"\\cmd.exe\" /c mkdir \"" + folder + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &startup, &process));
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ASSERT_TRUE(DirExists(folder)) << ToUtf8(folder);
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


// A folder that cannot be made is no hand-off folder: the call fails at the
// first refusal, names the error and leaves what bars the inbox as it is.
TEST_F(InboxTest, AnInboxBarredByAFileFailsWithTheErrorAndLeavesTheFile)
{
    TempDir::WriteLongPath(temp.Path() + L"kq_temp_inbox", "not a folder");
    InboxFolderNumbering numbering = HeldClock(4242, 3);
    LogTail log;
    wchar_t buffer[2048] = L"unchanged";
    EXPECT_EQ(0, CreateInboxDataFolder(buffer, _countof(buffer), &numbering));
    EXPECT_STREQ(L"unchanged", buffer);
    EXPECT_FALSE(DirExists(Inbox() + IdOf(4242)));
    EXPECT_EQ("not a folder", ReadFileBytes(temp.Path() + L"kq_temp_inbox"));
    EXPECT_TRUE(log.Contains(L"[ERR] CreateInboxDataFolder: can not create the hand-off folder " + Inbox() +
                             IdOf(4242) + L"\\, error: "))
        << ToUtf8(log.Text());
    EXPECT_FALSE(log.Contains(L"no free hand-off folder"));
    // Once the inbox can be made, the numbering goes on as if nothing was
    // taken.
    ASSERT_TRUE(DeleteFileW((temp.Path() + L"kq_temp_inbox").c_str()));
    EXPECT_EQ(Inbox() + IdOf(4242) + L"\\", NewFolder(&numbering));
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

TEST_F(InboxTest, AHeldTickGivesTheFollowingNumbersAtOnce)
{
    // A burst of hand-offs within one tick that never moves on: the tick,
    // then each following number, without waiting. The search goes on after
    // the last number taken, so even with only five taken names allowed in
    // a row the burst does not run into its own folders.
    const DWORD tick = 3000000000u;
    InboxFolderNumbering numbering = HeldClock(tick, 5);
    const DWORD burst = 50;
    double start = NowMs();
    for (DWORD i = 0; i < burst; ++i) {
        std::wstring folder = NewFolder(&numbering);
        ASSERT_EQ(Inbox() + IdOf(tick + i) + L"\\", folder);
        ASSERT_TRUE(DirExists(folder));
    }
    EXPECT_LT((NowMs() - start) / burst, 5.0);
    EXPECT_EQ(burst, FolderNames(Inbox() + L"kq_data_*").size());

    // The clock moves on within the numbers already taken, then past them.
    g_heldTick = tick + 10;
    EXPECT_EQ(IdOf(tick + burst), IdOf(NewFolder(&numbering)));
    g_heldTick = tick + 5000;
    EXPECT_EQ(IdOf(tick + 5000), IdOf(NewFolder(&numbering)));
}

TEST_F(InboxTest, TheNumbersWrapAsTheTickDoes)
{
    InboxFolderNumbering numbering = HeldClock(0xFFFFFFFEu);
    const wchar_t* expected[] = {L"kq_data_4294967294", L"kq_data_4294967295", L"kq_data_0", L"kq_data_1"};
    for (const wchar_t* id : expected) {
        std::wstring folder = NewFolder(&numbering);
        EXPECT_EQ(id, IdOf(folder));
        EXPECT_TRUE(DirExists(folder));
    }
    // The tick wraps too, to below the numbers already taken.
    g_heldTick = 1;
    EXPECT_EQ(L"kq_data_2", IdOf(NewFolder(&numbering)));
}

TEST_F(InboxTest, ExistingNamesAreNeverTaken)
{
    // Whatever bears the name, a file or a folder this or another process
    // made, the next free number is used and the folder is this call's own;
    // a free number between taken ones is used, not skipped.
    enum Maker { FILE_HERE, FOLDER_HERE, FOLDER_OF_CHILD };
    struct {
        Maker maker;
        DWORD tick;
    } cases[] = {{FILE_HERE, 100000}, {FOLDER_HERE, 200000}, {FOLDER_OF_CHILD, 300000}};
    NewFolder(); // the inbox exists from here on
    for (const auto& c : cases) {
        std::vector<std::wstring> taken;
        for (DWORD n : {c.tick, c.tick + 1, c.tick + 3}) {
            std::wstring name = Inbox() + IdOf(n);
            taken.push_back(name);
            if (c.maker == FILE_HERE) {
                HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
                ASSERT_NE(INVALID_HANDLE_VALUE, h);
                CloseHandle(h);
            } else if (c.maker == FOLDER_HERE) {
                ASSERT_TRUE(CreateDirectoryW(name.c_str(), nullptr));
                TempDir::WriteLongPath(name + L"\\other.pdf", "other");
            } else {
                MakeFolderInChildProcess(name);
            }
        }
        InboxFolderNumbering numbering = HeldClock(c.tick);
        std::wstring first = NewFolder(&numbering);
        std::wstring second = NewFolder(&numbering);
        EXPECT_EQ(IdOf(c.tick + 2), IdOf(first)) << c.maker;
        EXPECT_EQ(IdOf(c.tick + 4), IdOf(second)) << c.maker;
        for (const std::wstring& folder : {first, second}) {
            EXPECT_TRUE(DirExists(folder));
            // Our own folder is empty: nobody else wrote into it.
            EXPECT_EQ(0u, EntryCount(folder + L"*"));
        }
        // What was there stays as it was.
        for (const std::wstring& name : taken) {
            if (c.maker == FILE_HERE)
                EXPECT_TRUE(FileExists(name) && !DirExists(name)) << ToUtf8(name);
            else if (c.maker == FOLDER_HERE)
                EXPECT_EQ("other", ReadFileBytes(name + L"\\other.pdf"));
            else
                EXPECT_TRUE(DirExists(name)) << ToUtf8(name);
        }
    }
}

TEST_F(InboxTest, TooManyTakenNamesInARowGiveUp)
{
    // With at most five taken names in a row, five ending the search give
    // the log line and make nothing; four leave the fifth number.
    NewFolder();
    const DWORD tick = 500000;
    for (DWORD n = tick; n < tick + 5; ++n)
        ASSERT_TRUE(CreateDirectoryW((Inbox() + IdOf(n)).c_str(), nullptr));
    const size_t before = EntryCount(Inbox() + L"*");

    InboxFolderNumbering full = HeldClock(tick, 5);
    LogTail log;
    wchar_t buffer[2048] = L"unchanged";
    EXPECT_EQ(0, CreateInboxDataFolder(buffer, _countof(buffer), &full));
    EXPECT_STREQ(L"unchanged", buffer);
    EXPECT_TRUE(log.Contains(L"[ERR] CreateInboxDataFolder: no free hand-off folder in " + Inbox()))
        << ToUtf8(log.Text());
    EXPECT_EQ(before, EntryCount(Inbox() + L"*"));

    InboxFolderNumbering oneLeft = HeldClock(tick + 1, 5);
    EXPECT_EQ(IdOf(tick + 5), IdOf(NewFolder(&oneLeft)));
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
