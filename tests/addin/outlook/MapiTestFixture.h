// The in-process MAPI of the Outlook capture's tests: the import table
// swapped for the MAPI doubles (counting allocator, message on storage), a
// temporary folder of the test's own (so its hand-off folders are its
// own), and at the end no host object alive, no MAPI buffer alive and no
// bad free.
#pragma once

#include "MapiImports.h"
#include "ScopedTempFolder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// The MAPI doubles in place of mapi32.dll for the life of the object.
class MapiDoublesScope
{
public:
    MapiDoublesScope();
    ~MapiDoublesScope();
    MapiDoublesScope(const MapiDoublesScope&) = delete;
    MapiDoublesScope& operator=(const MapiDoublesScope&) = delete;

private:
    MapiFunctions m_table = {};
    const MapiFunctions* m_previous = nullptr;
};

// No MAPI buffer alive, none freed wrongly, every message session closed.
void ExpectMapiDoublesClean();

class MapiDoublesTest : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    // Release the test's host objects here (called before the counts are
    // checked).
    virtual void ReleaseHostObjects() {}

    // The hand-off folders ("kq_data_*") in the test's inbox.
    std::vector<std::wstring> HandoffFolders() const;
    // The inbox "<temp>kq_temp_inbox\".
    std::wstring Inbox() const;

    std::unique_ptr<ScopedTempFolder> temp;

private:
    std::unique_ptr<MapiDoublesScope> m_mapi;
};
