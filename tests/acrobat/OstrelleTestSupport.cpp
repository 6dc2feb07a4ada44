#include "OstrelleTestSupport.h"

#include "FakeDispatch.h"
#include "OberlaneStandin.h"
#include "TempDir.h"

#include <cstdlib>

std::wstring OstrelleApiPath()
{
    const char* binary = std::getenv("KQ_BINARY_DIR");
    return UnixToWindowsPath(binary ? binary : "") + L"\\acrobat\\Ostrelle.api";
}

void ExpectCleanHost(const acrohost::AcroTestHost& host)
{
    for (const std::string& problem : host.Problems())
        ADD_FAILURE() << "host saw: " << problem;
    acrohost::LiveCounts live = host.Live();
    EXPECT_EQ(0u, live.pathNames) << "path names not released";
    EXPECT_EQ(0u, live.platformPaths) << "platform paths not released";
    EXPECT_EQ(0u, live.texts) << "host texts not destroyed";
    EXPECT_EQ(0u, live.allocations) << "host memory not freed";
    EXPECT_EQ(0u, live.frames) << "exception frames left";
    if (!host.Loaded()) {
        EXPECT_EQ(0u, live.pluginMenus) << "menus of the plug-in left";
        EXPECT_EQ(0u, live.pluginItems) << "menu items of the plug-in left";
        EXPECT_EQ(0u, live.buttonsInToolBars) << "buttons left in toolbars";
        EXPECT_EQ(0u, live.buttonIcons) << "button bitmaps not deleted";
    }
}

std::string ReadText(const std::wstring& path)
{
    return ReadFileBytes(path);
}

std::string Fixture(const char* name)
{
    const char* source = std::getenv("KQ_SOURCE_DIR");
    std::string relative = std::string("\\tests\\acrobat\\fixtures\\") + name;
    return ReadFileBytes(UnixToWindowsPath(source ? source : "") + std::wstring(relative.begin(), relative.end()));
}

void OstrelleHostTest::SetUp()
{
    m_temp.reset(new ScopedTempFolder(L"temp"));
    host.reset(new acrohost::AcroTestHost);
}

void OstrelleHostTest::TearDown()
{
    if (host) {
        host->Unload();
        ExpectCleanHost(*host);
        host.reset();
    }
    EXPECT_EQ(0, doubles::FakeObjectCount()) << "automation objects left alive";
    m_temp.reset();
}

void OstrelleHostTest::LoadPlugin()
{
    ASSERT_EQ(acrohost::LOAD_OK, host->Load(OstrelleApiPath()));
}
