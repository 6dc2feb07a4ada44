// Ostrelle.api's DLL entry: the module handle stands in for the one the
// host's data names until the handshake takes that one over.
#include "HostBinding.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        if (!gModule)
            gModule = instance;
    }
    return TRUE;
}
