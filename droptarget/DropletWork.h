// The droplet's work that needs the user or the connector (a drop's
// questions and hand-off, the connector's settings dialog): one at a time,
// on the hand-off thread, so that the window answers meanwhile. The
// module's command gate is held from the drop or command that begins the
// work until the window learns that it has ended.
#pragma once

#include "DropWork.h"
#include "HandoffThread.h"

#include <windows.h>

class CDropletWork : public IDropWorkQueue
{
public:
    CDropletWork() = default;
    CDropletWork(const CDropletWork&) = delete;
    CDropletWork& operator=(const CDropletWork&) = delete;

    // See CHandoffThread::Start: before the window's thread initialises COM.
    bool StartThread() { return m_thread.Start(); }
    // Waits for the running work, then ends the thread.
    void StopThread() { m_thread.Stop(); }
    // The window that gets WM_DROPLET_WORK and WM_DROPLET_WORK_DONE.
    void SetWindow(HWND window) { m_window = window; }

    bool Reserve() override;
    void Post(DropWork work) override;
    void Unreserve() override;

    // A command's work: reserved and posted in one; refused while other
    // work runs.
    void Begin(DropWork work);
    // WM_DROPLET_WORK: the posted work starts.
    void OnPosted();
    // WM_DROPLET_WORK_DONE: the gate opens; a requested end follows now.
    void OnDone();
    // "Beenden": the loop ends now, or once the running work has ended.
    void RequestExit();
    bool Busy() const;
    // The running work's dialog or message box to the front.
    void RaiseDialog() const;

private:
    void Finish();

    HWND m_window = nullptr;
    DropWork m_posted;
    bool m_running = false;
    bool m_exitRequested = false;
    CHandoffThread m_thread;
};

extern CDropletWork g_DropletWork;
