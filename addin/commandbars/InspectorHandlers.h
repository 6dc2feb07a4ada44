// The sinks of Outlook's inspector windows (Outlook before 14): one on the
// Inspectors collection for windows that open, and one per mail inspector
// for its closing, which also owns the click sinks of that window's
// buttons.
#pragma once

#include "EventSink.h"
#include "MarvikAddin.h"

// {00063079-0000-0000-C000-000000000046}
static const IID IID_InspectorsEvents = {0x00063079, 0x0000, 0x0000,
                                         {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {0006302A-0000-0000-C000-000000000046}: the inspector's events of Outlook
// 2002 and later (InspectorEvents_10), which carry Close.
static const IID IID_InspectorEvents = {0x0006302a, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

const DISPID DISPID_INSPECTORS_NEWINSPECTOR = 0xF001;
const DISPID DISPID_INSPECTOR_CLOSE = 0xF008;

class CInspectorsHandler : public CEventSink
{
public:
    explicit CInspectorsHandler(CMarvikAddin* addin);

protected:
    void OnEvent(DISPID id, const DISPPARAMS& params) override;
};

class CInspectorHandler : public CEventSink
{
public:
    explicit CInspectorHandler(CMarvikAddin* addin);

    bool CommandBarsBuilt() const { return m_commandBarsBuilt; }
    void SetCommandBarsBuilt() { m_commandBarsBuilt = true; }
    // The six click sinks of this window's controls (slot meaning: ButtonSlot).
    CButtonHandler** ButtonSlots() { return m_buttonHandlers; }

    // Unadvises the sink and unadvises and releases its click sinks.
    void Unadvise() override;

protected:
    void OnEvent(DISPID id, const DISPPARAMS& params) override;

private:
    bool m_commandBarsBuilt;
    CButtonHandler* m_buttonHandlers[BUTTON_SLOT_COUNT];
};
