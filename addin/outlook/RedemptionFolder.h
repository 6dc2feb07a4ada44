// The way into Redemption that the capture's roads of signed and encrypted
// mails share: a Redemption session working in Outlook's own MAPI session,
// and the Redemption folder of the folder the active explorer shows.
#pragma once

#include "ComSupport.h"

// Outlook's Session.MAPIOBJECT, for a Redemption session's MAPIOBJECT.
HRESULT GetOutlookMapiObject(IDispatch* application, _variant_t* mapiObject);

// A new Redemption session (the user is told when Redemption is missing)
// that works in Outlook's MAPI session.
HRESULT OpenRedemptionSession(IDispatch* application, IDispatchPtr& session);

// The session and the Redemption folder of the active explorer's current
// folder, also when the item was opened in a window of its own. Every
// failure is logged and returned.
HRESULT OpenRedemptionFolder(IDispatch* application, IDispatchPtr& session, IDispatchPtr& folder);
