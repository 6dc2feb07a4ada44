// The droplet window: a borderless layered picture that can be dragged,
// scaled and docked to a desktop edge, with its menu.
#pragma once

#include "GdiPlusBitmap.h"

extern const wchar_t DROPLET_CLASS_NAME[];

// Program state shared by the window, the start-up and the drop target.
extern HINSTANCE g_DropletInstance;
extern HWND g_DropletWindow;
extern CGdiPlusBitmap* g_DropletPicture;

LRESULT CALLBACK DropletWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Draws the picture at the scaled size into the layered window.
BOOL PaintDroplet(HWND hwnd, Gdiplus::Bitmap* picture);
// Sizes the window for the scale (the shorter side at least 32 px) and paints it.
int SetDropletScale(HWND hwnd, double scale);
// Loads the menu with its texts and check marks.
int BuildDropletMenu(HWND hwnd, UINT* checkedAlign, HMENU* menu);
// Frees the scaled picture.
void FreeScaledPicture();
