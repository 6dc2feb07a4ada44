// The choice of a storage location (dialog 118) and the start of the
// receiving program Oberlane.
#pragma once

#include "InboxFolder.h"
#include "Settings.h"

// The source codes passed as " startapp=".
enum StartApp {
    STARTAPP_OUTLOOK = 1,
    STARTAPP_WORD = 2,
    STARTAPP_EXCEL = 3,
    STARTAPP_POWERPOINT = 4,
    STARTAPP_CORVELLE = 5,
    STARTAPP_CONNECTOR = 6,
};

// The label of a `label="%s" appid=%s configid=%s` text; returns buffer.
wchar_t* GetLocationLabel(const wchar_t* location, wchar_t* buffer, size_t cch);
// The value behind a key such as "appid"; returns buffer.
wchar_t* GetLocationValue(const wchar_t* location, wchar_t* buffer, size_t cch, const wchar_t* key);

INT_PTR CALLBACK SelectStorageLocationDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Shows dialog 118 of the module for the loaded settings: 1 for OK with a
// choice, 0 for Cancel or failure.
INT_PTR SelectStorageLocation(HINSTANCE module, CKQCSettings* settings);

// Starts Oberlane; true when the shell accepted the start. Ids too many for
// one command line go in several starts, each with the location, whole ids
// and the source code; false when a start fails (the ones before it stand).
bool LaunchOberlane(const CKQCSettings* settings, const HandoffIdList& ids, int sourceCode);
