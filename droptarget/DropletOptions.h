// The droplet's options, read once at start from "Corvelle.ini" in the
// program's folder.
#pragma once

#include "FolderWalker.h"

#include <windows.h>

#include <string>
#include <vector>

// Private-profile sections are read into buffers of this many characters.
const DWORD INI_SECTION_CHARS = 65536;
const size_t DROPLET_TITLE_CHARS = 260;

extern const wchar_t DEFAULT_DROPLET_TITLE[];
extern const wchar_t DEFAULT_VALUE_PREFIX[];

struct DropletOptions {
    // The [Mimetype] filter: every file (an empty or missing section, or a
    // line that is a beginning of "*.*"), else the other lines, bare
    // extensions without dot in file order.
    WalkRules rules;
    int silent = 1;
    int fileQuestion = 1;
    int showTray = 1;
    int showTaskbar = 1;
    // Read and kept; nothing uses it.
    int forceProgress = 1;
    std::wstring folder;       // the program's folder, with its closing backslash
    std::wstring iniPath;      // folder + "Corvelle.ini"
    std::wstring uploadIni;    // folder + "upload.ini"
    std::wstring picturePath;  // folder + the first line of [Icon]
    std::wstring title = DEFAULT_DROPLET_TITLE;
    // The per-user window values are named after it: "Corvelle.Size" ...
    std::wstring valuePrefix = DEFAULT_VALUE_PREFIX;
};

// The first raw line of an ini section; empty when the section is missing or
// empty.
std::wstring ReadFirstSectionLine(const std::wstring& iniPath, const wchar_t* section);

// Reads the options of the ini file in `folder` (with closing backslash).
// False when the ini file names no picture ([Icon] missing or empty).
bool LoadDropletOptions(const std::wstring& folder, DropletOptions* options);

// The program-wide options of Corvelle.
extern DropletOptions g_DropletOptions;
