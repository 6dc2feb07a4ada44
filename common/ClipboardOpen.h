// The clipboard opened for the life of the object, with an owner window.
// Windows documents that after OpenClipboard(NULL) EmptyClipboard leaves the
// clipboard without an owner and SetClipboardData then fails, so whoever
// puts data there opens it with a window of its own (ClipboardOwner.h).
#pragma once

#include <windows.h>

// Giving the user's clipboard back waits a little for another program that
// holds it open at that moment: this many tries over about 200 ms.
const int CLIPBOARD_GIVE_BACK_TRIES = 5;
const DWORD CLIPBOARD_RETRY_WAIT_MS = 50;

class CClipboardOpen
{
public:
    // tries: how often OpenClipboard is tried, CLIPBOARD_RETRY_WAIT_MS apart.
    explicit CClipboardOpen(HWND owner, int tries = 1) noexcept : m_open(false)
    {
        for (int attempt = 0; attempt < tries && !m_open; ++attempt) {
            if (attempt > 0)
                ::Sleep(CLIPBOARD_RETRY_WAIT_MS);
            m_open = ::OpenClipboard(owner) != FALSE;
        }
    }
    ~CClipboardOpen()
    {
        if (m_open)
            ::CloseClipboard();
    }
    CClipboardOpen(const CClipboardOpen&) = delete;
    CClipboardOpen& operator=(const CClipboardOpen&) = delete;
    bool IsOpen() const noexcept { return m_open; }

private:
    bool m_open;
};
