// The clipboard opened without an owner window for the life of the object.
#pragma once

#include <windows.h>

class CClipboardOpen
{
public:
    CClipboardOpen() noexcept : m_open(::OpenClipboard(nullptr) != FALSE) {}
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
