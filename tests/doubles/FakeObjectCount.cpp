#include "FakeObjectCount.h"

namespace doubles {

namespace {

long g_liveObjects = 0;

} // namespace

long FakeObjectCount()
{
    return g_liveObjects;
}

FakeObjectCounted::FakeObjectCounted()
{
    ++g_liveObjects;
}

FakeObjectCounted::FakeObjectCounted(const FakeObjectCounted&)
{
    ++g_liveObjects;
}

FakeObjectCounted::~FakeObjectCounted()
{
    --g_liveObjects;
}

} // namespace doubles
