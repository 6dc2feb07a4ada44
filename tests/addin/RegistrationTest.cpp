// Registration from setup.ini through Wine's regsvr32, read back from the
// registry of this program's bitness, and unregistration.
#include "ConnectorClient.h"
#include "ConnectorIds.h"
#include "DialogWatcher.h"
#include "RegisteredKeys.h"
#include "RegistryFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

namespace {

const std::wstring CONNECTOR_KEY = ClassKey(CLSID_KQConnectorCOM);
const std::wstring ADDIN_KEY = ClassKey(CLSID_MarvikAddin);

std::wstring Lower(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return towlower(c); });
    return text;
}

std::wstring Text(HKEY root, const std::wstring& key, const wchar_t* name = L"")
{
    std::wstring text;
    EXPECT_TRUE(RegistryFixture::GetText(root, key, name, &text)) << "missing value in " << ToUtf8(key);
    return text;
}

class RegistrationTest : public testing::Test
{
protected:
    void SetUp() override { RemoveRegistration(); }
    void TearDown() override { RemoveRegistration(); }

    // The five class keys of one class, and no threading model.
    void ExpectClassKeys(REFCLSID clsid, const std::wstring& progId, const std::wstring& friendlyName)
    {
        const std::wstring key = ClassKey(clsid);
        EXPECT_EQ(Text(HKEY_CLASSES_ROOT, key), friendlyName);
        EXPECT_EQ(Lower(Text(HKEY_CLASSES_ROOT, key + L"\\InprocServer32")), Lower(BrenmarkPath()));
        EXPECT_FALSE(RegistryFixture::ValueExists(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel"));
        EXPECT_EQ(Text(HKEY_CLASSES_ROOT, key + L"\\ProgID"), progId);
        EXPECT_EQ(Text(HKEY_CLASSES_ROOT, progId), friendlyName);
        EXPECT_EQ(Text(HKEY_CLASSES_ROOT, progId + L"\\CLSID"), ClassIdText(clsid));
    }
};

TEST_F(RegistrationTest, OnlyComRegistersTheConnectorAndTheSettings)
{
    BrenmarkSetup setup("COM=yes\r\nLoader=C:\\Programme\\Oberlane.exe\r\n");
    ASSERT_EQ(setup.Register(), 0u);

    ExpectClassKeys(CLSID_KQConnectorCOM, PROGID_KQCONNECTORCOM, L"Marvik dovrane ConnectorVX2COM");
    EXPECT_FALSE(RegistryFixture::KeyExists(HKEY_CLASSES_ROOT, ADDIN_KEY));
    EXPECT_FALSE(RegistryFixture::KeyExists(HKEY_CLASSES_ROOT, PROGID_MARVIKADDIN));
    for (const wchar_t* host : OFFICE_HOSTS)
        EXPECT_FALSE(RegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, AddinKey(host))) << ToUtf8(host);

    const std::wstring global = RegistryFixture::GlobalKey();
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, global, L"Loader"), L"C:\\Programme\\Oberlane.exe");
    std::wstring module = BrenmarkPath();
    EXPECT_EQ(Lower(Text(HKEY_LOCAL_MACHINE, global, L"Dir")), Lower(module.substr(0, module.rfind(L'\\'))));

    // The module registers in its own registry view only.
    EXPECT_TRUE(KeyExistsInView(HKEY_CLASSES_ROOT, CONNECTOR_KEY, RegView::Own));
    EXPECT_FALSE(KeyExistsInView(HKEY_CLASSES_ROOT, CONNECTOR_KEY, RegView::Other));
    EXPECT_FALSE(KeyExistsInView(HKEY_LOCAL_MACHINE, global, RegView::Other));
}

