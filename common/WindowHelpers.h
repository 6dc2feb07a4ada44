// Window placement and message pumping shared by the dialogs.
#pragma once

#include <windows.h>

// Centres the window over the reference window, kept on the screen.
void CenterWindow(HWND window, HWND reference);
// Dispatches every pending message of the thread.
void PumpMessages();
