#include "ExplorerHandlers.h"

#include "MarvikAddin.h"

namespace {

const CEventSink::EventEntry EXPLORERS_EVENTS[] = {
    {L"NewExplorer", DISPID_EXPLORERS_NEWEXPLORER, 1},
};

const CEventSink::EventEntry EXPLORER_EVENTS[] = {
    {L"Activate", DISPID_EXPLORER_ACTIVATE, 0},
    {L"Close", DISPID_EXPLORER_CLOSE, 0},
};

} // namespace

CExplorersHandler::CExplorersHandler(CMarvikAddin* addin)
    : CEventSink(addin, IID_ExplorersEvents, EXPLORERS_EVENTS, _countof(EXPLORERS_EVENTS))
{
}

void CExplorersHandler::OnEvent(DISPID, const DISPPARAMS& params)
{
    if (IDispatch* explorer = ObjectArgument(params, 0))
        Addin()->OnNewExplorer(explorer);
}

CExplorerHandler::CExplorerHandler(CMarvikAddin* addin, IDispatch* explorer)
    : CEventSink(addin, IID_ExplorerEvents, EXPLORER_EVENTS, _countof(EXPLORER_EVENTS)), m_explorer(explorer),
      m_commandBarsBuilt(false)
{
    if (m_explorer)
        m_explorer->AddRef();
}

CExplorerHandler::~CExplorerHandler()
{
    if (m_explorer)
        m_explorer->Release();
}

void CExplorerHandler::Unadvise()
{
    CEventSink::Unadvise();
    if (IDispatch* explorer = m_explorer) {
        m_explorer = nullptr;
        explorer->Release();
    }
}

void CExplorerHandler::OnEvent(DISPID id, const DISPPARAMS&)
{
    if (id == DISPID_EXPLORER_ACTIVATE)
        Addin()->OnExplorerActivate(this);
    else
        Addin()->OnExplorerClose(this);
}
