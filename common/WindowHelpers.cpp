#include "WindowHelpers.h"

#include "ScopedHandles.h"

void CenterWindow(HWND window, HWND reference)
{
    RECT own, ref;
    if (!GetWindowRect(window, &own) || !GetWindowRect(reference, &ref))
        return;
    int width = own.right - own.left;
    int height = own.bottom - own.top;
    int x = ref.left + ((ref.right - ref.left) - width) / 2;
    int y = ref.top + ((ref.bottom - ref.top) - height) / 2;

    int screenWidth = 0, screenHeight = 0;
    {
        CWindowDC dc(window);
        if (dc) {
            screenWidth = GetDeviceCaps(dc, HORZRES);
            screenHeight = GetDeviceCaps(dc, VERTRES);
        }
    }
    if (x < 0)
        x = 0;
    else if (x + width > screenWidth)
        x = screenWidth - width;
    if (y < 0)
        y = 0;
    else if (y + height > screenHeight)
        y = screenHeight - height;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
