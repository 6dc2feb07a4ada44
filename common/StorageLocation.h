// The choice of a storage location (dialog 118) and the start of the
// receiving program Oberlane.
#pragma once

#include "InboxFolder.h"
#include "Settings.h"

#include <string>

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
// choice, 0 for Cancel or failure. chosenLocation, when given, receives the
// whole text of the location chosen (empty after Cancel).
INT_PTR SelectStorageLocation(HINSTANCE module, CKQCSettings* settings, std::wstring* chosenLocation = nullptr);

// Starts Oberlane with the location chosen in this call when given, else the
// one the settings and the remembered label name; true when the shell
// accepted the start. Loader must name a program file by its full path. Ids
// too many for one command line go in several starts, each with the
// location, whole ids and the source code; false when a start fails (the
// ones before it stand). The hand-off folders of ids that reached no started
// program get the deletion marker.
bool LaunchOberlane(const CKQCSettings* settings, const HandoffIdList& ids, int sourceCode,
                    const std::wstring* chosenLocation = nullptr);
