// A program's log file that every writer of it shares: the modules of one
// process (a program and the connector it loads) and every process of the
// program append whole lines to the same file, and the one that opens it at
// or above the size limit moves it aside while the others hold it.
// Header-only, so that the plug-in's own log uses the same rule.
#pragma once

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

// Shared for reading, writing and deleting by every writer. DELETE lets the
// file be moved aside through this handle.
inline HANDLE CreateSharedLogFile(const wchar_t* name)
{
    return CreateFileW(name, GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Appends one whole line. Writers take turns through a lock on a byte far
// beyond any end the file reaches: Wine's appending handles seek and write
// in two steps, so two writers could otherwise write over each other's line.
inline void AppendToSharedLogFile(HANDLE file, const void* bytes, DWORD count)
{
    OVERLAPPED turn = {};
    turn.Offset = 0xFFFFFFF0u;
    turn.OffsetHigh = 0x7FFFFFFFu;
    const bool locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn) != FALSE;
    LARGE_INTEGER none = {};
    DWORD written = 0;
    if (SetFilePointerEx(file, none, nullptr, FILE_END))
        WriteFile(file, bytes, count, &written, nullptr);
    if (locked)
        UnlockFileEx(file, 0, 1, 0, &turn);
}

// Renames the file that `file` holds to `target`, replacing a file of that
// name. Through the handle, so that only the file that was measured moves:
// when another writer has moved it aside meanwhile, it already bears the
// name and nothing else is touched.
inline bool MoveOpenLogFile(HANDLE file, const wchar_t* target)
{
    const size_t chars = wcslen(target);
    std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + chars * sizeof(wchar_t));
    FILE_RENAME_INFO* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(chars * sizeof(wchar_t));
    memcpy(info->FileName, target, chars * sizeof(wchar_t));
    return SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != FALSE;
}

// The log file `name` opened for appending; one at or above sizeLimit is
// first moved to the name with ".old" appended and a new one begun. When the
// move fails (the old file is held by a writer that cannot share it) the
// large file is appended to. The invalid handle value when it cannot be
// opened.
inline HANDLE OpenSharedLogFile(const wchar_t* name, DWORD sizeLimit)
{
    HANDLE file = CreateSharedLogFile(name);
    if (file == INVALID_HANDLE_VALUE)
        return file;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart < static_cast<LONGLONG>(sizeLimit))
        return file;
    bool moved = false;
    try {
        std::wstring oldName = std::wstring(name) + L".old";
        moved = MoveOpenLogFile(file, oldName.c_str());
    } catch (...) {
        // Out of memory: the large file goes on.
    }
    if (!moved)
        return file;
    CloseHandle(file);
    return CreateSharedLogFile(name);
}
