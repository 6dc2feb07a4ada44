#include "DropletWindow.h"

#include "DropletPlacement.h"
#include "DropletResource.h"
#include "DropletWork.h"
#include "LanguageText.h"
#include "OneAtATime.h"
#include "ScopedHandles.h"
#include "WalkerCalls.h"

const wchar_t DROPLET_CLASS_NAME[] = L"Corvelle";

HINSTANCE g_DropletInstance = nullptr;
HWND g_DropletWindow = nullptr;
CGdiPlusBitmap* g_DropletPicture = nullptr;

namespace {

const UINT_PTR DRAG_INTERVAL_MS = 10;
// The cursor may leave the window by this much before a drag is given up.
const LONG DRAG_SLACK = 100;

Gdiplus::Bitmap* g_scaledPicture = nullptr;
int g_scaledWidth = 0;
int g_scaledHeight = 0;
UINT_PTR g_dragTimer = 0;
POINT g_dragOrigin = {};
UINT g_checkedAlign = 0;
HMENU g_menu = nullptr;

struct SizeEntry {
    UINT command;
    double scale;
};
const SizeEntry SIZE_ENTRIES[] = {
    {ID_DROPLET_SIZE_25, 0.25}, {ID_DROPLET_SIZE_33, 0.33}, {ID_DROPLET_SIZE_50, 0.5},
    {ID_DROPLET_SIZE_75, 0.75}, {ID_DROPLET_SIZE_100, 1.0},
};

struct TextEntry {
    UINT item;
    UINT textId;
    UINT flags; // MF_BYCOMMAND or MF_BYPOSITION
};
const TextEntry MENU_TEXTS[] = {
    {ID_DROPLET_FIXED, IDS_MENU_FIXED, MF_BYCOMMAND},
    {ID_DROPLET_TOPMOST, IDS_MENU_TOPMOST, MF_BYCOMMAND},
    {ID_DROPLET_SETTINGS, IDS_MENU_SETTINGS, MF_BYCOMMAND},
    {ID_DROPLET_EXIT, IDS_MENU_EXIT, MF_BYCOMMAND},
    {2, IDS_MENU_SIZE, MF_BYPOSITION},
    {3, IDS_MENU_ALIGN, MF_BYPOSITION},
    {ID_DROPLET_ALIGN_TOP, IDS_MENU_TOP, MF_BYCOMMAND},
    {ID_DROPLET_ALIGN_BOTTOM, IDS_MENU_BOTTOM, MF_BYCOMMAND},
    {ID_DROPLET_ALIGN_LEFT, IDS_MENU_LEFT, MF_BYCOMMAND},
    {ID_DROPLET_ALIGN_RIGHT, IDS_MENU_RIGHT, MF_BYCOMMAND},
};

RECT DesktopRect()
{
    RECT desktop = {};
    ::GetWindowRect(::GetDesktopWindow(), &desktop);
    return desktop;
}

void MoveDroplet(HWND hwnd)
{
    ::SetWindowPos(hwnd, nullptr, g_DropletPlacement.x, g_DropletPlacement.y, 0, 0,
                   SWP_SHOWWINDOW | SWP_NOZORDER | SWP_NOSIZE);
}

void StopDragTimer(HWND hwnd)
{
    if (g_dragTimer)
        ::KillTimer(hwnd, g_dragTimer);
    g_dragTimer = 0;
}

void StartDrag(HWND hwnd)
{
    ::GetCursorPos(&g_dragOrigin);
    StopDragTimer(hwnd);
    if (!g_DropletPlacement.fixed)
        g_dragTimer = ::SetTimer(hwnd, IDT_DROPLET_DRAG, DRAG_INTERVAL_MS, nullptr);
}

void StepDrag(HWND hwnd)
{
    POINT cursor;
    RECT rect;
    ::GetCursorPos(&cursor);
    ::GetWindowRect(hwnd, &rect);
    // The button was let go outside the window: the drag ends.
    if (cursor.x + DRAG_SLACK < rect.left || cursor.x - DRAG_SLACK > rect.right ||
        cursor.y - DRAG_SLACK > rect.bottom || cursor.y + DRAG_SLACK < rect.top) {
        StopDragTimer(hwnd);
        return;
    }
    DropletPlacement& p = g_DropletPlacement;
    if (!p.alignLeft && !p.alignRight)
        p.x += cursor.x - g_dragOrigin.x;
    if (!p.alignTop && !p.alignBottom)
        p.y += cursor.y - g_dragOrigin.y;
    MoveDroplet(hwnd);
    g_dragOrigin = cursor;
}

// Keeps the dropped window on the desktop.
void EndDrag(HWND hwnd)
{
    StopDragTimer(hwnd);
    RECT desktop = DesktopRect();
    RECT rect;
    ::GetWindowRect(hwnd, &rect);
    DropletPlacement& p = g_DropletPlacement;
    if (rect.top < 0)
        p.y = 0;
    if (rect.left < 0)
        p.x = 0;
    if (rect.right > desktop.right)
        p.x = desktop.right - g_scaledWidth;
    if (rect.bottom > desktop.bottom)
        p.y = desktop.bottom - g_scaledHeight;
    MoveDroplet(hwnd);
}

LRESULT ShowDropletMenu(HWND hwnd)
{
    StopDragTimer(hwnd);
    // While a drop's or command's work runs the menu offers nothing: the
    // click brings its dialog to the front.
    if (g_DropletWork.Busy()) {
        g_DropletWork.RaiseDialog();
        return 1;
    }
    BuildDropletMenu(hwnd, &g_checkedAlign, &g_menu);
    if (g_menu) {
        POINT cursor;
        ::GetCursorPos(&cursor);
        ::TrackPopupMenu(::GetSubMenu(g_menu, 0), TPM_LEFTBUTTON, cursor.x, cursor.y, 0, hwnd, nullptr);
        ::DestroyMenu(g_menu);
        g_menu = nullptr;
    }
    return 1;
}

void ToggleTopmost(HWND hwnd)
{
    DropletPlacement& p = g_DropletPlacement;
    p.topmost = p.topmost ? 0 : DROPLET_FLAG_ON;
    const DropletOptions& o = g_DropletOptions;
    LONG_PTR exStyle = ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    const UINT flags = SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE;
    if (exStyle & WS_EX_TOPMOST) {
        // Without a tray icon in place of it, the window gets its taskbar
        // button back.
        if (o.showTaskbar == 1 || o.showTray == 0) {
            ::ShowWindow(hwnd, SW_HIDE);
            ::SetWindowLongPtrW(hwnd, GWL_EXSTYLE, exStyle & ~WS_EX_TOOLWINDOW);
            ::ShowWindow(hwnd, SW_SHOW);
        }
        ::SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
    } else {
        ::ShowWindow(hwnd, SW_HIDE);
        ::SetWindowLongPtrW(hwnd, GWL_EXSTYLE, exStyle | WS_EX_TOOLWINDOW);
        ::ShowWindow(hwnd, SW_SHOW);
        ::SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, flags);
    }
}

