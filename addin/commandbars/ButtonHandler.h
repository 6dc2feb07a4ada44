// The click sink of one legacy menu entry or toolbar button: it picks the
// add-in's command by the clicked control's Tag.
#pragma once

#include "EventSink.h"

class CButtonHandler : public CEventSink
{
public:
    explicit CButtonHandler(CMarvikAddin* addin);

protected:
    void OnEvent(DISPID id, const DISPPARAMS& params) override;
};
