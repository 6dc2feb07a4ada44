// Corvelle's start-up, message loop and write-back of the window state.
#include "DropTarget.h"
#include "DropletOptions.h"
#include "DropletPlacement.h"
#include "DropletResource.h"
#include "DropletWindow.h"
#include "DropletWork.h"
#include "LanguageText.h"
#include "LogFile.h"
#include "SystemTray.h"
#include "WalkerCalls.h"

#include <shlobj.h>

#include <memory>

// Built before wWinMain and destroyed after it in reverse order: the
// settings, then the tray object (whose destructor removes the icon).
CKQCSettings g_DropletSettings;
CSystemTray g_DropletTray;

namespace {

const wchar_t TRAY_TIP[] = L"marvik dovrane droplet";

// GDI+ for the life of the program's window.
class CGdiPlusSession
{
public:
    CGdiPlusSession()
    {
        Gdiplus::GdiplusStartupInput input;
        m_ok = Gdiplus::GdiplusStartup(&m_token, &input, nullptr) == Gdiplus::Ok;
    }
    ~CGdiPlusSession()
    {
        if (m_ok)
            Gdiplus::GdiplusShutdown(m_token);
    }
    bool IsStarted() const { return m_ok; }

private:
    ULONG_PTR m_token = 0;
    bool m_ok = false;
};

bool GetProgramFolder(std::wstring* folder)
{
    wchar_t path[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    wchar_t* slash = wcsrchr(path, L'\\');
    if (!slash)
        return false;
    slash[1] = L'\0';
    *folder = path;
    return true;
}

bool RegisterDropletClass(HINSTANCE instance)
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = DropletWndProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    wc.lpszClassName = DROPLET_CLASS_NAME;
    return ::RegisterClassExW(&wc) != 0;
}

HWND CreateDropletWindow(HINSTANCE instance, int pictureWidth, int pictureHeight)
{
    const DropletOptions& o = g_DropletOptions;
    const DropletPlacement& p = g_DropletPlacement;
    DWORD exStyle = WS_EX_LAYERED | WS_EX_ACCEPTFILES;
    // Topmost, or with the tray icon in its place, the window keeps off the
    // taskbar.
    if (p.topmost || (o.showTaskbar == 0 && o.showTray == 1))
        exStyle |= WS_EX_TOOLWINDOW;
    if (p.topmost)
        exStyle |= WS_EX_TOPMOST;
    return ::CreateWindowExW(exStyle, DROPLET_CLASS_NAME, o.title.c_str(), WS_VISIBLE, p.x, p.y, pictureWidth,
                             pictureHeight, nullptr, nullptr, instance, nullptr);
}

int RunDroplet(HINSTANCE instance, int showCommand)
{
    g_DropletInstance = instance;
    // The hand-off thread's apartment before anything of this thread may
    // initialise COM: see CHandoffThread::Start.
    if (!g_DropletWork.StartThread())
        g_Log.Error(L"Corvelle: without the hand-off thread, hand-offs run on the window's thread\n");
    struct WorkStop {
        ~WorkStop() { g_DropletWork.StopThread(); }
    } workStop;
    if (FAILED(LoadSettings(&g_DropletSettings))) {
        g_Log.Error(L"Failed to load settings!\n");
        return 1;
    }

    std::wstring folder;
    if (!GetProgramFolder(&folder)) {
        g_Log.Error(L"Corvelle: the program's folder can not be read\n");
        return 1;
    }
    DropletOptions& options = g_DropletOptions;
    LoadDropletOptions(folder, &options);
    DWORD attributes = options.picturePath.empty() ? INVALID_FILE_ATTRIBUTES
                                                   : ::GetFileAttributesW(options.picturePath.c_str());
    // Missing (all bits set) or a folder.
    if (attributes & (0x80000000 | FILE_ATTRIBUTE_DIRECTORY)) {
        g_Log.Error(L"Corvelle: the picture %s of %s is missing\n", options.picturePath.c_str(),
                    options.iniPath.c_str());
        ShowErrorBox(instance, IDS_ICON_NOT_LOADED);
        return 1;
    }

    CGdiPlusSession gdiplus;
    std::unique_ptr<CGdiPlusBitmap> picture(new CGdiPlusBitmap);
    if (!gdiplus.IsStarted() || !picture->Load(options.picturePath.c_str())) {
        g_Log.Error(L"Corvelle: the picture %s can not be loaded\n", options.picturePath.c_str());
        return 1;
    }
    g_DropletPicture = picture.get();
    struct PictureReset {
        ~PictureReset()
        {
            FreeScaledPicture();
            g_DropletPicture = nullptr;
        }
    } pictureReset;

    const int pictureWidth = static_cast<int>(picture->Get()->GetWidth());
    const int pictureHeight = static_cast<int>(picture->Get()->GetHeight());
    RECT desktop = {};
    ::GetWindowRect(::GetDesktopWindow(), &desktop);
    ReadDropletPlacement(options, pictureWidth, pictureHeight, desktop, &g_DropletPlacement);

    if (!RegisterDropletClass(instance)) {
        g_Log.Error(L"Corvelle: the window class can not be registered, error %u\n", ::GetLastError());
        return 1;
    }
    HWND window = CreateDropletWindow(instance, pictureWidth, pictureHeight);
    if (!window) {
        g_Log.Error(L"Corvelle: the window can not be created, error %u\n", ::GetLastError());
        return 1;
    }

    if (options.showTray &&
        !g_DropletTray.Create(instance, window, WM_DROPLET_TRAY, TRAY_TIP,
                              ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_DROPLET_TRAY)), ID_DROPLET_TRAY_ICON, FALSE,
                              nullptr, nullptr, 0, 10)) {
        g_Log.Error(L"Corvelle: the notification-area icon can not be added\n");
        ::DestroyWindow(window);
        return 1;
    }

    ::ShowWindow(window, showCommand);
    ::UpdateWindow(window);
    g_DropletWindow = window;

    // What a dropped file list needs: the filter, the questions, the owner.
    g_DropHandoff.rules = options.rules;
    g_DropHandoff.silent = options.silent;
    g_DropHandoff.fileQuestion = options.fileQuestion;
    g_DropHandoff.window = window;
    g_DropHandoff.title = options.title;
    g_DropHandoff.uploadIni = options.uploadIni;

    g_DropletWork.SetWindow(window);
    HRESULT hr = ::OleInitialize(nullptr);
    if (FAILED(hr))
        g_Log.Error(L"Corvelle: OleInitialize failed, hr = 0x%08X\n", hr);
    CDropTarget* target = new CDropTarget(&g_DropletSettings, &g_DropletWork);
    target->AddRef();
    hr = ::RegisterDragDrop(window, target);
    if (FAILED(hr))
        g_Log.Error(L"Corvelle: RegisterDragDrop failed, hr = 0x%08X\n", hr);
    target->SetFormats(static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(CFSTR_FILEDESCRIPTORW)),
                       static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(CFSTR_FILECONTENTS)));
    target->Release();

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }

    WriteDropletPlacement(options, g_DropletPlacement, window);
    // Revoking releases the registration's reference, the last one.
    ::RevokeDragDrop(window);
    // A work still running (the window was destroyed meanwhile) ends first.
    g_DropletWork.StopThread();
    g_DropletWork.SetWindow(nullptr);
    if (::IsWindow(window))
        ::DestroyWindow(window);
    g_DropletWindow = nullptr;
    ::OleUninitialize();
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, PWSTR, int nCmdShow)
{
    try {
        return RunDroplet(hInstance, nCmdShow);
    } catch (...) {
        g_Log.Error(L"Corvelle: unexpected failure\n");
        return 1;
    }
}
