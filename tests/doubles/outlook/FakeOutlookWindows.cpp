#include "FakeOutlookWindows.h"

#include "FakeOutlook.h"

#include <algorithm>
#include <cwchar>

namespace doubles {

namespace {

// The documented ids of Outlook's window events and item interfaces.
const IID DOC_IID_ExplorersEvents = {0x00063078, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID DOC_IID_ExplorerEvents = {0x0006304f, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID DOC_IID_InspectorsEvents = {0x00063079, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// InspectorEvents_10, the inspector's events since Outlook 2002.
const IID DOC_IID_InspectorEvents = {0x0006302a, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID DOC_IID_MailItem = {0x00063034, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

const DISPID DOC_DISPID_NEWEXPLORER = 0xF001;
const DISPID DOC_DISPID_NEWINSPECTOR = 0xF001;
const DISPID DOC_DISPID_ACTIVATE = 0xF001;
const DISPID DOC_DISPID_CLOSE = 0xF008;

HRESULT Return(VARIANT* result, IDispatch* object)
{
    if (result) {
        VariantInit(result);
        V_VT(result) = VT_DISPATCH;
        V_DISPATCH(result) = object;
        if (object)
            object->AddRef();
    }
    return S_OK;
}

std::shared_ptr<FakeOutlookWindow> MakeWindow(const wchar_t* type, REFIID events)
{
    auto window = std::make_shared<FakeOutlookWindow>();
    window->object = FakeDispatch::Create(type);
    window->object->AddEventInterface(events);
    window->commandBars = std::make_unique<FakeCommandBars>();
    window->commandBars->AddTypicalBars();
    std::weak_ptr<FakeOutlookWindow> weak = window;
    window->object->AddMember(L"CommandBars", ACCESS_GET, {}, [weak](FakeDispatch&, const Invocation&, VARIANT* result) {
        auto self = weak.lock();
        if (!self || !self->commandBars)
            return RPC_E_DISCONNECTED;
        return Return(result, self->commandBars->Object());
    });
    return window;
}

} // namespace

int FakeOutlookWindow::Sinks() const
{
    int sinks = object->SinkCount(DOC_IID_ExplorerEvents);
    return sinks ? sinks : object->SinkCount(DOC_IID_InspectorEvents);
}

struct FakeOutlook::State {
    FakeDispatchPtr application;
    FakeDispatchPtr explorers;
    FakeDispatchPtr inspectors;
    std::shared_ptr<FakeOutlookWindow> mainExplorer;
    std::vector<std::shared_ptr<FakeOutlookWindow>> openExplorers;
    std::vector<std::shared_ptr<FakeOutlookWindow>> openInspectors;
};

FakeOutlook::FakeOutlook(const wchar_t* version, IUnknown* session) : m_state(std::make_shared<State>())
{
    State& state = *m_state;
    state.application = FakeOutlookApplication::Create(session, version);
    state.explorers = FakeDispatch::Create(L"Explorers");
    state.explorers->AddEventInterface(DOC_IID_ExplorersEvents);
    state.inspectors = FakeDispatch::Create(L"Inspectors");
    state.inspectors->AddEventInterface(DOC_IID_InspectorsEvents);
    state.mainExplorer = MakeWindow(L"Explorer", DOC_IID_ExplorerEvents);
    state.openExplorers.push_back(state.mainExplorer);

    std::weak_ptr<State> weak = m_state;
    FakeDispatch& app = *state.application;
    app.AddMember(L"Explorers", ACCESS_GET, {}, [weak](FakeDispatch&, const Invocation&, VARIANT* result) {
        auto s = weak.lock();
        return s ? Return(result, s->explorers) : RPC_E_DISCONNECTED;
    });
    app.AddMember(L"Inspectors", ACCESS_GET, {}, [weak](FakeDispatch&, const Invocation&, VARIANT* result) {
        auto s = weak.lock();
        return s ? Return(result, s->inspectors) : RPC_E_DISCONNECTED;
    });
    // Nothing when the window is gone.
    app.AddMember(L"ActiveExplorer", ACCESS_METHOD, {}, [weak](FakeDispatch&, const Invocation&, VARIANT* result) {
        auto s = weak.lock();
        if (!s)
            return RPC_E_DISCONNECTED;
        return Return(result, s->mainExplorer && !s->mainExplorer->closed ? s->mainExplorer->object.GetInterfacePtr()
                                                                          : nullptr);
    });
    app.AddMember(L"ActiveInspector", ACCESS_METHOD, {}, [weak](FakeDispatch&, const Invocation&, VARIANT* result) {
        auto s = weak.lock();
        if (!s)
            return RPC_E_DISCONNECTED;
        return Return(result, s->openInspectors.empty() ? nullptr : s->openInspectors.back()->object.GetInterfacePtr());
    });
}

FakeOutlook::~FakeOutlook()
{
    m_state->application->ClearObjectProperties();
}

FakeDispatch* FakeOutlook::Application() const
{
    return m_state->application;
}

FakeDispatch* FakeOutlook::Explorers() const
{
    return m_state->explorers;
}

FakeDispatch* FakeOutlook::Inspectors() const
{
    return m_state->inspectors;
}

std::shared_ptr<FakeOutlookWindow> FakeOutlook::MainExplorer() const
{
    return m_state->mainExplorer;
}

std::shared_ptr<FakeOutlookWindow> FakeOutlook::OpenExplorer()
{
    auto explorer = MakeWindow(L"Explorer", DOC_IID_ExplorerEvents);
    m_state->openExplorers.push_back(explorer);
    m_state->explorers->Fire(DOC_IID_ExplorersEvents, DOC_DISPID_NEWEXPLORER, {DispatchVariant(explorer->object)});
    return explorer;
}

HRESULT FakeOutlook::Activate(const std::shared_ptr<FakeOutlookWindow>& explorer)
{
    return explorer->object->Fire(DOC_IID_ExplorerEvents, DOC_DISPID_ACTIVATE);
}

std::shared_ptr<FakeOutlookWindow> FakeOutlook::OpenInspector(IDispatch* item)
{
    auto inspector = MakeWindow(L"Inspector", DOC_IID_InspectorEvents);
    inspector->object->AddProperty(L"CurrentItem", DispatchVariant(item));
    m_state->openInspectors.push_back(inspector);
    m_state->inspectors->Fire(DOC_IID_InspectorsEvents, DOC_DISPID_NEWINSPECTOR,
                              {DispatchVariant(inspector->object)});
    return inspector;
}

HRESULT FakeOutlook::Close(const std::shared_ptr<FakeOutlookWindow>& window)
{
    bool inspector = window->object->TypeName() == L"Inspector";
    HRESULT hr = window->object->Fire(inspector ? DOC_IID_InspectorEvents : DOC_IID_ExplorerEvents, DOC_DISPID_CLOSE);
    window->closed = true;
    auto& open = inspector ? m_state->openInspectors : m_state->openExplorers;
    open.erase(std::remove(open.begin(), open.end(), window), open.end());
    // Outlook lets go of the window: its item and its bars.
    window->object->ClearObjectProperties();
    window->commandBars.reset();
    return hr;
}

FakeDispatchPtr FakeOutlook::MakeItem(const wchar_t* messageClass, bool sent)
{
    FakeDispatchPtr item = FakeOutlookItem::Create(messageClass);
    const IID* iid = OutlookItemInterface(messageClass);
    if (iid && IsEqualIID(*iid, DOC_IID_MailItem))
        item->SetProperty(L"Sent", _variant_t(sent));
    return item;
}

} // namespace doubles
