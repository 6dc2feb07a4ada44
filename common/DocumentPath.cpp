#include "DocumentPath.h"

#include <windows.h>

#include <cwchar>
#include <vector>

bool GetFullDocumentPath(const wchar_t* path, std::wstring* fullPath)
{
    if (!path || !*path || !fullPath)
        return false;
    std::vector<wchar_t> buffer(FULL_PATH_CHARS + 1);
    DWORD length = GetFullPathNameW(path, static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0 || length > FULL_PATH_CHARS)
        return false;
    fullPath->assign(buffer.data(), length);
    return true;
}

bool IsDevicePath(const std::wstring& fullPath)
{
    return fullPath.compare(0, 4, L"\\\\.\\") == 0;
}

DocumentPathKind ResolveDocumentPath(const wchar_t* path, std::wstring* fullPath)
{
    if (!path || !*path)
        return DOCUMENT_MISSING;
    size_t length = wcslen(path);
    if (length > FULL_PATH_CHARS)
        return DOCUMENT_TOO_LONG;
    if (path[length - 1] == L'.' || path[length - 1] == L' ')
        return DOCUMENT_UNREACHABLE;
    std::wstring full;
    if (!GetFullDocumentPath(path, &full))
        return DOCUMENT_TOO_LONG;
    if (IsDevicePath(full))
        return DOCUMENT_DEVICE;
    DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return DOCUMENT_MISSING;
    if (fullPath)
        *fullPath = full;
    return DOCUMENT_FILE;
}
