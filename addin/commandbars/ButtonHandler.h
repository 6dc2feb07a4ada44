// The click sink of one legacy menu entry or toolbar button: it picks the
// add-in's command by the clicked control's Tag.
#pragma once

#include "EventSink.h"

#include <comdef.h>

typedef _com_ptr_t<_com_IIID<IUnknown, &IID_IUnknown>> CUnknownPtr;

class CButtonHandler : public CEventSink
{
public:
    explicit CButtonHandler(CMarvikAddin* addin);

    // Office fires a button's Click to the handlers of every control with
    // the same Tag, and every mail window has the same tags: a mail window's
    // handler serves only clicks on its own control, known by its COM
    // identity. (The main window's handlers serve every window's controls.)
    void ServeOwnControlOnly(IDispatch* control);
    // Unadvises and lets go of the own control.
    void Unadvise() override;

protected:
    ~CButtonHandler() override = default;
    void OnEvent(DISPID id, const DISPPARAMS& params) override;

private:
    bool IsOwnControl(IDispatch* control) const;

    // The identity (IUnknown) of the control this handler serves alone;
    // null: it serves every click it receives.
    CUnknownPtr m_ownControl;
};
