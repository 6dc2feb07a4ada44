// Small file and folder helpers of the hand-off.
#pragma once

#include <windows.h>

// The empty marker "__freetodelete__.bin" that says a hand-off folder may go.
extern const wchar_t MARKER_FILE_NAME[];
void MarkFolderForDelete(const wchar_t* folder);
// Removes \ / : * ? " < > | from the text in place (at most 259 characters stay).
void RemoveInvalidFileNameChars(wchar_t* text);
// 1 when the folder and all its content were deleted, else 0.
int DeleteDirectory(const wchar_t* folder);
