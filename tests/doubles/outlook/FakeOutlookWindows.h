// Outlook's Application with its windows, as the Outlook object model
// documents them: explorers (folder windows) and inspectors (item windows)
// that open, activate and close and tell their sinks so through their
// connection points (ExplorersEvents.NewExplorer, ExplorerEvents.Activate
// and Close, InspectorsEvents.NewInspector, InspectorEvents.Close), each
// window with a CommandBars object model of its own, and items that answer
// the interface id of their kind. When a window closes, Outlook fires Close
// and then lets go of it.
//
// The Application object is an ordinary FakeDispatch: tests and other
// doubles add the members they need (Session, GetNamespace, ...).
#pragma once

#include "FakeDispatch.h"
#include "commandbars/FakeCommandBars.h"

#include <memory>
#include <vector>

namespace doubles {

struct FakeOutlookWindow {
    FakeDispatchPtr object;
    std::unique_ptr<FakeCommandBars> commandBars;
    bool closed = false;

    // Sinks advised on the window's events.
    int Sinks() const;
};

class FakeOutlook
{
public:
    // Outlook of this version with one explorer open (the active one).
    explicit FakeOutlook(const wchar_t* version = L"12.0.0.6423");
    ~FakeOutlook();
    FakeOutlook(const FakeOutlook&) = delete;
    FakeOutlook& operator=(const FakeOutlook&) = delete;

    FakeDispatch* Application() const;
    FakeDispatch* Explorers() const;
    FakeDispatch* Inspectors() const;

    // The explorer open at start; ActiveExplorer gives it until it closes.
    std::shared_ptr<FakeOutlookWindow> MainExplorer() const;

    // A new explorer window; Explorers fires NewExplorer with it.
    std::shared_ptr<FakeOutlookWindow> OpenExplorer();
    // The explorer's Activate event.
    HRESULT Activate(const std::shared_ptr<FakeOutlookWindow>& explorer);
    // A new inspector showing the item; Inspectors fires NewInspector with
    // it, and it is the ActiveInspector until it closes.
    std::shared_ptr<FakeOutlookWindow> OpenInspector(IDispatch* item);
    // The window's Close event; then Outlook lets go of the window.
    HRESULT Close(const std::shared_ptr<FakeOutlookWindow>& window);

    // An Outlook item of the message class: classes "IPM.Note" and below
    // are MailItem objects (they answer _MailItem and have Sent), the
    // others are not.
    static FakeDispatchPtr MakeItem(const wchar_t* messageClass, bool sent);

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace doubles
