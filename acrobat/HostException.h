// Host entries report failures by raising: the host calls the restore
// procedure of the innermost exception frame, which jumps back into the
// region that pushed it. The region pops its frame itself on both ways out
// and reads the error code from the host.
//
// HostGuarded calls one host entry in a region of its own. The jump buffer
// is the C runtime's (on 32-bit Windows its longjmp also restores the
// structured-exception chain), set in HostGuarded's own frame, which is
// live while the entry runs. Nothing but the entry's plain arguments lives
// in the region, so a raise skips no destructor.
#pragma once

#include "HostInterface.h"

#include <setjmp.h>

// The restore procedure of every frame the plug-in pushes: jumps to the
// frame's jump buffer, which is the frame's one argument.
void ACCB RestorePlugInFrame(void* environment);

namespace hostguard {

// Keeps the arguments out of deduction: they convert to the entry's own
// parameter types.
template <typename T>
struct Plain {
    typedef T type;
};

// The handler's part: pops the frame, then reads the code (never 0).
ASErrorCode Caught();

} // namespace hostguard

// Calls entry(args...) into *result inside an exception frame. Returns 0
// when the entry returned, else the host's error code; *result is then left
// as it was.
template <typename R, typename... P>
ASErrorCode HostGuarded(R* result, R (*entry)(P...), typename hostguard::Plain<P>::type... args)
{
    jmp_buf environment;
    ASPushExceptionFrame(&environment, RestorePlugInFrame);
    if (setjmp(environment) == 0) {
        *result = entry(args...);
        ASPopExceptionFrame();
        return 0;
    }
    return hostguard::Caught();
}

// The same for an entry without a result.
template <typename... P>
ASErrorCode HostGuarded(void (*entry)(P...), typename hostguard::Plain<P>::type... args)
{
    jmp_buf environment;
    ASPushExceptionFrame(&environment, RestorePlugInFrame);
    if (setjmp(environment) == 0) {
        entry(args...);
        ASPopExceptionFrame();
        return 0;
    }
    return hostguard::Caught();
}
