// Paths of documents named from outside (command lines, path lists, drops):
// what the hand-off writes must be the full path of a file on disk.
#pragma once

#include <string>

enum DocumentPathKind {
    // A file on disk; the full path is set.
    DOCUMENT_FILE = 0,
    // Missing, a folder, or nothing that resolves.
    DOCUMENT_MISSING = 1,
    // A device such as CON, NUL or COM1 (in any folder, with any extension).
    DOCUMENT_DEVICE = 2,
    // Its last name ends in a dot or a blank: Windows would open another
    // file (or the folder) by that path.
    DOCUMENT_UNREACHABLE = 3,
    // Its full path does not fit the hand-off's buffers.
    DOCUMENT_TOO_LONG = 4,
};

// The longest full path (NUL excluded) that the hand-off takes.
const size_t FULL_PATH_CHARS = 2047;

// The full form of a path: no "." or ".." parts, no relative part (resolved
// against the current folder). False when it does not resolve or does not
// fit FULL_PATH_CHARS.
bool GetFullDocumentPath(const wchar_t* path, std::wstring* fullPath);
// True for a full path that names a device ("\\.\CON").
bool IsDevicePath(const std::wstring& fullPath);
// Resolves the path and tells whether it names a file on disk.
DocumentPathKind ResolveDocumentPath(const wchar_t* path, std::wstring* fullPath);
