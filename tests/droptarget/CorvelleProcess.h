// Corvelle.exe started as a user would start it: from a folder of its own
// with its ini file and picture, under the test's Wine prefix and display.
#pragma once

#include "TempDir.h"

#include <windows.h>

#include <string>

class CorvelleProcess
{
public:
    // Copies Corvelle.exe into the folder.
    explicit CorvelleProcess(const TempDir& folder);
    ~CorvelleProcess();
    CorvelleProcess(const CorvelleProcess&) = delete;
    CorvelleProcess& operator=(const CorvelleProcess&) = delete;

    // Starts the program and waits for its window of class "Corvelle";
    // false when the program ended first or no window came.
    bool Start();
    // Waits for the end; the exit code, or STILL_ACTIVE on time-out.
    DWORD WaitForExit(DWORD timeoutMs = 15000);

    HWND Window() const { return m_window; }
    DWORD ProcessId() const { return m_process.dwProcessId; }
    RECT WindowRect() const;
    LONG_PTR ExStyle() const;
    // A menu command, handled before the call returns.
    void Command(UINT id) const;
    void PressEscape() const;

private:
    std::wstring m_exe;
    PROCESS_INFORMATION m_process = {};
    HWND m_window = nullptr;
};

// A 24-bit BMP file of one colour.
std::wstring WriteBmpFile(const TempDir& dir, const std::wstring& name, int width, int height);
