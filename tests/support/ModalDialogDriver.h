// Drives a real modal dialog as a user would: the dialog runs on the test's
// thread while a script on a second thread types into its fields and clicks
// its rows and buttons.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct ModalRun {
    INT_PTR result = 0;
    // The script ran: the dialog appeared on the calling thread.
    bool appeared = false;
};

// Calls show (which shows the modal dialog on this thread) and runs script
// with the dialog window as soon as it is visible. The script must end the
// dialog (OK, Cancel); when it does not, or when it fails, the dialog is
// cancelled so the test never hangs.
ModalRun RunModalDialog(const std::function<INT_PTR()>& show, const std::function<void(HWND dialog)>& script,
                        DWORD timeoutMs = 15000);

// A visible dialog window of any process under this Wine with the given
// caption, waited for; null on time-out. For dialogs of a program the test
// started.
HWND WaitForDialogWindow(const std::wstring& caption, DWORD timeoutMs = 15000);

// User actions, sent to the dialog's thread.
// Replaces an edit field's text by typing it (select all, then one WM_CHAR per
// character; an empty text deletes what was there).
void TypeInto(HWND dialog, int control, const std::wstring& text);
void ClickButton(HWND dialog, int control);
// A left click in the middle of a list view's row (or below the last row
// when row is past the end); with addToSelection the Ctrl key is held, so
// the row joins the rows already selected.
void ClickListRow(HWND dialog, int control, int row, bool addToSelection = false);

std::wstring ControlText(HWND dialog, int control);
// The texts of a report list view, row by row.
std::vector<std::vector<std::wstring>> ListViewRows(HWND dialog, int control, int columns);
