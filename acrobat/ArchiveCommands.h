// The archive command: the active PDF, or the whole portfolio, saved into a
// new hand-off folder of the temporary inbox and handed to the connector
// with its properties.
#pragma once

#include "HostInterface.h"

#include <cstddef>

void KVArchive();
// True when the active document of the host's automation objects is a PDF
// portfolio.
bool IsPortfolio();
void KVSaveSingleDoc();
void KVSavePortfolio();

// A new hand-off folder "<temp>kq_temp_inbox\kq_data_<tick>\" (with its
// closing backslash) into `folder`; 1, or 0 when it could not be made.
int createXMLFile(char* folder, size_t length);
// createXMLFile with the clock that names the folder given.
int MakeInboxFolder(char* folder, size_t length, DWORD(WINAPI* tickCount)());

// The document's file name (nameOnly) or path into buffer: 0, 2 on failure,
// 122 when the buffer is too small.
int KVGetDocFileName(PDDoc doc, bool nameOnly, char* buffer, size_t size);
int KVGetFileNameFromPathName(ASFileSys fileSys, ASPathName path, bool nameOnly, char* buffer, size_t size);
