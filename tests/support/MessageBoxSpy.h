// Records the arguments with which the test program calls MessageBoxW and
// passes each call on to the real function. Wine does not turn MB_TOPMOST
// into the window's top-most style, so a test reads the style here instead.
// The spy patches the test program's own import of MessageBoxW; the code
// under test, linked into the program, is not changed.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

struct MessageBoxCall {
    HWND owner = nullptr;
    std::wstring text;
    std::wstring caption;
    UINT type = 0;
    int result = 0;
};

class MessageBoxSpy
{
public:
    MessageBoxSpy();
    ~MessageBoxSpy();
    MessageBoxSpy(const MessageBoxSpy&) = delete;
    MessageBoxSpy& operator=(const MessageBoxSpy&) = delete;

    // False when the import could not be found (the spy then records nothing).
    bool Installed() const { return m_slot != nullptr; }
    std::vector<MessageBoxCall> Calls() const;

private:
    static int WINAPI Hook(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

    void** m_slot = nullptr;
    void* m_original = nullptr;
};
