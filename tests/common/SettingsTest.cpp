#include "Settings.h"

#include "DialogWatcher.h"
#include "RegistryFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const HKEY HKLM = HKEY_LOCAL_MACHINE;
const HKEY HKCU = HKEY_CURRENT_USER;

std::vector<std::wstring> Names(const CKQCSettings& s)
{
    std::vector<std::wstring> names;
    for (const auto& entry : s.GetValues())
        names.emplace_back(static_cast<const wchar_t*>(entry.first));
    return names;
}

std::wstring Param(int n)
{
    return L"Params" + std::to_wstring(n);
}

// A missing text as an empty one, so that a failing case reports rather than
// reads through a null pointer.
std::wstring TextOf(const CKQCSettings& s, const wchar_t* name)
{
    const wchar_t* text = s.GetText(name);
    return text ? text : L"";
}

std::wstring Location(const std::wstring& label)
{
    return L"label=\"" + label + L"\" appid=A configid=C";
}

// One registry layout and what LoadSettings must make of it.
struct LoadCase {
    const char* name;
    std::function<void(RegistryFixture&)> arrange;
    std::function<void(const CKQCSettings&)> check;
};

class LoadSettingsTest : public RegistryTest, public testing::WithParamInterface<LoadCase>
{
};

TEST_P(LoadSettingsTest, Loads)
{
    GetParam().arrange(reg);
    CKQCSettings settings;
    ASSERT_EQ(S_OK, LoadSettings(&settings));
    GetParam().check(settings);
}

