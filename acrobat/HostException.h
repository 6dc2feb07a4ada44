// Host entries report failures by raising: the host unwinds to the innermost
// exception frame that a plug-in pushed and hands it the error code. A call
// made through RunGuarded comes back with that code instead of leaving the
// plug-in's own frames behind.
#pragma once

#include "HostInterface.h"

// Runs fn(context) inside an exception frame of the host. Returns 0 when it
// ran to its end, else the host's error code (never 0). fn must not own
// anything that needs a destructor: a raise skips the rest of it.
ASInt32 RunGuarded(void (*fn)(void* context), void* context);
