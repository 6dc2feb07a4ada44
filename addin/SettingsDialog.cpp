#include "SettingsDialog.h"

#include "CommonResource.h"
#include "DialogResource.h"
#include "LanguageText.h"
#include "ListViewClass.h"
#include "LogFile.h"
#include "ModuleInstance.h"
#include "OneAtATime.h"
#include "StorageLocation.h"
#include "WideFormat.h"
#include "WindowHelpers.h"

#include <commctrl.h>

#include <memory>
#include <new>
#include <vector>

const NameId SettingsDialogControls[] = {
    {SZ_LOADER, IDC_SETTINGS_LOADER},
    {SZ_PARAMS, IDC_SETTINGS_LOCATIONS},
    {SZ_MULTIPROCESS, 0},
    {SZ_NOSETTINGS, 0},
    {SZ_DELETEARCDOCS, IDC_SETTINGS_DELETEARCDOCS},
    {SZ_LANGUAGE, IDC_SETTINGS_LANGUAGE},
    {nullptr, 0},
};

namespace {

const size_t FIELD_CHARS = 1024;
const size_t SETTING_READ_CHARS = 2048;
const int LOCATION_COLUMNS = 3;

// One settings dialog per module: the object it edits and the row whose
// texts the three location fields hold (-1: a new location).
CKQCSettings* s_settings = nullptr;
// The edited object and the selection are module-wide: one dialog at a time.
CDialogSlot s_slot;
int s_selectedRow = -1;

const int s_locationFields[LOCATION_COLUMNS] = {IDC_SETTINGS_NEW_LABEL, IDC_SETTINGS_NEW_APPID,
                                                IDC_SETTINGS_NEW_CONFIGID};

struct TextOfControl {
    int control;
    UINT text;
};

const TextOfControl s_controlTexts[] = {
    {IDC_SETTINGS_LANGUAGE_LABEL, IDS_LANGUAGE_LABEL},
    {IDC_SETTINGS_LOADER_LABEL, IDS_LOADER_LABEL},
    {IDC_SETTINGS_PARAMS_LABEL, IDS_PARAMS_LABEL},
    {IDC_SETTINGS_NEW_PROMPT, IDS_NEW_PARAMS_LABEL},
    {IDC_SETTINGS_SAVE, IDS_SAVE_BUTTON},
    {IDC_SETTINGS_DELETE, IDS_DELETE_BUTTON},
    {IDC_SETTINGS_DELETEARCDOCS_LABEL, IDS_DELETEARCDOCS_LABEL},
    {IDOK, IDS_OK},
    {IDCANCEL, IDS_CANCEL},
};

struct ColumnDef {
    UINT text;
    int width;
};

const ColumnDef s_columns[LOCATION_COLUMNS] = {
    {IDS_COLUMN_NAME, 285},
    {IDS_COLUMN_APPID, 120},
    {IDS_COLUMN_CONFIGID, 120},
};

const wchar_t LOCATION_KEY_APPID[] = L"appid";
const wchar_t LOCATION_KEY_CONFIGID[] = L"configid";
const wchar_t LOCATION_FORMAT[] = L"label=\"%s\" appid=%s configid=%s";
// What the format adds to the three texts.
const size_t LOCATION_FORMAT_CHARS = 26;

void SetTextFromId(HWND dialog, int control, UINT id)
{
    wchar_t text[FIELD_CHARS];
    LoadText(GetThisModule(), text, FIELD_CHARS, id);
    SetDlgItemTextW(dialog, control, text);
}

HWND LocationList(HWND dialog)
{
    return GetDlgItem(dialog, IDC_SETTINGS_LOCATIONS);
}

void GetRowText(HWND list, int row, int column, wchar_t* buffer, size_t cch)
{
    buffer[0] = L'\0';
    ListView_GetItemText(list, row, column, buffer, static_cast<int>(cch));
}

void SetRowTexts(HWND list, int row, wchar_t* const texts[LOCATION_COLUMNS])
{
    for (int column = 0; column < LOCATION_COLUMNS; ++column)
        ListView_SetItemText(list, row, column, texts[column]);
}

void AppendRow(HWND list, wchar_t* const texts[LOCATION_COLUMNS])
{
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = ListView_GetItemCount(list);
    item.pszText = texts[0];
    int row = ListView_InsertItem(list, &item);
    if (row >= 0)
        SetRowTexts(list, row, texts);
}

void ClearLocationFields(HWND dialog)
{
    for (int field : s_locationFields)
        SetDlgItemTextW(dialog, field, L"");
}

bool HasBlank(const wchar_t* text)
{
    return wcspbrk(text, L" \t") != nullptr;
}

// A location the store can read back as it was typed: every text present,
// a label without a double quote (it would end the label), ids without
// blanks (they would end the id) and the whole text within what one
// registry value holds.
bool IsStorableLocation(const wchar_t* label, const wchar_t* appId, const wchar_t* configId)
{
    if (!*label || !*appId || !*configId)
        return false;
    if (wcschr(label, L'"') || HasBlank(appId) || HasBlank(configId))
        return false;
    return wcslen(label) + wcslen(appId) + wcslen(configId) + LOCATION_FORMAT_CHARS < SETTING_TEXT_CHARS;
}

void FillControls(HWND dialog, const CKQCSettings& settings)
{
    for (const SettingDef* def = SettingDefs; def->name; ++def) {
        int control = LookupNameId(SettingsDialogControls, def->name);
        if (control == 0)
            continue;
        const CSettingValue* value = settings.GetValue(def->name);
        if (def->type == SETTING_STRING) {
            const wchar_t* text = value ? value->GetText() : nullptr;
            SetDlgItemTextW(dialog, control, text ? text : L"");
        } else if (def->type == SETTING_BOOL) {
            bool ticked = value && value->GetType() != SETTING_NONE && value->GetNumber() != 0;
            CheckDlgButton(dialog, control, ticked ? BST_CHECKED : BST_UNCHECKED);
        }
    }

    HWND list = LocationList(dialog);
    for (const auto& entry : settings.GetValues()) {
        const CSettingValue* value = entry.second;
        if (!value || value->GetType() != SETTING_PARAM || !value->GetText())
            continue;
        wchar_t label[FIELD_CHARS], appId[FIELD_CHARS], configId[FIELD_CHARS];
        GetLocationLabel(value->GetText(), label, FIELD_CHARS);
        GetLocationValue(value->GetText(), appId, FIELD_CHARS, LOCATION_KEY_APPID);
        GetLocationValue(value->GetText(), configId, FIELD_CHARS, LOCATION_KEY_CONFIGID);
        wchar_t* texts[LOCATION_COLUMNS] = {label, appId, configId};
        AppendRow(list, texts);
    }
}

void OnInitDialog(HWND dialog, LPARAM lParam)
{
    s_slot.SetWindow(dialog);
    wchar_t caption[FIELD_CHARS];
    LoadText(GetThisModule(), caption, FIELD_CHARS, IDS_SETTINGS_CAPTION);
    SetWindowTextW(dialog, caption);
    for (const TextOfControl& t : s_controlTexts)
        SetTextFromId(dialog, t.control, t.text);
    s_selectedRow = -1;

    HWND list = LocationList(dialog);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < LOCATION_COLUMNS; ++i) {
        wchar_t title[FIELD_CHARS];
        LoadText(GetThisModule(), title, FIELD_CHARS, s_columns[i].text);
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = s_columns[i].width;
        column.pszText = title;
        column.iSubItem = i;
        ListView_InsertColumn(list, i, &column);
    }

