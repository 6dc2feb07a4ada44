#include "HandoffThread.h"

#include "LogFile.h"
#include "OneAtATime.h"

#include <ole2.h>

#include <memory>

namespace {

const wchar_t HANDOFF_CLASS_NAME[] = L"CorvelleHandoff";
const UINT WM_HANDOFF_RUN = WM_APP + 1;
const UINT WM_HANDOFF_RAISE = WM_APP + 2;
const UINT WM_HANDOFF_STOP = WM_APP + 3;

struct HandoffTask {
    DropWork work;
    HWND notify;
    UINT done;
};

// The thread's own state, touched only on the thread.
struct ThreadState {
    bool running = false;
    bool stopWhenDone = false;
};

void RunTask(HandoffTask* task)
{
    try {
        task->work();
    } catch (const std::bad_alloc&) {
        g_Log.Error(L"Corvelle: out of memory during a hand-off\n");
    } catch (...) {
        g_Log.Error(L"Corvelle: unexpected error during a hand-off\n");
    }
}

} // namespace

LRESULT CALLBACK CHandoffThread::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    ThreadState* state = reinterpret_cast<ThreadState*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_HANDOFF_RUN: {
        std::unique_ptr<HandoffTask> task(reinterpret_cast<HandoffTask*>(lParam));
        if (state)
            state->running = true;
        RunTask(task.get());
        if (state)
            state->running = false;
        ::PostMessageW(task->notify, task->done, 0, 0);
        if (state && state->stopWhenDone)
            ::DestroyWindow(hwnd);
        return 0;
    }
    case WM_HANDOFF_RAISE:
        BringThreadDialogToFront();
        return 0;
    case WM_HANDOFF_STOP:
        // A stop that comes inside the work's dialog waits for the work.
        if (state && state->running)
            state->stopWhenDone = true;
        else
            ::DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

DWORD WINAPI CHandoffThread::ThreadMain(void* param)
{
    CHandoffThread* self = static_cast<CHandoffThread*>(param);
    HRESULT hr = ::OleInitialize(nullptr);
    if (FAILED(hr))
        g_Log.Error(L"Corvelle: OleInitialize of the hand-off thread failed, hr = 0x%08X\n", hr);
    APTTYPE type = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
    if (SUCCEEDED(hr) && SUCCEEDED(::CoGetApartmentType(&type, &qualifier)) && type != APTTYPE_MAINSTA)
        g_Log.Warning(L"Corvelle: the hand-off thread is not the main apartment (type %d): the connector runs "
                      L"on another thread\n",
                      static_cast<int>(type));

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = HANDOFF_CLASS_NAME;
    ::RegisterClassExW(&wc);
    ThreadState state;
    HWND window = ::CreateWindowExW(0, HANDOFF_CLASS_NAME, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    wc.hInstance, nullptr);
    if (window)
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
    else
        g_Log.Error(L"Corvelle: the hand-off thread has no window, error %u\n", ::GetLastError());
    self->m_window = window;
    ::SetEvent(self->m_ready);

    if (window) {
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    if (SUCCEEDED(hr))
        ::OleUninitialize();
    return 0;
}

bool CHandoffThread::Start()
{
    if (m_thread)
        return IsRunning();
    m_ready.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_ready)
        return false;
    m_thread.Reset(::CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr));
    if (!m_thread) {
        g_Log.Error(L"Corvelle: the hand-off thread can not be started, error %u\n", ::GetLastError());
        return false;
    }
    HANDLE waits[2] = {m_ready, m_thread};
    ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (!m_window) {
        ::WaitForSingleObject(m_thread, INFINITE);
        m_thread.Close();
        return false;
    }
    return true;
}

bool CHandoffThread::Run(DropWork& work, HWND notify, UINT done)
{
    if (!m_window)
        return false;
    std::unique_ptr<HandoffTask> task;
    try {
        task.reset(new HandoffTask{work, notify, done});
    } catch (...) {
        // Out of memory: the caller runs the work itself rather than hold the gate forever.
        return false;
    }
    if (!::PostMessageW(m_window, WM_HANDOFF_RUN, 0, reinterpret_cast<LPARAM>(task.get())))
        return false;
    task.release();
    work = nullptr;
    return true;
}

void CHandoffThread::RaiseDialog() const
{
    if (m_window)
        ::PostMessageW(m_window, WM_HANDOFF_RAISE, 0, 0);
}

void CHandoffThread::Stop()
{
    if (!m_thread)
        return;
    if (m_window && ::PostMessageW(m_window, WM_HANDOFF_STOP, 0, 0))
        ::WaitForSingleObject(m_thread, INFINITE);
    m_window = nullptr;
    m_thread.Close();
}
