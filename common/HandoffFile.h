// The XML hand-off file of a document, and the three ways callers write them.
#pragma once

#include "InboxFolder.h"
#include "PropertyCollection.h"

// 1 on success, 0 on failure (the id is listed before anything is written).
int WriteHandoffFile(const wchar_t* documentPath, const wchar_t* handoffFolder, const CPropertyCollection* props,
                     HandoffIdList& ids, bool deleteMail);
// Documents that already lie in hand-off folders, one collection each
// (props may be null).
int WriteHandoffFiles(const wchar_t* const* documentPaths, const CPropertyCollection* const* props, int count,
                      HandoffIdList& ids, bool deleteMail);
// A NUL-separated path list ended by an empty path, one shared collection.
int WriteHandoffFileList(const wchar_t* pathList, int count, const CPropertyCollection* props, HandoffIdList& ids,
                         bool deleteMail);
