// The add-in's callbacks for Outlook windows that open, activate and close
// after start-up (Outlook before 14): each explorer gets its menu and
// buttons at its first activation, each mail inspector at once.
#include "MarvikAddin.h"

#include "ButtonHandler.h"
#include "CommandBarsBuilder.h"
#include "DispatchHelpers.h"
#include "ExplorerHandlers.h"
#include "InspectorHandlers.h"
#include "LogFile.h"
#include "MailInspector.h"
#include "TypedCalls.h"

#include <algorithm>

namespace {

HRESULT GetCommandBars(IDispatch* window, IDispatchPtr& commandBars)
{
    _variant_t result;
    HRESULT hr = GetProperty(window, L"CommandBars", &result);
    if (SUCCEEDED(hr))
        hr = ObjectFromVariant(result, commandBars);
    if (SUCCEEDED(hr) && !commandBars)
        hr = E_POINTER;
    if (FAILED(hr))
        g_Log.Error(L"Failed to access CommandBars property! hr = 0x%08X\n", static_cast<unsigned>(hr));
    return hr;
}

// Takes the sink out of the list; false when it is not (or no more) there.
template <typename Sink>
bool TakeOut(std::list<Sink*>& sinks, Sink* sink)
{
    auto it = std::find(sinks.begin(), sinks.end(), sink);
    if (it == sinks.end())
        return false;
    sinks.erase(it);
    return true;
}

} // namespace

void CMarvikAddin::OnNewExplorer(IDispatch* explorer)
{
    g_Log.Info(L"Outlook Explorer->OnNewExplorer invoked\n");
    CExplorerHandler* handler = new CExplorerHandler(this, explorer);
    handler->AddRef();
    try {
        m_explorerHandlers.push_back(handler);
    } catch (...) {
        handler->Release();
        throw;
    }
    handler->Advise(explorer);
}

void CMarvikAddin::OnExplorerActivate(CExplorerHandler* handler)
{
    if (!handler || handler->CommandBarsBuilt())
        return;
    g_Log.Info(L"Outlook Explorer->OnExplorerActivate invoked\n");
    IDispatchPtr commandBars;
    if (FAILED(GetCommandBars(handler->Explorer(), commandBars)))
        return;
    BuildCommandBars(this, commandBars, nullptr, 0);
    handler->SetCommandBarsBuilt();
}

void CMarvikAddin::OnExplorerClose(CExplorerHandler* handler)
{
    if (!TakeOut(m_explorerHandlers, handler))
        return;
    // The host may still be inside the sink's Invoke: unadvise and let go
    // of the list's reference, never delete.
    handler->Unadvise();
    handler->Release();
}

void CMarvikAddin::OnNewInspector(IDispatch* inspector)
{
    g_Log.Info(L"Outlook Inspectors->OnNewInspector invoked\n");
    if (!IsMailInspector(inspector))
        return;
    CInspectorHandler* handler = new CInspectorHandler(this);
    handler->AddRef();
    try {
        m_inspectorHandlers.push_back(handler);
    } catch (...) {
        handler->Release();
        throw;
    }
    handler->Advise(inspector);

    g_Log.Info(L"Outlook Inspector->OnInspectorActivate invoked\n");
    IDispatchPtr commandBars;
    if (FAILED(GetCommandBars(inspector, commandBars)))
        return;
    BuildCommandBars(this, commandBars, handler->ButtonSlots(), 1);
    handler->SetCommandBarsBuilt();
}

void CMarvikAddin::OnInspectorClose(CInspectorHandler* handler)
{
    if (!TakeOut(m_inspectorHandlers, handler))
        return;
    // Unadvises the window and its buttons' sinks.
    handler->Unadvise();
    handler->Release();
}
