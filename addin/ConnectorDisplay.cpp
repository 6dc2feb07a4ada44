// The connector's DisplaySettings and DisplayInfo members, which the clients'
// settings and info commands call.
#include "KQConnectorCOM.h"

#include "Settings.h"

HRESULT CKQConnectorCOM::DisplaySettings()
{
    CKQCSettings settings;
    if (FAILED(LoadSettings(&settings)))
        return E_FAIL;
    return S_OK;
}

HRESULT CKQConnectorCOM::DisplayInfo()
{
    return S_OK;
}
