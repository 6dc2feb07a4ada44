// Dialog 111 opened as a user sees it: texts, icon, the version line of the
// module the dialog lives in (this test program, version 3.1.4.15), OK.
#include "DialogResource.h"
#include "InfoDialog.h"
#include "ModalDialogDriver.h"
#include "RegistryFixture.h"
#include "TempDir.h"
#include "WindowScreenshot.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using InfoDialogTest = RegistryTest;

TEST_F(InfoDialogTest, ShowsProductLineVersionOfItsOwnModuleAndIcon)
{
    std::wstring caption, product, version, okText;
    HANDLE icon = nullptr;
    ModalRun run = RunModalDialog([] { return ShowInfoDialog(); }, [&](HWND dialog) {
        wchar_t text[256];
        GetWindowTextW(dialog, text, 256);
        caption = text;
        product = ControlText(dialog, IDC_INFO_PRODUCT);
        version = ControlText(dialog, IDC_INFO_VERSION);
        okText = ControlText(dialog, IDOK);
        HWND iconControl = FindWindowExW(dialog, nullptr, L"Static", nullptr);
        for (; iconControl; iconControl = FindWindowExW(dialog, iconControl, L"Static", nullptr))
            if ((icon = reinterpret_cast<HANDLE>(SendMessageW(iconControl, STM_GETICON, 0, 0))) != nullptr)
                break;
        SaveWindowScreenshot(dialog, L"info-dialog");
        ClickButton(dialog, IDOK);
    });
    ASSERT_TRUE(run.appeared);
    EXPECT_EQ(1, run.result);
    EXPECT_EQ(L"Info", caption);
    EXPECT_EQ(L"marvik dovrane VX | Kelvara", product);
    EXPECT_EQ(L"Version: 3.1.4.15", version);
    EXPECT_EQ(L"Ok", okText);
    EXPECT_NE(nullptr, icon);
}

// The language file replaces the texts, never the version's numbers.
TEST_F(InfoDialogTest, LanguageFileReplacesTheTextsButNotTheNumbers)
{
    TempDir install;
    const std::wstring file = L"[8028]\r\nProduktzeile aus der Sprachdatei\r\n[8029]\r\nFassung:\r\n";
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(file.data()), file.size() * sizeof(wchar_t));
    install.WriteFile(L"lang_xx.bin", bytes);
    reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Dir", install.Path());
    reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"l", L"xx");

    std::wstring product, version;
    ModalRun run = RunModalDialog([] { return ShowInfoDialog(); }, [&](HWND dialog) {
        product = ControlText(dialog, IDC_INFO_PRODUCT);
        version = ControlText(dialog, IDC_INFO_VERSION);
        ClickButton(dialog, IDOK);
    });
    ASSERT_TRUE(run.appeared);
    EXPECT_EQ(L"Produktzeile aus der Sprachdatei", product);
    EXPECT_EQ(L"Fassung: 3.1.4.15", version);
}

TEST_F(InfoDialogTest, CancelAndCloseBoxEndWithOne)
{
    for (UINT close : {0u, 1u}) {
        ModalRun run = RunModalDialog([] { return ShowInfoDialog(); }, [close](HWND dialog) {
            if (close)
                SendMessageW(dialog, WM_CLOSE, 0, 0);
            else
                SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_TRUE(run.appeared);
        EXPECT_EQ(1, run.result);
    }
}

TEST_F(InfoDialogTest, ModuleWithoutVersionGivesThePrefixAlone)
{
    HMODULE module = LoadLibraryW(L"kq_noversion.dll");
    ASSERT_NE(nullptr, module);
    WORD parts[4] = {};
    EXPECT_FALSE(ReadModuleFileVersion(module, parts));
    wchar_t line[1024];
    FormatVersionLine(module, line, 1024);
    EXPECT_STREQ(L"Version:", line);
    FreeLibrary(module);

    EXPECT_TRUE(ReadModuleFileVersion(GetModuleHandleW(nullptr), parts));
    EXPECT_EQ(3, parts[0]);
    EXPECT_EQ(1, parts[1]);
    EXPECT_EQ(4, parts[2]);
    EXPECT_EQ(15, parts[3]);
}

} // namespace
