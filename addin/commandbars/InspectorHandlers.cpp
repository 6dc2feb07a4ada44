#include "InspectorHandlers.h"

#include "ButtonHandler.h"

namespace {

const CEventSink::EventEntry INSPECTORS_EVENTS[] = {
    {L"NewInspector", DISPID_INSPECTORS_NEWINSPECTOR, 1},
};

const CEventSink::EventEntry INSPECTOR_EVENTS[] = {
    {L"Close", DISPID_INSPECTOR_CLOSE, 0},
};

} // namespace

CInspectorsHandler::CInspectorsHandler(CMarvikAddin* addin)
    : CEventSink(addin, IID_InspectorsEvents, INSPECTORS_EVENTS, _countof(INSPECTORS_EVENTS))
{
}

void CInspectorsHandler::OnEvent(DISPID, const DISPPARAMS& params)
{
    if (IDispatch* inspector = ObjectArgument(params, 0))
        Addin()->OnNewInspector(inspector);
}

CInspectorHandler::CInspectorHandler(CMarvikAddin* addin)
    : CEventSink(addin, IID_InspectorEvents, INSPECTOR_EVENTS, _countof(INSPECTOR_EVENTS)),
      m_commandBarsBuilt(false), m_buttonHandlers{}
{
}

void CInspectorHandler::Unadvise()
{
    CEventSink::Unadvise();
    for (CButtonHandler*& handler : m_buttonHandlers) {
        if (CButtonHandler* sink = handler) {
            handler = nullptr;
            sink->Unadvise();
            sink->Release();
        }
    }
}

void CInspectorHandler::OnEvent(DISPID, const DISPPARAMS&)
{
    Addin()->OnInspectorClose(this);
}
