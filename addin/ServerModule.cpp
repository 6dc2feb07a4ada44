#include "ServerModule.h"

#include "ModuleInstance.h"

namespace {

long g_objectCount = 0;
long g_lockCount = 0;

} // namespace

HINSTANCE GetServerInstance()
{
    return GetThisModule();
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
