// The connector's Run: hands the listed files to the receiving program.
#include "KQConnectorCOM.h"

#include "LogFile.h"

HRESULT CKQConnectorCOM::Run(const wchar_t*, const wchar_t*, int)
{
    // The hand-off road of the foundation is not in this module yet.
    g_Log.Error(L"Run: the hand-off is not available, hr = 0x%08X\n", E_NOTIMPL);
    return E_NOTIMPL;
}
