#include "ModalLoopRequest.h"

#include <string>
#include <vector>

namespace {

ModalLoopRequest* g_armed = nullptr;

BOOL CALLBACK CollectDialogs(HWND window, LPARAM found)
{
    wchar_t name[16] = L"";
    if (IsWindowVisible(window) && GetClassNameW(window, name, 16) && wcscmp(name, L"#32770") == 0)
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

std::vector<HWND> ThreadDialogs(DWORD thread)
{
    std::vector<HWND> found;
    EnumThreadWindows(thread, CollectDialogs, reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace

ModalLoopRequest::ModalLoopRequest(std::function<void()> request, UINT delayMs) : m_request(std::move(request))
{
    g_armed = this;
    m_timer = SetTimer(nullptr, 0, delayMs, Fire);
}

ModalLoopRequest::~ModalLoopRequest()
{
    if (m_timer && !m_started)
        KillTimer(nullptr, m_timer);
    if (g_armed == this)
        g_armed = nullptr;
}

void CALLBACK ModalLoopRequest::Fire(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    ModalLoopRequest* armed = g_armed;
    if (!armed || armed->m_timer != id || armed->m_started)
        return;
    armed->m_started = true;
    armed->m_request();
    armed->m_done = true;
}

bool ModalLoopRequest::WaitDone(DWORD timeoutMs) const
{
    DWORD start = GetTickCount();
    while (!m_done) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

void CancelThreadDialogs(DWORD thread)
{
    for (int round = 0; round < 20; ++round) {
        std::vector<HWND> dialogs = ThreadDialogs(thread);
        if (dialogs.empty())
            return;
        for (HWND dialog : dialogs) {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            // A message box without Cancel closes on No or OK.
            PostMessageW(dialog, WM_COMMAND, IDNO, 0);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        }
        Sleep(200);
    }
}

int CountThreadDialogs(DWORD thread, const wchar_t* caption)
{
    int count = 0;
    for (HWND dialog : ThreadDialogs(thread)) {
        wchar_t text[256] = L"";
        GetWindowTextW(dialog, text, 256);
        if (!caption || std::wstring(text) == caption)
            ++count;
    }
    return count;
}
