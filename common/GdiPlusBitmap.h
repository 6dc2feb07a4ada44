// A picture file loaded through GDI+ (the ribbon's button images and the
// droplet's window picture). GDI+ must be started by the program.
#pragma once

#include <windows.h>
#include <gdiplus.h>

class CGdiPlusBitmap
{
public:
    CGdiPlusBitmap() noexcept : m_bitmap(nullptr) {}
    virtual ~CGdiPlusBitmap();
    CGdiPlusBitmap(const CGdiPlusBitmap&) = delete;
    CGdiPlusBitmap& operator=(const CGdiPlusBitmap&) = delete;

    // Replaces the held picture by the file's; the new bitmap object is kept
    // even when loading failed. True when GDI+ reported success.
    bool Load(const wchar_t* path);

    Gdiplus::Bitmap* Get() const noexcept { return m_bitmap; }
    operator Gdiplus::Bitmap*() const noexcept { return m_bitmap; }

private:
    Gdiplus::Bitmap* m_bitmap;
};
