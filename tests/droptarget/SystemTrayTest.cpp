#include "SystemTray.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const UINT CALLBACK_MESSAGE = WM_APP + 10;
const UINT ICON_ID = 102;

// A window that records the messages the tray sends it.
class RecordingWindow
{
public:
    RecordingWindow()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TrayTestWindow";
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                               nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~RecordingWindow() { DestroyWindow(hwnd); }

    void Pump()
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }

    HWND hwnd;
    std::vector<MSG> seen;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && (message == WM_COMMAND || message == CALLBACK_MESSAGE)) {
            MSG m = {hwnd, message, wParam, lParam};
            self->seen.push_back(m);
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
};

NOTIFYICONDATAW IconRecord(HWND hwnd, UINT id)
{
    NOTIFYICONDATAW data = {};
    data.cbSize = NOTIFYICONDATAW_V3_SIZE;
    data.hWnd = hwnd;
    data.uID = id;
    return data;
}

// Whether the shell knows an icon of this window and id: only a known icon
// can be modified.
bool IconExists(HWND hwnd, UINT id)
{
    NOTIFYICONDATAW data = IconRecord(hwnd, id);
    data.uFlags = NIF_TIP;
    lstrcpyW(data.szTip, L"probe");
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool RawAdd(HWND hwnd, UINT id)
{
    NOTIFYICONDATAW data = IconRecord(hwnd, id);
    data.uFlags = NIF_ICON;
    data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    return Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

void RawDelete(HWND hwnd, UINT id)
{
    NOTIFYICONDATAW data = IconRecord(hwnd, id);
    Shell_NotifyIconW(NIM_DELETE, &data);
}

// The tray's hidden window among this thread's windows.
HWND FindHiddenWindow(HWND after = nullptr)
{
    return FindWindowExW(nullptr, after, L"TrayIconClass", nullptr);
}

TEST(SystemTrayTest, CreateAddsTheIconAndTheDestructorRemovesIt)
{
    RecordingWindow window;
    {
        CSystemTray tray;
        ASSERT_TRUE(tray.Create(GetModuleHandleW(nullptr), window.hwnd, CALLBACK_MESSAGE, L"marvik dovrane droplet",
                                LoadIconW(nullptr, IDI_APPLICATION), ICON_ID));
        EXPECT_TRUE(IconExists(window.hwnd, ICON_ID));
        EXPECT_STREQ(L"marvik dovrane droplet", tray.GetTooltipText());
        EXPECT_EQ(window.hwnd, tray.GetNotificationWnd());
        EXPECT_EQ(CALLBACK_MESSAGE, tray.GetCallbackMessage());
        EXPECT_NE(nullptr, FindHiddenWindow());
    }
    EXPECT_FALSE(IconExists(window.hwnd, ICON_ID));
    EXPECT_EQ(nullptr, FindHiddenWindow());
}

TEST(SystemTrayTest, ALongTipIsCutTo127Characters)
{
    RecordingWindow window;
    std::wstring tip(300, L'x');
    CSystemTray tray;
    ASSERT_TRUE(tray.Create(GetModuleHandleW(nullptr), window.hwnd, CALLBACK_MESSAGE, tip.c_str(),
                            LoadIconW(nullptr, IDI_APPLICATION), ICON_ID));
    EXPECT_EQ(std::wstring(127, L'x'), tray.GetTooltipText());
}

TEST(SystemTrayTest, AFailedAddIsRepeatedWhenTheTaskbarIsCreatedAnew)
{
    RecordingWindow window;
    // The shell refuses a second icon of the same window and id.
    ASSERT_TRUE(RawAdd(window.hwnd, ICON_ID));
    CSystemTray tray;
    EXPECT_FALSE(tray.Create(GetModuleHandleW(nullptr), window.hwnd, CALLBACK_MESSAGE, L"tip",
                             LoadIconW(nullptr, IDI_APPLICATION), ICON_ID));
    RawDelete(window.hwnd, ICON_ID);
    ASSERT_FALSE(IconExists(window.hwnd, ICON_ID));

    HWND hidden = FindHiddenWindow();
    ASSERT_NE(nullptr, hidden);
    SendMessageW(hidden, WM_TASKBARCREATED, 0, 0);
    EXPECT_TRUE(IconExists(window.hwnd, ICON_ID));
    // Once there, a further broadcast adds nothing twice.
    SendMessageW(hidden, WM_TASKBARCREATED, 0, 0);
    RawDelete(window.hwnd, ICON_ID);
    EXPECT_FALSE(IconExists(window.hwnd, ICON_ID));
}

TEST(SystemTrayTest, DoubleClickPostsTheDefaultCommandUntilASecondTrayTakesOver)
{
    RecordingWindow target;
    CSystemTray first;
    // No notification window: the hidden window receives the icon's messages.
    ASSERT_TRUE(first.Create(GetModuleHandleW(nullptr), nullptr, CALLBACK_MESSAGE, L"tip",
                             LoadIconW(nullptr, IDI_APPLICATION), ICON_ID));
    HWND hidden = FindHiddenWindow();
    ASSERT_NE(nullptr, hidden);
    ASSERT_EQ(hidden, first.GetNotificationWnd());
    first.SetTargetWnd(target.hwnd);
    // No menu resource: the item is kept all the same.
    EXPECT_FALSE(first.SetMenuDefaultItem(555, FALSE));

    EXPECT_EQ(1, SendMessageW(hidden, CALLBACK_MESSAGE, ICON_ID, WM_LBUTTONDBLCLK));
    // Another icon id is not this tray's.
    EXPECT_EQ(0, SendMessageW(hidden, CALLBACK_MESSAGE, ICON_ID + 1, WM_LBUTTONDBLCLK));
    target.Pump();
    ASSERT_EQ(1u, target.seen.size());
    EXPECT_EQ(static_cast<UINT>(WM_COMMAND), target.seen[0].message);
    EXPECT_EQ(555u, target.seen[0].wParam);

    target.seen.clear();
    CSystemTray second;
    EXPECT_EQ(0, SendMessageW(hidden, CALLBACK_MESSAGE, ICON_ID, WM_LBUTTONDBLCLK));
    target.Pump();
    EXPECT_TRUE(target.seen.empty());
}

TEST(SystemTrayTest, HideAndShowKeepTheIconKnown)
{
    RecordingWindow window;
    CSystemTray tray;
    ASSERT_TRUE(tray.Create(GetModuleHandleW(nullptr), window.hwnd, CALLBACK_MESSAGE, L"tip",
                            LoadIconW(nullptr, IDI_APPLICATION), ICON_ID));
    EXPECT_TRUE(tray.HideIcon());
    EXPECT_TRUE(tray.ShowIcon());
    EXPECT_TRUE(IconExists(window.hwnd, ICON_ID));
    EXPECT_TRUE(tray.RemoveIcon());
    EXPECT_FALSE(IconExists(window.hwnd, ICON_ID));
    EXPECT_TRUE(tray.AddIcon());
    EXPECT_TRUE(IconExists(window.hwnd, ICON_ID));
}

} // namespace
