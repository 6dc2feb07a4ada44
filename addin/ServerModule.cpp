#include "ServerModule.h"

#include "ClassFactory.h"
#include "ComSupport.h"
#include "ConnectorIds.h"

namespace {

HINSTANCE g_instance = nullptr;
long g_objectCount = 0;
long g_lockCount = 0;

} // namespace

HINSTANCE GetServerInstance()
{
    return g_instance;
}

void ServerObjectCreated()
{
    ++g_objectCount;
}

void ServerObjectDestroyed()
{
    --g_objectCount;
}

void ServerLock(bool lock)
{
    if (lock)
        ++g_lockCount;
    else
        --g_lockCount;
}

bool ServerCanUnload()
{
    return g_objectCount == 0 && g_lockCount == 0;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        DisableThreadLibraryCalls(instance);
    }
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
