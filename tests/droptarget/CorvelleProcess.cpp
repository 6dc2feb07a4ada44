#include "CorvelleProcess.h"

#include "ScreenShot.h"

#include <cstring>

namespace {

struct FindContext {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindDroplet(HWND hwnd, LPARAM lParam)
{
    auto* ctx = reinterpret_cast<FindContext*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t name[64] = L"";
    GetClassNameW(hwnd, name, 64);
    if (pid == ctx->processId && wcscmp(name, L"Corvelle") == 0) {
        ctx->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

CorvelleProcess::CorvelleProcess(const TempDir& folder) : m_exe(folder / L"Corvelle.exe")
{
    std::wstring built = WinePathFromEnv("KQ_BINARY_DIR", L"/droptarget/Corvelle.exe");
    CopyFileW(built.c_str(), m_exe.c_str(), FALSE);
}

CorvelleProcess::~CorvelleProcess()
{
    if (m_process.hProcess) {
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_process.hProcess, 99);
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
    }
}

bool CorvelleProcess::Start()
{
    std::wstring commandLine = L"\"" + m_exe + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    if (!CreateProcessW(m_exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &m_process))
        return false;
    for (int i = 0; i < 300; ++i) {
        FindContext ctx = {m_process.dwProcessId, nullptr};
        EnumWindows(FindDroplet, reinterpret_cast<LPARAM>(&ctx));
        if (ctx.found && IsWindowVisible(ctx.found)) {
            m_window = ctx.found;
            // Lets the start-up finish (drop target, tray icon).
            DWORD_PTR result = 0;
            SendMessageTimeoutW(m_window, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &result);
            return true;
        }
        if (WaitForSingleObject(m_process.hProcess, 50) == WAIT_OBJECT_0)
            return false;
    }
    return false;
}

DWORD CorvelleProcess::WaitForExit(DWORD timeoutMs)
{
    if (!m_process.hProcess || WaitForSingleObject(m_process.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(m_process.hProcess, &code);
    return code;
}

RECT CorvelleProcess::WindowRect() const
{
    RECT rect = {};
    GetWindowRect(m_window, &rect);
    return rect;
}

LONG_PTR CorvelleProcess::ExStyle() const
{
    return GetWindowLongPtrW(m_window, GWL_EXSTYLE);
}

void CorvelleProcess::Command(UINT id) const
{
    SendMessageW(m_window, WM_COMMAND, id, 0);
}

void CorvelleProcess::PressEscape() const
{
    PostMessageW(m_window, WM_KEYDOWN, VK_ESCAPE, 0);
}

std::wstring WriteBmpFile(const TempDir& dir, const std::wstring& name, int width, int height)
{
    const int stride = (width * 3 + 3) & ~3;
    std::string bytes(54 + static_cast<size_t>(stride) * height, '\x60');
    auto put32 = [&](size_t at, DWORD v) { std::memcpy(&bytes[at], &v, 4); };
    auto put16 = [&](size_t at, WORD v) { std::memcpy(&bytes[at], &v, 2); };
    std::memset(&bytes[0], 0, 54);
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<DWORD>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<DWORD>(width));
    put32(22, static_cast<DWORD>(height));
    put16(26, 1);
    put16(28, 24);
    return dir.WriteFile(name, bytes);
}
