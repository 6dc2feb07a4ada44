#include "HostException.h"

namespace {

// A raise that the host gave no code for still has to read as a failure.
const ASErrorCode kUnknownRaise = -1;

} // namespace

void ACCB RestorePlugInFrame(void* environment)
{
    longjmp(*static_cast<jmp_buf*>(environment), 1);
}

namespace hostguard {

ASErrorCode Caught()
{
    ASPopExceptionFrame();
    ASErrorCode code = ASGetExceptionErrorCode();
    return code != 0 ? code : kUnknownRaise;
}

} // namespace hostguard