void SetAlignment(HWND hwnd, UINT command, const RECT& desktop)
{
    DropletPlacement& p = g_DropletPlacement;
    int* chosen = nullptr;
    switch (command) {
    case ID_DROPLET_ALIGN_TOP:
        p.y = 0;
        chosen = &p.alignTop;
        break;
    case ID_DROPLET_ALIGN_LEFT:
        p.x = 0;
        chosen = &p.alignLeft;
        break;
    case ID_DROPLET_ALIGN_RIGHT:
        p.x = desktop.right - g_scaledWidth;
        chosen = &p.alignRight;
        break;
    case ID_DROPLET_ALIGN_BOTTOM:
        p.y = desktop.bottom - g_scaledHeight;
        chosen = &p.alignBottom;
        break;
    default:
        return;
    }
    MoveDroplet(hwnd);
    int value = *chosen ? 0 : 1;
    p.alignTop = p.alignBottom = p.alignLeft = p.alignRight = 0;
    *chosen = value;
    g_checkedAlign = g_checkedAlign == command ? 0 : command;
}

void OnCommand(HWND hwnd, UINT command)
{
    RECT desktop = DesktopRect();
    DropletPlacement& p = g_DropletPlacement;
    switch (command) {
    case ID_DROPLET_FIXED:
        p.fixed = p.fixed ? 0 : DROPLET_FLAG_ON;
        break;
    case ID_DROPLET_TOPMOST:
        ToggleTopmost(hwnd);
        break;
    case ID_DROPLET_SIZE_25:
    case ID_DROPLET_SIZE_33:
    case ID_DROPLET_SIZE_50:
    case ID_DROPLET_SIZE_75:
    case ID_DROPLET_SIZE_100: {
        p.scale = SIZE_ENTRIES[command - ID_DROPLET_SIZE_25].scale;
        SetDropletScale(hwnd, p.scale);
        // A docked window stays at its edge.
        if (p.alignRight)
            p.x = desktop.right - g_scaledWidth;
        if (p.alignBottom)
            p.y = desktop.bottom - g_scaledHeight;
        if (p.alignRight || p.alignBottom)
            MoveDroplet(hwnd);
        break;
    }
    case ID_DROPLET_ALIGN_TOP:
    case ID_DROPLET_ALIGN_LEFT:
    case ID_DROPLET_ALIGN_RIGHT:
    case ID_DROPLET_ALIGN_BOTTOM:
        SetAlignment(hwnd, command, desktop);
        break;
    default:
        break;
    }
}

LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        if (g_DropletPicture && g_DropletPicture->Get())
            SetDropletScale(hwnd, g_DropletPlacement.scale);
        else
            ShowErrorBox(g_DropletInstance, IDS_ICON_NOT_LOADED);
        return 0;
    case WM_DESTROY: {
        // The write-back after the loop can no longer ask the window.
        RECT rect;
        if (::GetWindowRect(hwnd, &rect)) {
            g_DropletPlacement.x = rect.left;
            g_DropletPlacement.y = rect.top;
        }
        ::PostQuitMessage(0);
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        ::BeginPaint(hwnd, &ps);
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_KEYDOWN:
        // Like "Beenden": during a work, the program ends after it.
        if (wParam == VK_ESCAPE)
            g_DropletWork.RequestExit();
        return 0;
    case WM_CLOSE:
        // Closed during a hand-off, the program ends once it is over.
        if (g_DropletWork.Busy()) {
            g_DropletWork.RequestExit();
            return 0;
        }
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_ENDSESSION:
        // The session's end may stop the process before the loop ends.
        if (wParam)
            WriteDropletPlacement(g_DropletOptions, g_DropletPlacement, hwnd);
        return 0;
    case WM_DROPLET_WORK:
        g_DropletWork.OnPosted();
        return 0;
    case WM_DROPLET_WORK_DONE:
        g_DropletWork.OnDone();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
        StartDrag(hwnd);
        return 0;
    case WM_TIMER:
        if (wParam == IDT_DROPLET_DRAG)
            StepDrag(hwnd);
        return 0;
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP:
        EndDrag(hwnd);
        return 0;
    case WM_RBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
        return ShowDropletMenu(hwnd);
    case WM_RBUTTONUP:
    case WM_NCRBUTTONUP:
        return 0;
    case WM_DROPLET_TRAY:
        switch (LOWORD(lParam)) {
        case WM_RBUTTONDOWN:
            ::SetForegroundWindow(hwnd);
            return ShowDropletMenu(hwnd);
        case WM_LBUTTONDOWN:
            ::SetForegroundWindow(hwnd);
            return 0;
        default:
            return 0;
        }
    case WM_COMMAND: {
        const UINT command = LOWORD(wParam);
        // "Beenden" during a work is not lost: the program ends after it.
        if (command == ID_DROPLET_EXIT) {
            g_DropletWork.RequestExit();
            return 0;
        }
        // The connector's dialog, like a hand-off, runs off this thread.
        if (command == ID_DROPLET_SETTINGS) {
            g_DropletWork.Begin([]() { DisplayConnectorSettings(nullptr); });
            return 0;
        }
        // The menu's and the tray's other commands, one at a time.
        if (g_DropletWork.Busy()) {
            g_DropletWork.RaiseDialog();
            return 0;
        }
        CCommandScope scope;
        if (scope.Entered())
            OnCommand(hwnd, command);
        return 0;
    }
    default:
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK DropletWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // No exception may reach Windows through a window procedure.
    try {
        return HandleMessage(hwnd, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

void FreeScaledPicture()
{
    delete g_scaledPicture;
    g_scaledPicture = nullptr;
}

BOOL PaintDroplet(HWND hwnd, Gdiplus::Bitmap* picture)
{
    if (!picture || g_scaledWidth <= 0 || g_scaledHeight <= 0)
        return FALSE;
    CWindowDC screen(nullptr);
    CMemoryDC memory(::CreateCompatibleDC(screen));
    if (!memory)
        return FALSE;

    FreeScaledPicture();
    g_scaledPicture = new Gdiplus::Bitmap(g_scaledWidth, g_scaledHeight, PixelFormat32bppARGB);
    if (!g_scaledPicture || g_scaledPicture->GetLastStatus() != Gdiplus::Ok)
        return FALSE;
    {
        Gdiplus::Graphics graphics(g_scaledPicture);
        graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        graphics.DrawImage(picture, 0, 0, g_scaledWidth, g_scaledHeight);
    }

    HBITMAP bitmap = nullptr;
    if (g_scaledPicture->GetHBITMAP(Gdiplus::Color(0, 0, 0, 0), &bitmap) != Gdiplus::Ok || !bitmap)
        return FALSE;
    CGdiObject owned(bitmap);
    HGDIOBJ old = ::SelectObject(memory, bitmap);

    POINT position = {g_DropletPlacement.x, g_DropletPlacement.y};
    SIZE size = {g_scaledWidth, g_scaledHeight};
    POINT source = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    BOOL result = ::UpdateLayeredWindow(hwnd, screen, &position, &size, memory, &source, RGB(255, 0, 255), &blend,
                                        ULW_ALPHA);
    ::SelectObject(memory, old);
    return result;
}

int SetDropletScale(HWND hwnd, double scale)
{
    Gdiplus::Bitmap* picture = g_DropletPicture ? g_DropletPicture->Get() : nullptr;
    if (!picture)
        return 1;
    SIZE scaled = ScaledPictureSize(static_cast<int>(picture->GetWidth()), static_cast<int>(picture->GetHeight()),
                                    scale);
    g_scaledWidth = scaled.cx;
    g_scaledHeight = scaled.cy;
    ::SetWindowPos(hwnd, nullptr, g_DropletPlacement.x, g_DropletPlacement.y, g_scaledWidth, g_scaledHeight,
                   SWP_SHOWWINDOW | SWP_NOZORDER);
    PaintDroplet(hwnd, picture);
    return 1;
}

int BuildDropletMenu(HWND hwnd, UINT* checkedAlign, HMENU* menu)
{
    *menu = ::LoadMenuW(g_DropletInstance, MAKEINTRESOURCEW(IDR_DROPLET_MENU));
    HMENU popup = *menu ? ::GetSubMenu(*menu, 0) : nullptr;
    if (!popup)
        return 1;

    for (const TextEntry& entry : MENU_TEXTS) {
        wchar_t text[256];
        LoadText(g_DropletInstance, text, _countof(text), entry.textId);
        if (entry.flags == MF_BYPOSITION) {
            HMENU sub = ::GetSubMenu(popup, static_cast<int>(entry.item));
            ::ModifyMenuW(popup, entry.item, MF_BYPOSITION | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub),
                          text);
        } else {
            ::ModifyMenuW(popup, entry.item, MF_BYCOMMAND | MF_STRING, entry.item, text);
        }
    }

    const DropletPlacement& p = g_DropletPlacement;
    ::CheckMenuItem(popup, ID_DROPLET_FIXED, MF_BYCOMMAND | (p.fixed ? MF_CHECKED : MF_UNCHECKED));
    ::CheckMenuItem(popup, ID_DROPLET_TOPMOST, MF_BYCOMMAND | (p.topmost ? MF_CHECKED : MF_UNCHECKED));
    for (const SizeEntry& entry : SIZE_ENTRIES)
        if (entry.scale == p.scale)
            ::CheckMenuItem(popup, entry.command, MF_BYCOMMAND | MF_CHECKED);

    *checkedAlign = 0;
    if (p.alignTop && p.y == 0)
        *checkedAlign = ID_DROPLET_ALIGN_TOP;
    else if (p.alignBottom && p.y != 0)
        *checkedAlign = ID_DROPLET_ALIGN_BOTTOM;
    else if (p.alignLeft && p.x == 0)
        *checkedAlign = ID_DROPLET_ALIGN_LEFT;
    else if (p.alignRight && p.x != 0)
        *checkedAlign = ID_DROPLET_ALIGN_RIGHT;
    if (*checkedAlign)
        ::CheckMenuItem(popup, *checkedAlign, MF_BYCOMMAND | MF_CHECKED);
    return 1;
}