const LoadCase kLoadCases[] = {
    {"GlobalOnly",
     [](RegistryFixture& r) {
         r.SetText(HKLM, RegistryFixture::GlobalKey(), L"Loader", L"C:\\ob\\Oberlane.exe");
         r.SetNumber(HKLM, RegistryFixture::GlobalKey(), L"Attachments", 5);
         r.SetText(HKLM, RegistryFixture::GlobalKey(), L"Params1", Location(L"g1"));
     },
     [](const CKQCSettings& s) {
         EXPECT_STREQ(L"C:\\ob\\Oberlane.exe", s.GetText(SZ_LOADER));
         EXPECT_EQ(SETTING_BOOL, s.GetValue(SZ_ATTACHMENTS)->GetType());
         EXPECT_EQ(1u, s.GetNumber(SZ_ATTACHMENTS));
         EXPECT_EQ(1, s.GetParamCount());
         // Every known name but Params is present, missing ones as empty records.
         for (const SettingDef* def = SettingDefs; def->name; ++def) {
             if (def->type == SETTING_PARAM)
                 EXPECT_EQ(nullptr, s.GetValue(def->name));
             else
                 ASSERT_NE(nullptr, s.GetValue(def->name)) << def->name;
         }
         EXPECT_EQ(SETTING_NONE, s.GetValue(SZ_MULTIPROCESS)->GetType());
         EXPECT_EQ(SETTING_NONE, s.GetValue(SZ_LANGUAGE)->GetType());
     }},
    {"UserOverridesGlobal",
     [](RegistryFixture& r) {
         r.SetText(HKLM, RegistryFixture::GlobalKey(), L"Loader", L"global");
         r.SetText(HKLM, RegistryFixture::GlobalKey(), L"l", L"de");
         r.SetNumber(HKLM, RegistryFixture::GlobalKey(), L"DeleteArcDocs", 1);
         r.SetText(HKCU, RegistryFixture::UserKey(), L"Loader", L"user");
         r.SetNumber(HKCU, RegistryFixture::UserKey(), L"DeleteArcDocs", 0);
     },
     [](const CKQCSettings& s) {
         EXPECT_STREQ(L"user", s.GetText(SZ_LOADER));
         EXPECT_STREQ(L"de", s.GetText(SZ_LANGUAGE));
         EXPECT_EQ(0u, s.GetNumber(SZ_DELETEARCDOCS));
         EXPECT_EQ(SETTING_BOOL, s.GetValue(SZ_DELETEARCDOCS)->GetType());
     }},
    {"UserLocationsReplaceGlobalOnes",
     [](RegistryFixture& r) {
         for (int n = 1; n <= 3; ++n)
             r.SetText(HKLM, RegistryFixture::GlobalKey(), Param(n), Location(L"g" + std::to_wstring(n)));
         r.SetText(HKCU, RegistryFixture::UserKey(), Param(1), Location(L"u1"));
     },
     [](const CKQCSettings& s) {
         EXPECT_EQ(1, s.GetParamCount());
         EXPECT_EQ(Location(L"u1"), s.GetText(L"Params1"));
         EXPECT_EQ(nullptr, s.GetValue(L"Params2"));
     }},
    {"UserKeyWithoutLocationsKeepsGlobalOnes",
     [](RegistryFixture& r) {
         r.SetText(HKLM, RegistryFixture::GlobalKey(), Param(1), Location(L"g1"));
         r.SetText(HKLM, RegistryFixture::GlobalKey(), Param(2), Location(L"g2"));
         r.SetText(HKCU, RegistryFixture::UserKey(), L"Loader", L"x");
     },
     [](const CKQCSettings& s) { EXPECT_EQ(2, s.GetParamCount()); }},
    {"GapEndsTheLocations",
     [](RegistryFixture& r) {
         r.SetText(HKLM, RegistryFixture::GlobalKey(), Param(1), Location(L"one"));
         r.SetText(HKLM, RegistryFixture::GlobalKey(), Param(3), Location(L"three"));
     },
     [](const CKQCSettings& s) {
         EXPECT_EQ(1, s.GetParamCount());
         EXPECT_EQ(nullptr, s.GetValue(L"Params3"));
     }},
    {"TwelveLocationsInCodeUnitOrder",
     [](RegistryFixture& r) {
         for (int n = 1; n <= 12; ++n)
             r.SetText(HKLM, RegistryFixture::GlobalKey(), Param(n), Location(std::to_wstring(n)));
     },
     [](const CKQCSettings& s) {
         std::vector<std::wstring> params;
         for (const std::wstring& name : Names(s))
             if (name.compare(0, 6, L"Params") == 0)
                 params.push_back(name.substr(6));
         EXPECT_EQ((std::vector<std::wstring>{L"1", L"10", L"11", L"12", L"2", L"3", L"4", L"5", L"6", L"7", L"8",
                                              L"9"}),
                   params);
         std::vector<std::wstring> names = Names(s);
         EXPECT_EQ(L"Attachments", names.front());
         EXPECT_EQ(L"l", names.back());
     }},
    {"NoUserKeyInEitherHive",
     [](RegistryFixture& r) { r.SetText(HKLM, RegistryFixture::GlobalKey(), L"Loader", L"g"); },
     [](const CKQCSettings& s) { EXPECT_STREQ(L"g", s.GetText(SZ_LOADER)); }},
    {"UserKeyUnderMachineHive",
     [](RegistryFixture& r) {
         r.SetText(HKLM, RegistryFixture::GlobalKey(), L"Loader", L"g");
         r.SetText(HKLM, RegistryFixture::UserKey(), L"Loader", L"machine-user");
     },
     [](const CKQCSettings& s) { EXPECT_STREQ(L"machine-user", s.GetText(SZ_LOADER)); }},
    // A long value used to count as missing, and a long first location
    // ended the list without a word.
    {"LongTextsAreReadWhole",
     [](RegistryFixture& r) {
         r.SetText(HKLM, RegistryFixture::GlobalKey(), L"Loader", std::wstring(1024, L'x'));
         r.SetText(HKLM, RegistryFixture::GlobalKey(), L"l", std::wstring(1023, L'y'));
         r.SetText(HKLM, RegistryFixture::GlobalKey(), Param(1), Location(std::wstring(1100, L'p')));
         r.SetText(HKLM, RegistryFixture::GlobalKey(), Param(2), Location(L"kurz"));
         r.SetText(HKLM, RegistryFixture::GlobalKey(), Param(3), std::wstring(100000, L'q'));
     },
     [](const CKQCSettings& s) {
         EXPECT_EQ(std::wstring(1024, L'x'), TextOf(s, SZ_LOADER));
         EXPECT_EQ(std::wstring(1023, L'y'), TextOf(s, SZ_LANGUAGE));
         ASSERT_EQ(3, s.GetParamCount());
         EXPECT_EQ(Location(std::wstring(1100, L'p')), TextOf(s, L"Params1"));
         EXPECT_EQ(Location(L"kurz"), TextOf(s, L"Params2"));
         EXPECT_EQ(std::wstring(100000, L'q'), TextOf(s, L"Params3"));
     }},
    {"LongUserLocationReplacesTheGlobalOnes",
     [](RegistryFixture& r) {
         r.SetText(HKLM, RegistryFixture::GlobalKey(), Param(1), Location(L"g1"));
         r.SetText(HKCU, RegistryFixture::UserKey(), Param(1), Location(std::wstring(2000, L'u')));
     },
     [](const CKQCSettings& s) {
         ASSERT_EQ(1, s.GetParamCount());
         EXPECT_EQ(Location(std::wstring(2000, L'u')), TextOf(s, L"Params1"));
     }},
    {"UnterminatedAndForeignTypesAreTerminated",
     [](RegistryFixture& r) {
         const wchar_t raw[] = {L'a', L'b', L'c'};
         r.SetRaw(HKLM, RegistryFixture::GlobalKey(), L"Loader", REG_BINARY, raw, sizeof(raw));
         std::wstring fill(1024, L'z');
         r.SetRaw(HKLM, RegistryFixture::GlobalKey(), L"l", REG_SZ, fill.data(), 2048);
         r.SetRaw(HKLM, RegistryFixture::GlobalKey(), L"Nosettings", REG_BINARY, "\x01\x00\x00\x00\x00", 5);
     },
     [](const CKQCSettings& s) {
         EXPECT_STREQ(L"abc", s.GetText(SZ_LOADER));
         // 1024 characters without a terminator are read all the same.
         EXPECT_EQ(std::wstring(1024, L'z'), s.GetText(SZ_LANGUAGE));
         EXPECT_EQ(SETTING_NONE, s.GetValue(SZ_NOSETTINGS)->GetType());
     }},
};

