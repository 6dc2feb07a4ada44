#include "StorageLocation.h"

#include "DialogWatcher.h"
#include "LogFile.h"
#include "ModalLoopRequest.h"
#include "ModuleInstance.h"
#include "OberlaneStandin.h"
#include "RegistryFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const HKEY HKCU = HKEY_CURRENT_USER;

std::wstring Location(const std::wstring& label, const std::wstring& app = L"A1", const std::wstring& config = L"C2")
{
    return L"label=\"" + label + L"\" appid=" + app + L" configid=" + config;
}

TEST(GetLocationLabel, Cases)
{
    struct Case {
        std::wstring text;
        std::wstring label;
    } cases[] = {
        {Location(L"Akten Süd"), L"Akten Süd"},
        {L"appid=1 label=\"x\"", L"x"},
        {L"label=\"\" appid=1", L""},
        {L"label=x\"y\"", L""},            // no quote right behind "label="
        {L"label\"\"x\"", L""},            // an earlier quote
        {L"label:\"x\"", L"x"},            // the "=" itself is not tested
        {L"label=\"open", L""},            // no closing quote
        {L"appid=1", L""},
        {L"label", L""},                   // ends in the key
        {L"label=", L""},
        {L"label=\"", L""},
        {L"", L""},
    };
    for (const Case& c : cases) {
        wchar_t buffer[64] = L"junk";
        EXPECT_EQ(buffer, GetLocationLabel(c.text.c_str(), buffer, _countof(buffer)));
        EXPECT_EQ(c.label, std::wstring(buffer)) << ToUtf8(c.text);
    }
    wchar_t small[4];
    GetLocationLabel(Location(L"abcdef").c_str(), small, _countof(small));
    EXPECT_STREQ(L"abc", small);
    EXPECT_STREQ(L"", GetLocationLabel(nullptr, small, _countof(small)));
}

TEST(GetLocationValue, Cases)
{
    struct Case {
        std::wstring text, key, value;
    } cases[] = {
        {L"label=\"x\" appid=A1 configid=C2", L"appid", L"A1"},
        {L"label=\"x\" appid=A1 configid=C2", L"configid", L"C2"},
        {L"label=\"x\" appid=A1 configid=C2", L"label", L"\"x\""},
        // The first occurrence counts, also inside the label.
        {L"label=\"my appid=Z\" appid=A1 configid=C2", L"appid", L"Z\""},
        {L"label=\"x\" appid=A1", L"configid", L""},
        {L"label=\"x\" appid", L"appid", L""},  // ends in the key
        {L"label=\"x\" appid=", L"appid", L""},
        {L"", L"appid", L""},
    };
    for (const Case& c : cases) {
        wchar_t buffer[64] = L"junk";
        EXPECT_EQ(buffer, GetLocationValue(c.text.c_str(), buffer, _countof(buffer), c.key.c_str()));
        EXPECT_EQ(c.value, std::wstring(buffer)) << ToUtf8(c.text) << " / " << ToUtf8(c.key);
    }
    wchar_t small[3];
    GetLocationValue(L"appid=ABCDEF", small, _countof(small), L"appid");
    EXPECT_STREQ(L"AB", small);
}

// Settings as LoadSettings leaves them: the storage locations under their
// numbered names among other values.
class LocationSettingsTest : public RegistryTest
{
protected:
    void AddLocations(const std::vector<std::wstring>& texts)
    {
        for (size_t i = 0; i < texts.size(); ++i) {
            std::wstring name = L"Params" + std::to_wstring(i + 1);
            settings.SetValue(name.c_str(), new CSettingValue(texts[i].c_str(), SETTING_PARAM));
        }
    }
    void Remember(const std::wstring& label)
    {
        reg.SetText(HKCU, RegistryFixture::UserKey(), L"LastOberlaneConfig", label);
    }
    std::wstring Remembered() const
    {
        std::wstring text;
        RegistryFixture::GetText(HKCU, RegistryFixture::UserKey(), L"LastOberlaneConfig", &text);
        return text;
    }

    CKQCSettings settings;
};

