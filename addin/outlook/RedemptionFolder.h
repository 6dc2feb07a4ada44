// The way into Redemption that the capture's roads of signed and encrypted
// mails share: a Redemption session working in Outlook's own MAPI session,
// and the Redemption folder of the folder the active explorer shows.
#pragma once

#include "ComSupport.h"
#include "StepFailure.h"

// A new Redemption session (the user is told when Redemption is missing)
// that works in Outlook's MAPI session. The failing step is told as failure
// says, except a failed Version, which is always logged, and a class object
// or session that cannot be made, which only the user is told of.
HRESULT OpenRedemptionSession(IDispatch* application, IDispatchPtr& session,
                              const StepFailure& failure = StepFailure());

// The session and the Redemption folder of the active explorer's current
// folder, also when the item was opened in a window of its own. Every
// failure is logged and returned.
HRESULT OpenRedemptionFolder(IDispatch* application, IDispatchPtr& session, IDispatchPtr& folder);
