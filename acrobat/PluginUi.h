// The plug-in's menu and toolbar button in the host: built from the Windows
// menu resource at initialisation, removed at unload. Menu items and the
// button carry their command id as client data and share one execute, one
// compute-enabled and one tooltip procedure.
#pragma once

#include "HostInterface.h"

// Names the log after the plug-in and adds the menu and the toolbar button;
// 1 also when a step failed (the failure is logged).
ASBool KVAddUI();
// The host menu item for the item at `position` of a Windows menu (a popup
// becomes a host submenu named "marsub"), or NULL.
AVMenuItem KVCreateMenuItem(HMENU menu, int position);
void KVAddToolBar(const char* title);
// Removes the menu and the button and deletes the button's bitmap.
void KVRemoveUI();

void ACCB PluginCommand(void* clientData);
ASBool ACCB IsPluginCommandEnabled(void* clientData);
ASText ACCB GetPluginTooltip(void* clientData, ASBool enabled);

// The owner of the plug-in's message boxes: the active document's window,
// else the host's application window.
HWND GetMessageOwner();
