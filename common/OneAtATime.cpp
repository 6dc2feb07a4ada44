#include "OneAtATime.h"

#include <algorithm>
#include <cwchar>

namespace {

bool IsDialogClass(HWND window)
{
    wchar_t name[16] = L"";
    return GetClassNameW(window, name, 16) && wcscmp(name, L"#32770") == 0;
}

BOOL CALLBACK FindFrontDialog(HWND window, LPARAM found)
{
    // Top-level windows come in z-order: the first visible dialog is the front one.
    if (IsWindowVisible(window) && IsDialogClass(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void BringToFront(HWND window)
{
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    BringWindowToTop(window);
}

bool BringAnyThreadDialogToFront()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindFrontDialog, reinterpret_cast<LPARAM>(&found));
    if (!found)
        return false;
    BringToFront(found);
    return true;
}

void CancelWindow(HWND window)
{
    // Posted: the window's own modal loop ends it as its Cancel button would.
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
}

// The capture of the message box being shown (one per nesting level).
CCommandBoxCapture* s_capture = nullptr;

} // namespace

bool BringThreadDialogToFront() noexcept
{
    return ModuleCommandGate().BringCommandWindowToFront() || BringAnyThreadDialogToFront();
}

void CDialogSlot::SetWindow(HWND dialog) noexcept
{
    m_window = dialog;
    ModuleCommandGate().WindowOpened(dialog);
}

INT_PTR CDialogSlot::Show(HINSTANCE module, LPCWSTR resource, DLGPROC procedure, LPARAM parameter) noexcept
{
    if (m_open) {
        if (m_window && IsWindow(m_window))
            BringToFront(m_window);
        else
            BringThreadDialogToFront();
        return DIALOG_ALREADY_OPEN;
    }
    m_open = true;
    INT_PTR result = DialogBoxParamW(module, resource, nullptr, procedure, parameter);
    m_open = false;
    if (m_window)
        ModuleCommandGate().WindowClosed(m_window);
    m_window = nullptr;
    return result;
}

bool CCommandGate::TryEnter(GateThread thread) noexcept
{
    if (m_running) {
        if (!BringCommandWindowToFront() && thread == GATE_OWN_THREAD)
            BringAnyThreadDialogToFront();
        return false;
    }
    m_running = true;
    return true;
}

void CCommandGate::Leave() noexcept
{
    m_running = false;
    m_cancelling = false;
    m_windows.clear();
}

void CCommandGate::WindowOpened(HWND window) noexcept
{
    if (!m_running || !window)
        return;
    try {
        m_windows.push_back(window);
    } catch (...) {
        // Without room the window is only not raised by a second request.
    }
    if (m_cancelling)
        CancelWindow(window);
}

void CCommandGate::WindowClosed(HWND window) noexcept
{
    m_windows.erase(std::remove(m_windows.begin(), m_windows.end(), window), m_windows.end());
}

bool CCommandGate::BringCommandWindowToFront() noexcept
{
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) {
        if (IsWindow(*it)) {
            BringToFront(*it);
            return true;
        }
    }
    return false;
}

void CCommandGate::CancelCommandWindows() noexcept
{
    if (!m_running)
        return;
    m_cancelling = true;
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it)
        if (IsWindow(*it))
            CancelWindow(*it);
}

CCommandGate& ModuleCommandGate()
{
    static CCommandGate gate;
    return gate;
}

CCommandBoxCapture::CCommandBoxCapture() noexcept
{
    if (!ModuleCommandGate().Busy())
        return;
    m_hook = SetWindowsHookExW(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
    if (!m_hook)
        return;
    m_outer = s_capture;
    s_capture = this;
}

CCommandBoxCapture::~CCommandBoxCapture()
{
    if (!m_hook)
        return;
    UnhookWindowsHookEx(m_hook);
    s_capture = m_outer;
    if (m_window)
        ModuleCommandGate().WindowClosed(m_window);
}

LRESULT CALLBACK CCommandBoxCapture::OnCbt(int code, WPARAM wParam, LPARAM lParam)
{
    CCommandBoxCapture* capture = s_capture;
    if (code == HCBT_CREATEWND && capture && !capture->m_window) {
        HWND window = reinterpret_cast<HWND>(wParam);
        const CBT_CREATEWNDW* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
        if (create && create->lpcs && !create->lpcs->hwndParent && IsDialogClass(window)) {
            capture->m_window = window;
            ModuleCommandGate().WindowOpened(window);
        }
    }
    return CallNextHookEx(capture ? capture->m_hook : nullptr, code, wParam, lParam);
}
