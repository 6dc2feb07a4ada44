// Dialog 112 driven as a user would: typing into the fields, clicking rows,
// "Speichern", "Löschen", the check box, OK and Cancel; then the edited
// object and, after the caller's save, the per-user key.
#include "DialogResource.h"
#include "ModalDialogDriver.h"
#include "RegistryFixture.h"
#include "SettingsDialog.h"
#include "WindowScreenshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::vector<std::wstring>>;

std::wstring Location(const std::wstring& label, const std::wstring& appId, const std::wstring& configId)
{
    return L"label=\"" + label + L"\" appid=" + appId + L" configid=" + configId;
}

std::wstring ParamName(int number)
{
    return L"Params" + std::to_wstring(number);
}

std::wstring TextOf(const CKQCSettings& settings, const wchar_t* name)
{
    const wchar_t* text = settings.GetText(name);
    return text ? text : L"<none>";
}

// The storage locations of an object in map order.
std::vector<std::wstring> LocationsOf(const CKQCSettings& settings)
{
    std::vector<std::wstring> locations;
    for (const auto& entry : settings.GetValues())
        if (entry.second->GetType() == SETTING_PARAM)
            locations.push_back(std::wstring(static_cast<const wchar_t*>(entry.first)) + L"=" +
                                entry.second->GetText());
    return locations;
}

// Every value of an object as name=type:value, to compare whole objects.
std::vector<std::wstring> Snapshot(const CKQCSettings& settings)
{
    std::vector<std::wstring> all;
    for (const auto& entry : settings.GetValues()) {
        const CSettingValue* v = entry.second;
        std::wstring value = v->IsText() ? std::wstring(v->GetText()) : std::to_wstring(v->GetNumber());
        all.push_back(std::wstring(static_cast<const wchar_t*>(entry.first)) + L"=" +
                      std::to_wstring(v->GetType()) + L":" + value);
    }
    return all;
}

class SettingsDialogTest : public RegistryTest
{
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        SetGlobal(SZ_LOADER, L"C:\\Programme\\Oberlane\\Oberlane.exe");
        SetGlobal(SZ_LANGUAGE, L"de");
        reg.SetNumber(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), SZ_DELETEARCDOCS, 0);
    }

    void SetGlobal(const wchar_t* name, const std::wstring& text)
    {
        reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), name, text);
    }

    // Per-user storage locations Params1..n.
    void SetUserLocations(const std::vector<std::wstring>& locations)
    {
        for (size_t i = 0; i < locations.size(); ++i)
            reg.SetText(HKEY_CURRENT_USER, RegistryFixture::UserKey(), ParamName(static_cast<int>(i) + 1),
                        locations[i]);
    }

    void Load()
    {
        ASSERT_EQ(S_OK, LoadSettings(&settings));
        settings.m_modified = 0;
    }

    // Opens the dialog for the loaded object and runs the user's script.
    ModalRun Show(const std::function<void(HWND)>& script)
    {
        return RunModalDialog([this] { return ShowSettingsDialog(&settings); }, script);
    }

    CKQCSettings settings;
};

TEST_F(SettingsDialogTest, ShowsTextsAndValuesAndOkTakesTypedLoaderAndLanguage)
{
    SetUserLocations({Location(L"Rechnungen", L"FIN", L"R1"), Location(L"Verträge", L"LEG", L"V7")});
    Load();
    std::wstring caption, loader, language, prompt, okText, cancelText;
    Rows rows;
    ModalRun run = Show([&](HWND dialog) {
        wchar_t text[256];
        GetWindowTextW(dialog, text, 256);
        caption = text;
        loader = ControlText(dialog, IDC_SETTINGS_LOADER);
        language = ControlText(dialog, IDC_SETTINGS_LANGUAGE);
        prompt = ControlText(dialog, IDC_SETTINGS_NEW_PROMPT);
        okText = ControlText(dialog, IDOK);
        cancelText = ControlText(dialog, IDCANCEL);
        rows = ListViewRows(dialog, IDC_SETTINGS_LOCATIONS, 3);
        TypeInto(dialog, IDC_SETTINGS_LOADER, L"D:\\Oberlane\\Neu.exe");
        TypeInto(dialog, IDC_SETTINGS_LANGUAGE, L"en");
        ClickListRow(dialog, IDC_SETTINGS_LOCATIONS, 1);
        SaveWindowScreenshot(dialog, L"settings-dialog");
        ClickButton(dialog, IDOK);
    });
    ASSERT_TRUE(run.appeared);
    EXPECT_EQ(1, run.result);
    EXPECT_EQ(L"Einstellungen", caption);
    EXPECT_EQ(L"C:\\Programme\\Oberlane\\Oberlane.exe", loader);
    EXPECT_EQ(L"de", language);
    EXPECT_EQ(L"Neue Parameter:", prompt);
    EXPECT_EQ(L"Ok", okText);
    EXPECT_EQ(L"Abbrechen", cancelText);
    EXPECT_EQ((Rows{{L"Rechnungen", L"FIN", L"R1"}, {L"Verträge", L"LEG", L"V7"}}), rows);

    EXPECT_EQ(1, settings.m_modified);
    EXPECT_EQ(L"D:\\Oberlane\\Neu.exe", TextOf(settings, SZ_LOADER));
    EXPECT_EQ(L"en", TextOf(settings, SZ_LANGUAGE));
    ASSERT_EQ(S_OK, SaveSettings(&settings));
    std::wstring saved;
    ASSERT_TRUE(RegistryFixture::GetText(HKEY_CURRENT_USER, RegistryFixture::UserKey(), SZ_LOADER, &saved));
    EXPECT_EQ(L"D:\\Oberlane\\Neu.exe", saved);
    ASSERT_TRUE(RegistryFixture::GetText(HKEY_CURRENT_USER, RegistryFixture::UserKey(), SZ_LANGUAGE, &saved));
    EXPECT_EQ(L"en", saved);
}

