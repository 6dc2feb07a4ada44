// Brenmark's four exports: the entry points through which COM, regsvr32 and
// the Office hosts reach the server.
#include "ClassFactory.h"
#include "ComSupport.h"
#include "ConnectorIds.h"
#include "Registration.h"
#include "ServerModule.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(instance);
    return TRUE;
}

STDAPI DllCanUnloadNow()
{
    return ServerCanUnload() ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv)
{
    return CallNoThrow([&]() -> HRESULT {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (IsEqualCLSID(clsid, CLSID_MarvikAddin))
            return CreateQueried<CMarvikAddinCF>(iid, ppv);
        if (IsEqualCLSID(clsid, CLSID_KQConnectorCOM))
            return CreateQueried<CKQConnectorCOMCF>(iid, ppv);
        return CLASS_E_CLASSNOTAVAILABLE;
    });
}

STDAPI DllRegisterServer()
{
    return CallNoThrow([] { return RegisterServer(); });
}

STDAPI DllUnregisterServer()
{
    return CallNoThrow([] { return UnregisterServer(); });
}
