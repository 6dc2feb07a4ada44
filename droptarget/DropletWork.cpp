#include "DropletWork.h"

#include "DropletResource.h"
#include "LogFile.h"
#include "OneAtATime.h"

CDropletWork g_DropletWork;

bool CDropletWork::Busy() const
{
    return ModuleCommandGate().Busy();
}

void CDropletWork::RaiseDialog() const
{
    // The work's dialogs belong to the hand-off thread, or to this one when
    // the work runs here.
    if (!BringThreadDialogToFront())
        m_thread.RaiseDialog();
}

bool CDropletWork::Reserve()
{
    if (Busy()) {
        RaiseDialog();
        return false;
    }
    return ModuleCommandGate().TryEnter();
}

void CDropletWork::Unreserve()
{
    ModuleCommandGate().Leave();
}

void CDropletWork::Post(DropWork work)
{
    m_posted = std::move(work);
    if (m_window && ::PostMessageW(m_window, WM_DROPLET_WORK, 0, 0))
        return;
    // No window to come back through: the work runs now rather than never.
    g_Log.Warning(L"Corvelle: the work can not be posted, error %u; it runs now\n", ::GetLastError());
    OnPosted();
}

void CDropletWork::Begin(DropWork work)
{
    if (Reserve())
        Post(std::move(work));
}

void CDropletWork::OnPosted()
{
    if (!m_posted || m_running)
        return;
    DropWork work = std::move(m_posted);
    m_posted = nullptr;
    m_running = true;
    if (m_window && m_thread.Run(work, m_window, WM_DROPLET_WORK_DONE))
        return;
    // Without the hand-off thread the work runs on the window's thread, as
    // it did before the thread existed.
    if (work) {
        try {
            work();
        } catch (...) {
            g_Log.Error(L"Corvelle: unexpected error during a hand-off\n");
        }
    }
    Finish();
}

void CDropletWork::OnDone()
{
    if (m_running)
        Finish();
}

void CDropletWork::Finish()
{
    m_running = false;
    ModuleCommandGate().Leave();
    if (m_exitRequested)
        ::PostQuitMessage(0);
}

void CDropletWork::RequestExit()
{
    if (!Busy()) {
        ::PostQuitMessage(0);
        return;
    }
    m_exitRequested = true;
    RaiseDialog();
}
