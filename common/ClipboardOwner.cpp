#include "ClipboardOwner.h"

#include "ModuleInstance.h"

namespace {

const wchar_t OWNER_CLASS[] = L"KQClipboardOwner";

// The class lives as long as the module; its procedure is the system's, so
// no procedure of a module that unloads is left behind in it.
bool RegisterOwnerClass() noexcept
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = GetThisModule();
    windowClass.lpszClassName = OWNER_CLASS;
    return ::RegisterClassExW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

bool CClipboardOwnerWindow::Create() noexcept
{
    if (m_window)
        return true;
    if (!RegisterOwnerClass())
        return false;
    m_window = ::CreateWindowExW(0, OWNER_CLASS, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetThisModule(), nullptr);
    return m_window != nullptr;
}

void CClipboardOwnerWindow::Destroy() noexcept
{
    if (HWND window = m_window) {
        m_window = nullptr;
        ::DestroyWindow(window);
    }
}
