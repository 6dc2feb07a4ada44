#include "WindowHelpers.h"

#include <gtest/gtest.h>

namespace {

HWND MakeWindow(int x, int y, int width, int height)
{
    return CreateWindowExW(0, L"STATIC", L"", WS_POPUP, x, y, width, height, nullptr, nullptr, nullptr, nullptr);
}

int g_timerCalls = 0;

void CALLBACK CountTimer(HWND, UINT, UINT_PTR, DWORD)
{
    ++g_timerCalls;
}

RECT Rect(HWND hwnd)
{
    RECT r = {};
    GetWindowRect(hwnd, &r);
    return r;
}

TEST(CenterWindow, CentresAndKeepsOnScreen)
{
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        const char* name;
        RECT reference; // left, top, right, bottom
        SIZE size;
        POINT expected;
    } cases[] = {
        {"OverDesktop", {0, 0, screenWidth, screenHeight}, {200, 100},
         {(screenWidth - 200) / 2, (screenHeight - 100) / 2}},
        {"OffTheLeftTop", {-300, -300, -100, -100}, {100, 100}, {0, 0}},
        {"OffTheRightBottom", {screenWidth - 50, screenHeight - 50, screenWidth + 50, screenHeight + 50},
         {200, 200}, {screenWidth - 200, screenHeight - 200}},
        // Wider than the screen and pushed right: the right edges meet.
        {"WiderThanScreen", {500, 0, 1500, screenHeight}, {screenWidth + 120, 100},
         {screenWidth - (screenWidth + 120), (screenHeight - 100) / 2}},
    };
    for (const Case& c : cases) {
        HWND reference = MakeWindow(c.reference.left, c.reference.top, c.reference.right - c.reference.left,
                                    c.reference.bottom - c.reference.top);
        HWND window = MakeWindow(10, 10, c.size.cx, c.size.cy);
        ASSERT_TRUE(reference && window) << c.name;
        CenterWindow(window, reference);
        RECT r = Rect(window);
        EXPECT_EQ(c.expected.x, r.left) << c.name;
        EXPECT_EQ(c.expected.y, r.top) << c.name;
        EXPECT_EQ(c.size.cx, r.right - r.left) << c.name;
        DestroyWindow(window);
        DestroyWindow(reference);
    }
}

TEST(PumpMessages, DispatchesWhatIsPending)
{
    HWND window = MakeWindow(0, 0, 10, 10);
    ASSERT_NE(nullptr, window);
    PostMessageW(window, WM_NULL, 0, 0);
    UINT_PTR timer = SetTimer(nullptr, 0, 1, CountTimer);
    Sleep(50);
    PumpMessages();
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    KillTimer(nullptr, timer);
    EXPECT_GE(g_timerCalls, 1);
    DestroyWindow(window);
}

} // namespace
