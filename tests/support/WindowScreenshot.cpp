#include "WindowScreenshot.h"

#include "ScopedHandles.h"

#include <gdiplus.h>

#include <vector>

namespace {

bool PngEncoder(CLSID* clsid)
{
    UINT count = 0, size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0)
        return false;
    std::vector<BYTE> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok)
        return false;
    for (UINT i = 0; i < count; ++i) {
        if (wcscmp(codecs[i].MimeType, L"image/png") == 0) {
            *clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

bool SavePng(HBITMAP bitmap, const std::wstring& path)
{
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok)
        return false;
    bool saved = false;
    {
        CLSID png;
        Gdiplus::Bitmap picture(bitmap, nullptr);
        saved = PngEncoder(&png) && picture.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
    }
    Gdiplus::GdiplusShutdown(token);
    return saved;
}

} // namespace

std::wstring TestOutputFolder()
{
    wchar_t value[2048];
    DWORD got = GetEnvironmentVariableW(L"KQ_TEST_OUTPUT", value, 2048);
    if (got == 0 || got >= 2048)
        return std::wstring();
    std::wstring folder = value;
    if (!folder.empty() && folder[0] == L'/') {
        for (wchar_t& c : folder)
            if (c == L'/')
                c = L'\\';
        folder = L"Z:" + folder;
    }
    while (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

std::wstring SaveWindowScreenshot(HWND window, const std::wstring& name)
{
    std::wstring folder = TestOutputFolder();
    RECT rect;
    if (folder.empty() || !GetWindowRect(window, &rect))
        return std::wstring();
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return std::wstring();

    // Let the window finish painting before the screen is read.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(200);

    CWindowDC screen(nullptr);
    CMemoryDC memory(CreateCompatibleDC(screen));
    CGdiObject bitmap(CreateCompatibleBitmap(screen, width, height));
    if (!memory || !bitmap)
        return std::wstring();
    HGDIOBJ old = SelectObject(memory, bitmap);
    bool copied = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != FALSE;
    SelectObject(memory, old);
    if (!copied)
        return std::wstring();

    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring path = folder + L"\\" + name + L".png";
    return SavePng(static_cast<HBITMAP>(bitmap.Get()), path) ? path : std::wstring();
}
