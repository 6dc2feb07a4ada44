// MAPI's memory functions as MAPI documents them, counting what is alive:
// a buffer from MAPIAllocateBuffer is freed with MAPIFreeBuffer together
// with every buffer MAPIAllocateMore tied to it; a tied buffer is never
// freed on its own. A test ends with no buffer alive and no bad free.
#pragma once

#include <windows.h>
#include <mapidefs.h>

namespace doubles {

SCODE WINAPI CountingAllocateBuffer(ULONG size, LPVOID* buffer);
SCODE WINAPI CountingAllocateMore(ULONG size, LPVOID base, LPVOID* buffer);
ULONG WINAPI CountingFreeBuffer(LPVOID buffer);

// Buffers from CountingAllocateBuffer not yet freed.
long CountingLiveBuffers();
// Frees of a pointer that is no live buffer of CountingAllocateBuffer: a
// double free, a tied buffer, or memory from elsewhere.
long CountingBadFrees();
// Requests larger than limit fail with MAPI_E_NOT_ENOUGH_MEMORY, as a real
// allocator refuses what the process cannot hold.
void SetCountingAllocationLimit(ULONG limit);
const ULONG DEFAULT_ALLOCATION_LIMIT = 256u * 1024u * 1024u;
// Forgets bad frees and restores the limit (live buffers stay counted).
void ResetCountingAllocator();

// The allocator the MAPI doubles hand their results out with: the counting
// one unless a test sets another (the functions of a loaded mapi32.dll).
struct MapiAllocator {
    LPALLOCATEBUFFER allocateBuffer;
    LPALLOCATEMORE allocateMore;
    LPFREEBUFFER freeBuffer;
};
const MapiAllocator& DoublesAllocator();
void SetDoublesAllocator(const MapiAllocator& allocator);
MapiAllocator CountingAllocator();

} // namespace doubles