    // What the store cannot read back must not be typed in the first place.
    const int limitedFields[] = {IDC_SETTINGS_LANGUAGE, IDC_SETTINGS_LOADER, IDC_SETTINGS_NEW_LABEL,
                                 IDC_SETTINGS_NEW_APPID, IDC_SETTINGS_NEW_CONFIGID};
    for (int field : limitedFields)
        SendDlgItemMessageW(dialog, field, EM_LIMITTEXT, SETTING_TEXT_CHARS - 1, 0);

    CenterWindow(dialog, GetDesktopWindow());

    s_settings = reinterpret_cast<CKQCSettings*>(lParam);
    if (!s_settings) {
        g_Log.Error(L"Fatal error in settings dialog! Settings not initialized!\n");
        EndDialog(dialog, 0);
        return;
    }
    FillControls(dialog, *s_settings);
}

void OnRowClick(HWND dialog, const NMITEMACTIVATE* click)
{
    s_selectedRow = click->iItem >= 0 ? click->iItem : -1;
    HWND list = LocationList(dialog);
    for (int column = 0; column < LOCATION_COLUMNS; ++column) {
        wchar_t text[FIELD_CHARS] = L"";
        if (s_selectedRow >= 0)
            GetRowText(list, s_selectedRow, column, text, FIELD_CHARS);
        SetDlgItemTextW(dialog, s_locationFields[column], text);
    }
}

void OnSaveLocation(HWND dialog)
{
    wchar_t label[FIELD_CHARS], appId[FIELD_CHARS], configId[FIELD_CHARS];
    GetDlgItemTextW(dialog, IDC_SETTINGS_NEW_LABEL, label, FIELD_CHARS);
    GetDlgItemTextW(dialog, IDC_SETTINGS_NEW_APPID, appId, FIELD_CHARS);
    GetDlgItemTextW(dialog, IDC_SETTINGS_NEW_CONFIGID, configId, FIELD_CHARS);
    if (!IsStorableLocation(label, appId, configId))
        return;

    HWND list = LocationList(dialog);
    wchar_t* texts[LOCATION_COLUMNS] = {label, appId, configId};
    if (s_selectedRow < 0 || s_selectedRow >= ListView_GetItemCount(list)) {
        AppendRow(list, texts);
        return;
    }
    SetRowTexts(list, s_selectedRow, texts);
    ClearLocationFields(dialog);
    ListView_SetItemState(list, s_selectedRow, 0, LVIS_SELECTED);
    s_selectedRow = -1;
}