TEST_F(RegistrationTest, HostKeysAndYesIgnoreCase)
{
    // "no", another word, and blanks around the key choose nothing.
    BrenmarkSetup setup("MSWord=YES\r\nmsexcel=Yes\r\nMSOutlook=no\r\nMSPowerPoint=yess\r\n MSOutlook=yes\r\n"
                        "MSOutlook =yes\r\n");
    ASSERT_EQ(setup.Register(), 0u);

    ExpectClassKeys(CLSID_MarvikAddin, PROGID_MARVIKADDIN, L"Marvik dovrane addin VX2");
    EXPECT_FALSE(RegistryFixture::KeyExists(HKEY_CLASSES_ROOT, CONNECTOR_KEY));
    for (const wchar_t* host : {L"Excel", L"Word"}) {
        const std::wstring key = AddinKey(host);
        DWORD number = 99;
        EXPECT_TRUE(RegistryFixture::GetNumber(HKEY_LOCAL_MACHINE, key, L"LoadBehavior", &number));
        EXPECT_EQ(number, 3u);
        EXPECT_TRUE(RegistryFixture::GetNumber(HKEY_LOCAL_MACHINE, key, L"CommandLineSafe", &number));
        EXPECT_EQ(number, 0u);
        EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, key, L"FriendlyName"), L"Marvik dovrane addin VX2");
        EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, key, L"Description"), L"Marvik dovrane addin VX2");
        EXPECT_FALSE(KeyExistsInView(HKEY_LOCAL_MACHINE, key, RegView::Other));
    }
    EXPECT_FALSE(RegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, AddinKey(L"Outlook")));
    EXPECT_FALSE(RegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, AddinKey(L"PowerPoint")));
    // The settings are written for the add-in as well.
    EXPECT_TRUE(RegistryFixture::ValueExists(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Dir"));
}

TEST_F(RegistrationTest, SettingsLinesAsTheSettingsTableNamesThem)
{
    BrenmarkSetup setup("COM=yes\r\n"
                        "Params=label=\"Eins\" appid=A1 configid=C1\r\n"
                        "loader=C:\\first.exe\r\n"
                        "params=label=\"Zwei\" appid=A2 configid=C2\r\n"
                        "Attachments=1\r\n"
                        "DeleteArcDocs=YES\r\n"
                        "PARAMS=label=\"Drei\" appid=A3 configid=C3\r\n"
                        "Loader=C:\\second.exe\r\n"
                        "Loader =C:\\ignored.exe\r\n"
                        "Nosettings=no\r\n"
                        "MultiProcess=yes\r\n"
                        "L=de\r\n"
                        "Unknown=1\r\n"
                        "a line without equals\r\n"
                        "=nothing\r\n"
                        "\r\n");
    ASSERT_EQ(setup.Register(), 0u);

    const std::wstring global = RegistryFixture::GlobalKey();
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, global, L"Params1"), L"label=\"Eins\" appid=A1 configid=C1");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, global, L"Params2"), L"label=\"Zwei\" appid=A2 configid=C2");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, global, L"Params3"), L"label=\"Drei\" appid=A3 configid=C3");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, global, L"Loader"), L"C:\\second.exe");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, global, L"l"), L"de");
    struct Flag {
        const wchar_t* name;
        DWORD value;
    };
    for (const Flag& flag : {Flag{L"Attachments", 0}, Flag{L"DeleteArcDocs", 1}, Flag{L"Nosettings", 0},
                             Flag{L"MultiProcess", 1}}) {
        DWORD number = 99;
        EXPECT_TRUE(RegistryFixture::GetNumber(HKEY_LOCAL_MACHINE, global, flag.name, &number)) << ToUtf8(flag.name);
        EXPECT_EQ(number, flag.value) << ToUtf8(flag.name);
    }
    std::vector<std::wstring> names = RegistryFixture::ValueNames(HKEY_LOCAL_MACHINE, global);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Attachments", L"DeleteArcDocs", L"Dir", L"Loader",
                                                L"MultiProcess", L"Nosettings", L"Params1", L"Params2",
                                                L"Params3", L"l"}));
}

