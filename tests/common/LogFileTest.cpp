#include "LogFile.h"

#include "OberlaneStandin.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

namespace {

class LogFileTest : public testing::Test
{
protected:
    std::wstring LogPath() const { return dir / L"test.log"; }
    std::string Content() const { return ReadFileBytes(LogPath()); }

    // Creates the log file with `size` bytes (sparse beyond the first bytes).
    void MakeFileOfSize(LONGLONG size) const
    {
        HANDLE h = CreateFileW(LogPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        DWORD written = 0;
        WriteFile(h, "old\n", 4, &written, nullptr);
        LARGE_INTEGER pos;
        pos.QuadPart = size;
        SetFilePointerEx(h, pos, nullptr, FILE_BEGIN);
        SetEndOfFile(h);
        CloseHandle(h);
    }

    static LONGLONG SizeOf(const std::wstring& path)
    {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
            return -1;
        return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }

    TempDir dir;
};

TEST_F(LogFileTest, WritesStampTagAndMessageAsUtf8)
{
    {
        CLogFile log(LogPath().c_str(), LOG_INFO, LOG_DEFAULT_SIZE_LIMIT);
        log.Warning(L"Gr\u00f6\u00dfe %s %d\n", L"w\u00e4hlen", 42);
        log.Write(0, L"other level\n", nullptr);
    }
    std::string text = Content();
    std::regex line(R"(^\[\w{3} \w{3} [ \d]\d \d\d:\d\d:\d\d \d{4}\]\[WRN\] Größe wählen 42\n)"
                    R"(\[[^\]]+\]\[INF\] other level\n$)");
    EXPECT_TRUE(std::regex_search(text, line)) << text;
}

struct LevelCase {
    int configured;
    int written;
    bool expected;
};

class LogLevelTest : public LogFileTest, public testing::WithParamInterface<LevelCase>
{
};

TEST_P(LogLevelTest, FiltersByLevel)
{
    const LevelCase& c = GetParam();
    {
        // Switch on first so that the file exists even for level 0.
        CLogFile log(LogPath().c_str(), LOG_INFO, LOG_DEFAULT_SIZE_LIMIT);
        log.SetLevel(c.configured);
        va_list none{};
        log.Write(c.written, L"message\n", none);
    }
    EXPECT_EQ(c.expected, Content().find("message") != std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Levels, LogLevelTest,
                         testing::Values(LevelCase{LOG_INFO, LOG_WARNING, true}, LevelCase{LOG_ERROR, LOG_WARNING, false},
                                         LevelCase{LOG_ERROR, LOG_ERROR, true}, LevelCase{LOG_FATAL, LOG_ERROR, false},
                                         LevelCase{LOG_OFF, LOG_FATAL, false}, LevelCase{LOG_INFO, LOG_INFO, true}));

struct RotationCase {
    const char* name;
    LONGLONG size;
    bool rotated;
};

class LogRotationTest : public LogFileTest, public testing::WithParamInterface<RotationCase>
{
};

TEST_P(LogRotationTest, RotatesOnlyFromTheLimitWhenOpened)
{
    const RotationCase& c = GetParam();
    MakeFileOfSize(c.size);
    {
        CLogFile log(LogPath().c_str(), LOG_INFO, LOG_DEFAULT_SIZE_LIMIT);
        log.Info(L"fresh\n");
    }
    std::wstring old = LogPath() + L".old";
    if (c.rotated) {
        EXPECT_EQ(c.size, SizeOf(old));
        std::string text = Content();
        EXPECT_EQ(0u, text.find('['));
        EXPECT_NE(std::string::npos, text.find("fresh"));
    } else {
        EXPECT_FALSE(FileExists(old));
        EXPECT_GT(SizeOf(LogPath()), c.size);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, LogRotationTest,
                         testing::Values(RotationCase{"AtLimit", 10485760, true},
                                         RotationCase{"OneByteShort", 10485759, false},
                                         // Low 32 bits of 4 GiB + 1 are 1: the size must be read whole.
                                         RotationCase{"Over4GiB", 0x100000001LL, true}),
                         [](const testing::TestParamInfo<RotationCase>& info) { return info.param.name; });

TEST_F(LogFileTest, RotationReplacesAnOlderOldFile)
{
    dir.WriteFile(L"test.log.old", "previous");
    MakeFileOfSize(LOG_DEFAULT_SIZE_LIMIT);
    CLogFile log(LogPath().c_str(), LOG_INFO, LOG_DEFAULT_SIZE_LIMIT);
    EXPECT_EQ(static_cast<LONGLONG>(LOG_DEFAULT_SIZE_LIMIT), SizeOf(LogPath() + L".old"));
}

// Every writer of one program's log reaches the file: a second module in
// the same process (the connector inside Corvelle or Quenby) and a second
// process of the program (LogWriterProcess).
TEST_F(LogFileTest, SecondLogOnTheSameFileWritesToIt)
{
    {
        CLogFile first(LogPath().c_str(), LOG_INFO, LOG_DEFAULT_SIZE_LIMIT);
        CLogFile second(LogPath().c_str(), LOG_INFO, LOG_DEFAULT_SIZE_LIMIT);
        EXPECT_TRUE(first.IsFileOpen());
        EXPECT_TRUE(second.IsFileOpen());
        first.Info(L"from first\n");
        second.Error(L"error from second\n");
        first.Info(L"first again\n");
    }
    std::regex lines(R"(^\[[^\]]+\]\[INF\] from first\n\[[^\]]+\]\[ERR\] error from second\n)"
                     R"(\[[^\]]+\]\[INF\] first again\n$)");
    EXPECT_TRUE(std::regex_search(Content(), lines)) << Content();
}

// Starts the test's log writer: `count` lines "<tag> <index> <dots>" into
// the file through a CLogFile of its own.
HANDLE StartLogWriter(const std::wstring& file, const wchar_t* tag, int count)
{
    const char* binary = std::getenv("KQ_BINARY_DIR");
    if (!binary)
        return nullptr;
    std::wstring line = L"\"" + UnixToWindowsPath(binary) + L"\\tests\\common\\kq_log_writer.exe\" \"" + file +
                        L"\" " + tag + L" " + std::to_wstring(count);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

TEST_F(LogFileTest, TwoProcessesWritingAtOnceKeepEveryLineWhole)
{
    const int count = 1500;
    const wchar_t* tags[] = {L"alpha", L"beta"};
    HANDLE writers[2];
    for (int i = 0; i < 2; ++i) {
        writers[i] = StartLogWriter(LogPath(), tags[i], count);
        ASSERT_NE(nullptr, writers[i]);
    }
    for (HANDLE writer : writers) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(writer, 120000));
        DWORD code = 99;
        GetExitCodeProcess(writer, &code);
        EXPECT_EQ(0u, code) << "the writer could not open the log";
        CloseHandle(writer);
    }
    // Each line whole and in its own order; none lost, none twice.
    const std::string dots(150, '.');
    std::regex whole(R"(^\[\w{3} \w{3} [ \d]\d \d\d:\d\d:\d\d \d{4}\]\[INF\] (alpha|beta) (\d+) )" + dots + "$");
    std::string text = Content();
    int next[2] = {0, 0};
    size_t start = 0;
    int bad = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        std::smatch match;
        if (!std::regex_match(line, match, whole)) {
            if (++bad < 3)
                ADD_FAILURE() << "not a whole line: " << line.substr(0, 80);
            continue;
        }
        int writer = match[1] == "alpha" ? 0 : 1;
        EXPECT_EQ(next[writer], std::stoi(match[2])) << line.substr(0, 60);
        next[writer] = std::stoi(match[2]) + 1;
    }
    EXPECT_EQ(0, bad);
    EXPECT_EQ(count, next[0]);
    EXPECT_EQ(count, next[1]);
}

// The log that reaches the limit is moved aside even while another writer
// holds it; that writer's lines go on in the moved file, so none is lost.
TEST_F(LogFileTest, RotatesWhileAnotherWriterHoldsTheFile)
{
    CLogFile holder(LogPath().c_str(), LOG_INFO, LOG_DEFAULT_SIZE_LIMIT);
    holder.Info(L"holder before\n");
    {
        HANDLE grow = CreateFileW(LogPath().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, grow);
        LARGE_INTEGER end;
        end.QuadPart = LOG_DEFAULT_SIZE_LIMIT;
        SetFilePointerEx(grow, end, nullptr, FILE_BEGIN);
        SetEndOfFile(grow);
        CloseHandle(grow);
    }
    {
        CLogFile opener(LogPath().c_str(), LOG_INFO, LOG_DEFAULT_SIZE_LIMIT);
        ASSERT_TRUE(opener.IsFileOpen());
        opener.Info(L"opener\n");
    }
    holder.Info(L"holder after\n");
    std::string fresh = Content();
    EXPECT_EQ(0u, fresh.find('[')) << "a new file was begun";
    EXPECT_NE(std::string::npos, fresh.find("][INF] opener\n"));
    EXPECT_LT(fresh.size(), 100u);
    std::string old = ReadFileBytes(LogPath() + L".old");
    EXPECT_EQ(0u, old.find('['));
    EXPECT_NE(std::string::npos, old.find("][INF] holder before\n"));
    EXPECT_NE(std::string::npos, old.find("][INF] holder after\n", LOG_DEFAULT_SIZE_LIMIT));

    // A holder of the old file bars the next move; the opener then appends
    // to the large file rather than losing anything.
    CLogFile oldHolder((LogPath() + L".old").c_str(), LOG_INFO, 0xFFFFFFFF);
    holder.SetLevel(LOG_OFF);
    MakeFileOfSize(LOG_DEFAULT_SIZE_LIMIT);
    {
        CLogFile opener(LogPath().c_str(), LOG_INFO, LOG_DEFAULT_SIZE_LIMIT);
        opener.Info(L"appended\n");
    }
    EXPECT_NE(std::string::npos, Content().find("][INF] appended\n", LOG_DEFAULT_SIZE_LIMIT));
    EXPECT_NE(std::string::npos, ReadFileBytes(LogPath() + L".old").find("holder after"));
}

TEST_F(LogFileTest, LongMessageIsCutAndKeepsStampAndTag)
{
    std::wstring message(70000, L'x');
    {
        CLogFile log(LogPath().c_str(), LOG_INFO, LOG_DEFAULT_SIZE_LIMIT);
        log.Error(L"%s", message.c_str());
    }
    std::string text = Content();
    size_t tag = text.find("][ERR] ");
    ASSERT_NE(std::string::npos, tag);
    EXPECT_EQ('[', text[0]);
    EXPECT_EQ(65535u, text.size() - (tag + 7));
}

TEST_F(LogFileTest, ReopenContinuesInTheNewFile)
{
    CLogFile log(LogPath().c_str(), LOG_INFO, LOG_DEFAULT_SIZE_LIMIT);
    log.Info(L"one\n");
    std::wstring other = dir / L"other.log";
    log.Reopen(other.c_str());
    log.Info(L"two\n");
    log.SetLevel(LOG_OFF);
    EXPECT_EQ(std::string::npos, Content().find("two"));
    EXPECT_NE(std::string::npos, ReadFileBytes(other).find("two"));
}

TEST_F(LogFileTest, DefaultNameFollowsTheProgramFile)
{
    CLogFile log(nullptr, LOG_OFF, LOG_DEFAULT_SIZE_LIMIT);
    ASSERT_NE(nullptr, log.GetFileName());
    EXPECT_EQ(TempPath() + L"common_tests.log", std::wstring(log.GetFileName()));
}

} // namespace
