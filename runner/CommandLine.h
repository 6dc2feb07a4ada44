// Quenby's command line: "/f" documents (files and folders), "/c" a
// properties ini file, "/s" the settings dialog.
#pragma once

#include <windows.h>
#include <oaidl.h>

// Copy buffer of one argument: an argument of this many characters or more
// names nothing.
const size_t ARGUMENT_CHARS = 2048;

// Counting pass (no slots, no buffer): stores the list's length at the first
// "/f" and returns -1 there. Filling pass: writes the paths into `buffer`
// (`bufferChars` characters, zero-filled), fills the slots and returns the
// argument count for Invoke. -1 when nothing usable was found, 0 when the
// command line cannot be split. `commandLine` null: GetCommandLineW().
// Documents are listed by their full paths; a device names nothing. In the
// filling pass `leftOut` (when given) gets the number of documents that the
// walk found but that cannot be handed off (path too long, name ending in a
// dot or a blank, vanished since, a pending hand-off's file, a path XML
// cannot carry), and one more when the folders grew
// beyond the counted room: they are left out of the list.
int ParseCommandLine(VARIANT* slots, wchar_t* buffer, size_t bufferChars, int* length, int* settings,
                     const wchar_t* commandLine = nullptr, int* leftOut = nullptr);
