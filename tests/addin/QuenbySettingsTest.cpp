// Quenby "/s" end to end: the runner binds the registered connector, whose
// settings dialog opens in Quenby's process; the user's OK reaches the
// per-user key and Quenby exits with 0.
#include "ConnectorFixture.h"
#include "DialogResource.h"
#include "ModalDialogDriver.h"
#include "ScopedHandles.h"

#include <gtest/gtest.h>

#include <string>

std::unique_ptr<BrenmarkSetup> ConnectorTest::s_setup;

namespace {

std::wstring QuenbyPath()
{
    std::wstring path = KQ_QUENBY_PATH;
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path[0] == L'\\' ? L"Z:" + path : path;
}

// Starts Quenby with the arguments and returns its process.
HANDLE StartQuenby(const std::wstring& arguments)
{
    std::wstring commandLine = L"\"" + QuenbyPath() + L"\" " + arguments;
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

class QuenbySettingsTest : public ConnectorTest
{
};

TEST_F(QuenbySettingsTest, SwitchSOpensTheSettingsDialogAndOkSaves)
{
    reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Loader", L"C:\\Oberlane\\Oberlane.exe");
    client.Release();
    CKernelHandle quenby(StartQuenby(L"/s"));
    ASSERT_TRUE(quenby);
    HWND dialog = WaitForDialogWindow(L"Einstellungen");
    ASSERT_NE(nullptr, dialog);
    DWORD owner = 0;
    GetWindowThreadProcessId(dialog, &owner);
    EXPECT_EQ(GetProcessId(quenby), owner);
    EXPECT_EQ(L"C:\\Oberlane\\Oberlane.exe", ControlText(dialog, IDC_SETTINGS_LOADER));
    TypeInto(dialog, IDC_SETTINGS_LOADER, L"D:\\Quenby\\Oberlane.exe");
    ClickButton(dialog, IDOK);

    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(quenby, 30000));
    DWORD exitCode = 7;
    GetExitCodeProcess(quenby, &exitCode);
    EXPECT_EQ(0u, exitCode);
    std::wstring saved;
    ASSERT_TRUE(RegistryFixture::GetText(HKEY_CURRENT_USER, RegistryFixture::UserKey(), L"Loader", &saved));
    EXPECT_EQ(L"D:\\Quenby\\Oberlane.exe", saved);
}

} // namespace
