// Dialog 112 "Einstellungen": edits a loaded settings object. The dialog
// never writes the registry; its caller saves when the object's modified
// flag is set.
#pragma once

#include "Settings.h"

#include <windows.h>

// Setting names paired with the controls that show them; 0 = no control.
extern const NameId SettingsDialogControls[];

// Parameter: the CKQCSettings to edit. Result: 1 for OK and Cancel, 0 when
// the dialog ended on a failure (modified is then left alone).
INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Shows dialog 112 of this module, modal and without owner, for settings;
// -1 when it cannot be shown.
INT_PTR ShowSettingsDialog(CKQCSettings* settings);