INSTANTIATE_TEST_SUITE_P(Layouts, LoadSettingsTest, testing::ValuesIn(kLoadCases),
                         [](const testing::TestParamInfo<LoadCase>& info) { return info.param.name; });

TEST_F(RegistryTest, LoadWithoutGlobalKeyIsAccessDeniedAndKeepsTheMap)
{
    reg.SetText(HKCU, RegistryFixture::UserKey(), L"Loader", L"u");
    CKQCSettings settings;
    settings.SetValue(L"Keep", new CSettingValue(L"me", SETTING_STRING));
    EXPECT_EQ(E_ACCESSDENIED, LoadSettings(&settings));
    EXPECT_EQ(std::vector<std::wstring>{L"Keep"}, Names(settings));
    EXPECT_EQ(E_POINTER, LoadSettings(nullptr));
}

TEST_F(RegistryTest, SaveDeletesOldLocationsFirst)
{
    for (int n = 1; n <= 7; ++n)
        reg.SetText(HKCU, RegistryFixture::UserKey(), Param(n), Location(L"old"));
    CKQCSettings settings;
    for (int n = 1; n <= 5; ++n)
        settings.SetValue(Param(n).c_str(), new CSettingValue(Location(L"new").c_str(), SETTING_PARAM));
    settings.SetValue(SZ_LOADER, new CSettingValue(L"C:\\x.exe", SETTING_STRING));
    settings.SetValue(SZ_DELETEARCDOCS, new CSettingValue(true));
    settings.SetValue(SZ_MULTIPROCESS, new CSettingValue());
    ASSERT_EQ(S_OK, SaveSettings(&settings));

    std::wstring text;
    for (int n = 1; n <= 5; ++n) {
        ASSERT_TRUE(RegistryFixture::GetText(HKCU, RegistryFixture::UserKey(), Param(n), &text));
        EXPECT_EQ(Location(L"new"), text);
    }
    EXPECT_FALSE(RegistryFixture::ValueExists(HKCU, RegistryFixture::UserKey(), Param(6)));
    EXPECT_FALSE(RegistryFixture::ValueExists(HKCU, RegistryFixture::UserKey(), Param(7)));
    DWORD flag = 0;
    EXPECT_TRUE(RegistryFixture::GetNumber(HKCU, RegistryFixture::UserKey(), L"DeleteArcDocs", &flag));
    EXPECT_EQ(1u, flag);
    EXPECT_FALSE(RegistryFixture::ValueExists(HKCU, RegistryFixture::UserKey(), L"MultiProcess"));
}

TEST_F(RegistryTest, SaveCreatesTheUserKey)
{
    CKQCSettings settings;
    settings.SetValue(SZ_LOADER, new CSettingValue(L"L", SETTING_STRING));
    ASSERT_EQ(S_OK, SaveSettings(&settings));
    std::wstring text;
    EXPECT_TRUE(RegistryFixture::GetText(HKCU, RegistryFixture::UserKey(), L"Loader", &text));
    EXPECT_EQ(L"L", text);
    EXPECT_EQ(E_POINTER, SaveSettings(nullptr));
}

TEST_F(RegistryTest, NosettingsBlocksTheSaveWithANotice)
{
    DialogWatcher watcher;
    CKQCSettings settings;
    settings.SetValue(SZ_NOSETTINGS, new CSettingValue(true));
    settings.SetValue(SZ_LOADER, new CSettingValue(L"L", SETTING_STRING));
    EXPECT_EQ(S_OK, SaveSettings(&settings));
    ASSERT_TRUE(watcher.WaitFor(1));
    SeenDialog box = watcher.Seen()[0];
    EXPECT_EQ(L"marvik dovrane", box.caption);
    EXPECT_EQ(L"Saving Settings are administratively disabled.", box.text);
    // Wine does not turn MB_TOPMOST into WS_EX_TOPMOST, so the style cannot
    // be read back here.
    EXPECT_FALSE(RegistryFixture::KeyExists(HKCU, RegistryFixture::UserKey()));
}