// Registering again replaces the storage locations of the earlier setup.ini,
// gaps and all, as saving replaces a user's; other global values that the
// new setup.ini does not name stay.
TEST_F(RegistrationTest, SetupIniIsUtf8WithOrWithoutByteOrderMark)
{
    for (const char* bom : {"\xEF\xBB\xBF", ""}) {
        RemoveRegistration();
        BrenmarkSetup setup(std::string(bom) + "COM=yes\r\nLoader=C:\\Programme\\Ablage f\xC3\xBCr \xC3\x84mter.exe\r\n");
        ASSERT_EQ(setup.Register(), 0u) << (*bom ? "with" : "without");
        EXPECT_TRUE(RegistryFixture::KeyExists(HKEY_CLASSES_ROOT, CONNECTOR_KEY));
        EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Loader"),
                  L"C:\\Programme\\Ablage für Ämter.exe");
    }
}

// A line is read whole however long it is: the tail of a long comment is no
// line of its own, and a long value is not cut.
TEST_F(RegistrationTest, LongLinesAreReadWhole)
{
    const std::wstring global = RegistryFixture::GlobalKey();
    const std::string location = "label=\"" + std::string(4100 - 36, 'P') + "\" appid=A1 configid=C1";
    const std::string loader = "C:\\" + std::string(9000, 'd') + "\\Oberlane.exe";
    struct Case {
        const char* name;
        std::string setupIni;
        std::vector<std::wstring> names;
    } cases[] = {
        {"comment", "COM=yes\r\n;" + std::string(4093, 'x') + "Loader=C:\\Evil\\Oberlane.exe\r\n", {L"Dir"}},
        // The last line without its line end.
        {"values", "COM=yes\r\nParams=" + location + "\r\nLoader=" + loader, {L"Dir", L"Loader", L"Params1"}},
    };
    ASSERT_EQ(4100u, ("Params=" + location).size());
    for (const Case& c : cases) {
        RemoveRegistration();
        BrenmarkSetup setup(c.setupIni);
        ASSERT_EQ(setup.Register(), 0u) << c.name;
        std::vector<std::wstring> names = RegistryFixture::ValueNames(HKEY_LOCAL_MACHINE, global);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, c.names) << c.name;
    }
    // (Compared whole, reported by length: the texts run to pages.)
    std::wstring params1 = Text(HKEY_LOCAL_MACHINE, global, L"Params1");
    EXPECT_TRUE(params1 == FromUtf8(location)) << params1.size() << " characters";
    std::wstring loader1 = Text(HKEY_LOCAL_MACHINE, global, L"Loader");
    EXPECT_TRUE(loader1 == FromUtf8(loader)) << loader1.size() << " characters";
}

