#include "CountingMapiAllocator.h"

#include <mapicode.h>

#include <set>

namespace doubles {

namespace {

// Each block starts with this header; the caller's memory follows, aligned
// for any MAPI value.
struct alignas(16) BlockHeader {
    BlockHeader* root;     // null for a block of AllocateBuffer
    BlockHeader* nextTied; // the blocks tied to a root, newest first
};

std::set<void*>& LiveRoots()
{
    static std::set<void*> roots;
    return roots;
}

long g_badFrees = 0;
ULONG g_limit = DEFAULT_ALLOCATION_LIMIT;
MapiAllocator g_allocator = {CountingAllocateBuffer, CountingAllocateMore, CountingFreeBuffer};

BlockHeader* NewBlock(ULONG size)
{
    if (size > g_limit)
        return nullptr;
    void* memory = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(BlockHeader) + size);
    return static_cast<BlockHeader*>(memory);
}

void* Payload(BlockHeader* block)
{
    return block + 1;
}

BlockHeader* HeaderOf(void* payload)
{
    return static_cast<BlockHeader*>(payload) - 1;
}

} // namespace

SCODE WINAPI CountingAllocateBuffer(ULONG size, LPVOID* buffer)
{
    if (!buffer)
        return MAPI_E_INVALID_PARAMETER;
    *buffer = nullptr;
    BlockHeader* block = NewBlock(size);
    if (!block)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    *buffer = Payload(block);
    LiveRoots().insert(*buffer);
    return S_OK;
}

SCODE WINAPI CountingAllocateMore(ULONG size, LPVOID base, LPVOID* buffer)
{
    if (!buffer)
        return MAPI_E_INVALID_PARAMETER;
    *buffer = nullptr;
    if (!base || LiveRoots().count(base) == 0)
        return MAPI_E_INVALID_PARAMETER;
    BlockHeader* block = NewBlock(size);
    if (!block)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    BlockHeader* root = HeaderOf(base);
    block->root = root;
    block->nextTied = root->nextTied;
    root->nextTied = block;
    *buffer = Payload(block);
    return S_OK;
}

ULONG WINAPI CountingFreeBuffer(LPVOID buffer)
{
    if (!buffer)
        return S_OK;
    auto found = LiveRoots().find(buffer);
    if (found == LiveRoots().end()) {
        ++g_badFrees;
        return S_OK;
    }
    LiveRoots().erase(found);
    BlockHeader* root = HeaderOf(buffer);
    BlockHeader* tied = root->nextTied;
    while (tied) {
        BlockHeader* next = tied->nextTied;
        HeapFree(GetProcessHeap(), 0, tied);
        tied = next;
    }
    HeapFree(GetProcessHeap(), 0, root);
    return S_OK;
}

long CountingLiveBuffers()
{
    return static_cast<long>(LiveRoots().size());
}

long CountingBadFrees()
{
    return g_badFrees;
}

void SetCountingAllocationLimit(ULONG limit)
{
    g_limit = limit;
}

void ResetCountingAllocator()
{
    g_badFrees = 0;
    g_limit = DEFAULT_ALLOCATION_LIMIT;
}

const MapiAllocator& DoublesAllocator()
{
    return g_allocator;
}

void SetDoublesAllocator(const MapiAllocator& allocator)
{
    g_allocator = allocator;
}

MapiAllocator CountingAllocator()
{
    return MapiAllocator{CountingAllocateBuffer, CountingAllocateMore, CountingFreeBuffer};
}

} // namespace doubles
