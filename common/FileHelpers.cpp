#include "FileHelpers.h"

#include "ScopedHandles.h"
#include "WideFormat.h"

#include <cwchar>

const wchar_t MARKER_FILE_NAME[] = L"__freetodelete__.bin";

namespace {

// "folder\name" into buf; false when it does not fit (a cut path would name
// another file).
bool JoinPath(wchar_t* buf, size_t cch, const wchar_t* folder, const wchar_t* name)
{
    if (!folder || !name || wcslen(folder) + 1 + wcslen(name) >= cch)
        return false;
    FormatText(buf, cch, L"%s\\%s", folder, name);
    return true;
}

bool IsDotEntry(const wchar_t* name)
{
    return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
}

} // namespace

void MarkFolderForDelete(const wchar_t* folder)
{
    wchar_t path[MAX_PATH];
    if (!JoinPath(path, MAX_PATH, folder, MARKER_FILE_NAME))
        return;
    CFileHandle file(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
}

void RemoveInvalidFileNameChars(wchar_t* text)
{
    if (!text)
        return;
    const size_t maxChars = MAX_PATH - 1;
    size_t out = 0;
    for (const wchar_t* in = text; *in && out < maxChars; ++in) {
        if (!wcschr(L"\\/:*?\"<>|", *in))
            text[out++] = *in;
    }
    text[out] = L'\0';
}

int DeleteDirectory(const wchar_t* folder)
{
    wchar_t pattern[MAX_PATH];
    if (!JoinPath(pattern, MAX_PATH, folder, L"*"))
        return 0;
    WIN32_FIND_DATAW entry;
    CFindHandle search(FindFirstFileW(pattern, &entry));
    if (!search)
        return 0;
    do {
        // Every entry is looked at: a drive's root has no "." to skip blindly.
        if (IsDotEntry(entry.cFileName))
            continue;
        wchar_t path[MAX_PATH];
        if (!JoinPath(path, MAX_PATH, folder, entry.cFileName))
            return 0;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!DeleteDirectory(path))
                return 0;
        } else if (!DeleteFileW(path)) {
            return 0;
        }
    } while (FindNextFileW(search, &entry));
    if (GetLastError() != ERROR_NO_MORE_FILES)
        return 0;
    search.Close();
    return RemoveDirectoryW(folder) ? 1 : 0;
}
