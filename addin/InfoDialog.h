// Dialog 111 "Info": the product line, the file version of the module the
// dialog lives in and the notice of rights.
#pragma once

#include <windows.h>

// The dialog's result is always 1.
INT_PTR CALLBACK InfoDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Shows dialog 111 of this module, modal and without owner; -1 when it
// cannot be shown.
INT_PTR ShowInfoDialog();

// The four parts of the file version in the version resource of a loaded
// module's file; false when the file has none that can be read.
bool ReadModuleFileVersion(HMODULE module, WORD version[4]);

// "Version: a.b.c.d" of a module's file version, text 8029 alone when none
// can be read (cch characters).
void FormatVersionLine(HMODULE module, wchar_t* buffer, size_t cch);
