// The per-user temporary inbox "%TEMP%\kq_temp_inbox\" and its hand-off
// folders "kq_data_<tick>\".
#pragma once

#include "ComSupport.h"

#include <vector>

// The hand-off ids (folder names) in the order their files were written.
typedef std::vector<_bstr_t> HandoffIdList;

// Makes a new hand-off folder and writes its path with a closing backslash
// into buffer; 1 on success, 0 when there is no temporary folder.
int CreateInboxDataFolder(wchar_t* buffer, size_t cch);
// True when path lies inside a hand-off folder of the inbox.
bool IsInInboxDataFolder(const wchar_t* path);
// Writes the deletion marker into the folder of every id.
void MarkDataFoldersForDelete(const HandoffIdList& ids);