TEST_F(RegistrationTest, RegisteringAgainReplacesTheStorageLocations)
{
    const std::wstring global = RegistryFixture::GlobalKey();
    {
        BrenmarkSetup first("COM=yes\r\nLoader=C:\\first.exe\r\nMultiProcess=yes\r\n"
                            "Params=label=\"Eins\" appid=1 configid=C1\r\n"
                            "Params=label=\"Zwei\" appid=2 configid=C2\r\n"
                            "Params=label=\"Drei\" appid=3 configid=C3\r\n");
        ASSERT_EQ(first.Register(), 0u);
    }
    // A location behind a gap, as an older registration may have left it.
    RegistryFixture extra;
    extra.SetText(HKEY_LOCAL_MACHINE, global, L"Params5", L"label=\"Fuenf\" appid=5 configid=C5");
    extra.SetText(HKEY_LOCAL_MACHINE, global, L"ParamsX", L"not a location");
    struct Case {
        const char* name;
        const char* setupIni;
        std::vector<std::wstring> locations;
    } cases[] = {
        {"Fewer", "COM=yes\r\nParams=label=\"Neu\" appid=9 configid=C9\r\n", {L"label=\"Neu\" appid=9 configid=C9"}},
        {"None", "COM=yes\r\n", {}},
    };
    for (const Case& c : cases) {
        BrenmarkSetup again(c.setupIni);
        ASSERT_EQ(again.Register(), 0u) << c.name;
        std::vector<std::wstring> locations;
        for (const std::wstring& name : RegistryFixture::ValueNames(HKEY_LOCAL_MACHINE, global))
            if (name.compare(0, 6, L"Params") == 0 && name != L"ParamsX")
                locations.push_back(name);
        std::sort(locations.begin(), locations.end());
        std::vector<std::wstring> expectedNames;
        for (size_t i = 0; i < c.locations.size(); ++i)
            expectedNames.push_back(L"Params" + std::to_wstring(i + 1));
        EXPECT_EQ(locations, expectedNames) << c.name;
        for (size_t i = 0; i < c.locations.size(); ++i)
            EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, global, (L"Params" + std::to_wstring(i + 1)).c_str()), c.locations[i]);
        EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, global, L"Loader"), L"C:\\first.exe") << c.name;
        EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, global, L"ParamsX"), L"not a location") << c.name;
        DWORD multi = 0;
        EXPECT_TRUE(RegistryFixture::GetNumber(HKEY_LOCAL_MACHINE, global, L"MultiProcess", &multi));
        EXPECT_EQ(multi, 1u) << c.name;
    }
}

struct RefusedCase {
    const char* name;
    bool writeSetupIni;
    const char* setupIni;
    const wchar_t* message;
};

class RefusedSetupTest : public RegistrationTest, public testing::WithParamInterface<RefusedCase>
{
};

