#include "SystemTray.h"

#include "OneAtATime.h"
#include "WideFormat.h"

const UINT WM_TASKBARCREATED = ::RegisterWindowMessageW(L"TaskbarCreated");

namespace {

const wchar_t TRAY_CLASS_NAME[] = L"TrayIconClass";

// The hidden window's procedure reaches its object only through this
// pointer: the object built last owns it.
CSystemTray* g_currentTray = nullptr;

// The invisible parent that keeps minimised windows off the taskbar.
HWND g_hidingWindow = nullptr;

bool HasBalloonSupport() noexcept
{
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExW(&info))
        return false;
#pragma GCC diagnostic pop
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion > 4;
}

bool IsWindowAnimationOn() noexcept
{
    ANIMATIONINFO info = {};
    info.cbSize = sizeof(info);
    return ::SystemParametersInfoW(SPI_GETANIMATION, sizeof(info), &info, 0) && info.iMinAnimate != 0;
}

} // namespace

CSystemTray::CSystemTray()
{
    Initialise();
}

CSystemTray::CSystemTray(HINSTANCE instance, HWND notifyWindow, UINT callbackMessage, const wchar_t* tip, HICON icon,
                         UINT id, BOOL hidden, const wchar_t* balloonText, const wchar_t* balloonTitle,
                         DWORD balloonFlags, UINT balloonTimeout)
{
    Initialise();
    Create(instance, notifyWindow, callbackMessage, tip, icon, id, hidden, balloonText, balloonTitle, balloonFlags,
           balloonTimeout);
}

CSystemTray::~CSystemTray()
{
    RemoveIcon();
    m_icons.clear();
    if (m_hiddenWindow)
        ::DestroyWindow(m_hiddenWindow);
    m_hiddenWindow = nullptr;
    if (g_currentTray == this)
        g_currentTray = nullptr;
}

void CSystemTray::Initialise()
{
    g_currentTray = this;
    ZeroMemory(&m_data, sizeof(m_data));
    m_instance = nullptr;
    m_hiddenWindow = nullptr;
    m_targetWindow = nullptr;
    m_enabled = FALSE;
    m_hidden = TRUE;
    m_removed = TRUE;
    m_pending = FALSE;
    m_balloonSupport = HasBalloonSupport();
    m_timer = 0;
    m_currentIcon = 0;
    m_animationStart = 0;
    m_animationSeconds = 0;
    m_savedIcon = nullptr;
    m_defaultItem = 0;
    m_defaultByPosition = 1;
    m_creationFlags = 0;
}

BOOL CSystemTray::Create(HINSTANCE instance, HWND notifyWindow, UINT callbackMessage, const wchar_t* tip, HICON icon,
                         UINT id, BOOL hidden, const wchar_t* balloonText, const wchar_t* balloonTitle,
                         DWORD balloonFlags, UINT balloonTimeout)
{
    m_enabled = LOBYTE(LOWORD(::GetVersion())) > 3;
    if (!m_enabled)
        return FALSE;

    m_instance = instance;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = TrayWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = TRAY_CLASS_NAME;
    // A second tray object finds the class already there.
    ::RegisterClassExW(&wc);
    if (!m_hiddenWindow)
        m_hiddenWindow = ::CreateWindowExW(0, TRAY_CLASS_NAME, L"", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);

    m_data.cbSize = NOTIFYICONDATAW_V3_SIZE;
    m_data.hWnd = notifyWindow ? notifyWindow : m_hiddenWindow;
    m_data.uID = id;
    m_data.hIcon = icon;
    m_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_data.uCallbackMessage = callbackMessage;
    CopyText(m_data.szTip, TRAY_MAX_TIP, tip ? tip : L"");

    const bool withBalloon = m_balloonSupport && balloonText && *balloonText;
    if (withBalloon) {
        m_data.uFlags |= NIF_INFO;
        CopyText(m_data.szInfo, _countof(m_data.szInfo), balloonText);
        CopyText(m_data.szInfoTitle, _countof(m_data.szInfoTitle), balloonTitle ? balloonTitle : L"");
        m_data.uTimeout = balloonTimeout * 1000;
        m_data.dwInfoFlags = balloonFlags;
    }

    m_hidden = hidden;
    m_targetWindow = m_data.hWnd;

    if (m_balloonSupport && hidden) {
        // Added hidden, the icon keeps its message, picture and tip for when
        // it is shown.
        m_data.uFlags |= NIF_STATE;
        m_data.dwState = NIS_HIDDEN;
        m_data.dwStateMask = NIS_HIDDEN;
    }
    m_creationFlags = m_data.uFlags;

    BOOL result = TRUE;
    if (!hidden || m_balloonSupport) {
        result = Notify(NIM_ADD);
        // A failed add is tried again when the taskbar is created anew; the
        // hidden state stays what the caller asked for, so that the retry
        // is not ruled out.
        m_removed = !result;
        m_pending = !result;
    }
    if (withBalloon)
        m_data.szInfo[0] = L'\0';
    return result;
}

