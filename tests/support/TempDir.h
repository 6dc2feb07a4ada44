// A temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

class TempDir
{
public:
    // A new folder below the user's temporary folder.
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder's path, without a closing backslash.
    const std::wstring& Path() const { return m_path; }
    // Path + "\" + relative.
    std::wstring operator/(const std::wstring& relative) const;

    // Writes a file (creating its folders) with the given bytes.
    std::wstring WriteFile(const std::wstring& relative, const std::string& bytes = std::string()) const;
    std::wstring MakeDir(const std::wstring& relative) const;
    // Writes a file by its full path in the "\\?\" form (creating its
    // folders), so that names ending in a dot or a blank and paths beyond
    // MAX_PATH can be made. Returns the path as given.
    static std::wstring WriteLongPath(const std::wstring& fullPath, const std::string& bytes = std::string());

private:
    std::wstring m_path;
};

// The user's temporary folder, with its closing backslash.
std::wstring TempPath();
// Removes a folder tree; true when it is gone.
bool RemoveTree(const std::wstring& path);
// The bytes of a file; empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
bool DirExists(const std::wstring& path);
// The names of the folders (without "." and "..") and of the files that
// match a FindFirstFileW pattern ("...\kq_data_*"), in the order they are
// found.
std::vector<std::wstring> FolderNames(const std::wstring& pattern);
std::vector<std::wstring> FileNames(const std::wstring& pattern);
// Every file below the folder with its bytes, sorted by path; subfolders
// named in skipFolders (at any depth) and files whose path ends in one of
// ignoredEndings are left out.
typedef std::vector<std::pair<std::wstring, std::string>> FileSnapshot;
FileSnapshot SnapshotFiles(const std::wstring& folder, const std::set<std::wstring>& skipFolders = {},
                           const std::vector<std::wstring>& ignoredEndings = {});
// UTF-8 <-> UTF-16.
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
