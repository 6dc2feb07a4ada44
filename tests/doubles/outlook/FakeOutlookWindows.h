// Outlook's Application with its windows, as the Outlook object model
// documents them: explorers (folder windows) and inspectors (item windows)
// that open, activate and close and tell their sinks so through their
// connection points (ExplorersEvents.NewExplorer, ExplorerEvents.Activate
// and Close, InspectorsEvents.NewInspector, InspectorEvents.Close), each
// window with a CommandBars object model of its own, and items that answer
// the interface id of their kind. When a window closes, Outlook fires Close
// and then lets go of it.
//
// The Application is FakeOutlookApplication's (Name, Version, _Application,
// GetNamespace), and items are FakeOutlookItem's; tests and other doubles
// add the members they need.
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
    // Outlook of this version with one explorer open (the active one);
    // session is its MAPI name space's MAPIOBJECT (may be null).
    explicit FakeOutlook(const wchar_t* version = L"12.0.0.6423", IUnknown* session = nullptr);
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

    // An Outlook item of the message class (FakeOutlookItem); a MailItem
    // (one that answers _MailItem) also has Sent.
    static FakeDispatchPtr MakeItem(const wchar_t* messageClass, bool sent);

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace doubles
