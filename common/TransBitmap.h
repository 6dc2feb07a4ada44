// Button faces for the clipboard: a bitmap as packed DIB, and a face with its
// transparency mask in the two registered formats that Office's PasteFace
// reads.
#pragma once

#include <windows.h>

// Opens and empties the clipboard and puts the face (under faceFormat) and
// its monochrome mask (under maskFormat) on it: pixels of the face's
// top-left colour are white (transparent) in the mask, all others black.
// The clipboard is opened with owner (ClipboardOwner.h), which then owns it.
// 1 on success, 0 when a format cannot be set.
int CopyTransBitmap(HBITMAP face, const wchar_t* faceFormat, const wchar_t* maskFormat, HWND owner);

// A packed DIB (header, colour table for up to 8 bits a pixel, bits) of the
// bitmap in a global memory block that the caller owns; null on failure.
HGLOBAL DDBToDIB(HBITMAP bitmap);
