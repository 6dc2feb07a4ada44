// The add-in's road in hosts without its ribbon (Word, Excel and PowerPoint
// before 12, Outlook before 14): the main window's menu and buttons, in
// older Outlook also the sinks that equip explorer and mail inspector
// windows opened later; and letting go of all of them at shutdown.
#include "MarvikAddin.h"

#include "ButtonHandler.h"
#include "CommandBarsBuilder.h"
#include "DispatchHelpers.h"
#include "ExplorerHandlers.h"
#include "InspectorHandlers.h"
#include "LogFile.h"
#include "TypedCalls.h"

namespace {

HRESULT Failed(const wchar_t* text, HRESULT hr)
{
    g_Log.Error(text, static_cast<unsigned>(hr));
    return hr;
}

// A property of the host that holds an object.
HRESULT GetObjectProperty(IDispatch* object, const wchar_t* name, IDispatchPtr& value)
{
    _variant_t result;
    HRESULT hr = GetProperty(object, name, &result);
    if (FAILED(hr))
        return hr;
    HRESULT conversion = ObjectFromVariant(result, value);
    return FAILED(conversion) ? conversion : hr;
}

// Word's Saved of a template; one that cannot be read counts as changed, so
// that nothing of the user's is marked saved unasked.
bool TemplateIsSaved(IDispatch* context)
{
    _variant_t saved;
    HRESULT hr = GetProperty(context, L"Saved", &saved);
    if (SUCCEEDED(hr))
        hr = VariantChangeType(&saved, &saved, 0, VT_BOOL);
    if (FAILED(hr)) {
        g_Log.Warning(L"Failed to get saved flag of the current word template! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    return V_BOOL(&saved) != VARIANT_FALSE;
}

template <typename Sink>
void LetGo(Sink*& sink)
{
    if (Sink* held = sink) {
        sink = nullptr;
        held->Unadvise();
        held->Release();
    }
}

} // namespace

HRESULT CMarvikAddin::StartLegacyUI(IDispatch* commandBars)
{
    IDispatchPtr bars(commandBars);
    // The button faces go through the clipboard, which Windows lets only an
    // owner window fill; this is the host's user-interface thread.
    if (!m_clipboardOwner.Create())
        g_Log.Warning(L"Failed to create the clipboard owner window, error: %d\n", static_cast<int>(::GetLastError()));
    if (m_hostKind == HOST_OUTLOOK) {
        IDispatchPtr explorer;
        HRESULT hr = GetObjectProperty(m_application, L"ActiveExplorer", explorer);
        if (FAILED(hr))
            return Failed(L"Failed to access ActiveExplorer property! hr = 0x%08X\n", hr);

        const CSettingValue* multiProcess = m_settings.GetValue(SZ_MULTIPROCESS);
        if (multiProcess && multiProcess->GetNumber() != 0) {
            IDispatchPtr explorers;
            hr = GetObjectProperty(m_application, L"Explorers", explorers);
            if (FAILED(hr))
                return Failed(L"Failed to access Explorers property! hr = 0x%08X\n", hr);
            LetGo(m_explorersHandler);
            m_explorersHandler = new CExplorersHandler(this);
            m_explorersHandler->AddRef();
            m_explorersHandler->Advise(explorers);
        }

        hr = GetObjectProperty(explorer, L"CommandBars", bars);
        if (FAILED(hr))
            return Failed(L"Failed to access CommandBars property! hr = 0x%08X\n", hr);

        IDispatchPtr inspectors;
        hr = GetObjectProperty(m_application, L"Inspectors", inspectors);
        if (FAILED(hr))
            return Failed(L"Failed to access Inspectors property! hr = 0x%08X\n", hr);
        LetGo(m_inspectorsHandler);
        m_inspectorsHandler = new CInspectorsHandler(this);
        m_inspectorsHandler->AddRef();
        m_inspectorsHandler->Advise(inspectors);
    }

    // Word: the buttons change the template. Marking it saved keeps Word
    // from asking to save them, but only when the user had no changes of
    // his own in it: those would be discarded at Word's exit (the add-in may
    // be connected long after Word started). So its state is read before.
    IDispatchPtr context;
    HRESULT contextHr = S_OK;
    bool templateWasSaved = false;
    if (m_hostKind == HOST_WORD) {
        contextHr = GetObjectProperty(m_application, L"CustomizationContext", context);
        if (SUCCEEDED(contextHr))
            templateWasSaved = TemplateIsSaved(context);
    }

    HRESULT hr = BuildCommandBars(this, bars, m_buttonHandlers, 0);

    // A build that failed half-way still changed the template; its failure
    // stays the result, and one of the template is logged on its own.
    if (m_hostKind == HOST_WORD) {
        HRESULT templateHr = contextHr;
        if (FAILED(contextHr)) {
            Failed(L"Failed to get the current word template! hr = 0x%08X\n", contextHr);
        } else if (!templateWasSaved) {
            g_Log.Info(L"The current word template has unsaved changes, its saved flag is left as it is\n");
        } else {
            _variant_t saved(static_cast<short>(-1));
            templateHr = PutProperty(context, L"Saved", &saved);
            if (FAILED(templateHr))
                Failed(L"Failed to set saved flag of the current word template! hr = 0x%08X\n", templateHr);
        }
        if (FAILED(hr))
            return hr;
        if (FAILED(templateHr) || templateWasSaved)
            return templateHr;
    }
    return hr;
}

void CMarvikAddin::ShutdownLegacyUI()
{
    for (CButtonHandler*& handler : m_buttonHandlers)
        LetGo(handler);
    LetGo(m_explorersHandler);
    // Windows still open when the add-in goes: their sinks must not call
    // into it any more.
    std::list<CExplorerHandler*> explorers;
    explorers.swap(m_explorerHandlers);
    for (CExplorerHandler* handler : explorers)
        LetGo(handler);
    LetGo(m_inspectorsHandler);
    std::list<CInspectorHandler*> inspectors;
    inspectors.swap(m_inspectorHandlers);
    for (CInspectorHandler* handler : inspectors)
        LetGo(handler);
    m_clipboardOwner.Destroy();
}
