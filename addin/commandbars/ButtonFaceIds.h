// The bitmaps of the toolbar buttons (16 by 16, 4 bits per pixel), shared by
// the code and the resource script.
#pragma once

#define IDB_ARCHIVE_FACE 110
#define IDB_ATTACHMENT_FACE 111
