// Turns dropped or named files and folders into one path list: folders are
// walked with all their subfolders, files pass an optional extension filter.
// Shared by Corvelle (with its filter and messages) and Quenby (without).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The walker's path buffers hold MAX_PATH characters: a path of more than
// MAX_PATH - 1 characters is skipped, never cut into another path.
const size_t WALKER_PATH_CHARS = MAX_PATH;

struct WalkRules {
    // 1: every file is accepted; else only the extensions listed (without
    // dot, compared without regard to case; an empty line accepts files
    // without extension).
    int acceptAll = 1;
    std::vector<std::wstring> extensions;
    // A refused file, reported in the fill pass only (Corvelle's message).
    void (*onRefused)(const wchar_t* path, void* context) = nullptr;
    // A path too long for the walker's buffers; it contributes nothing.
    void (*onTooLong)(const wchar_t* path, void* context) = nullptr;
    // An entry whose name ends in a dot or a blank: its path would open
    // another file (or nothing), so it contributes nothing.
    void (*onUnreachable)(const wchar_t* path, void* context) = nullptr;
    // A file that the hand-off refuses (a pending hand-off's file, a path XML
    // cannot carry): it contributes nothing. Reported in the fill pass only,
    // with the reason as the log lines give it.
    void (*onHandoffRefused)(const wchar_t* path, const wchar_t* reason, void* context) = nullptr;
    void* context = nullptr;
};

// Where the fill pass writes: paths go to `next`, each with its NUL, and never
// reach `end` (one past the last character paths may use; the list's closing
// NUL lies there). The tree can change after the counting pass sized the
// buffer: a path that no longer fits sets `full` and is left out.
struct PathListCursor {
    wchar_t* next = nullptr;
    wchar_t* end = nullptr;
    bool full = false;
};

// The extension of a file path: the text after the last "." when that dot
// lies behind the last "\", else the empty text.
const wchar_t* FileExtension(const wchar_t* path);
bool IsFileAccepted(const wchar_t* path, const WalkRules& rules);

// The characters that the accepted paths under `path` take in the list, each
// with its NUL. With a cursor the paths are written there (and the result is
// what was written); with a counter, it grows by one per accepted file.
int CollectFiles(const wchar_t* path, PathListCursor* cursor, int* counter, const WalkRules& rules);

// The one report of a file that the hand-off refuses, for every caller of
// the walker: a line "Not handed off, <reason>, skipped: <path>" through the
// caller's `writeLine`, and message 8020 naming the file from the string
// table of `messageModule` unless the caller is silent (no module).
void ReportRefusedDocument(const wchar_t* path, const wchar_t* reason, void (*writeLine)(const wchar_t* line),
                           HINSTANCE messageModule);

// Writes one more path to the cursor; false (and `full`) when it does not fit.
bool AppendPath(PathListCursor* cursor, const wchar_t* path, size_t length);
