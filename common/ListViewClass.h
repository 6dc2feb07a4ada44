// The list view's window class, for the dialogs that hold one. The common
// controls are loaded here and not imported: a module that imports them
// registers all their window classes at every load, also where no dialog is
// ever shown (a hand-off from the command line, the add-in's start in Office).
#pragma once

// Loads the common controls once and registers the list view class; false
// when Windows refused either, and the dialog will then fail to open.
bool RegisterListViewClass() noexcept;
