// The writers of an Outlook item's .msg file, each into a new hand-off
// folder: through Extended MAPI, through Outlook's own save, or through
// Redemption. On success the file's full path goes into the caller's
// buffer of MAX_PATH characters; otherwise the buffer stays as it was.
#pragma once

#include "MapiImports.h"
#include "PropertyCollection.h"

#include <oaidl.h>

// "<hand-off folder>dovrane_<index>_<time>.msg" in a new hand-off folder;
// E_FAIL (logged) when no folder can be made or the name does not fit.
HRESULT MakeMsgFileName(wchar_t* buffer, size_t capacity, unsigned index);

// Copies the message into a new .msg file by Extended MAPI's message on a
// compound file. A failing step is logged and returned, and the folder is
// marked deletable.
HRESULT SaveToMSG(IMessage* source, wchar_t* path, unsigned index);

// Outlook's own save of an item through its typed interface (a mail's or a
// note's) at the path: as a Unicode message file from Outlook 11 (major
// version) on, before that with the type left out.
HRESULT SaveItemThroughOutlook(IDispatch* typedItem, const wchar_t* fileName, int majorVersion);

// Lets Outlook save the mail itself (its typed _MailItem interface), as
// SaveItemThroughOutlook does.
HRESULT SaveToMSG_SMIME(IDispatch* mailItem, wchar_t* path, unsigned index, int majorVersion);

// Finds the Outlook item's mail in the Redemption folder, saves it as a
// Unicode message file and collects its properties.
HRESULT SaveRDOMailFromFolder(IDispatch* folder, IDispatch* item, wchar_t* path, unsigned index,
                              CPropertyCollection* properties);
