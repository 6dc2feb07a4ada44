// The state of the in-process server that decides when COM may unload it:
// the module's instance handle, its object count and its lock count. All
// calls arrive on the clients' single-threaded apartment, so the counts are
// plain integers.
#pragma once

#include <windows.h>

// The instance handle kept at process attach.
HINSTANCE GetServerInstance();

// Every object a class object hands out counts from its creation to its last
// Release.
void ServerObjectCreated();
void ServerObjectDestroyed();

// IClassFactory::LockServer.
void ServerLock(bool lock);

// True when no object lives and no lock is held.
bool ServerCanUnload();
