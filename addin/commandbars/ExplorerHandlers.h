// The sinks of Outlook's explorer windows (Outlook before 14): one on the
// Explorers collection for windows that open, and one per explorer window
// for its activation and its closing.
#pragma once

#include "EventSink.h"

// {00063078-0000-0000-C000-000000000046}
static const IID IID_ExplorersEvents = {0x00063078, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {0006304F-0000-0000-C000-000000000046}
static const IID IID_ExplorerEvents = {0x0006304f, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

const DISPID DISPID_EXPLORERS_NEWEXPLORER = 0xF001;
const DISPID DISPID_EXPLORER_ACTIVATE = 0xF001;
const DISPID DISPID_EXPLORER_CLOSE = 0xF008;

class CExplorersHandler : public CEventSink
{
public:
    explicit CExplorersHandler(CMarvikAddin* addin);

protected:
    void OnEvent(DISPID id, const DISPPARAMS& params) override;
};

class CExplorerHandler : public CEventSink
{
public:
    // Keeps a reference on the explorer until it is unadvised.
    CExplorerHandler(CMarvikAddin* addin, IDispatch* explorer);

    IDispatch* Explorer() const { return m_explorer; }
    bool CommandBarsBuilt() const { return m_commandBarsBuilt; }
    void SetCommandBarsBuilt() { m_commandBarsBuilt = true; }

    // Also lets go of the explorer.
    void Unadvise() override;

protected:
    ~CExplorerHandler() override;
    void OnEvent(DISPID id, const DISPPARAMS& params) override;

private:
    IDispatch* m_explorer;
    bool m_commandBarsBuilt;
};
