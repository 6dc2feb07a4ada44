// Finding the Redemption mail object that stands for an Outlook item in a
// Redemption folder: by entry id, or by its main properties where the
// candidate's entry id cannot be read.
#pragma once

#include <windows.h>
#include <oaidl.h>

// S_OK with the mail object in *result (a VARIANT the caller clears);
// E_FAIL when no mail of the folder matches; a failed read's code.
HRESULT FindRDOMail(IDispatch* folder, IDispatch* item, VARIANT* result);