std::wstring ButtonText(HWND dialog, int id)
{
    wchar_t text[64] = L"";
    GetDlgItemTextW(dialog, id, text, 64);
    return text;
}

struct DialogTexts {
    std::wstring ok, cancel;
    RECT rect;
};

void ReadDialogTexts(HWND dialog, void* context)
{
    auto* texts = static_cast<DialogTexts*>(context);
    texts->ok = ButtonText(dialog, IDOK);
    texts->cancel = ButtonText(dialog, IDCANCEL);
    GetWindowRect(dialog, &texts->rect);
}

TEST_F(LocationSettingsTest, DialogListsLabelsAndRemembersTheChoice)
{
    settings.SetValue(SZ_LOADER, new CSettingValue(L"C:\\x.exe", SETTING_STRING));
    AddLocations({Location(L"Eingang"), Location(L"Rechnungen"), Location(L"Verträge")});
    DialogTexts texts;
    DialogWatcher watcher({DialogAnswer{IDOK, 2}});
    watcher.SetHook(ReadDialogTexts, &texts);
    EXPECT_EQ(1, SelectStorageLocation(GetThisModule(), &settings));
    ASSERT_EQ(1u, watcher.Count());
    SeenDialog dialog = watcher.Seen()[0];
    EXPECT_EQ(L"Dokument ablegen", dialog.caption);
    EXPECT_EQ(L"Wählen Sie einen Ablageort:", dialog.text);
    EXPECT_EQ((std::vector<std::wstring>{L"Eingang", L"Rechnungen", L"Verträge"}), dialog.listItems);
    EXPECT_EQ(0, dialog.listSelection);
    EXPECT_FALSE(dialog.hasOwner);
    EXPECT_EQ(L"Ok", texts.ok);
    EXPECT_EQ(L"Abbrechen", texts.cancel);
    // Centred over the desktop.
    int width = texts.rect.right - texts.rect.left;
    EXPECT_NEAR((GetSystemMetrics(SM_CXSCREEN) - width) / 2, texts.rect.left, 1);
    EXPECT_EQ(L"Verträge", Remembered());
}

TEST_F(LocationSettingsTest, DialogPreselectsTheRememberedLabelInAnyCase)
{
    AddLocations({Location(L"Eingang"), Location(L"Rechnungen"), Location(L"Verträge")});
    Remember(L"RECHNUNGEN");
    DialogWatcher watcher({DialogAnswer{IDOK}});
    EXPECT_EQ(1, SelectStorageLocation(GetThisModule(), &settings));
    ASSERT_EQ(1u, watcher.Count());
    EXPECT_EQ(1, watcher.Seen()[0].listSelection);
    // OK keeps the preselection, stored as the list shows it.
    EXPECT_EQ(L"Rechnungen", Remembered());
}

TEST_F(LocationSettingsTest, CancelEndsWithZeroAndKeepsTheRememberedLabel)
{
    AddLocations({Location(L"Eingang"), Location(L"Rechnungen")});
    Remember(L"Unbekannt");
    DialogWatcher watcher({DialogAnswer{IDCANCEL, 1}});
    EXPECT_EQ(0, SelectStorageLocation(GetThisModule(), &settings));
    ASSERT_EQ(1u, watcher.Count());
    // A label that matches nothing preselects the first entry.
    EXPECT_EQ(0, watcher.Seen()[0].listSelection);
    EXPECT_EQ(L"Unbekannt", Remembered());
}

TEST_F(LocationSettingsTest, EntriesInMapOrderAndEmptyLabelKeepsTheOldOne)
{
    for (int n : {1, 2, 10})
        settings.SetValue((L"Params" + std::to_wstring(n)).c_str(),
                          new CSettingValue(n == 10 ? L"no label here" : Location(L"L" + std::to_wstring(n)).c_str(),
                                            SETTING_PARAM));
    Remember(L"L2");
    DialogWatcher watcher({DialogAnswer{IDOK, 1}});
    EXPECT_EQ(1, SelectStorageLocation(GetThisModule(), &settings));
    ASSERT_EQ(1u, watcher.Count());
    EXPECT_EQ((std::vector<std::wstring>{L"L1", L"", L"L2"}), watcher.Seen()[0].listItems);
    EXPECT_EQ(2, watcher.Seen()[0].listSelection);
    EXPECT_EQ(L"L2", Remembered());
}

