// The count of live double objects: every double derives from
// FakeObjectCounted, so that a test can end with no host object alive. A
// double that is its own module (a fake system DLL) keeps a count of its own.
#pragma once

namespace doubles {

// Live fake objects of every kind (dispatch objects, connection points, MAPI
// objects and whatever else a double counts with FakeObjectCounted).
long FakeObjectCount();

// Base of every counted double object.
class FakeObjectCounted
{
public:
    FakeObjectCounted();
    FakeObjectCounted(const FakeObjectCounted&);
    virtual ~FakeObjectCounted();
};

} // namespace doubles
