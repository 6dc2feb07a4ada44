#include "OberlaneStandin.h"

#include <gtest/gtest.h>

#include <cstdlib>

std::wstring UnixToWindowsPath(const std::string& unixPath)
{
    std::wstring path = L"Z:" + FromUtf8(unixPath);
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

std::wstring StandinProgramPath()
{
    const char* binary = std::getenv("KQ_BINARY_DIR");
    if (!binary)
        return std::wstring();
    return UnixToWindowsPath(binary) + L"\\tests\\standin\\Oberlane.exe";
}

OberlaneStandin::OberlaneStandin(const std::wstring& subfolder)
{
    m_folder = subfolder.empty() ? m_dir.Path() : m_dir.MakeDir(subfolder);
    m_path = m_folder + L"\\Oberlane.exe";
    std::wstring source = StandinProgramPath();
    EXPECT_TRUE(CopyFileW(source.c_str(), m_path.c_str(), FALSE))
        << "cannot copy the stand-in " << ToUtf8(source) << ", error " << GetLastError();
}

std::vector<StandinRecord> OberlaneStandin::Records() const
{
    return ReadStandinRecords(RecordFile());
}

bool OberlaneStandin::WaitForRecords(size_t n, DWORD timeoutMs) const
{
    DWORD start = GetTickCount();
    while (Records().size() < n) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

std::vector<StandinRecord> ReadStandinRecords(const std::wstring& recordFile)
{
    std::wstring text = FromUtf8(ReadFileBytes(recordFile));
    std::vector<StandinRecord> records;
    StandinRecord current;
    bool inRecord = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(L"\r\n", pos);
        if (end == std::wstring::npos)
            break; // a line still being written
        std::wstring line = text.substr(pos, end - pos);
        pos = end + 2;
        if (line == L"[start]") {
            current = StandinRecord();
            inRecord = true;
        } else if (line.empty()) {
            if (inRecord)
                records.push_back(current);
            inRecord = false;
        } else if (inRecord) {
            size_t eq = line.find(L'=');
            std::wstring key = line.substr(0, eq);
            std::wstring value = eq == std::wstring::npos ? std::wstring() : line.substr(eq + 1);
            if (key == L"commandline")
                current.commandLine = value;
            else if (key == L"parameters")
                current.parameters = value;
            else if (key == L"folder")
                current.folder = value;
        }
    }
    return records;
}

std::vector<std::wstring> FilesParameter(const std::wstring& parameters)
{
    std::vector<std::wstring> ids;
    size_t at = parameters.find(L" files=");
    if (at == std::wstring::npos)
        return ids;
    at += 7;
    size_t end = parameters.find(L' ', at);
    std::wstring list = parameters.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
    for (size_t from = 0; from <= list.size();) {
        size_t comma = list.find(L',', from);
        if (comma == std::wstring::npos)
            comma = list.size();
        ids.push_back(list.substr(from, comma - from));
        from = comma + 1;
    }
    return ids;
}
