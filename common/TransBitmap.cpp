#include "TransBitmap.h"

#include "ClipboardOpen.h"
#include "ScopedHandles.h"

#include <cstring>
#include <vector>

namespace {

// Header and the two colour entries of a monochrome DIB.
const SIZE_T MASK_HEADER_BYTES = sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD);

DWORD DibImageSize(LONG width, LONG height, WORD bitCount) noexcept
{
    return static_cast<DWORD>(((static_cast<DWORD>(bitCount) * width + 31) & ~31u) / 8 * height);
}

// A bitmap selected into a memory DC, deselected again on every path.
class CSelectedBitmap
{
public:
    CSelectedBitmap(HDC dc, HBITMAP bitmap) noexcept : m_dc(dc), m_old(::SelectObject(dc, bitmap)) {}
    ~CSelectedBitmap()
    {
        if (m_old)
            ::SelectObject(m_dc, m_old);
    }
    CSelectedBitmap(const CSelectedBitmap&) = delete;
    CSelectedBitmap& operator=(const CSelectedBitmap&) = delete;
    bool IsSelected() const noexcept { return m_old != nullptr; }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// A monochrome mask of the face: white where the face has the colour of its
// top-left pixel, black elsewhere.
HBITMAP CreateFaceMask(HBITMAP face, LONG width, LONG height)
{
    CGdiObject mask(::CreateBitmap(width, height, 1, 1, nullptr));
    if (!mask)
        return nullptr;
    CMemoryDC faceDC(::CreateCompatibleDC(nullptr));
    CMemoryDC maskDC(::CreateCompatibleDC(nullptr));
    if (!faceDC || !maskDC)
        return nullptr;
    CSelectedBitmap faceSel(faceDC, face);
    CSelectedBitmap maskSel(maskDC, static_cast<HBITMAP>(mask.Get()));
    if (!faceSel.IsSelected() || !maskSel.IsSelected())
        return nullptr;
    // A colour-to-monochrome blit turns the source's background colour into
    // white and every other colour into black.
    ::SetBkColor(faceDC, ::GetPixel(faceDC, 0, 0));
    ::SetTextColor(faceDC, RGB(255, 255, 255));
    if (!::BitBlt(maskDC, 0, 0, width, height, faceDC, 0, 0, SRCCOPY))
        return nullptr;
    return static_cast<HBITMAP>(mask.Detach());
}

enum class CopyResult { Set, NoBlock, Refused };

// Puts a zero-filled copy of the bytes under the format; a block that the
// clipboard refuses is freed.
CopyResult SetClipboardCopy(UINT format, const void* data, SIZE_T size, SIZE_T blockSize)
{
    CGlobalMem block(::GlobalAlloc(GMEM_DDESHARE | GMEM_ZEROINIT, blockSize));
    if (!block)
        return CopyResult::NoBlock;
    {
        CGlobalLock<BYTE> to(block);
        if (!to.Get())
            return CopyResult::NoBlock;
        std::memcpy(to.Get(), data, size);
    }
    if (!::SetClipboardData(format, block))
        return CopyResult::Refused;
    block.Detach();
    return CopyResult::Set;
}

} // namespace

