// Deleting an archived Outlook item, found by its entry id and store id in
// Outlook's MAPI name space: through Outlook's object model, or through
// Redemption for signed and encrypted mails.
#pragma once

#include "PropertyCollection.h"

#include <oaidl.h>
#include <windows.h>

// Characters of the error texts that the callers hand in.
const size_t DELETE_ERROR_CHARS = 2048;

// S_OK when the item was deleted, else the failing step's code. Most
// failures write a line naming the step into errorText (errorChars
// characters, cut to fit); success leaves it as it was.
HRESULT DeleteOutlookItem(IDispatch* application, const wchar_t* storeId, const wchar_t* entryId, wchar_t* errorText,
                          size_t errorChars);

// The same for the hand-off properties "PR_ENTRYID" and "PR_STORE_ENTRYID"
// of a collection; the outcome is logged.
void DeleteMailItem(IDispatch* application, const CPropertyCollection* properties);