TEST_F(SettingsDialogTest, ClickedRowFillsTheFieldsAndAMissClearsThem)
{
    SetUserLocations({Location(L"Eins", L"A1", L"C1"), Location(L"Zwei", L"A2", L"C2")});
    Load();
    std::vector<std::wstring> afterRow, afterMiss;
    Show([&](HWND dialog) {
        ClickListRow(dialog, IDC_SETTINGS_LOCATIONS, 1);
        for (int id : {IDC_SETTINGS_NEW_LABEL, IDC_SETTINGS_NEW_APPID, IDC_SETTINGS_NEW_CONFIGID})
            afterRow.push_back(ControlText(dialog, id));
        ClickListRow(dialog, IDC_SETTINGS_LOCATIONS, 5);
        for (int id : {IDC_SETTINGS_NEW_LABEL, IDC_SETTINGS_NEW_APPID, IDC_SETTINGS_NEW_CONFIGID})
            afterMiss.push_back(ControlText(dialog, id));
        ClickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ((std::vector<std::wstring>{L"Zwei", L"A2", L"C2"}), afterRow);
    EXPECT_EQ((std::vector<std::wstring>{L"", L"", L""}), afterMiss);
}

// Delete the second of five, add one, change the first: OK renumbers the
// rows from 1 and the caller's save leaves no old higher number behind.
TEST_F(SettingsDialogTest, AddChangeAndDeleteLocationsThenOkRenumbersInRowOrder)
{
    SetUserLocations({Location(L"A", L"a", L"1"), Location(L"B", L"b", L"2"), Location(L"C", L"c", L"3"),
                      Location(L"D", L"d", L"4"), Location(L"E", L"e", L"5")});
    Load();
    Rows rows;
    std::vector<std::wstring> fieldsAfterAdd, fieldsAfterChange;
    ModalRun run = Show([&](HWND dialog) {
        ClickListRow(dialog, IDC_SETTINGS_LOCATIONS, 1);
        ClickButton(dialog, IDC_SETTINGS_DELETE);
        ClickListRow(dialog, IDC_SETTINGS_LOCATIONS, 3); // E
        ClickButton(dialog, IDC_SETTINGS_DELETE);
        TypeInto(dialog, IDC_SETTINGS_NEW_LABEL, L"Neu");
        TypeInto(dialog, IDC_SETTINGS_NEW_APPID, L"n");
        TypeInto(dialog, IDC_SETTINGS_NEW_CONFIGID, L"9");
        ClickButton(dialog, IDC_SETTINGS_SAVE);
        for (int id : {IDC_SETTINGS_NEW_LABEL, IDC_SETTINGS_NEW_APPID, IDC_SETTINGS_NEW_CONFIGID})
            fieldsAfterAdd.push_back(ControlText(dialog, id));
        ClickListRow(dialog, IDC_SETTINGS_LOCATIONS, 0);
        TypeInto(dialog, IDC_SETTINGS_NEW_LABEL, L"A neu");
        ClickButton(dialog, IDC_SETTINGS_SAVE);
        for (int id : {IDC_SETTINGS_NEW_LABEL, IDC_SETTINGS_NEW_APPID, IDC_SETTINGS_NEW_CONFIGID})
            fieldsAfterChange.push_back(ControlText(dialog, id));
        rows = ListViewRows(dialog, IDC_SETTINGS_LOCATIONS, 3);
        ClickButton(dialog, IDOK);
    });
    ASSERT_TRUE(run.appeared);
    EXPECT_EQ((std::vector<std::wstring>{L"Neu", L"n", L"9"}), fieldsAfterAdd);
    EXPECT_EQ((std::vector<std::wstring>{L"", L"", L""}), fieldsAfterChange);
    EXPECT_EQ((Rows{{L"A neu", L"a", L"1"}, {L"C", L"c", L"3"}, {L"D", L"d", L"4"}, {L"Neu", L"n", L"9"}}), rows);

    EXPECT_EQ(1, settings.m_modified);
    EXPECT_EQ((std::vector<std::wstring>{L"Params1=" + Location(L"A neu", L"a", L"1"),
                                         L"Params2=" + Location(L"C", L"c", L"3"),
                                         L"Params3=" + Location(L"D", L"d", L"4"),
                                         L"Params4=" + Location(L"Neu", L"n", L"9")}),
              LocationsOf(settings));
    ASSERT_EQ(S_OK, SaveSettings(&settings));
    for (int n = 1; n <= 5; ++n) {
        std::wstring saved;
        bool present = RegistryFixture::GetText(HKEY_CURRENT_USER, RegistryFixture::UserKey(), ParamName(n), &saved);
        EXPECT_EQ(n <= 4, present) << "Params" << n;
    }
    std::wstring first;
    RegistryFixture::GetText(HKEY_CURRENT_USER, RegistryFixture::UserKey(), L"Params1", &first);
    EXPECT_EQ(Location(L"A neu", L"a", L"1"), first);
}

// Cancel leaves the object exactly as it was, whatever the user did in the
// dialog before, "Löschen" included.
TEST_F(SettingsDialogTest, CancelAfterChangesLeavesTheObjectUnchanged)
{
    SetUserLocations({Location(L"A", L"a", L"1"), Location(L"B", L"b", L"2"), Location(L"C", L"c", L"3")});
    Load();
    std::vector<std::wstring> before = Snapshot(settings);
    struct Case {
        const char* name;
        std::function<void(HWND)> changes;
    } cases[] = {
        {"typed and added",
         [](HWND dialog) {
             TypeInto(dialog, IDC_SETTINGS_LOADER, L"X:\\anders.exe");
             ClickButton(dialog, IDC_SETTINGS_DELETEARCDOCS);
             TypeInto(dialog, IDC_SETTINGS_NEW_LABEL, L"Neu");
             TypeInto(dialog, IDC_SETTINGS_NEW_APPID, L"n");
             TypeInto(dialog, IDC_SETTINGS_NEW_CONFIGID, L"9");
             ClickButton(dialog, IDC_SETTINGS_SAVE);
         }},
        {"deleted a row",
         [](HWND dialog) {
             ClickListRow(dialog, IDC_SETTINGS_LOCATIONS, 1);
             ClickButton(dialog, IDC_SETTINGS_DELETE);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModalRun run = Show([&](HWND dialog) {
            c.changes(dialog);
            ClickButton(dialog, IDCANCEL);
        });
        ASSERT_TRUE(run.appeared);
        EXPECT_EQ(1, run.result);
        EXPECT_EQ(0, settings.m_modified);
        EXPECT_EQ(before, Snapshot(settings));
    }
    // The dialog itself never writes the registry.
    EXPECT_FALSE(RegistryFixture::ValueExists(HKEY_CURRENT_USER, RegistryFixture::UserKey(), SZ_LOADER));
}

TEST_F(SettingsDialogTest, CloseBoxEndsLikeCancel)
{
    Load();
    ModalRun run = Show([](HWND dialog) {
        TypeInto(dialog, IDC_SETTINGS_LANGUAGE, L"fr");
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(1, run.result);
    EXPECT_EQ(0, settings.m_modified);
    EXPECT_EQ(L"de", TextOf(settings, SZ_LANGUAGE));
}

TEST_F(SettingsDialogTest, DeleteArcDocsTickedAndCleared)
{
    for (DWORD initial : {0u, 1u}) {
        SCOPED_TRACE(initial);
        reg.SetNumber(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), SZ_DELETEARCDOCS, initial);
        Load();
        LRESULT shown = -1;
        Show([&](HWND dialog) {
            shown = SendDlgItemMessageW(dialog, IDC_SETTINGS_DELETEARCDOCS, BM_GETCHECK, 0, 0);
            ClickButton(dialog, IDC_SETTINGS_DELETEARCDOCS);
            ClickButton(dialog, IDOK);
        });
        EXPECT_EQ(initial ? BST_CHECKED : BST_UNCHECKED, shown);
        const CSettingValue* flag = settings.GetValue(SZ_DELETEARCDOCS);
        ASSERT_NE(nullptr, flag);
        EXPECT_EQ(SETTING_BOOL, flag->GetType());
        EXPECT_EQ(initial ? 0u : 1u, flag->GetNumber());
        ASSERT_EQ(S_OK, SaveSettings(&settings));
        DWORD saved = 7;
        ASSERT_TRUE(
            RegistryFixture::GetNumber(HKEY_CURRENT_USER, RegistryFixture::UserKey(), SZ_DELETEARCDOCS, &saved));
        EXPECT_EQ(initial ? 0u : 1u, saved);
    }
}

// The list follows the map's order (Params10 before Params2); OK numbers the
// rows anew, and "Löschen" on the second row takes the tenth location.
TEST_F(SettingsDialogTest, TwelveLocationsListInCodeUnitOrderAndAreRenumbered)
{
    std::vector<std::wstring> twelve;
    for (int n = 1; n <= 12; ++n)
        twelve.push_back(Location(L"L" + std::to_wstring(n), L"app", L"c" + std::to_wstring(n)));
    SetUserLocations(twelve);
    Load();
    const std::vector<int> mapOrder = {1, 10, 11, 12, 2, 3, 4, 5, 6, 7, 8, 9};

    Rows rows;
    ModalRun run = Show([&](HWND dialog) {
        rows = ListViewRows(dialog, IDC_SETTINGS_LOCATIONS, 3);
        ClickButton(dialog, IDOK);
    });
    ASSERT_TRUE(run.appeared);
    ASSERT_EQ(12u, rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(L"L" + std::to_wstring(mapOrder[i]), rows[i][0]) << "row " << i;
    EXPECT_EQ(1, settings.m_modified);
    // Row i is now Params(i + 1): the location's number changed, the list order not.
    for (size_t i = 0; i < mapOrder.size(); ++i)
        EXPECT_EQ(twelve[mapOrder[i] - 1], TextOf(settings, ParamName(static_cast<int>(i) + 1).c_str()));

    // Now Params10 holds the tenth row, L7, which is the second row of the list.
    settings.m_modified = 0;
    std::wstring deleted;
    std::vector<std::wstring> listed;
    run = Show([&](HWND dialog) {
        deleted = ListViewRows(dialog, IDC_SETTINGS_LOCATIONS, 1)[1][0];
        ClickListRow(dialog, IDC_SETTINGS_LOCATIONS, 1);
        ClickButton(dialog, IDC_SETTINGS_DELETE);
        for (const auto& row : ListViewRows(dialog, IDC_SETTINGS_LOCATIONS, 1))
            listed.push_back(row[0]);
        ClickButton(dialog, IDOK);
    });
    ASSERT_TRUE(run.appeared);
    EXPECT_EQ(L"L7", deleted);
    EXPECT_EQ(1, settings.m_modified);
    EXPECT_EQ(11, settings.GetParamCount());
    EXPECT_EQ(nullptr, settings.GetValue(L"Params12"));
    std::vector<std::wstring> numbered;
    for (int n = 1; n <= 11; ++n) {
        const std::wstring text = TextOf(settings, ParamName(n).c_str());
        size_t start = text.find(L'"') + 1;
        numbered.push_back(text.substr(start, text.find(L'"', start) - start));
    }
    EXPECT_EQ(listed, numbered);
    EXPECT_EQ(numbered.end(), std::find(numbered.begin(), numbered.end(), deleted));
}

// A location the store could not read back as typed is refused like an
// incomplete one: "Speichern" adds nothing.
TEST_F(SettingsDialogTest, SpeichernRefusesIncompleteOrUnstorableLocations)
{
    Load();
    struct Case {
        const wchar_t* label;
        const wchar_t* appId;
        const wchar_t* configId;
        bool added;
    } cases[] = {
        {L"Ablage", L"app", L"", false},
        {L"", L"app", L"cfg", false},
        {L"Ablage \"A\"", L"app", L"cfg", false},
        {L"Ablage", L"a b", L"cfg", false},
        {L"Ablage", L"app", L"c fg", false},
        {L"Ablage mit Blank", L"app", L"cfg", true},
    };
    Rows rows;
    Show([&](HWND dialog) {
        for (const Case& c : cases) {
            TypeInto(dialog, IDC_SETTINGS_NEW_LABEL, c.label);
            TypeInto(dialog, IDC_SETTINGS_NEW_APPID, c.appId);
            TypeInto(dialog, IDC_SETTINGS_NEW_CONFIGID, c.configId);
            ClickButton(dialog, IDC_SETTINGS_SAVE);
        }
        // The fields hold at most what one registry value can, so together they
        // cannot make a location too long to read back.
        std::wstring longLabel(1000, L'x');
        TypeInto(dialog, IDC_SETTINGS_NEW_LABEL, longLabel);
        TypeInto(dialog, IDC_SETTINGS_NEW_APPID, L"app");
        TypeInto(dialog, IDC_SETTINGS_NEW_CONFIGID, L"cfg");
        ClickButton(dialog, IDC_SETTINGS_SAVE);
        rows = ListViewRows(dialog, IDC_SETTINGS_LOCATIONS, 3);
        ClickButton(dialog, IDOK);
    });
    EXPECT_EQ((Rows{{L"Ablage mit Blank", L"app", L"cfg"}}), rows);
    EXPECT_EQ((std::vector<std::wstring>{L"Params1=" + Location(L"Ablage mit Blank", L"app", L"cfg")}),
              LocationsOf(settings));
}

TEST_F(SettingsDialogTest, FieldsTakeNoMoreThanTheStoreReadsBack)
{
    Load();
    std::wstring loader;
    Show([&](HWND dialog) {
        TypeInto(dialog, IDC_SETTINGS_LOADER, std::wstring(1100, L'p'));
        loader = ControlText(dialog, IDC_SETTINGS_LOADER);
        ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(1023u, loader.size());
    ASSERT_EQ(S_OK, SaveSettings(&settings));
    CKQCSettings reloaded;
    ASSERT_EQ(S_OK, LoadSettings(&reloaded));
    EXPECT_EQ(std::wstring(1023, L'p'), TextOf(reloaded, SZ_LOADER));
}

// An emptied field is an empty value, not a failure: OK still ends with 1 and
// copies everything; values without a control keep the object's.
TEST_F(SettingsDialogTest, EmptiedLanguageIsStoredEmptyAndUncontrolledValuesStay)
{
    reg.SetNumber(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), SZ_MULTIPROCESS, 1);
    reg.SetNumber(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), SZ_ATTACHMENTS, 1);
    Load();
    ModalRun run = Show([](HWND dialog) {
        TypeInto(dialog, IDC_SETTINGS_LANGUAGE, L"");
        ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(1, run.result);
    EXPECT_EQ(1, settings.m_modified);
    const CSettingValue* language = settings.GetValue(SZ_LANGUAGE);
    ASSERT_NE(nullptr, language);
    EXPECT_EQ(SETTING_STRING, language->GetType());
    EXPECT_EQ(L"", TextOf(settings, SZ_LANGUAGE));
    EXPECT_EQ(1u, settings.GetNumber(SZ_MULTIPROCESS));
    EXPECT_EQ(1u, settings.GetNumber(SZ_ATTACHMENTS));
    ASSERT_EQ(S_OK, SaveSettings(&settings));
    std::wstring saved = L"x";
    ASSERT_TRUE(RegistryFixture::GetText(HKEY_CURRENT_USER, RegistryFixture::UserKey(), SZ_LANGUAGE, &saved));
    EXPECT_EQ(L"", saved);
    DWORD attachments = 0;
    EXPECT_TRUE(
        RegistryFixture::GetNumber(HKEY_CURRENT_USER, RegistryFixture::UserKey(), SZ_ATTACHMENTS, &attachments));
}

TEST(SettingsDialogNullTest, NullSettingsEndsTheDialogWithZero)
{
    ModalRun run = RunModalDialog([] { return ShowSettingsDialog(nullptr); },
                                  [](HWND dialog) { ClickButton(dialog, IDOK); }, 3000);
    EXPECT_EQ(0, run.result);
}

TEST(SettingsDialogControlsTest, PairsTheSettingsWithTheirControls)
{
    EXPECT_EQ(IDC_SETTINGS_LOADER, LookupNameId(SettingsDialogControls, L"Loader"));
    EXPECT_EQ(IDC_SETTINGS_LOCATIONS, LookupNameId(SettingsDialogControls, L"Params"));
    EXPECT_EQ(IDC_SETTINGS_DELETEARCDOCS, LookupNameId(SettingsDialogControls, L"DeleteArcDocs"));
    EXPECT_EQ(IDC_SETTINGS_LANGUAGE, LookupNameId(SettingsDialogControls, L"l"));
    for (const wchar_t* none : {L"MultiProcess", L"Nosettings", L"Attachments"})
        EXPECT_EQ(0, LookupNameId(SettingsDialogControls, none));
}

} // namespace
