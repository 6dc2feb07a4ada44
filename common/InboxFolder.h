// The per-user temporary inbox "%TEMP%\kq_temp_inbox\" and its hand-off
// folders "kq_data_<number>\", numbered after the tick count.
#pragma once

#include "ComSupport.h"
#include "DataFolderNumbering.h"

#include <vector>

// The hand-off ids (folder names) in the order their files were written.
typedef std::vector<_bstr_t> HandoffIdList;

// Makes a new hand-off folder and writes its path with a closing backslash
// into buffer; 1 only when this call made the folder. 0 (logged, nothing
// written) when there is no temporary folder, when the folder's path with
// its hand-off file would not fit MAX_PATH or the buffer, when no free name
// turns up, or when the folder cannot be made (the inbox barred by a file,
// no rights, a full disk): every caller treats 0 as a failed hand-off.
int CreateInboxDataFolder(wchar_t* buffer, size_t cch);
// The same with the numbering given (the two-argument form keeps one for
// the process).
int CreateInboxDataFolder(wchar_t* buffer, size_t cch, InboxFolderNumbering* numbering);
// True when the path, in its full form, names a document lying directly in
// a hand-off folder "kq_data_<digits>" of the inbox.
bool IsInInboxDataFolder(const wchar_t* path);
// What a document named to the hand-off is to the inbox. Paths are compared
// in their long form and without regard to case, as the file system does,
// so that no spelling of a path reaches a pending hand-off.
enum InboxDocumentKind {
    // Outside every hand-off folder, or in one that holds no hand-off file.
    INBOX_DOCUMENT_FREE = 0,
    // A hand-off folder's own hand-off file: never a document.
    INBOX_DOCUMENT_HANDOFF_FILE = 1,
    // Lies in (or below) a hand-off folder that already holds its hand-off
    // file: it belongs to a hand-off that waits for the receiving program.
    INBOX_DOCUMENT_PENDING = 2,
};
InboxDocumentKind ClassifyInboxDocument(const wchar_t* fullPath);
// Writes the deletion marker into the folder of every id.
void MarkDataFoldersForDelete(const HandoffIdList& ids);