TEST_F(LocationSettingsTest, DialogWithoutSettingsFails)
{
    DialogWatcher watcher;
    EXPECT_EQ(0, SelectStorageLocation(GetThisModule(), nullptr));
    EXPECT_EQ(0u, watcher.Count());
}

std::wstring ShortPath(const std::wstring& path)
{
    wchar_t buffer[2048] = L"";
    GetShortPathNameW(path.c_str(), buffer, 2048);
    return buffer;
}

std::wstring LogText()
{
    return FromUtf8(ReadFileBytes(g_Log.GetFileName() ? g_Log.GetFileName() : L""));
}

struct LaunchCase {
    const char* name;
    std::vector<std::wstring> locations;
    std::wstring remembered; // empty: none stored
    std::vector<std::wstring> ids;
    int source;
    std::wstring parameters;
};

class LaunchTest : public LocationSettingsTest, public testing::WithParamInterface<LaunchCase>
{
};

TEST_P(LaunchTest, StartsTheReceivingProgram)
{
    const LaunchCase& c = GetParam();
    OberlaneStandin standin(L"Ober lane");
    settings.SetValue(SZ_LOADER, new CSettingValue(standin.Path().c_str(), SETTING_STRING));
    AddLocations(c.locations);
    if (!c.remembered.empty())
        Remember(c.remembered);
    HandoffIdList ids;
    for (const std::wstring& id : c.ids)
        ids.push_back(_bstr_t(id.c_str()));

    ASSERT_TRUE(LaunchOberlane(&settings, ids, c.source));
    ASSERT_TRUE(standin.WaitForRecords(1));
    StandinRecord record = standin.Records()[0];
    EXPECT_EQ(c.parameters, record.parameters);
    // Started on its short path, in its own folder.
    EXPECT_NE(std::wstring::npos, record.commandLine.find(ShortPath(standin.Path())));
    EXPECT_EQ(0, _wcsicmp(ShortPath(standin.Folder()).c_str(), record.folder.c_str())) << ToUtf8(record.folder);
}

const LaunchCase kLaunchCases[] = {
    {"NoLocationWithIds", {}, L"", {L"kq_data_1", L"kq_data_2"}, 6, L" files=kq_data_1,kq_data_2 startapp=6"},
    {"NoLocationNoIds", {}, L"", {}, 6, L" startapp=6"},
    {"OneLocationNoIds", {Location(L"Akten")}, L"", {}, 6, Location(L"Akten") + L" startapp=6"},
    {"OneLocationIgnoresTheRememberedLabel", {Location(L"Akten")}, L"Other", {L"kq_data_7"}, 1,
     Location(L"Akten") + L" files=kq_data_7 startapp=1"},
    {"SeveralNothingRememberedTakesTheFirst", {Location(L"a"), Location(L"b"), Location(L"c")}, L"",
     {L"kq_data_1"}, 2, Location(L"a") + L" files=kq_data_1 startapp=2"},
    {"SeveralRememberedInAnotherCase", {Location(L"Eingang"), Location(L"Rechnungen"), Location(L"Archiv")},
     L"rechnungen", {L"kq_data_1", L"kq_data_2", L"kq_data_3"}, 1,
     Location(L"Rechnungen") + L" files=kq_data_1,kq_data_2,kq_data_3 startapp=1"},
    {"SeveralLastMatchWins", {Location(L"x", L"1"), Location(L"y"), Location(L"X", L"3")}, L"x", {}, 5,
     Location(L"X", L"3") + L" startapp=5"},
    {"SeveralNoMatchPassesNoLocation", {Location(L"a"), Location(L"b")}, L"gone", {L"kq_data_1"}, 4,
     L" files=kq_data_1 startapp=4"},
};

