// The per-user temporary inbox "%TEMP%\kq_temp_inbox\" and its hand-off
// folders "kq_data_<number>\", numbered after the tick count.
#pragma once

#include "ComSupport.h"

#include <vector>

// The hand-off ids (folder names) in the order their files were written.
typedef std::vector<_bstr_t> HandoffIdList;

// Makes a new hand-off folder and writes its path with a closing backslash
// into buffer; 1 on success. 0 (logged, nothing written) when there is no
// temporary folder, when the folder's path with its hand-off file would not
// fit MAX_PATH or the buffer, or when no free name turns up: every caller
// treats 0 as a failed hand-off.
int CreateInboxDataFolder(wchar_t* buffer, size_t cch);

// Where the folder numbers come from: the clock, how many names taken in a
// row end the search, and the number after the last one taken. The
// two-argument form keeps one of these for the process; tests pass their own
// to hold the clock still.
struct InboxFolderNumbering {
    DWORD(WINAPI* tickCount)();
    unsigned maxTakenNames;
    DWORD next;
    bool hasNext;
};
int CreateInboxDataFolder(wchar_t* buffer, size_t cch, InboxFolderNumbering* numbering);
// True when the path, in its full form, names a document lying directly in
// a hand-off folder "kq_data_<digits>" of the inbox.
bool IsInInboxDataFolder(const wchar_t* path);
// Writes the deletion marker into the folder of every id.
void MarkDataFoldersForDelete(const HandoffIdList& ids);
