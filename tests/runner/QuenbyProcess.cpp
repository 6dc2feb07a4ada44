#include "QuenbyProcess.h"

#include "OberlaneStandin.h"
#include "ScopedHandles.h"

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

int RunQuenby(const std::wstring& arguments, DWORD timeoutMs, const std::wstring& folder)
{
    std::wstring commandLine = Quoted(QuenbyPath()) + L" " + arguments;
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
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
    return static_cast<int>(code);
}
