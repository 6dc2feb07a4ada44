// The droplet's hand-off of dropped files and its calls to the connector.
#pragma once

#include "FolderWalker.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// What a drop needs from the droplet's options and window.
struct DropHandoffOptions {
    // The [Mimetype] filter; refused files get message 9001 unless silent.
    WalkRules rules;
    int silent = 1;
    // 1: ask before handing off more than one file.
    int fileQuestion = 1;
    // Owner and caption of the question.
    HWND window = nullptr;
    std::wstring title;
    // "upload.ini" in the program's folder; passed on when it exists.
    std::wstring uploadIni;
};

// The droplet fills these once at start (the window once it exists);
// each drop's work takes a copy of them.
extern DropHandoffOptions g_DropHandoff;

// The paths of a CF_HDROP file list (a drop keeps them past the data object).
std::vector<std::wstring> CopyDroppedPaths(HDROP list);

// Walks and filters the dropped paths and hands the result to the
// connector's Run.
void HandleDroppedPaths(const std::vector<std::wstring>& paths, const DropHandoffOptions& options);
// The same for a CF_HDROP file list, which the caller releases.
void HandleDroppedFiles(HDROP list, const DropHandoffOptions& options);

// One Run call with the path list, its length in characters (closing NUL
// included), the number of paths and the properties ini file (passed only
// when it exists). 0 when the connector's class object cannot be had, else 1
// whatever Run returns: the connector shows its own messages.
int UploadFiles(const wchar_t* list, int length, int count, const wchar_t* uploadIni);

// The connector's settings dialog; the window is not read. Returns 1.
int DisplayConnectorSettings(HWND window);
