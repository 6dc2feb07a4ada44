// Whether an Outlook inspector window shows a mail that was sent or
// received: only those get the add-in's legacy buttons.
#pragma once

#include <windows.h>
#include <oaidl.h>

// 1 when the inspector's current item is of class "IPM.Note" (in any case)
// and its typed Sent property is true, else 0. A mail being written, a
// signed or encrypted mail and any other item give 0; failures are logged.
int IsMailInspector(IDispatch* inspector);
