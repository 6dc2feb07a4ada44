// The thread on which the droplet's hand-offs and connector calls run, so
// that the window keeps answering while a hand-off of any size goes on.
#pragma once

#include "DropWork.h"
#include "ScopedHandles.h"

#include <windows.h>

class CHandoffThread
{
public:
    CHandoffThread() = default;
    ~CHandoffThread() { Stop(); }
    CHandoffThread(const CHandoffThread&) = delete;
    CHandoffThread& operator=(const CHandoffThread&) = delete;

    // Starts the thread and waits until its COM apartment exists. Called
    // before any other thread of the process initialises COM: the first
    // apartment is the one in which the connector, a class without a
    // threading model, is created, and it must be this thread's.
    bool Start();
    bool IsRunning() const { return m_window != nullptr; }
    // Runs the work on the thread (taking it over); once it has ended,
    // `done` is posted to `notify`. False, with the work left to the caller,
    // when the thread does not run.
    bool Run(DropWork& work, HWND notify, UINT done);
    // Brings the dialog or message box the running work shows to the front.
    void RaiseDialog() const;
    // Ends the thread once its running work has ended.
    void Stop();

private:
    static DWORD WINAPI ThreadMain(void* self);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    CKernelHandle m_thread;
    CKernelHandle m_ready;
    HWND m_window = nullptr;
};
