// A mapi32.dll of our own for tests that load MAPI32 the way the add-in
// does (by ordinal, from "mapi32.dll"): Wine's own message-on-storage
// functions abort the process. It exports the MAPI doubles under MAPI's
// ordinals, and counts of what is alive inside it.
#include "mapi/CountingMapiAllocator.h"
#include "mapi/FakeMapiFunctions.h"
#include "FakeObjectCount.h"

using namespace doubles;

extern "C" {

SCODE WINAPI FakeMapiAllocateBuffer(ULONG size, LPVOID* buffer)
{
    return CountingAllocateBuffer(size, buffer);
}

SCODE WINAPI FakeMapiAllocateMore(ULONG size, LPVOID base, LPVOID* buffer)
{
    return CountingAllocateMore(size, base, buffer);
}

ULONG WINAPI FakeMapiFreeBuffer(LPVOID buffer)
{
    return CountingFreeBuffer(buffer);
}

void WINAPI FakeMapiHexFromBin(LPBYTE bytes, int count, LPSTR text)
{
    FakeHexFromBin(bytes, count, text);
}

LPMALLOC WINAPI FakeMapiGetDefaultMalloc()
{
    return FakeMAPIGetDefaultMalloc();
}

HRESULT WINAPI FakeMapiOpenStreamOnFile(LPALLOCATEBUFFER allocateBuffer, LPFREEBUFFER freeBuffer, ULONG flags,
                                        LPSTR fileName, LPSTR prefix, LPSTREAM* stream)
{
    return FakeOpenStreamOnFile(allocateBuffer, freeBuffer, flags, fileName, prefix, stream);
}

SCODE WINAPI FakeMapiOpenIMsgSession(LPMALLOC malloc, ULONG flags, LPMSGSESS* session)
{
    return FakeOpenIMsgSession(malloc, flags, session);
}

void WINAPI FakeMapiCloseIMsgSession(LPMSGSESS session)
{
    FakeCloseIMsgSession(session);
}

SCODE WINAPI FakeMapiOpenIMsgOnIStg(LPMSGSESS session, LPALLOCATEBUFFER allocateBuffer, LPALLOCATEMORE allocateMore,
                                    LPFREEBUFFER freeBuffer, LPMALLOC malloc, LPVOID mapiSupport, LPSTORAGE storage,
                                    MSGCALLRELEASE* release, ULONG callerData, ULONG flags, LPMESSAGE* message)
{
    return FakeOpenIMsgOnIStg(session, allocateBuffer, allocateMore, freeBuffer, malloc, mapiSupport, storage, release,
                              callerData, flags, message);
}

// For the tests: what is alive inside this module.
LONG WINAPI FakeMapiLiveBuffers()
{
    return CountingLiveBuffers();
}

LONG WINAPI FakeMapiBadFrees()
{
    return CountingBadFrees();
}

LONG WINAPI FakeMapiLiveObjects()
{
    return FakeObjectCount();
}

// The flags the message on storage was last opened with.
ULONG WINAPI FakeMapiLastOpenFlags()
{
    return MsgStorage().lastOpenFlags;
}

} // extern "C"
