// A stand-in for the receiving program: every start appends one record of
// its command line and working folder to "oberlane-record.txt" beside the
// program, then ends. Tests and the demo read the records back.
#include <windows.h>

#include <string>

namespace {

std::wstring OwnFolder()
{
    wchar_t path[32768];
    DWORD n = GetModuleFileNameW(nullptr, path, _countof(path));
    std::wstring folder(path, n);
    size_t slash = folder.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash);
}

std::wstring CurrentFolder()
{
    wchar_t path[32768];
    DWORD n = GetCurrentDirectoryW(_countof(path), path);
    return n < _countof(path) ? std::wstring(path, n) : std::wstring();
}

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

// Several starts may race: each record goes out in one appending write, and
// a start that finds the file busy tries again for a while.
bool AppendRecord(const std::wstring& file, const std::string& record)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE h = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            BOOL ok = WriteFile(h, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
            CloseHandle(h);
            return ok && written == record.size();
        }
        Sleep(10);
    }
    return false;
}

// The parameters exactly as the starter passed them: the command line
// behind the program's name and the one blank that separates them. (WinMain's
// own pointer skips every blank, and with it a leading blank of the
// parameters.)
std::wstring RawParameters()
{
    const wchar_t* p = GetCommandLineW();
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"')
            ++p;
        if (*p)
            ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t')
            ++p;
    }
    if (*p == L' ' || *p == L'\t')
        ++p;
    return p;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // One record: "[start]", then key=value lines, then an empty line.
    std::wstring record = L"[start]\r\n";
    record += L"commandline=" + std::wstring(GetCommandLineW()) + L"\r\n";
    record += L"parameters=" + RawParameters() + L"\r\n";
    record += L"folder=" + CurrentFolder() + L"\r\n";
    record += L"\r\n";
    return AppendRecord(OwnFolder() + L"\\oberlane-record.txt", ToUtf8(record)) ? 0 : 1;
}
