// How a new hand-off folder of the inbox gets its number: the tick count,
// or the next free number after it, taken at once. Only a folder that the
// search itself made is the caller's. Header-only, so that the plug-in,
// which names its folders in 8-bit texts, follows the same rule.
#pragma once

#include <windows.h>

// Where the folder numbers come from: the clock, how many names taken in a
// row end the search, and the number after the last one taken. Each road
// keeps one of these for the process; tests pass their own to hold the clock
// still.
struct InboxFolderNumbering {
    DWORD(WINAPI* tickCount)();
    unsigned maxTakenNames;
    DWORD next;
    bool hasNext;
};

// As many names taken in a row as GetTempFileName tries before it gives up:
// far beyond any burst of hand-offs, so only a filled inbox ends there.
const unsigned INBOX_MAX_TAKEN_NAMES = 65536;

// Calls makeFolder(number) for one number after another until it makes a
// folder: makeFolder returns ERROR_SUCCESS when it made the folder of that
// number, ERROR_ALREADY_EXISTS when the name is taken (by a folder or a
// file), any other error when no folder can be made there at all. Returns
// ERROR_SUCCESS with the number in *made, the error that ended the search,
// or ERROR_ALREADY_EXISTS when maxTakenNames names in a row were taken.
template <typename MakeFolder>
DWORD MakeNumberedDataFolder(InboxFolderNumbering* numbering, MakeFolder makeFolder, DWORD* made)
{
    // The numbers wrap as the tick does, so every name keeps its ten digits
    // at most. Hand-offs faster than the tick have taken the tick's name and
    // those after it themselves: while the number after the last one this
    // process took is ahead of the tick, the search starts there instead of
    // probing them.
    DWORD number = numbering->tickCount();
    if (numbering->hasNext && static_cast<LONG>(numbering->next - number) > 0)
        number = numbering->next;
    for (unsigned taken = 0; taken < numbering->maxTakenNames; ++taken, ++number) {
        DWORD error = makeFolder(number);
        if (error == ERROR_SUCCESS) {
            numbering->next = number + 1;
            numbering->hasNext = true;
            *made = number;
            return ERROR_SUCCESS;
        }
        if (error != ERROR_ALREADY_EXISTS)
            return error;
    }
    return ERROR_ALREADY_EXISTS;
}

inline BOOL CreateFolder(const wchar_t* path) { return CreateDirectoryW(path, nullptr); }
inline BOOL CreateFolder(const char* path) { return CreateDirectoryA(path, nullptr); }

// Makes the folder `path` inside `inbox`: ERROR_SUCCESS, or why it was not
// made. The inbox is made when the folder finds it missing rather than
// looked for before every folder.
template <typename Char>
DWORD MakeFolderInInbox(const Char* inbox, const Char* path)
{
    if (CreateFolder(path))
        return ERROR_SUCCESS;
    DWORD error = GetLastError();
    if (error != ERROR_PATH_NOT_FOUND)
        return error;
    CreateFolder(inbox);
    return CreateFolder(path) ? ERROR_SUCCESS : GetLastError();
}
