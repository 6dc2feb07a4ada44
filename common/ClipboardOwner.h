// The hidden window that owns what the system puts on the clipboard: a
// message-only window (no display, no z-order, no broadcasts), made on the
// thread that uses the clipboard and destroyed with the object.
#pragma once

#include <windows.h>

class CClipboardOwnerWindow
{
public:
    CClipboardOwnerWindow() noexcept : m_window(nullptr) {}
    ~CClipboardOwnerWindow() { Destroy(); }
    CClipboardOwnerWindow(const CClipboardOwnerWindow&) = delete;
    CClipboardOwnerWindow& operator=(const CClipboardOwnerWindow&) = delete;

    // Makes the window on the calling thread, once; true when there is one.
    // On failure GetLastError tells why.
    bool Create() noexcept;
    void Destroy() noexcept;
    // The window, or null when none was made.
    HWND Handle() const noexcept { return m_window; }

private:
    HWND m_window;
};
