// The legacy road of hosts without the ribbon (Office before 12, Outlook
// before 14). The command bars are not part of this module yet: such a host
// starts without buttons.
#include "MarvikAddin.h"

#include "LogFile.h"

HRESULT CMarvikAddin::StartLegacyUI(IDispatch*)
{
    g_Log.Warning(L"This host has no legacy buttons in this build!\n");
    return S_OK;
}

void CMarvikAddin::ShutdownLegacyUI()
{
}