void CSystemTray::InstallIconPending()
{
    if (!m_pending || m_hidden)
        return;
    m_data.uFlags = m_creationFlags;
    BOOL added = Notify(NIM_ADD);
    // Still missing: the next broadcast tries again.
    m_removed = !added;
    m_pending = !added;
}

BOOL CSystemTray::SetTooltipText(const wchar_t* text)
{
    if (!m_enabled)
        return FALSE;
    m_data.uFlags = NIF_TIP;
    CopyText(m_data.szTip, TRAY_MAX_TIP, text ? text : L"");
    return m_hidden ? TRUE : Notify(NIM_MODIFY);
}

BOOL CSystemTray::SetTooltipText(UINT stringId)
{
    wchar_t text[TRAY_MAX_TIP];
    if (::LoadStringW(m_instance, stringId, text, static_cast<int>(TRAY_MAX_TIP)) <= 0)
        return FALSE;
    return SetTooltipText(text);
}

const wchar_t* CSystemTray::GetTooltipText() const
{
    static wchar_t s_tip[1024];
    if (!m_enabled)
        return nullptr;
    CopyText(s_tip, _countof(s_tip), m_data.szTip);
    return s_tip;
}

BOOL CSystemTray::SetIcon(HICON icon)
{
    if (!m_enabled)
        return FALSE;
    m_data.uFlags = NIF_ICON;
    m_data.hIcon = icon;
    return m_hidden ? TRUE : Notify(NIM_MODIFY);
}