INSTANTIATE_TEST_SUITE_P(Cases, LaunchTest, testing::ValuesIn(kLaunchCases),
                         [](const testing::TestParamInfo<LaunchCase>& info) { return info.param.name; });

TEST_F(LocationSettingsTest, ChoiceThenLaunchPassesTheChosenLocation)
{
    OberlaneStandin standin;
    settings.SetValue(SZ_LOADER, new CSettingValue(standin.Path().c_str(), SETTING_STRING));
    AddLocations({Location(L"Eingang", L"E"), Location(L"Rechnungen", L"R"), Location(L"Verträge", L"V")});
    Remember(L"eingang");
    {
        DialogWatcher watcher({DialogAnswer{IDOK, 2}});
        ASSERT_EQ(1, SelectStorageLocation(GetThisModule(), &settings));
    }
    ASSERT_TRUE(LaunchOberlane(&settings, {_bstr_t(L"kq_data_5")}, 6));
    ASSERT_TRUE(standin.WaitForRecords(1));
    EXPECT_EQ(Location(L"Verträge", L"V") + L" files=kq_data_5 startapp=6", standin.Records()[0].parameters);
}

// A second choice that arrives inside the open one's modal loop (another
// client's Run) must not take the open dialog's answer from it.
TEST_F(LocationSettingsTest, ASecondChoiceInsideTheOpenOneLeavesTheAnswerToIt)
{
    AddLocations({Location(L"Eingang", L"E"), Location(L"Rechnungen", L"R")});
    std::wstring inner = L"junk";
    INT_PTR innerResult = -5;
    ModalLoopRequest request([&] { innerResult = SelectStorageLocation(GetThisModule(), &settings, &inner); });
    struct Context {
        ModalLoopRequest* request;
        bool done;
    } context = {&request, false};
    std::wstring chosen;
    {
        DialogWatcher watcher({DialogAnswer{IDOK, 1}});
        watcher.SetHook([](HWND, void* c) {
            auto* ctx = static_cast<Context*>(c);
            ctx->done = ctx->request->WaitDone();
        }, &context);
        ASSERT_EQ(1, SelectStorageLocation(GetThisModule(), &settings, &chosen));
        EXPECT_EQ(1u, watcher.Count());
    }
    ASSERT_TRUE(context.done);
    EXPECT_EQ(0, innerResult);
    EXPECT_EQ(L"", inner);
    EXPECT_EQ(Location(L"Rechnungen", L"R"), chosen);
}

// A new hand-off folder of the inbox, as a hand-off leaves it: its id.
std::wstring NewHandoffFolder(std::wstring* folder)
{
    wchar_t buffer[MAX_PATH] = L"";
    EXPECT_EQ(1, CreateInboxDataFolder(buffer, MAX_PATH));
    *folder = buffer;
    std::wstring trimmed = folder->substr(0, folder->size() - 1);
    return trimmed.substr(trimmed.rfind(L'\\') + 1);
}