HGLOBAL DDBToDIB(HBITMAP bitmap)
{
    BITMAP bm;
    if (!bitmap || !::GetObjectW(bitmap, sizeof(bm), &bm))
        return nullptr;

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = bm.bmWidth;
    header.biHeight = bm.bmHeight;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bm.bmPlanes * bm.bmBitsPixel);
    header.biCompression = BI_RGB;
    DWORD colours = header.biBitCount <= 8 ? (1u << header.biBitCount) : 0;
    DWORD headerSize = header.biSize + colours * sizeof(RGBQUAD);

    CWindowDC screen(nullptr);
    if (!screen)
        return nullptr;
    HPALETTE oldPalette = ::SelectPalette(screen, static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE)), FALSE);
    ::RealizePalette(screen);

    HGLOBAL result = nullptr;
    CGlobalMem dib(::GlobalAlloc(GMEM_MOVEABLE, headerSize));
    if (dib) {
        DWORD imageSize = 0;
        {
            CGlobalLock<BITMAPINFO> info(dib);
            if (info.Get()) {
                info.Get()->bmiHeader = header;
                if (::GetDIBits(screen, bitmap, 0, bm.bmHeight, nullptr, info.Get(), DIB_RGB_COLORS))
                    imageSize = info.Get()->bmiHeader.biSizeImage;
            }
        }
        if (imageSize == 0)
            imageSize = DibImageSize(header.biWidth, header.biHeight, header.biBitCount);
        HGLOBAL grown = ::GlobalReAlloc(dib, headerSize + imageSize, GMEM_MOVEABLE);
        if (grown) {
            dib.Detach();
            dib.Reset(grown);
            CGlobalLock<BYTE> bytes(dib);
            if (bytes.Get()) {
                BITMAPINFO* info = reinterpret_cast<BITMAPINFO*>(bytes.Get());
                info->bmiHeader.biSizeImage = imageSize;
                if (::GetDIBits(screen, bitmap, 0, bm.bmHeight, bytes.Get() + headerSize, info, DIB_RGB_COLORS))
                    result = dib.Get();
            }
        }
        if (result)
            dib.Detach();
    }

    if (oldPalette)
        ::SelectPalette(screen, oldPalette, FALSE);
    return result;
}

int CopyTransBitmap(HBITMAP face, const wchar_t* faceFormat, const wchar_t* maskFormat, HWND owner)
{
    BITMAP bm;
    if (!face || !faceFormat || !maskFormat || !::GetObjectW(face, sizeof(bm), &bm))
        return 0;
    const LONG width = bm.bmWidth;
    const LONG height = bm.bmHeight;

    CGdiObject mask(CreateFaceMask(face, width, height));
    if (!mask)
        return 0;

    CClipboardOpen clipboard(owner);
    if (!clipboard.IsOpen())
        return 0;
    ::EmptyClipboard();
    if (HGLOBAL dib = DDBToDIB(face)) {
        if (!::SetClipboardData(CF_DIB, dib))
            ::GlobalFree(dib);
    }

    UINT faceId = ::RegisterClipboardFormatW(faceFormat);
    UINT maskId = ::RegisterClipboardFormatW(maskFormat);
    if (!faceId || !maskId)
        return 0;

    // The face: the clipboard's own CF_DIB, copied under the face format.
    if (HANDLE dib = ::GetClipboardData(CF_DIB)) {
        CGlobalLock<BYTE> bytes(dib);
        if (bytes.Get() &&
            SetClipboardCopy(faceId, bytes.Get(), bytes.Size(), bytes.Size()) == CopyResult::Refused)
            return 0;
    }

    // The mask: header, two colour entries and the bits of all lines.
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[2];
    } maskInfo = {};
    maskInfo.header.biSize = sizeof(BITMAPINFOHEADER);
    maskInfo.header.biWidth = width;
    maskInfo.header.biHeight = height;
    maskInfo.header.biPlanes = 1;
    maskInfo.header.biBitCount = 1;
    maskInfo.header.biCompression = BI_RGB;
    DWORD imageSize = DibImageSize(width, height, 1);
    maskInfo.header.biSizeImage = imageSize;
    std::vector<BYTE> bits(imageSize + MASK_HEADER_BYTES);
    {
        CWindowDC screen(nullptr);
        if (!::GetDIBits(screen, static_cast<HBITMAP>(mask.Get()), 0, height, bits.data() + MASK_HEADER_BYTES,
                         reinterpret_cast<BITMAPINFO*>(&maskInfo), DIB_RGB_COLORS))
            return 0;
    }
    std::memcpy(bits.data(), &maskInfo, MASK_HEADER_BYTES);
    // The block is the image size + 60 bytes: header and colours, the bits,
    // and zeros behind them.
    return SetClipboardCopy(maskId, bits.data(), bits.size(), imageSize + 60) == CopyResult::Set ? 1 : 0;
}