BOOL CSystemTray::SetIcon(const wchar_t* iconFile)
{
    HICON icon = static_cast<HICON>(::LoadImageW(nullptr, iconFile, IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
    if (!icon)
        return FALSE;
    BOOL result = SetIcon(icon);
    ::DestroyIcon(icon);
    return result;
}

BOOL CSystemTray::SetIcon(UINT resourceId)
{
    HICON icon = static_cast<HICON>(
        ::LoadImageW(m_instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
    if (!icon)
        return FALSE;
    BOOL result = SetIcon(icon);
    ::DestroyIcon(icon);
    return result;
}

BOOL CSystemTray::SetStandardIcon(const wchar_t* iconName)
{
    HICON icon = ::LoadIconW(nullptr, iconName);
    return icon ? SetIcon(icon) : FALSE;
}

BOOL CSystemTray::SetStandardIcon(UINT iconId)
{
    return SetStandardIcon(MAKEINTRESOURCEW(iconId));
}

HICON CSystemTray::GetIcon() const
{
    return m_enabled ? m_data.hIcon : nullptr;
}

void CSystemTray::SetIconFocus()
{
    Notify(NIM_SETFOCUS);
}

BOOL CSystemTray::HideIcon()
{
    if (m_enabled && !m_removed && !m_hidden) {
        if (m_balloonSupport) {
            m_data.uFlags = NIF_STATE;
            m_data.dwState = NIS_HIDDEN;
            m_data.dwStateMask = NIS_HIDDEN;
            m_hidden = Notify(NIM_MODIFY);
        } else {
            RemoveIcon();
        }
    }
    return m_hidden = TRUE;
}

BOOL CSystemTray::ShowIcon()
{
    if (m_removed)
        return AddIcon();
    if (!m_hidden)
        return TRUE;
    if (m_balloonSupport) {
        m_data.uFlags = NIF_STATE;
        m_data.dwState = 0;
        m_data.dwStateMask = NIS_HIDDEN;
        if (Notify(NIM_MODIFY))
            m_hidden = FALSE;
    } else {
        AddIcon();
    }
    return !m_hidden;
}

BOOL CSystemTray::AddIcon()
{
    if (!m_removed)
        RemoveIcon();
    if (m_enabled) {
        m_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        if (Notify(NIM_ADD)) {
            m_hidden = FALSE;
            m_removed = FALSE;
        } else {
            m_pending = TRUE;
        }
    }
    return !m_removed;
}

BOOL CSystemTray::RemoveIcon()
{
    m_pending = FALSE;
    if (m_enabled && !m_removed) {
        m_data.uFlags = 0;
        if (Notify(NIM_DELETE)) {
            m_hidden = TRUE;
            m_removed = TRUE;
        }
    }
    return m_removed = TRUE;
}

void CSystemTray::MoveToRight()
{
    RemoveIcon();
    AddIcon();
}

BOOL CSystemTray::ShowBalloon(const wchar_t* text, const wchar_t* title, DWORD flags, UINT timeoutSeconds)
{
    if (!m_balloonSupport)
        return FALSE;
    m_data.uFlags = NIF_INFO;
    CopyText(m_data.szInfo, _countof(m_data.szInfo), text ? text : L"");
    CopyText(m_data.szInfoTitle, _countof(m_data.szInfoTitle), title ? title : L"");
    m_data.dwInfoFlags = flags;
    m_data.uTimeout = timeoutSeconds * 1000;
    BOOL result = Notify(NIM_MODIFY);
    m_data.szInfo[0] = L'\0';
    return result;
}

BOOL CSystemTray::SetIconList(UINT firstId, UINT lastId)
{
    if (lastId < firstId)
        return FALSE;
    m_icons.clear();
    for (UINT id = firstId; id <= lastId; ++id) {
        HICON icon = ::LoadIconW(m_instance, MAKEINTRESOURCEW(id));
        if (!icon) {
            m_icons.clear();
            return FALSE;
        }
        m_icons.push_back(icon);
    }
    return TRUE;
}

BOOL CSystemTray::SetIconList(const HICON* icons, UINT count)
{
    m_icons.clear();
    if (!icons)
        return FALSE;
    for (UINT i = 0; i < count; ++i) {
        if (!icons[i]) {
            m_icons.clear();
            return FALSE;
        }
        m_icons.push_back(icons[i]);
    }
    return TRUE;
}

BOOL CSystemTray::Animate(UINT delayMs, int durationSeconds)
{
    if (m_icons.empty())
        return FALSE;
    StopAnimation();
    m_currentIcon = 0;
    m_animationStart = time(nullptr);
    m_animationSeconds = durationSeconds;
    m_savedIcon = GetIcon();
    m_timer = ::SetTimer(m_hiddenWindow, IDT_TRAY_ANIMATION, delayMs, nullptr);
    return m_timer != 0;
}

BOOL CSystemTray::StepAnimation()
{
    if (m_icons.empty())
        return FALSE;
    ++m_currentIcon;
    if (m_currentIcon >= static_cast<int>(m_icons.size()))
        m_currentIcon = 0;
    return SetIcon(m_icons[m_currentIcon]);
}

BOOL CSystemTray::StopAnimation()
{
    BOOL result = FALSE;
    if (m_timer)
        result = ::KillTimer(m_hiddenWindow, m_timer);
    m_timer = 0;
    if (m_savedIcon)
        SetIcon(m_savedIcon);
    m_savedIcon = nullptr;
    return result;
}

void CSystemTray::GetMenuDefaultItem(UINT& item, BOOL& byPosition) const
{
    item = m_defaultItem;
    byPosition = m_defaultByPosition;
}

BOOL CSystemTray::SetMenuDefaultItem(UINT item, BOOL byPosition)
{
    m_defaultItem = item;
    m_defaultByPosition = byPosition;
    HMENU menu = ::LoadMenuW(m_instance, MAKEINTRESOURCEW(m_data.uID));
    if (!menu)
        return FALSE;
    HMENU popup = ::GetSubMenu(menu, 0);
    if (!popup) {
        ::DestroyMenu(menu);
        return FALSE;
    }
    ::SetMenuDefaultItem(popup, m_defaultItem, m_defaultByPosition);
    ::DestroyMenu(menu);
    return TRUE;
}

BOOL CSystemTray::SetNotificationWnd(HWND window)
{
    if (!m_enabled || !window || !::IsWindow(window))
        return FALSE;
    m_data.hWnd = window;
    m_data.uFlags = 0;
    return m_hidden ? TRUE : Notify(NIM_MODIFY);
}

HWND CSystemTray::GetNotificationWnd() const
{
    return m_data.hWnd;
}

BOOL CSystemTray::SetTargetWnd(HWND window)
{
    m_targetWindow = window;
    return TRUE;
}

HWND CSystemTray::GetTargetWnd() const
{
    return m_targetWindow ? m_targetWindow : m_data.hWnd;
}

BOOL CSystemTray::SetCallbackMessage(UINT message)
{
    if (!m_enabled)
        return FALSE;
    m_data.uFlags = NIF_MESSAGE;
    m_data.uCallbackMessage = message;
    return m_hidden ? TRUE : Notify(NIM_MODIFY);
}

UINT CSystemTray::GetCallbackMessage() const
{
    return m_data.uCallbackMessage;
}

LRESULT CSystemTray::HandleTrayCallback(WPARAM wParam, LPARAM lParam)
{
    if (wParam != m_data.uID)
        return 0;
    HWND target = GetTargetWnd();
    if (!target)
        return 0;

    switch (LOWORD(lParam)) {
    case WM_RBUTTONUP: {
        // No menu while a command's dialog or question is open: the click
        // brings that dialog to the front.
        if (ModuleCommandGate().Busy()) {
            BringThreadDialogToFront();
            break;
        }
        HMENU menu = ::LoadMenuW(m_instance, MAKEINTRESOURCEW(m_data.uID));
        if (!menu)
            return 0;
        HMENU popup = ::GetSubMenu(menu, 0);
        if (!popup) {
            ::DestroyMenu(menu);
            return 0;
        }
        ::SetMenuDefaultItem(popup, m_defaultItem, m_defaultByPosition);
        AdjustTrayMenu(popup);
        POINT pos;
        ::GetCursorPos(&pos);
        ::SetForegroundWindow(m_data.hWnd);
        ::TrackPopupMenu(popup, TPM_LEFTBUTTON, pos.x, pos.y, 0, target, nullptr);
        // Lets the menu close when the user clicks elsewhere.
        ::PostMessageW(m_data.hWnd, WM_NULL, 0, 0);
        ::DestroyMenu(menu);
        break;
    }
    case WM_LBUTTONDBLCLK: {
        ::SetForegroundWindow(m_data.hWnd);
        UINT command = m_defaultItem;
        if (m_defaultByPosition) {
            HMENU menu = ::LoadMenuW(m_instance, MAKEINTRESOURCEW(m_data.uID));
            if (!menu)
                return 0;
            HMENU popup = ::GetSubMenu(menu, 0);
            command = popup ? ::GetMenuItemID(popup, static_cast<int>(m_defaultItem)) : 0;
            ::DestroyMenu(menu);
        }
        ::PostMessageW(target, WM_COMMAND, command, 0);
        break;
    }
    default:
        break;
    }
    return 1;
}

LRESULT CALLBACK CSystemTray::TrayWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CSystemTray* tray = g_currentTray;
    if (!tray || hwnd != tray->m_hiddenWindow)
        return ::DefWindowProcW(hwnd, message, wParam, lParam);

    if (message == WM_TASKBARCREATED) {
        tray->InstallIconPending();
        return 0;
    }
    switch (message) {
    case WM_TIMER:
        if (wParam == IDT_TRAY_ANIMATION) {
            if (tray->m_animationSeconds > 0 && time(nullptr) - tray->m_animationStart > tray->m_animationSeconds)
                tray->StopAnimation();
            else
                tray->StepAnimation();
        }
        return 0;
    case WM_SETTINGCHANGE:
        if (wParam == SPI_SETWORKAREA)
            tray->InstallIconPending();
        return 0;
    default:
        break;
    }
    if (message == tray->m_data.uCallbackMessage) {
        LRESULT result = 0;
        // A window procedure lets no exception through to Windows.
        try {
            result = tray->HandleTrayCallback(wParam, lParam);
        } catch (...) {
        }
        return result;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

bool CSystemTray::GetTrayRect(RECT* rect)
{
    if (HWND taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr)) {
        ::GetWindowRect(taskbar, rect);
        if (HWND notify = ::FindWindowExW(taskbar, nullptr, L"TrayNotifyWnd", nullptr)) {
            ::GetWindowRect(notify, rect);
            if (HWND clock = ::FindWindowExW(notify, nullptr, L"TrayClockWClass", nullptr)) {
                RECT clockRect;
                ::GetWindowRect(clock, &clockRect);
                if (clockRect.bottom < rect->bottom - 5)
                    rect->top = clockRect.bottom;
                else
                    rect->right = clockRect.left;
            }
            return true;
        }
    }

    APPBARDATA bar = {};
    bar.cbSize = sizeof(bar);
    if (::SHAppBarMessage(ABM_GETTASKBARPOS, &bar)) {
        if (bar.uEdge == ABE_TOP || bar.uEdge == ABE_BOTTOM) {
            rect->left = bar.rc.right - 100;
            rect->right = bar.rc.right - 16;
            rect->top = bar.rc.top;
            rect->bottom = bar.rc.bottom;
        } else {
            rect->top = bar.rc.bottom - 100;
            rect->bottom = bar.rc.bottom - 16;
            rect->left = bar.rc.left;
            rect->right = bar.rc.right;
        }
        return true;
    }

    RECT work;
    if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
        return false;
    rect->right = work.right;
    rect->bottom = work.bottom;
    rect->left = work.right - 150;
    rect->top = work.bottom - 30;
    return true;
}

void CSystemTray::MinimiseToTray(HWND window)
{
    if (IsWindowAnimationOn()) {
        RECT from, to;
        ::GetWindowRect(window, &from);
        if (GetTrayRect(&to))
            ::DrawAnimatedRects(window, IDANI_CAPTION, &from, &to);
    }
    if (!g_hidingWindow)
        g_hidingWindow = ::CreateWindowExW(0, L"Static", L"", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                           CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    if (g_hidingWindow)
        ::SetParent(window, g_hidingWindow);
    ::SetWindowLongPtrW(window, GWL_STYLE, ::GetWindowLongPtrW(window, GWL_STYLE) & ~WS_VISIBLE);
}

void CSystemTray::MaximiseFromTray(HWND window)
{
    if (IsWindowAnimationOn()) {
        RECT from, to;
        ::GetWindowRect(window, &to);
        if (GetTrayRect(&from))
            ::DrawAnimatedRects(window, IDANI_CAPTION, &from, &to);
    }
    ::SetParent(window, nullptr);
    ::SetWindowLongPtrW(window, GWL_STYLE, ::GetWindowLongPtrW(window, GWL_STYLE) | WS_VISIBLE);
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME | RDW_UPDATENOW);
    if (g_hidingWindow)
        ::SetActiveWindow(g_hidingWindow);
    ::SetActiveWindow(window);
    ::SetForegroundWindow(window);
}