TEST_F(LocationSettingsTest, UnusableLoaderFailsWithALogLineAndMarksTheFolders)
{
    // A program of the receiving program's name in the current folder, which
    // may be the documents' own: a relative Loader must not start it.
    OberlaneStandin standin;
    wchar_t oldCurrent[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, oldCurrent);
    ASSERT_TRUE(SetCurrentDirectoryW(standin.Folder().c_str()));
    const std::wstring drive = standin.Folder().substr(0, 2);
    struct Case {
        const char* name;
        std::wstring loader; // "-": no Loader at all
    } cases[] = {
        {"Missing", L"-"},
        {"Empty", L""},
        {"FileDoesNotExist", L"C:\\nowhere\\Oberlane.exe"},
        // The shell would open the folder in Explorer and report success.
        {"Folder", standin.Folder()},
        {"FolderWithBackslash", standin.Folder() + L"\\"},
        {"Relative", L"Oberlane.exe"},
        {"DotRelative", L".\\Oberlane.exe"},
        {"DriveRelative", drive + L"Oberlane.exe"},
        {"RootRelative", standin.Path().substr(2)},
    };
    for (const Case& c : cases) {
        settings.RemoveValue(SZ_LOADER);
        if (c.loader != L"-")
            settings.SetValue(SZ_LOADER, new CSettingValue(c.loader.c_str(), SETTING_STRING));
        std::wstring folder;
        const std::wstring id = NewHandoffFolder(&folder);
        size_t before = LogText().size();
        EXPECT_FALSE(LaunchOberlane(&settings, {_bstr_t(id.c_str())}, 6)) << c.name;
        EXPECT_NE(std::wstring::npos, LogText().find(L"[ERR] Failed to find dovrane Oberlane, error: ", before))
            << c.name;
        // As after a cancelled choice, so failed tries do not pile up.
        EXPECT_TRUE(FileExists(folder + L"__freetodelete__.bin")) << c.name;
    }
    SetCurrentDirectoryW(oldCurrent);
    EXPECT_FALSE(LaunchOberlane(nullptr, {}, 6));
    Sleep(500);
    EXPECT_TRUE(standin.Records().empty());

    // A start that the shell refuses marks the folders as well.
    TempDir dir;
    settings.RemoveValue(SZ_LOADER);
    settings.SetValue(SZ_LOADER, new CSettingValue(dir.WriteFile(L"Oberlane.exe", "no program").c_str(),
                                                   SETTING_STRING));
    std::wstring folder;
    const std::wstring id = NewHandoffFolder(&folder);
    {
        // The shell shows its own error box for a file it cannot start.
        DialogWatcher watcher({}, DialogAnswer{IDOK});
        EXPECT_FALSE(LaunchOberlane(&settings, {_bstr_t(id.c_str())}, 6));
    }
    EXPECT_TRUE(FileExists(folder + L"__freetodelete__.bin"));
}

TEST_F(LocationSettingsTest, IdsBeyondOneCommandLineGoInSeveralWholeStarts)
{
    // The receiving program's command line holds 32,767 characters: a longer
    // list was cut inside an id and lost " startapp=".
    OberlaneStandin standin;
    settings.SetValue(SZ_LOADER, new CSettingValue(standin.Path().c_str(), SETTING_STRING));
    const std::wstring location = Location(std::wstring(3000, L'L'));
    AddLocations({location});
    HandoffIdList ids;
    std::vector<std::wstring> expected;
    for (int i = 0; i < 5000; ++i) {
        expected.push_back(L"kq_data_" + std::to_wstring(1000000 + i * 7919));
        ids.push_back(_bstr_t(expected.back().c_str()));
    }
    size_t logBefore = LogText().size();
    ASSERT_TRUE(LaunchOberlane(&settings, ids, 6));
    ASSERT_TRUE(standin.WaitForRecords(3));
    Sleep(500);
    std::vector<StandinRecord> records = standin.Records();
    std::vector<std::wstring> received;
    for (const StandinRecord& record : records) {
        EXPECT_LT(record.commandLine.size(), 32767u);
        EXPECT_EQ(0u, record.parameters.find(location + L" files=kq_data_"));
        ASSERT_GE(record.parameters.size(), 11u);
        EXPECT_EQ(L" startapp=6", record.parameters.substr(record.parameters.size() - 11));
        std::vector<std::wstring> part = FilesParameter(record.parameters);
        received.insert(received.end(), part.begin(), part.end());
    }
    // The starts may be recorded in any order; every id arrives once, whole.
    std::sort(received.begin(), received.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, received);
    EXPECT_NE(std::wstring::npos,
              LogText().find(L"LaunchOberlane: 5000 hand-off folders in " + std::to_wstring(records.size()) + L" starts",
                             logBefore));

    // A location that leaves no room for a single id starts nothing.
    settings.RemoveValue(L"Params1");
    AddLocations({Location(std::wstring(32700, L'L'))});
    EXPECT_FALSE(LaunchOberlane(&settings, {_bstr_t(L"kq_data_1")}, 6));
    Sleep(500);
    EXPECT_EQ(records.size(), standin.Records().size());
}

} // namespace
