// The MAPI32 functions as MAPI documents them, for the in-process table and
// for the fake mapi32.dll:
// - a message session and a message on a structured storage whose
//   SaveChanges writes the .msg layout into the storage (and commits it
//   unless IMSG_NO_ISTG_COMMIT); without MAPI_UNICODE its texts are kept in
//   the ANSI code page, as MAPI's own implementation does;
// - HexFromBin (two upper-case digits a byte, 8-bit text), the default
//   IMalloc, and OpenStreamOnFile on a file (8-bit path).
// The memory functions are those of CountingMapiAllocator.h.
#pragma once

#include "MapiDoubleIds.h"

namespace doubles {

LPMALLOC WINAPI FakeMAPIGetDefaultMalloc();
SCODE WINAPI FakeOpenIMsgSession(LPMALLOC malloc, ULONG flags, LPMSGSESS* session);
void WINAPI FakeCloseIMsgSession(LPMSGSESS session);
SCODE WINAPI FakeOpenIMsgOnIStg(LPMSGSESS session, LPALLOCATEBUFFER allocateBuffer, LPALLOCATEMORE allocateMore,
                                LPFREEBUFFER freeBuffer, LPMALLOC malloc, LPVOID mapiSupport, LPSTORAGE storage,
                                MSGCALLRELEASE* release, ULONG callerData, ULONG flags, LPMESSAGE* message);
HRESULT WINAPI FakeOpenStreamOnFile(LPALLOCATEBUFFER allocateBuffer, LPFREEBUFFER freeBuffer, ULONG flags,
                                    LPSTR fileName, LPSTR prefix, LPSTREAM* stream);
void WINAPI FakeHexFromBin(LPBYTE bytes, int count, LPSTR text);

// Failures on cue of the message-on-storage functions (S_OK: none), and
// what they were last called with.
struct MsgStorageScript {
    SCODE openSessionFailure = S_OK;
    SCODE openMessageFailure = S_OK;
    SCODE saveChangesFailure = S_OK;
    ULONG lastOpenFlags = 0;
    int sessionsOpened = 0;
    int sessionsClosed = 0;
};
MsgStorageScript& MsgStorage();

} // namespace doubles
