// Binds the connector class as every client must (by class id, in process,
// late-bound by its dotted member name) and invokes one member.
#pragma once

#include <windows.h>
#include <oaidl.h>

enum ConnectorCallStage {
    // The member was invoked; `hr` is its result.
    CONNECTOR_INVOKED = 0,
    // The class object cannot be had: the class is not registered.
    CONNECTOR_NOT_REGISTERED = 1,
    // The object cannot be created or refuses the member name.
    CONNECTOR_UNREACHABLE = 2,
};

struct ConnectorCallResult {
    ConnectorCallStage stage;
    // The last HRESULT of the binding and the call.
    HRESULT hr;
};

// Member names that the connector knows.
extern const wchar_t CONNECTOR_RUN[];
extern const wchar_t CONNECTOR_DISPLAYSETTINGS[];

// The caller has initialised COM on this thread. `params` and `result` stay
// the caller's; the connector runs (and shows its dialogs) inside this call.
ConnectorCallResult CallConnector(const wchar_t* member, DISPPARAMS* params, VARIANT* result) noexcept;
