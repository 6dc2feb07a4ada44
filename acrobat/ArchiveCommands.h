// The archive command: the active PDF, or the whole portfolio, saved into a
// new hand-off folder of the temporary inbox and handed to the connector
// with its properties.
#pragma once

#include "DataFolderNumbering.h"
#include "HostInterface.h"

#include <cstddef>

void KVArchive();
// True when the active document of the host's automation objects is a PDF
// portfolio.
bool IsPortfolio();
void KVSaveSingleDoc();
void KVSavePortfolio();

// A new hand-off folder "<temp>kq_temp_inbox\kq_data_<number>\" (with its
// closing backslash) into `folder`, numbered after the tick count or the next
// free number; 1 only when this call made it, else 0 (logged).
int createXMLFile(char* folder, size_t length);
// createXMLFile with the numbering given (createXMLFile keeps one for the
// process).
int MakeInboxFolder(char* folder, size_t length, InboxFolderNumbering* numbering);

// The document's file name (nameOnly) or path into buffer: 0, 2 on failure,
// 122 when the buffer is too small.
int KVGetDocFileName(PDDoc doc, bool nameOnly, char* buffer, size_t size);
int KVGetFileNameFromPathName(ASFileSys fileSys, ASPathName path, bool nameOnly, char* buffer, size_t size);