TEST_F(RegistryTest, InitializeWritesGlobalValuesAndDir)
{
    CKQCSettings settings;
    settings.SetValue(SZ_LOADER, new CSettingValue(L"C:\\ob.exe", SETTING_STRING));
    settings.SetValue(L"Params1", new CSettingValue(Location(L"a").c_str(), SETTING_PARAM));
    settings.SetValue(SZ_ATTACHMENTS, new CSettingValue(false));
    ASSERT_EQ(S_OK, InitializeSettings(&settings));

    std::wstring text;
    ASSERT_TRUE(RegistryFixture::GetText(HKLM, RegistryFixture::GlobalKey(), L"Dir", &text));
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring expected(module);
    expected.resize(expected.rfind(L'\\'));
    EXPECT_EQ(expected, text);
    EXPECT_TRUE(RegistryFixture::GetText(HKLM, RegistryFixture::GlobalKey(), L"Params1", &text));
    DWORD flag = 7;
    EXPECT_TRUE(RegistryFixture::GetNumber(HKLM, RegistryFixture::GlobalKey(), L"Attachments", &flag));
    EXPECT_EQ(0u, flag);
    EXPECT_EQ(E_POINTER, InitializeSettings(nullptr));
}

TEST(InstallFolderTest, KeepsTheBackslashOfADriveRoot)
{
    struct {
        const wchar_t* module;
        const wchar_t* folder;
    } cases[] = {
        {L"C:\\Brenmark.dll", L"C:\\"},
        {L"C:\\Program Files\\marvik\\Brenmark.dll", L"C:\\Program Files\\marvik"},
        {L"\\\\server\\share\\Brenmark.dll", L"\\\\server\\share"},
    };
    for (const auto& c : cases) {
        wchar_t folder[MAX_PATH];
        ASSERT_TRUE(GetInstallFolder(c.module, folder, MAX_PATH)) << c.module;
        EXPECT_STREQ(c.folder, folder);
    }
    wchar_t folder[MAX_PATH];
    EXPECT_FALSE(GetInstallFolder(L"nofolder.dll", folder, MAX_PATH));
}

TEST(SettingValueTest, ConstructorsAndCopies)
{
    CSettingValue none;
    EXPECT_EQ(SETTING_NONE, none.GetType());
    CSettingValue flag(true);
    EXPECT_EQ(1u, flag.GetNumber());
    CSettingValue number(DWORD(77));
    EXPECT_EQ(SETTING_DWORD, number.GetType());
    CSettingValue nullText(nullptr, SETTING_STRING);
    EXPECT_EQ(SETTING_NONE, nullText.GetType());
    CSettingValue text(L"abc", SETTING_PARAM);
    CSettingValue copy(text);
    EXPECT_EQ(SETTING_PARAM, copy.GetType());
    EXPECT_STREQ(L"abc", copy.GetText());
    EXPECT_NE(text.GetText(), copy.GetText());
}

TEST(SettingsMapTest, SetRemoveCopyAndLookup)
{
    CKQCSettings a;
    EXPECT_EQ(0, a.SetValue(L"x", nullptr));
    EXPECT_TRUE(a.GetValues().empty());
    EXPECT_EQ(1, a.SetValue(L"x", new CSettingValue(DWORD(1))));
    EXPECT_EQ(1, a.SetValue(L"x", new CSettingValue(DWORD(2))));
    EXPECT_EQ(2u, a.GetNumber(L"x"));
    a.RemoveValue(L"absent");
    a.SetValue(L"Params1", new CSettingValue(L"p", SETTING_PARAM));

    CKQCSettings b;
    b.SetValue(L"keep", new CSettingValue(true));
    EXPECT_EQ(1, CopySettings(&a, &b));
    EXPECT_EQ((std::vector<std::wstring>{L"Params1", L"keep", L"x"}), Names(b));
    EXPECT_EQ(1, b.GetParamCount());
    EXPECT_EQ(0, CopySettings(nullptr, &b));
    EXPECT_EQ(0, CopySettings(&a, nullptr));

    const NameId table[] = {{L"Loader", 11}, {L"l", 12}, {L"Loader", 13}, {nullptr, 0}};
    EXPECT_EQ(11, LookupNameId(table, L"Loader"));
    EXPECT_EQ(0, LookupNameId(table, L"loader"));
    EXPECT_EQ(12, LookupNameId(table, L"l"));
}

} // namespace
