// Resource ids of Ostrelle.api.
#pragma once

#define IDR_PLUGIN_MENU 102
#define IDS_ARCHIVE_TOOLTIP 106
#define IDB_ARCHIVE_BUTTON 107

#define ID_PLUGIN_INFO 40001
#define ID_PLUGIN_ARCHIVE 40002
#define ID_PLUGIN_SETTINGS 40003
