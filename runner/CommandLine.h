// Quenby's command line: "/f" documents (files and folders), "/c" a
// properties ini file, "/s" the settings dialog.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

// Copy buffer of one argument: an argument of this many characters or more
// names nothing.
const size_t ARGUMENT_CHARS = 2048;

// What the first "/c" asked for (`asked` when there was one): its argument,
// empty when it had none, and what the file system said of it: its
// attributes, or the error of their query (ERROR_FILENAME_EXCED_RANGE for an
// argument that does not fit).
struct PropertiesArgument {
    bool asked = false;
    std::wstring path;
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    DWORD error = 0;

    bool IsPlainFile() const
    {
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
};

// A switch is an argument that is "/f", "/c" or "/s" itself, in either case.
// From the first "/f" on, every other argument is a document, except the
// one that a "/c" takes; a repeated "/f" goes on with the list.
// Counting pass (no slots, no buffer): stores the list's length when there
// is an "/f" and returns -1 then; it does not see a "/s" behind the "/f".
// Filling pass: writes the paths into `buffer` (`bufferChars` characters,
// zero-filled), fills the slots and returns the argument count for Invoke.
// -1 when nothing usable was found, 0 when the command line cannot be split.
// `commandLine` null: GetCommandLineW(). Documents are listed by their full
// paths; a device names nothing. In the filling pass `leftOut` (when given)
// gets the number of arguments that name nothing (each named on the standard
// output) and of documents that the walk found but that cannot be handed off
// (path too long, name ending in a dot or a blank, vanished since, a pending
// hand-off's file, a path XML cannot carry), and one more when the folders
// grew beyond the counted room: they are left out of the list. `properties`
// (when given) gets the argument of the first "/c".
int ParseCommandLine(VARIANT* slots, wchar_t* buffer, size_t bufferChars, int* length, int* settings,
                     const wchar_t* commandLine = nullptr, int* leftOut = nullptr,
                     PropertiesArgument* properties = nullptr);
