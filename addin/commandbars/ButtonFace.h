// The face of a legacy toolbar button. The host takes a face only from the
// clipboard (PasteFace), and its transparency from a mask in a second
// registered format whose name the host chooses; the names are learnt from
// what the host's own CopyFace puts there. The user's clipboard is saved
// before and given back afterwards.
#pragma once

#include <windows.h>
#include <oaidl.h>

// Gives the button (a CommandBarButton, through its typed interface) the
// bitmap resource's picture with a transparent background, then its Tag and
// TooltipText. A button whose face cannot be made still gets its Tag and
// tooltip. clipboardOwner: the window the clipboard is opened with
// (ClipboardOwner.h). A null button raises _com_error E_POINTER.
void SetButtonFace(IDispatch* button, WORD bitmapId, const wchar_t* tag, const wchar_t* caption, HWND clipboardOwner);