// Only the rows change: the object takes the rows over on OK, so Cancel
// leaves it as it was.
void OnDeleteLocation(HWND dialog)
{
    HWND list = LocationList(dialog);
    if (s_selectedRow >= 0 && s_selectedRow < ListView_GetItemCount(list))
        ListView_DeleteItem(list, s_selectedRow);
    ClearLocationFields(dialog);
    s_selectedRow = -1;
}

// The dialog's values as a settings object of their own; false when a
// control is missing (the setting's name is logged).
bool ReadControls(HWND dialog, CKQCSettings& fresh)
{
    for (const SettingDef* def = SettingDefs; def->name; ++def) {
        int control = LookupNameId(SettingsDialogControls, def->name);
        if (control == 0)
            continue;
        HWND window = GetDlgItem(dialog, control);
        if (!window) {
            g_Log.Error(L"Fatal error in settings dialog! Failed to access dialog control %s!\n", def->name);
            return false;
        }
        if (def->type == SETTING_STRING) {
            std::vector<wchar_t> text(SETTING_READ_CHARS, L'\0');
            GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
            fresh.SetValue(def->name, new CSettingValue(text.data(), SETTING_STRING));
        } else if (def->type == SETTING_BOOL) {
            bool ticked = IsDlgButtonChecked(dialog, control) == BST_CHECKED;
            fresh.SetValue(def->name, new CSettingValue(ticked));
        } else if (def->type == SETTING_PARAM) {
            int rows = ListView_GetItemCount(window);
            for (int row = 0; row < rows; ++row) {
                wchar_t label[FIELD_CHARS], appId[FIELD_CHARS], configId[FIELD_CHARS];
                GetRowText(window, row, 0, label, FIELD_CHARS);
                GetRowText(window, row, 1, appId, FIELD_CHARS);
                GetRowText(window, row, 2, configId, FIELD_CHARS);
                wchar_t location[SETTING_READ_CHARS];
                FormatText(location, SETTING_READ_CHARS, LOCATION_FORMAT, label, appId, configId);
                wchar_t name[32];
                FormatText(name, 32, L"%s%d", def->name, row + 1);
                fresh.SetValue(name, new CSettingValue(location, SETTING_PARAM));
            }
        }
    }
    return true;
}

// The edited object's storage locations become exactly the fresh ones.
void RemoveStaleLocations(CKQCSettings& edited, const CKQCSettings& fresh)
{
    std::vector<_bstr_t> stale;
    for (const auto& entry : edited.GetValues()) {
        if (entry.second && entry.second->GetType() == SETTING_PARAM && !fresh.GetValue(entry.first))
            stale.push_back(entry.first);
    }
    for (const _bstr_t& name : stale)
        edited.RemoveValue(name);
}

void OnOk(HWND dialog)
{
    CKQCSettings fresh;
    if (!ReadControls(dialog, fresh)) {
        EndDialog(dialog, 0);
        return;
    }
    if (CopySettings(&fresh, s_settings)) {
        RemoveStaleLocations(*s_settings, fresh);
        s_settings->m_modified = 1;
    } else {
        g_Log.Error(L"Failed to save modified Settings\n");
    }
    EndDialog(dialog, 1);
}

INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog, lParam);
        return FALSE;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_SETTINGS_LOCATIONS && header->code == NM_CLICK) {
            OnRowClick(dialog, reinterpret_cast<const NMITEMACTIVATE*>(lParam));
            return TRUE;
        }
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SETTINGS_SAVE:
            OnSaveLocation(dialog);
            return TRUE;
        case IDC_SETTINGS_DELETE:
            OnDeleteLocation(dialog);
            return TRUE;
        case IDOK:
            OnOk(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 1);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

} // namespace

INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        return HandleMessage(dialog, message, wParam, lParam);
    } catch (const _com_error& e) {
        g_Log.Error(L"Settings dialog: hr = 0x%08X\n", static_cast<unsigned>(e.Error()));
    } catch (const std::bad_alloc&) {
        g_Log.Error(L"Settings dialog: out of memory\n");
    }
    return FALSE;
}

INT_PTR ShowSettingsDialog(CKQCSettings* settings)
{
    if (!RegisterListViewClass()) {
        g_Log.Error(L"Failed to load the common controls for the settings dialog, error: %d\n",
                    static_cast<int>(GetLastError()));
        return -1;
    }
    return s_slot.Show(GetThisModule(), MAKEINTRESOURCEW(IDD_SETTINGS), SettingsDlgProc,
                       reinterpret_cast<LPARAM>(settings));
}
