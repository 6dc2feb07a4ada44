// The Redemption library (ProgID "Redemption.RDOSession"), an outside COM
// library for signed and encrypted mails. Its objects are reached late-bound
// by member name; every user takes a session, uses it within one call and
// releases all its objects before returning.
#pragma once

#include <oaidl.h>
#include <windows.h>

extern const wchar_t REDEMPTION_PROGID[];
// Redemption's SaveAs type of a Unicode message file.
const long RDO_SAVE_AS_UNICODE_MSG = 9;

// A new session object, in process. When Redemption is not registered or
// its session cannot be made, the user is told so (a message box with the
// caption "marvik dovrane") and the failure is returned; *classIdMissing
// (may be null) tells whether the ProgID named no class.
HRESULT CreateRedemptionSession(IDispatch** session, bool* classIdMissing = nullptr);
