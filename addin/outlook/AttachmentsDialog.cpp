#include "AttachmentsDialog.h"

#include "AttachmentsDialogIds.h"
#include "LanguageText.h"
#include "ListViewClass.h"
#include "LogFile.h"
#include "ModuleInstance.h"
#include "OneAtATime.h"
#include "OutlookPropertyTables.h"
#include "TextHelpers.h"
#include "WideFormat.h"
#include "WindowHelpers.h"

#include <commctrl.h>

namespace {

const size_t TEXT_CHARS = 1024;

struct ColumnDef {
    UINT text;
    int width;
};
const ColumnDef COLUMNS[] = {
    {IDS_ATTACHMENTS_COLUMN_NAME, 368},
    {IDS_ATTACHMENTS_COLUMN_SIZE, 80},
};

// One dialog per module: the list it shows, from WM_INITDIALOG to its end.
CAttachmentList* s_attachments = nullptr;
// The list pointer is module-wide: one dialog at a time.
CDialogSlot s_slot;

HWND AttachmentRows(HWND dialog)
{
    return GetDlgItem(dialog, IDC_ATTACHMENTS_LIST);
}

void SetTextFromId(HWND dialog, int control, UINT id)
{
    wchar_t text[TEXT_CHARS];
    LoadText(GetThisModule(), text, TEXT_CHARS, id);
    SetDlgItemTextW(dialog, control, text);
}

void AddColumns(HWND list)
{
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < static_cast<int>(sizeof(COLUMNS) / sizeof(COLUMNS[0])); ++i) {
        wchar_t title[TEXT_CHARS];
        LoadText(GetThisModule(), title, TEXT_CHARS, COLUMNS[i].text);
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = COLUMNS[i].width;
        column.pszText = title;
        column.iSubItem = i;
        ListView_InsertColumn(list, i, &column);
    }
}

// One row per named attachment; the row's data is its entry's position in
// the list, so that the row marks its own entry.
void AddRows(HWND list, const CAttachmentList& attachments)
{
    for (size_t i = 0; i < attachments.Count(); ++i) {
        const CPropertyCollection* attachment = attachments.At(i);
        const wchar_t* name = attachment->GetValue(KEY_OTL_ATTACHMENT_NAME);
        if (!name)
            continue;
        wchar_t text[TEXT_CHARS];
        FormatText(text, TEXT_CHARS, L"%s", name);
        LVITEMW row = {};
        row.mask = LVIF_TEXT | LVIF_PARAM;
        row.iItem = ListView_GetItemCount(list);
        row.pszText = text;
        row.lParam = static_cast<LPARAM>(i);
        int index = ListView_InsertItem(list, &row);
        if (index < 0)
            continue;
        const wchar_t* size = attachment->GetValue(KEY_OTL_ATTACHMENT_SIZE);
        if (size) {
            FormatSizeText(size, text, TEXT_CHARS);
            ListView_SetItemText(list, index, 1, text);
        }
    }
}

BOOL OnInitDialog(HWND dialog, LPARAM lParam)
{
    s_slot.SetWindow(dialog);
    s_attachments = reinterpret_cast<CAttachmentList*>(lParam);
    if (!s_attachments) {
        g_Log.Error(L"Fatal error in attachment dialog! AttachmentList not initialized!\n");
        EndDialog(dialog, 0);
        return TRUE;
    }
    wchar_t caption[TEXT_CHARS];
    LoadText(GetThisModule(), caption, TEXT_CHARS, IDS_ATTACHMENTS_CAPTION);
    SetWindowTextW(dialog, caption);
    SetTextFromId(dialog, IDC_ATTACHMENTS_PROMPT, IDS_ATTACHMENTS_PROMPT);
    HWND list = AttachmentRows(dialog);
    AddColumns(list);
    AddRows(list, *s_attachments);
    CenterWindow(dialog, GetDesktopWindow());
    return TRUE;
}

// OK: marks the chosen rows' entries; FALSE (the dialog stays) when no row
// is chosen.
BOOL OnOk(HWND dialog)
{
    HWND list = AttachmentRows(dialog);
    int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    if (row < 0) {
        ShowErrorBox(GetThisModule(), IDS_NO_DOCUMENT_SELECTED);
        return FALSE;
    }
    for (; row >= 0; row = ListView_GetNextItem(list, row, LVNI_SELECTED)) {
        LVITEMW item = {};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        if (!ListView_GetItem(list, &item))
            continue;
        size_t index = static_cast<size_t>(item.lParam);
        if (s_attachments && index < s_attachments->Count())
            s_attachments->At(index)->Add(KEY_OTL_ATTACHMENT_SELECTED, L"1", 0);
    }
    EndDialog(dialog, 1);
    return TRUE;
}

} // namespace

INT_PTR CALLBACK SelectAttachmentsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog(dialog, lParam);
        case WM_COMMAND:
            if (wParam == IDOK)
                return OnOk(dialog);
            if (wParam == IDCANCEL) {
                EndDialog(dialog, 0);
                return TRUE;
            }
            return FALSE;
        case WM_DESTROY:
            s_attachments = nullptr;
            return FALSE;
        default:
            return FALSE;
        }
    } catch (...) {
        // A failure inside Windows' dialog loop must not unwind through it.
        g_Log.Error(L"The attachment dialog failed with an exception\n");
        EndDialog(dialog, 0);
        return TRUE;
    }
}

INT_PTR ShowAttachmentsDialog(CAttachmentList* attachments)
{
    if (!RegisterListViewClass()) {
        g_Log.Error(L"Failed to load the common controls for the attachment dialog, error: %d\n",
                    static_cast<int>(GetLastError()));
        return -1;
    }
    return s_slot.Show(GetThisModule(), MAKEINTRESOURCEW(IDD_SELECT_ATTACHMENTS), SelectAttachmentsDlgProc,
                       reinterpret_cast<LPARAM>(attachments));
}
