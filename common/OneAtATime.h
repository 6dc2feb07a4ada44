// One dialog of each kind and one command of a module at a time. The
// dialogs are modal without an owner, so the window that asked for one stays
// usable: a second request must neither open a second dialog over the same
// module-wide state nor start a command inside another one's modal loop.
// It brings the open dialog to the front instead.
#pragma once

#include <windows.h>

// Brings the front-most visible dialog or message box of this thread to the
// front; false when the thread shows none.
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
    // The dialog procedure names its window at WM_INITDIALOG.
    void SetWindow(HWND dialog) { m_window = dialog; }
    // DialogBoxParamW without owner, unless one is open: then that one is
    // brought to the front and the result is DIALOG_ALREADY_OPEN.
    INT_PTR Show(HINSTANCE module, LPCWSTR resource, DLGPROC procedure, LPARAM parameter) noexcept;

private:
    bool m_open = false;
    HWND m_window = nullptr;
};

// The commands of one module (the add-in's buttons, Corvelle's menu, tray
// and drops): one runs at a time.
class CCommandGate
{
public:
    bool Busy() const { return m_running; }
    // Enters when no command runs; otherwise brings the running command's
    // dialog or message box to the front and returns false.
    bool TryEnter() noexcept;
    void Leave() { m_running = false; }

private:
    bool m_running = false;
};

// This module's gate.
CCommandGate& ModuleCommandGate();

// A command's stay in the gate.
class CCommandScope
{
public:
    explicit CCommandScope(CCommandGate& gate = ModuleCommandGate()) noexcept : m_gate(gate), m_entered(gate.TryEnter())
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
