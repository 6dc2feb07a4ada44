// DisplaySettings and DisplayInfo reached through the registered connector's
// Invoke, with the dialogs of the built module driven as a user would.
#include "BrenmarkVersion.h"
#include "ConnectorFixture.h"
#include "DialogResource.h"
#include "DialogWatcher.h"
#include "ModalDialogDriver.h"
#include "ModalLoopRequest.h"
#include "WindowScreenshot.h"

#include <gtest/gtest.h>

#include <string>

std::unique_ptr<BrenmarkSetup> ConnectorTest::s_setup;

namespace {

#define KQ_WIDEN2(text) L##text
#define KQ_WIDEN(text) KQ_WIDEN2(text)

#ifdef _WIN64
const wchar_t BITNESS[] = L"64";
#else
const wchar_t BITNESS[] = L"32";
#endif

class ConnectorDisplayTest : public ConnectorTest
{
protected:
    void SetUp() override
    {
        ConnectorTest::SetUp();
        reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Loader", L"C:\\Oberlane\\Oberlane.exe");
        reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Params1",
                    L"label=\"Archiv\" appid=A configid=1");
    }

    ModalRun CallWithDialog(const wchar_t* member, const std::function<void(HWND)>& script)
    {
        return RunModalDialog([this, member] { return static_cast<INT_PTR>(client.Call(member, nullptr, 0)); },
                              script);
    }

    static bool UserValue(const wchar_t* name, std::wstring* text)
    {
        return RegistryFixture::GetText(HKEY_CURRENT_USER, RegistryFixture::UserKey(), name, text);
    }
};

TEST_F(ConnectorDisplayTest, NosettingsShowsTheNoticeAndNoDialog)
{
    reg.SetNumber(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Nosettings", 1);
    DialogWatcher watcher({}, DialogAnswer{IDOK});
    EXPECT_EQ(S_OK, client.Call(L"KQConnectorCOM.DisplaySettings", nullptr, 0));
    std::vector<SeenDialog> seen = watcher.Seen();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(L"marvik dovrane", seen[0].caption);
    EXPECT_EQ(L"Settings are administratively disabled.", seen[0].text);
    EXPECT_FALSE(RegistryFixture::KeyExists(HKEY_CURRENT_USER, RegistryFixture::UserKey()));
}

TEST_F(ConnectorDisplayTest, SettingsOkAfterAChangeSavesAtOnce)
{
    std::wstring shownLoader;
    ModalRun run = CallWithDialog(L"KQConnectorCOM.DisplaySettings", [&](HWND dialog) {
        shownLoader = ControlText(dialog, IDC_SETTINGS_LOADER);
        TypeInto(dialog, IDC_SETTINGS_LOADER, L"D:\\Neu\\Oberlane.exe");
        TypeInto(dialog, IDC_SETTINGS_NEW_LABEL, L"Verträge");
        TypeInto(dialog, IDC_SETTINGS_NEW_APPID, L"V");
        TypeInto(dialog, IDC_SETTINGS_NEW_CONFIGID, L"2");
        ClickButton(dialog, IDC_SETTINGS_SAVE);
        SaveWindowScreenshot(dialog, std::wstring(L"brenmark-") + BITNESS + L"-settings-dialog");
        ClickButton(dialog, IDOK);
    });
    ASSERT_TRUE(run.appeared);
    EXPECT_EQ(S_OK, static_cast<HRESULT>(run.result));
    EXPECT_EQ(L"C:\\Oberlane\\Oberlane.exe", shownLoader);
    std::wstring text;
    ASSERT_TRUE(UserValue(L"Loader", &text));
    EXPECT_EQ(L"D:\\Neu\\Oberlane.exe", text);
    ASSERT_TRUE(UserValue(L"Params2", &text));
    EXPECT_EQ(L"label=\"Verträge\" appid=V configid=2", text);
}

TEST_F(ConnectorDisplayTest, ASecondRequestInsideTheOpenDialogLeavesThatOneAndItsOkSavesWhatWasTyped)
{
    struct Case {
        const wchar_t* member;
        const wchar_t* caption;
        std::function<void(HWND dialog)> answer;
    };
    const Case cases[] = {
        {L"KQConnectorCOM.DisplaySettings", L"Einstellungen",
         [](HWND dialog) {
             TypeInto(dialog, IDC_SETTINGS_LOADER, L"D:\\Neu\\Oberlane.exe");
             ClickButton(dialog, IDOK);
         }},
        {L"KQConnectorCOM.DisplayInfo", L"Info", [](HWND dialog) { ClickButton(dialog, IDOK); }},
    };
    const DWORD thread = GetCurrentThreadId();
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.member));
        HRESULT second = E_PENDING;
        ModalLoopRequest request([&] { second = client.Call(c.member, nullptr, 0); });
        bool returned = false;
        int dialogs = -1;
        ModalRun run = CallWithDialog(c.member, [&](HWND dialog) {
            returned = request.WaitDone();
            dialogs = CountThreadDialogs(thread, c.caption);
            if (returned)
                c.answer(dialog);
            else
                CancelThreadDialogs(thread);
        });
        ASSERT_TRUE(run.appeared);
        EXPECT_TRUE(returned) << "the second request opened a dialog of its own";
        EXPECT_EQ(S_OK, second);
        EXPECT_EQ(1, dialogs);
        EXPECT_EQ(S_OK, static_cast<HRESULT>(run.result));
    }
    std::wstring text;
    ASSERT_TRUE(UserValue(L"Loader", &text));
    EXPECT_EQ(L"D:\\Neu\\Oberlane.exe", text);
}

