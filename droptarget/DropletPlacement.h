// The droplet's size, position, alignment and behaviour, kept per user in
// the values "<prefix>.Size", ".Vordergrund", ".Fest", ".X", ".Y", ".Align".
#pragma once

#include "DropletOptions.h"

// The two flags double as the menu entries' check state.
const int DROPLET_FLAG_ON = MF_CHECKED;

struct DropletPlacement {
    double scale = 1.0;
    int topmost = 0;  // DROPLET_FLAG_ON when the window is topmost
    int fixed = 0;    // DROPLET_FLAG_ON when dragging is off
    int alignTop = 0;
    int alignBottom = 0;
    int alignLeft = 0;
    int alignRight = 0;
    int x = 0;
    int y = 0;
};

// The window's size for a picture at a scale: the shorter side at least
// 32 px, the aspect ratio kept.
SIZE ScaledPictureSize(int pictureWidth, int pictureHeight, double scale);

// Reads the per-user values, falling back to the ini file's sections, and
// places a picture of the given size on the desktop.
void ReadDropletPlacement(const DropletOptions& options, int pictureWidth, int pictureHeight, const RECT& desktop,
                          DropletPlacement* placement);

// Writes the six per-user values; the position is the window's when it still
// exists, else the last one kept in the placement.
void WriteDropletPlacement(const DropletOptions& options, const DropletPlacement& placement, HWND window);

// The program-wide placement of Corvelle.
extern DropletPlacement g_DropletPlacement;
