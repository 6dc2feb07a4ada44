// A second request that arrives inside a modal loop of this thread, as a
// user's click would: a thread timer whose procedure the loop dispatches
// runs the request once. Another thread (a dialog script) waits for it.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>

class ModalLoopRequest
{
public:
    // Armed at once; the request runs once the thread's message loop (the
    // modal one) dispatches the timer, delayMs or later.
    explicit ModalLoopRequest(std::function<void()> request, UINT delayMs = 200);
    ~ModalLoopRequest();
    ModalLoopRequest(const ModalLoopRequest&) = delete;
    ModalLoopRequest& operator=(const ModalLoopRequest&) = delete;

    bool Started() const { return m_started; }
    // The request ran and returned.
    bool Done() const { return m_done; }
    // Waits (on another thread) until the request returned; false on time-out.
    bool WaitDone(DWORD timeoutMs = 5000) const;

private:
    static void CALLBACK Fire(HWND, UINT, UINT_PTR id, DWORD);

    std::function<void()> m_request;
    UINT_PTR m_timer = 0;
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_done{false};
};

// Cancels every visible dialog and message box of a thread (a test that
// failed must not leave it waiting).
void CancelThreadDialogs(DWORD thread);
// The visible dialogs of a thread with this caption.
int CountThreadDialogs(DWORD thread, const wchar_t* caption);
