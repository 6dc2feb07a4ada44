#include "HostException.h"

namespace {

struct GuardFrame {
    // __builtin_setjmp's buffer: five words.
    void* jump[5];
    ASInt32 error;
};

// The host calls this, after it has popped the frame, to resume the plug-in
// at the frame's setjmp.
void ACCB RestoreGuardFrame(void* environment, ASInt32 errorCode)
{
    GuardFrame* frame = static_cast<GuardFrame*>(environment);
    frame->error = errorCode != 0 ? errorCode : -1;
    __builtin_longjmp(frame->jump, 1);
}

} // namespace

ASInt32 RunGuarded(void (*fn)(void* context), void* context)
{
    GuardFrame frame;
    frame.error = 0;
    ASPushExceptionFrame(&frame, reinterpret_cast<ACRestoreEnvironProc>(
                                     ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(RestoreGuardFrame))));
    if (__builtin_setjmp(frame.jump) == 0) {
        fn(context);
        ASPopExceptionFrame();
        return 0;
    }
    return frame.error;
}
