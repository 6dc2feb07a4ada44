// Quenby.log after a run: Quenby and the connector it loads write one log,
// so the connector's lines about a failed hand-off reach the file.
#include "QuenbyProcess.h"

#include "ConnectorClient.h"
#include "DialogWatcher.h"
#include "RegistryFixture.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const wchar_t LOCATION[] = L"label=\"Archiv\" appid=A1 configid=C1";

std::wstring QuenbyLogPath()
{
    return TempPath() + L"Quenby.log";
}

class QuenbyLog : public RegistryTest
{
};

TEST_F(QuenbyLog, ConnectorLinesOfARunWithoutTheReceivingProgramAreInTheLog)
{
    TempDir dir;
    const std::wstring loader = dir / L"Oberlane\\Oberlane.exe";
    BrenmarkSetup setup(ConnectorSetupIni(loader, {LOCATION}));
    ASSERT_EQ(0u, setup.Register());
    std::wstring document = dir.WriteFile(L"a.pdf", "a");
    const size_t before = ReadFileBytes(QuenbyLogPath()).size();
    {
        DialogWatcher watcher(std::vector<DialogAnswer>{}, DialogAnswer{IDOK}, true);
        RunQuenby(L"/f " + Quoted(document));
        EXPECT_GE(watcher.Count(), 1u) << "the message for the missing receiving program";
    }
    EXPECT_EQ(0u, setup.Unregister());

    const std::string log = ReadFileBytes(QuenbyLogPath());
    ASSERT_GT(log.size(), before) << "nothing reached Quenby.log";
    const std::wstring run = FromUtf8(log.substr(before));
    EXPECT_NE(std::wstring::npos, run.find(L"][ERR] LaunchOberlane: Loader " + loader +
                                           L" names no program file by its full path\n"))
        << ToUtf8(run);
    EXPECT_NE(std::wstring::npos, run.find(L"][ERR] Failed to find dovrane Oberlane, error: ")) << ToUtf8(run);
}

} // namespace
