// The legacy menu and toolbar buttons of one window (hosts without the
// add-in's ribbon): a popup in front of the last menu of the active menu bar
// with the archive, attachments, settings and info entries, and the archive
// and attachments buttons on the "Standard" toolbar. What an earlier run
// left (same Tags) is deleted or reused. All controls are temporary, so the
// host drops them when it closes.
#pragma once

#include <windows.h>
#include <oaidl.h>

class CMarvikAddin;
class CButtonHandler;

// Builds the controls in the window whose CommandBars object is given;
// inspector 0 marks a main (explorer or document) window, 1 an Outlook mail
// inspector. When slots is not null, a click sink is created for each
// built control and stored in its slot (ButtonSlot); otherwise none is.
// Returns the failing host call's HRESULT (the controls added so far stay),
// else a success code. Never throws.
HRESULT BuildCommandBars(CMarvikAddin* addin, IDispatch* commandBars, CButtonHandler** slots, int inspector);
