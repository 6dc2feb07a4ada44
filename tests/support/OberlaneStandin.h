// The stand-in for the receiving program, copied into a folder of the test's
// own so that its record file holds only this test's starts. The shell starts
// the program asynchronously: wait for the records before reading them.
#pragma once

#include "TempDir.h"

#include <windows.h>

#include <string>
#include <vector>

struct StandinRecord {
    // The whole command line as the program received it.
    std::wstring commandLine;
    // The parameters as the starter passed them, leading blanks kept: the
    // command line behind the program's name and the one separating blank.
    std::wstring parameters;
    // The working folder the program was started in.
    std::wstring folder;
};

class OberlaneStandin
{
public:
    // Copies the built stand-in (KQ_BINARY_DIR\tests\standin\Oberlane.exe)
    // into a new temporary folder, or under `subfolder` of it when given.
    explicit OberlaneStandin(const std::wstring& subfolder = std::wstring());
    OberlaneStandin(const OberlaneStandin&) = delete;
    OberlaneStandin& operator=(const OberlaneStandin&) = delete;

    // Full path of the copy (what a test puts into the setting Loader).
    const std::wstring& Path() const { return m_path; }
    // The copy's folder, without a closing backslash.
    const std::wstring& Folder() const { return m_folder; }
    std::wstring RecordFile() const { return m_folder + L"\\oberlane-record.txt"; }

    std::vector<StandinRecord> Records() const;
    // Waits until at least n starts were recorded; false on time-out.
    bool WaitForRecords(size_t n, DWORD timeoutMs = 10000) const;

private:
    TempDir m_dir;
    std::wstring m_folder;
    std::wstring m_path;
};

// The build's stand-in program.
std::wstring StandinProgramPath();
// Parses a record file; records cut short by a write in progress are left out.
std::vector<StandinRecord> ReadStandinRecords(const std::wstring& recordFile);
// The hand-off ids that a start's parameters list after " files=", in order.
std::vector<std::wstring> FilesParameter(const std::wstring& parameters);
// A Unix path of the build (as CTest passes it in KQ_*_DIR) as Wine sees it.
std::wstring UnixToWindowsPath(const std::string& unixPath);
