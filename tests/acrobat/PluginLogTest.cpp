// The plug-in's log, linked into this program.
#include "PluginLog.h"

#include "ScopedTempFolder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class PluginLogTest : public testing::Test
{
protected:
    std::string PathOf(const wchar_t* name) const
    {
        std::wstring path = temp.Path() + name;
        return std::string(path.begin(), path.end());
    }
    std::string Content(const std::string& path) const
    {
        return ReadFileBytes(std::wstring(path.begin(), path.end()));
    }

    ScopedTempFolder temp{L"temp"};
};

// "[" asctime without its newline "]", the tag, the message.
bool IsLine(const std::string& text, const std::string& tagAndMessage)
{
    size_t close = text.find(']');
    return text.size() > 2 && text[0] == '[' && close == 25 && text.substr(close + 1) == tagAndMessage;
}

TEST_F(PluginLogTest, WritesALongMessageWholeWithStampAndTag)
{
    std::string path = PathOf(L"long.log");
    std::string message(3000, 'x');
    message += "\n";
    {
        CPluginLog log(path.c_str(), PLUGIN_LOG_INFO, PLUGIN_LOG_SIZE_LIMIT);
        log.Info("%s", message.c_str());
    }
    EXPECT_TRUE(IsLine(Content(path), "[INF] " + message)) << Content(path).substr(0, 40);
}

TEST_F(PluginLogTest, LevelDecidesWhatIsWritten)
{
    std::string path = PathOf(L"level.log");
    {
        CPluginLog log(path.c_str(), PLUGIN_LOG_WARNING, PLUGIN_LOG_SIZE_LIMIT);
        log.Info("info\n");
        log.Warning("warning %d\n", 3);
        log.Error("error %s\n", "two");
        log.SetLevel(PLUGIN_LOG_OFF);
        log.Error("not while off\n");
    }
    std::string text = Content(path);
    EXPECT_EQ(std::string::npos, text.find("info"));
    EXPECT_NE(std::string::npos, text.find("[WRN] warning 3\n"));
    EXPECT_NE(std::string::npos, text.find("[ERR] error two\n"));
    EXPECT_EQ(std::string::npos, text.find("not while off"));
}

TEST_F(PluginLogTest, ALogOfTheSizeLimitIsMovedAsideWhenOpened)
{
    const struct {
        LONG size;
        bool moved;
    } cases[] = {{0xA00000 - 1, false}, {0xA00000, true}};
    for (const auto& c : cases) {
        std::string path = PathOf(L"size.log");
        DeleteFileA((path + ".old").c_str());
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        SetFilePointer(file, c.size, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
        CloseHandle(file);
        {
            CPluginLog log(path.c_str(), PLUGIN_LOG_INFO, PLUGIN_LOG_SIZE_LIMIT);
            log.Info("after\n");
        }
        WIN32_FILE_ATTRIBUTE_DATA data;
        ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
        EXPECT_EQ(c.moved, FileExists(std::wstring(path.begin(), path.end()) + L".old")) << c.size;
        EXPECT_EQ(c.moved, data.nFileSizeLow < 1000) << c.size;
    }
}

// Inside the host the connector's log and the plug-in's share the host's
// log name: both reach the file, each line whole, and the one that opens it
// at the limit moves it aside while the other holds it.
TEST_F(PluginLogTest, ASecondWriterSharesTheLogAndItsRotation)
{
    std::string path = PathOf(L"shared.log");
    std::wstring widePath(path.begin(), path.end());
    CPluginLog holder(path.c_str(), PLUGIN_LOG_INFO, PLUGIN_LOG_SIZE_LIMIT);
    {
        CPluginLog second(path.c_str(), PLUGIN_LOG_INFO, PLUGIN_LOG_SIZE_LIMIT);
        holder.Info("holder %d\n", 1);
        second.Warning("second %d\n", 2);
    }
    std::string text = Content(path);
    size_t split = text.find('\n') + 1;
    EXPECT_TRUE(IsLine(text.substr(0, split), "[INF] holder 1\n")) << text;
    EXPECT_TRUE(IsLine(text.substr(split), "[WRN] second 2\n")) << text;

    HANDLE grow = CreateFileW(widePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, grow);
    SetFilePointer(grow, PLUGIN_LOG_SIZE_LIMIT, nullptr, FILE_BEGIN);
    SetEndOfFile(grow);
    CloseHandle(grow);
    {
        CPluginLog opener(path.c_str(), PLUGIN_LOG_INFO, PLUGIN_LOG_SIZE_LIMIT);
        opener.Info("opener\n");
    }
    holder.Info("holder after\n");
    EXPECT_TRUE(IsLine(Content(path), "[INF] opener\n")) << Content(path).substr(0, 60);
    std::string old = Content(path + ".old");
    EXPECT_EQ(0u, old.find('['));
    EXPECT_NE(std::string::npos, old.find("][INF] holder after\n", PLUGIN_LOG_SIZE_LIMIT));
}

// How the plug-in's initialisation moves the log to its own name.
TEST_F(PluginLogTest, NameSwitchedAtLevelZeroContinuesAtTheSavedLevel)
{
    std::string first = PathOf(L"first.log");
    std::string second = PathOf(L"second.log");
    CPluginLog log(first.c_str(), PLUGIN_LOG_WARNING, PLUGIN_LOG_SIZE_LIMIT);
    log.Warning("before\n");
    int saved = log.GetLevel();
    log.SetLevel(PLUGIN_LOG_OFF);
    log.SetFileNameAndOpen(second.c_str());
    log.SetLevel(saved);
    log.Warning("after\n");
    log.Info("dropped\n");
    log.Close();
    EXPECT_NE(std::string::npos, Content(first).find("before"));
    EXPECT_EQ(std::string::npos, Content(first).find("after"));
    EXPECT_NE(std::string::npos, Content(second).find("[WRN] after\n"));
    EXPECT_EQ(std::string::npos, Content(second).find("dropped"));
}

TEST_F(PluginLogTest, ModuleFunctionsWriteAtTheirLevelAndTraceWritesNothing)
{
    std::string path = PathOf(L"module.log");
    int saved = g_PluginLog.GetLevel();
    g_PluginLog.SetLevel(PLUGIN_LOG_OFF);
    g_PluginLog.SetFileNameAndOpen(path.c_str());
    g_PluginLog.SetLevel(PLUGIN_LOG_INFO);
    LogInfo("KVTest(): %s %d\n", "info", 1);
    LogWarning("KVTest(): warning 0x%08lx\n", 0x80004005ul);
    LogError("KVTest(): 100%% %s\n", "error");
    Trace("KVTest(): traced\n");
    g_PluginLog.SetLevel(PLUGIN_LOG_OFF);
    g_PluginLog.SetFileName(nullptr);
    g_PluginLog.SetLevel(saved);

    std::string text = Content(path);
    EXPECT_NE(std::string::npos, text.find("[INF] KVTest(): info 1\n"));
    EXPECT_NE(std::string::npos, text.find("[WRN] KVTest(): warning 0x80004005\n"));
    EXPECT_NE(std::string::npos, text.find("[ERR] KVTest(): 100% error\n"));
    EXPECT_EQ(std::string::npos, text.find("traced"));
    EXPECT_EQ("KVTest(): 7 long", FormatString("KVTest(): %d %s", 7, "long"));
    EXPECT_EQ(std::string(10000, 'y'), FormatString("%s", std::string(10000, 'y').c_str()));
}

} // namespace
