#include "GdiPlusBitmap.h"

CGdiPlusBitmap::~CGdiPlusBitmap()
{
    delete m_bitmap;
}

bool CGdiPlusBitmap::Load(const wchar_t* path)
{
    delete m_bitmap;
    m_bitmap = nullptr;
    if (!path)
        return false;
    // No embedded colour management: the picture is drawn as stored. GDI+
    // allocates its objects itself and gives null when out of memory.
    m_bitmap = new Gdiplus::Bitmap(path, FALSE);
    return m_bitmap && m_bitmap->GetLastStatus() == Gdiplus::Ok;
}