TEST_P(RefusedSetupTest, ShowsItsMessageAndWritesNothing)
{
    const RefusedCase& c = GetParam();
    std::unique_ptr<BrenmarkSetup> setup(c.writeSetupIni ? new BrenmarkSetup(c.setupIni) : new BrenmarkSetup());
    DialogWatcher watcher({}, DialogAnswer(), true);
    EXPECT_NE(setup->Register(), 0u);

    ASSERT_EQ(watcher.Count(), 1u);
    SeenDialog box = watcher.Seen()[0];
    EXPECT_EQ(box.caption, L"Fehler bei der Dokumentablage");
    // The message names the setup.ini it looked for by its full path.
    std::wstring message = c.message;
    size_t field = message.find(L"%s");
    if (field != std::wstring::npos)
        message.replace(field, 2, setup->Folder() + L"\\setup.ini");
    EXPECT_EQ(Lower(box.text), Lower(message));
    EXPECT_FALSE(box.hasOwner);

    EXPECT_FALSE(RegistryFixture::KeyExists(HKEY_CLASSES_ROOT, CONNECTOR_KEY));
    EXPECT_FALSE(RegistryFixture::KeyExists(HKEY_CLASSES_ROOT, ADDIN_KEY));
    EXPECT_FALSE(RegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedSetupTest,
    testing::Values(RefusedCase{"OutlookNoAlone", true, "MSOutlook=no\r\nLoader=C:\\x.exe\r\n",
                                L"Failed to install the Office Addin or COM interface.\r\n"
                                L"Please check parameters in file setup.ini"},
                    RefusedCase{"NoSetupIni", false, "", L"Datei \"%s\" konnte nicht geöffnet werden!"}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

TEST_F(RegistrationTest, FailedAddinKeyIsReportedAfterTheRemainingSteps)
{
    // Below a volatile key no lasting key can be made: Excel's "Addins" key fails.
    HKEY office = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Office", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &office, nullptr),
              ERROR_SUCCESS);
    // Earlier registrations leave the (empty) Excel key of this test prefix behind.
    RegistryFixture::DeleteTree(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Office\\Excel");
    HKEY excel = nullptr;
    DWORD disposition = 0;
    LONG rc = RegCreateKeyExW(office, L"Excel", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &excel,
                              &disposition);
    RegCloseKey(office);
    ASSERT_EQ(rc, ERROR_SUCCESS);
    ASSERT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    RegCloseKey(excel);

    BrenmarkSetup setup("MSExcel=yes\r\nMSWord=yes\r\nCOM=yes\r\nLoader=C:\\x.exe\r\n");
    DWORD exitCode;
    std::vector<SeenDialog> seen;
    {
        DialogWatcher watcher({}, DialogAnswer(), true);
        exitCode = setup.Register();
        seen = watcher.Seen();
    }
    RegistryFixture::DeleteTree(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Office\\Excel");

    EXPECT_NE(exitCode, 0u) << "a failed Addins key is no success";
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, L"RegisterCOMAddin");
    EXPECT_EQ(seen[0].text.find(L"Failed to create registry key error 000003FD"), 0u) << ToUtf8(seen[0].text);
    // The steps after it were still done.
    EXPECT_TRUE(RegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, AddinKey(L"Word")));
    EXPECT_TRUE(RegistryFixture::KeyExists(HKEY_CLASSES_ROOT, CONNECTOR_KEY));
    EXPECT_TRUE(RegistryFixture::ValueExists(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Loader"));
}

TEST_F(RegistrationTest, ModulePathThatFillsItsBufferIsRefused)
{
    // A cut path would register some other file as the server.
    BrenmarkSetup setup("COM=yes\r\n");
    TempDir deep;
    std::wstring folder = deep.MakeDir(std::wstring(120, L'a') + L"\\" + std::wstring(120, L'b'));
    std::wstring module = BrenmarkPath();
    std::wstring copy = folder + module.substr(module.rfind(L'\\'));
    ASSERT_GE(copy.size(), static_cast<size_t>(MAX_PATH));
    ASSERT_TRUE(CopyFileW(module.c_str(), copy.c_str(), FALSE)) << GetLastError();

    EXPECT_NE(RunRegsvr32(copy, setup.Folder(), false), 0u);
    EXPECT_FALSE(RegistryFixture::KeyExists(HKEY_CLASSES_ROOT, CONNECTOR_KEY));
    EXPECT_FALSE(RegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey()));
}

TEST_F(RegistrationTest, UnregistrationLeavesNothingBehind)
{
    BrenmarkSetup setup("COM=yes\r\nMSOutlook=yes\r\nMSWord=yes\r\nMSExcel=yes\r\nMSPowerPoint=yes\r\n"
                        "Params=label=\"Eins\" appid=A1 configid=C1\r\n");
    ASSERT_EQ(setup.Register(), 0u);
    RegistryFixture reg;
    reg.SetText(HKEY_CURRENT_USER, RegistryFixture::UserKey(), L"LastOberlaneConfig", L"Eins");
    ASSERT_TRUE(RegistryFixture::KeyExists(HKEY_CLASSES_ROOT, ADDIN_KEY));
    ASSERT_TRUE(RegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, AddinKey(L"Outlook")));

    ASSERT_EQ(setup.Unregister(), 0u);
    for (const std::wstring& key : {ADDIN_KEY, CONNECTOR_KEY, std::wstring(PROGID_MARVIKADDIN),
                                    std::wstring(PROGID_KQCONNECTORCOM)})
        EXPECT_FALSE(RegistryFixture::KeyExists(HKEY_CLASSES_ROOT, key)) << ToUtf8(key);
    for (const wchar_t* host : OFFICE_HOSTS)
        EXPECT_FALSE(RegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, AddinKey(host))) << ToUtf8(host);
    EXPECT_FALSE(RegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey()));
    EXPECT_FALSE(RegistryFixture::KeyExists(HKEY_CURRENT_USER, RegistryFixture::GlobalKey()));

    // Nothing left to remove is no failure.
    EXPECT_EQ(setup.Unregister(), 0u);
}

} // namespace
