#include "QuenbyProcess.h"

#include "OberlaneStandin.h"
#include "ScopedHandles.h"
#include "TempDir.h"

#include <cstdlib>
#include <vector>

std::wstring QuenbyPath()
{
    const char* binary = std::getenv("KQ_BINARY_DIR");
    return binary ? UnixToWindowsPath(binary) + L"\\runner\\Quenby.exe" : std::wstring();
}

std::wstring Quoted(const std::wstring& argument)
{
    return L"\"" + argument + L"\"";
}

int RunQuenby(const std::wstring& arguments, DWORD timeoutMs, const std::wstring& folder, std::string* output)
{
    std::wstring commandLine = Quoted(QuenbyPath()) + L" " + arguments;
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    CFileHandle outputFile;
    std::wstring outputPath;
    if (output) {
        wchar_t temp[MAX_PATH], name[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        GetTempFileNameW(temp, L"qout", 0, name);
        outputPath = name;
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
        outputFile.Reset(CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = outputFile.Get();
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, output ? TRUE : FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return -1;
    CKernelHandle processHandle(process.hProcess);
    CKernelHandle threadHandle(process.hThread);
    if (WaitForSingleObject(processHandle, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(processHandle, 99);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(processHandle, &code);
    if (output) {
        outputFile.Reset();
        *output = ReadFileBytes(outputPath);
        DeleteFileW(outputPath.c_str());
    }
    return static_cast<int>(code);
}
