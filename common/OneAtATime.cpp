#include "OneAtATime.h"

#include <cwchar>

namespace {

BOOL CALLBACK FindFrontDialog(HWND window, LPARAM found)
{
    wchar_t name[16] = L"";
    // Top-level windows come in z-order: the first visible dialog is the front one.
    if (IsWindowVisible(window) && GetClassNameW(window, name, 16) && wcscmp(name, L"#32770") == 0) {
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

} // namespace

bool BringThreadDialogToFront() noexcept
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindFrontDialog, reinterpret_cast<LPARAM>(&found));
    if (!found)
        return false;
    BringToFront(found);
    return true;
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
    m_window = nullptr;
    return result;
}

bool CCommandGate::TryEnter() noexcept
{
    if (m_running) {
        BringThreadDialogToFront();
        return false;
    }
    m_running = true;
    return true;
}

CCommandGate& ModuleCommandGate()
{
    static CCommandGate gate;
    return gate;
}
