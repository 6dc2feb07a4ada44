#include "LogFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <regex>

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

TEST_F(LogFileTest, SecondLogOnTheSameFileCannotOpenIt)
{
    CLogFile first(LogPath().c_str(), LOG_INFO, LOG_DEFAULT_SIZE_LIMIT);
    CLogFile second(LogPath().c_str(), LOG_INFO, LOG_DEFAULT_SIZE_LIMIT);
    EXPECT_TRUE(first.IsFileOpen());
    EXPECT_FALSE(second.IsFileOpen());
    first.Info(L"from first\n");
    second.Info(L"from second\n");
    second.Error(L"error from second\n");
    std::string text = Content();
    EXPECT_NE(std::string::npos, text.find("from first"));
    EXPECT_EQ(std::string::npos, text.find("second"));
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
