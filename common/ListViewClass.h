// The list view's window class, for the dialogs that hold one. The common
// controls are loaded here and not imported: a module that imports them
// registers all their window classes at every load, also where no dialog is
// ever shown (a hand-off from the command line, the add-in's start in Office).
#pragma once

#include <windows.h>

// Loads the common controls once and registers the list view class; false
// when Windows refused either (GetLastError says why), and the dialog will
// then fail to open.
bool RegisterListViewClass() noexcept;

// Tests only: replaces the load of the common controls (null: the system's
// own again) and returns the loader it replaced. Nothing that a host or a
// client reaches calls it.
typedef HMODULE (*CommonControlsLoader)();
CommonControlsLoader SetCommonControlsLoader(CommonControlsLoader loader) noexcept;
