#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

std::wstring TempPath()
{
    wchar_t buf[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, buf);
    return std::wstring(buf, n);
}

TempDir::TempDir()
{
    static std::atomic<unsigned> counter{0};
    for (;;) {
        wchar_t name[64];
        wsprintfW(name, L"kqtest_%lu_%u", GetCurrentProcessId(), counter++);
        m_path = TempPath() + name;
        if (CreateDirectoryW(m_path.c_str(), nullptr))
            break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            ADD_FAILURE() << "cannot create a temporary folder";
            break;
        }
    }
}

TempDir::~TempDir()
{
    RemoveTree(m_path);
}

std::wstring TempDir::operator/(const std::wstring& relative) const
{
    return m_path + L"\\" + relative;
}

std::wstring TempDir::MakeDir(const std::wstring& relative) const
{
    std::wstring path = m_path;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find(L'\\', start);
        if (end == std::wstring::npos)
            end = relative.size();
        path += L"\\" + relative.substr(start, end - start);
        CreateDirectoryW(path.c_str(), nullptr);
        start = end + 1;
    }
    return path;
}

namespace {

// "\\?\" before a full path with a drive where the plain form would not do:
// no trimming of trailing dots and blanks, no MAX_PATH. (The plain form stays
// otherwise: it forgives doubled backslashes.)
std::wstring Verbatim(const std::wstring& path)
{
    bool needed = path.size() >= MAX_PATH || (!path.empty() && (path.back() == L'.' || path.back() == L' '));
    return needed && path.size() > 2 && path[1] == L':' ? L"\\\\?\\" + path : path;
}

void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, h) << "cannot write a test file";
    if (h != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        if (!bytes.empty())
            ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(h);
    }
}

void CollectFiles(const std::wstring& folder, const std::set<std::wstring>& skipFolders,
                  const std::vector<std::wstring>& ignoredEndings, FileSnapshot* out)
{
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..")
            continue;
        std::wstring path = folder + L"\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!skipFolders.count(name))
                CollectFiles(path, skipFolders, ignoredEndings, out);
            continue;
        }
        bool ignored = false;
        for (const std::wstring& ending : ignoredEndings)
            ignored = ignored || (path.size() >= ending.size() &&
                                  path.compare(path.size() - ending.size(), ending.size(), ending) == 0);
        if (!ignored)
            out->emplace_back(path, ReadFileBytes(path));
    } while (FindNextFileW(find, &entry));
    FindClose(find);
}

} // namespace

std::wstring TempDir::WriteFile(const std::wstring& relative, const std::string& bytes) const
{
    size_t slash = relative.rfind(L'\\');
    if (slash != std::wstring::npos)
        MakeDir(relative.substr(0, slash));
    std::wstring path = *this / relative;
    WriteBytes(path, bytes);
    return path;
}

FileSnapshot SnapshotFiles(const std::wstring& folder, const std::set<std::wstring>& skipFolders,
                           const std::vector<std::wstring>& ignoredEndings)
{
    FileSnapshot files;
    CollectFiles(folder, skipFolders, ignoredEndings, &files);
    std::sort(files.begin(), files.end());
    return files;
}


std::wstring TempDir::WriteLongPath(const std::wstring& fullPath, const std::string& bytes)
{
    for (size_t slash = fullPath.find(L'\\', 3); slash != std::wstring::npos; slash = fullPath.find(L'\\', slash + 1))
        CreateDirectoryW(Verbatim(fullPath.substr(0, slash)).c_str(), nullptr);
    WriteBytes(Verbatim(fullPath), bytes);
    return fullPath;
}

bool RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring child = path + L"\\" + name;
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                RemoveTree(child);
            } else {
                SetFileAttributesW(Verbatim(child).c_str(), FILE_ATTRIBUTE_NORMAL);
                if (!DeleteFileW(Verbatim(child).c_str()))
                    RemoveDirectoryW(Verbatim(child).c_str());
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    return RemoveDirectoryW(Verbatim(path).c_str()) || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::wstring& path)
{
    std::string bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return bytes;
    char buf[65536];
    DWORD read = 0;
    while (ReadFile(h, buf, sizeof(buf), &read, nullptr) && read > 0)
        bytes.append(buf, read);
    CloseHandle(h);
    return bytes;
}

bool FileExists(const std::wstring& path)
{
    DWORD attr = GetFileAttributesW(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::wstring& path)
{
    DWORD attr = GetFileAttributesW(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int cb = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(cb), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], cb, nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int cch = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(cch), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], cch);
    return out;
}

namespace {

std::vector<std::wstring> EntryNames(const std::wstring& pattern, bool folders)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder == folders && wcscmp(data.cFileName, L".") != 0 && wcscmp(data.cFileName, L"..") != 0)
            names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

} // namespace

std::vector<std::wstring> FolderNames(const std::wstring& pattern)
{
    return EntryNames(pattern, true);
}

std::vector<std::wstring> FileNames(const std::wstring& pattern)
{
    return EntryNames(pattern, false);
}
