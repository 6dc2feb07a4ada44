#include "ScreenShot.h"

#include "OberlaneStandin.h"

#include <gdiplus.h>

#include <cstdlib>

namespace {

// The PNG encoder of GDI+.
const CLSID PNG_ENCODER = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

} // namespace

std::wstring WinePathFromEnv(const char* variable, const std::wstring& relative)
{
    const char* value = std::getenv(variable);
    if (!value || !*value)
        return std::wstring();
    std::wstring path = UnixToWindowsPath(value);
    for (wchar_t c : relative)
        path += c == L'/' ? L'\\' : c;
    return path;
}

std::wstring SaveScreenShot(const std::wstring& name, const RECT* area)
{
    std::wstring path = WinePathFromEnv("KQ_TEST_OUTPUT", L"/" + name);
    if (path.empty())
        return path;
    RECT rect = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (area && area->right > area->left && area->bottom > area->top)
        rect = *area;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;

    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok)
        return std::wstring();
    bool saved = false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT)) {
        SelectObject(memory, old);
        old = nullptr;
        Gdiplus::Bitmap picture(bitmap, nullptr);
        saved = picture.Save(path.c_str(), &PNG_ENCODER, nullptr) == Gdiplus::Ok;
    }
    if (old)
        SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    Gdiplus::GdiplusShutdown(token);
    return saved ? path : std::wstring();
}
