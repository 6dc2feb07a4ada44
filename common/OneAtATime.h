// One dialog of each kind and one command of a module at a time. The
// dialogs are modal without an owner, so the window that asked for one stays
// usable: a second request must neither open a second dialog over the same
// module-wide state nor start a command inside another one's modal loop.
// It brings the open dialog to the front instead.
#pragma once

#include <windows.h>

#include <vector>

// Brings the running command's latest dialog or message box to the front,
// else the front-most visible dialog of this thread (for a program whose
// thread is its own); false when there is none.
bool BringThreadDialogToFront() noexcept;

// What CDialogSlot::Show returns when a dialog of its kind is already open.
const INT_PTR DIALOG_ALREADY_OPEN = -2;

// The one dialog of a kind.
class CDialogSlot
{
public:
    CDialogSlot() = default;
    CDialogSlot(const CDialogSlot&) = delete;
    CDialogSlot& operator=(const CDialogSlot&) = delete;

    bool IsOpen() const { return m_open; }
    // The dialog procedure names its window at WM_INITDIALOG; the running
    // command, if any, counts it as its own.
    void SetWindow(HWND dialog) noexcept;
    // DialogBoxParamW without owner, unless one is open: then that one is
    // brought to the front and the result is DIALOG_ALREADY_OPEN.
    INT_PTR Show(HINSTANCE module, LPCWSTR resource, DLGPROC procedure, LPARAM parameter) noexcept;

private:
    bool m_open = false;
    HWND m_window = nullptr;
};

// Whose thread the commands run on, which decides what a refused command
// brings to the front when the running one has no window of its own open.
enum GateThread {
    // The program's own (Corvelle): any dialog of the thread is the
    // program's.
    GATE_OWN_THREAD,
    // A host's (the add-in in Office): the host's own dialogs stay where
    // they are.
    GATE_HOST_THREAD,
};

// The commands of one module (the add-in's buttons, Corvelle's menu, tray
// and drops): one runs at a time.
class CCommandGate
{
public:
    bool Busy() const { return m_running; }
    // Enters when no command runs; otherwise brings the running command's
    // dialog or message box to the front and returns false.
    bool TryEnter(GateThread thread = GATE_OWN_THREAD) noexcept;
    void Leave() noexcept;

    // The dialogs and message boxes that the running command opens and
    // closes; nothing is kept while no command runs.
    void WindowOpened(HWND window) noexcept;
    void WindowClosed(HWND window) noexcept;
    // Brings the running command's latest open window to the front; false
    // when it has none.
    bool BringCommandWindowToFront() noexcept;
    // Ends the running command's open windows as Cancel, and each that it
    // opens from now on until it leaves (its host is going away).
    void CancelCommandWindows() noexcept;

private:
    bool m_running = false;
    bool m_cancelling = false;
    std::vector<HWND> m_windows;
};

// This module's gate.
CCommandGate& ModuleCommandGate();

// A command's stay in the gate.
class CCommandScope
{
public:
    explicit CCommandScope(CCommandGate& gate = ModuleCommandGate(), GateThread thread = GATE_OWN_THREAD) noexcept
        : m_gate(gate), m_entered(gate.TryEnter(thread))
    {
    }
    ~CCommandScope()
    {
        if (m_entered)
            m_gate.Leave();
    }
    CCommandScope(const CCommandScope&) = delete;
    CCommandScope& operator=(const CCommandScope&) = delete;

    bool Entered() const { return m_entered; }

private:
    CCommandGate& m_gate;
    bool m_entered;
};

// While it lives, the first dialog window that this thread creates without
// an owner (the message box of a MessageBoxW call) counts as the running
// command's own; without a running command it does nothing.
class CCommandBoxCapture
{
public:
    CCommandBoxCapture() noexcept;
    ~CCommandBoxCapture();
    CCommandBoxCapture(const CCommandBoxCapture&) = delete;
    CCommandBoxCapture& operator=(const CCommandBoxCapture&) = delete;

private:
    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam);

    HHOOK m_hook = nullptr;
    HWND m_window = nullptr;
    CCommandBoxCapture* m_outer = nullptr;
};
