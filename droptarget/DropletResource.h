// Resource, command, message and timer ids of Corvelle.
#pragma once

#include "CommonResource.h"
#include "WalkerMessages.h"

#define IDR_DROPLET_MENU 102
#define IDI_DROPLET_TRAY 103

#define ID_DROPLET_FIXED 40001
#define ID_DROPLET_TOPMOST 40002
#define ID_DROPLET_EXIT 40004
#define ID_DROPLET_SIZE_25 40005
#define ID_DROPLET_SIZE_33 40006
#define ID_DROPLET_SIZE_50 40007
#define ID_DROPLET_SIZE_75 40008
#define ID_DROPLET_SIZE_100 40009
#define ID_DROPLET_ALIGN_TOP 40011
#define ID_DROPLET_ALIGN_LEFT 40012
#define ID_DROPLET_ALIGN_RIGHT 40013
#define ID_DROPLET_ALIGN_BOTTOM 40014
#define ID_DROPLET_SETTINGS 40015

// The notification icon's id, and its callback message to the droplet.
#define ID_DROPLET_TRAY_ICON 102
#define WM_DROPLET_TRAY (WM_APP + 10)
// A drop's or command's work was posted; the hand-off thread has ended it.
#define WM_DROPLET_WORK (WM_APP + 11)
#define WM_DROPLET_WORK_DONE (WM_APP + 12)
#define IDT_DROPLET_DRAG 1

#define IDS_ICON_NOT_LOADED 9006
#define IDS_MENU_FIXED 9007
#define IDS_MENU_TOPMOST 9008
#define IDS_MENU_SETTINGS 9009
#define IDS_MENU_EXIT 9010
#define IDS_MENU_SIZE 9011
#define IDS_MENU_ALIGN 9012
#define IDS_MENU_TOP 9013
#define IDS_MENU_BOTTOM 9014
#define IDS_MENU_LEFT 9015
#define IDS_MENU_RIGHT 9016
