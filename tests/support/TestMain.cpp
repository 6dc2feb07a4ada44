// Entry of every GoogleTest program: the tests run on an OLE single-threaded
// apartment, as the system's code does in its hosts.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

int wmain(int argc, wchar_t** argv)
{
    testing::InitGoogleTest(&argc, argv);
    // Under Wine the console is a pipe: plain output keeps the logs readable.
    testing::GTEST_FLAG(color) = "no";
    OleInitialize(nullptr);
    int rc = RUN_ALL_TESTS();
    OleUninitialize();
    return rc;
}