TEST_F(ConnectorDisplayTest, SettingsCancelSavesNothing)
{
    ModalRun run = CallWithDialog(L"DisplaySettings", [](HWND dialog) {
        TypeInto(dialog, IDC_SETTINGS_LOADER, L"D:\\Neu\\Oberlane.exe");
        ClickListRow(dialog, IDC_SETTINGS_LOCATIONS, 0);
        ClickButton(dialog, IDC_SETTINGS_DELETE);
        ClickButton(dialog, IDCANCEL);
    });
    ASSERT_TRUE(run.appeared);
    EXPECT_EQ(S_OK, static_cast<HRESULT>(run.result));
    EXPECT_TRUE(RegistryFixture::ValueNames(HKEY_CURRENT_USER, RegistryFixture::UserKey()).empty());
}

TEST_F(ConnectorDisplayTest, UnloadableSettingsFailWithoutADialog)
{
    RegistryFixture::DeleteAllSettings();
    DialogWatcher watcher({}, DialogAnswer{IDCANCEL});
    EXPECT_EQ(E_FAIL, client.Call(L"DisplaySettings", nullptr, 0));
    Sleep(300);
    EXPECT_EQ(0u, watcher.Count());
}

// The version line comes from the module's own file, in both builds.
TEST_F(ConnectorDisplayTest, InfoShowsTheModulesVersionAndReturnsOk)
{
    std::wstring caption, version;
    ModalRun run = CallWithDialog(L"KQConnectorCOM.DisplayInfo", [&](HWND dialog) {
        wchar_t text[256];
        GetWindowTextW(dialog, text, 256);
        caption = text;
        version = ControlText(dialog, IDC_INFO_VERSION);
        SaveWindowScreenshot(dialog, std::wstring(L"brenmark-") + BITNESS + L"-info-dialog");
        ClickButton(dialog, IDOK);
    });
    ASSERT_TRUE(run.appeared);
    EXPECT_EQ(S_OK, static_cast<HRESULT>(run.result));
    EXPECT_EQ(L"Info", caption);
    EXPECT_EQ(std::wstring(L"Version: ") + KQ_WIDEN(BRENMARK_VERSION_TEXT), version);
}

} // namespace
