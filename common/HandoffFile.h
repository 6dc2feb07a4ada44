// The XML hand-off file of a document, and the three ways callers write them.
#pragma once

#include "InboxFolder.h"
#include "PropertyCollection.h"

#include <string>
#include <vector>

// Why a file named to the hand-off is skipped: it is refused, not lost, and
// the walkers count it as skipped by the same rule.
enum HandoffRefusal {
    HANDOFF_ALLOWED = 0,
    // A hand-off folder's own hand-off file.
    HANDOFF_OWN_FILE = 1,
    // A document of a hand-off that waits for the receiving program: handing
    // it off again would write over its hand-off file and its properties.
    HANDOFF_PENDING = 2,
    // Its path holds a character that XML 1.0 cannot carry: the hand-off
    // file would name another file.
    HANDOFF_NOT_XML = 3,
};
// `fullPath` names an existing file in its full form.
HandoffRefusal CheckHandoffDocument(const wchar_t* fullPath);
// "it is the hand-off file of its folder", ... for log lines.
const wchar_t* HandoffRefusalText(HandoffRefusal refusal);

// 1 on success, 0 on failure (the id is listed before anything is written).
// A document path that XML cannot carry, or one that the hand-off file would
// write over, is refused (0, nothing listed). The hand-off file is only ever
// made new: a file or folder already at its name is left as it is (0, the id
// not listed).
int WriteHandoffFile(const wchar_t* documentPath, const wchar_t* handoffFolder, const CPropertyCollection* props,
                     HandoffIdList& ids, bool deleteMail);
// Documents that already lie in hand-off folders, one collection each
// (props may be null).
int WriteHandoffFiles(const wchar_t* const* documentPaths, const CPropertyCollection* const* props, int count,
                      HandoffIdList& ids, bool deleteMail);
// A NUL-separated path list ended by an empty path, one shared collection.
// Folders and devices in the list are passed over. A listed document that is
// not handed off - it names nothing any more, CheckHandoffDocument refuses
// it, or its hand-off file cannot be written - is skipped, its id not
// listed, and added to `notHandedOff` when given: the caller reports it. A
// document beside one whose folder got its file earlier in the call gets a
// folder of its own. 0 only when a hand-off folder cannot be made.
int WriteHandoffFileList(const wchar_t* pathList, int count, const CPropertyCollection* props, HandoffIdList& ids,
                         bool deleteMail, std::vector<std::wstring>* notHandedOff = nullptr);
