// One icon in the Windows notification area, with a hidden window of its own
// that hears the shell's broadcasts (a restarted taskbar, a changed work
// area) and puts the icon back.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <ctime>
#include <vector>

const UINT_PTR IDT_TRAY_ANIMATION = 4567;
const size_t TRAY_MAX_TIP = 128;

// "TaskbarCreated": broadcast by the shell when its taskbar is created anew.
extern const UINT WM_TASKBARCREATED;

class CSystemTray
{
public:
    CSystemTray();
    CSystemTray(HINSTANCE instance, HWND notifyWindow, UINT callbackMessage, const wchar_t* tip, HICON icon,
                UINT id, BOOL hidden = FALSE, const wchar_t* balloonText = nullptr,
                const wchar_t* balloonTitle = nullptr, DWORD balloonFlags = 0, UINT balloonTimeout = 10);
    virtual ~CSystemTray();
    CSystemTray(const CSystemTray&) = delete;
    CSystemTray& operator=(const CSystemTray&) = delete;

    // Adds the icon (unless hidden); the icon id also names the menu resource
    // of the default callback handling. FALSE when the icon could not be
    // added; it is then added when the taskbar is created anew.
    BOOL Create(HINSTANCE instance, HWND notifyWindow, UINT callbackMessage, const wchar_t* tip, HICON icon,
                UINT id, BOOL hidden = FALSE, const wchar_t* balloonText = nullptr,
                const wchar_t* balloonTitle = nullptr, DWORD balloonFlags = 0, UINT balloonTimeout = 10);

    // Tool tip.
    BOOL SetTooltipText(const wchar_t* text);
    BOOL SetTooltipText(UINT stringId);
    const wchar_t* GetTooltipText() const;

    // Icon.
    BOOL SetIcon(HICON icon);
    BOOL SetIcon(const wchar_t* iconFile);
    BOOL SetIcon(UINT resourceId);
    BOOL SetStandardIcon(const wchar_t* iconName);
    BOOL SetStandardIcon(UINT iconId);
    HICON GetIcon() const;
    void SetIconFocus();
    BOOL HideIcon();
    BOOL ShowIcon();
    BOOL AddIcon();
    BOOL RemoveIcon();
    void MoveToRight();

    BOOL ShowBalloon(const wchar_t* text, const wchar_t* title = nullptr, DWORD flags = NIIF_NONE,
                     UINT timeoutSeconds = 10);

    // Animation through a list of icons.
    BOOL SetIconList(UINT firstId, UINT lastId);
    // Takes `count` icons from the array.
    BOOL SetIconList(const HICON* icons, UINT count);
    BOOL Animate(UINT delayMs, int durationSeconds = -1);
    BOOL StepAnimation();
    BOOL StopAnimation();

    // Menu and notifications.
    void GetMenuDefaultItem(UINT& item, BOOL& byPosition) const;
    BOOL SetMenuDefaultItem(UINT item, BOOL byPosition);
    BOOL SetNotificationWnd(HWND window);
    HWND GetNotificationWnd() const;
    BOOL SetTargetWnd(HWND window);
    HWND GetTargetWnd() const;
    BOOL SetCallbackMessage(UINT message);
    UINT GetCallbackMessage() const;

    // Minimising a window to the notification area and back.
    static void MinimiseToTray(HWND window);
    static void MaximiseFromTray(HWND window);

    // The default handling of the icon's mouse messages: the menu named by
    // the icon id on a right click, its default command on a double click.
    virtual LRESULT HandleTrayCallback(WPARAM wParam, LPARAM lParam);

protected:
    // Called with the popup menu before it is shown.
    virtual void AdjustTrayMenu(HMENU menu) {}

private:
    void Initialise();
    void InstallIconPending();
    BOOL Notify(DWORD message) { return ::Shell_NotifyIconW(message, &m_data); }
    static LRESULT CALLBACK TrayWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static bool GetTrayRect(RECT* rect);

    NOTIFYICONDATAW m_data;
    HINSTANCE m_instance;
    HWND m_hiddenWindow;
    HWND m_targetWindow;
    BOOL m_enabled;
    BOOL m_hidden;
    BOOL m_removed;
    BOOL m_pending;
    BOOL m_balloonSupport;
    std::vector<HICON> m_icons;
    UINT_PTR m_timer;
    int m_currentIcon;
    time_t m_animationStart;
    int m_animationSeconds;
    HICON m_savedIcon;
    UINT m_defaultItem;
    UINT m_defaultByPosition;
    UINT m_creationFlags;
};
