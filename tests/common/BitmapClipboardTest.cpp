#include "ClipboardBackup.h"
#include "ClipboardOpen.h"
#include "ClipboardOwner.h"
#include "GdiPlusBitmap.h"
#include "ScopedHandles.h"
#include "TransBitmap.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

const wchar_t FACE_FORMAT[] = L"Toolbar Button Face";
const wchar_t MASK_FORMAT[] = L"Toolbar Button Mask";
const wchar_t CUSTOM_FORMAT[] = L"KQ Test Format";

HGLOBAL MakeBlock(const void* data, size_t size)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(h), data, size);
    GlobalUnlock(h);
    return h;
}

std::string ClipboardBytes(UINT format)
{
    CClipboardOpen clipboard(nullptr);
    if (!clipboard.IsOpen())
        return "<not open>";
    HANDLE data = GetClipboardData(format);
    if (!data)
        return "<none>";
    CGlobalLock<char> bytes(data);
    return std::string(bytes.Get(), bytes.Size());
}

std::wstring ClipboardText()
{
    std::string bytes = ClipboardBytes(CF_UNICODETEXT);
    if (bytes.size() < 2 || bytes[0] == '<')
        return L"<none>";
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()));
}

// A device-dependent bitmap of the screen's format, filled pixel by pixel.
HBITMAP MakeFace(int width, int height, COLORREF (*colourAt)(int x, int y))
{
    CWindowDC screen(nullptr);
    HBITMAP face = CreateCompatibleBitmap(screen, width, height);
    CMemoryDC dc(CreateCompatibleDC(screen));
    HGDIOBJ old = SelectObject(dc, face);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(dc, x, y, colourAt(x, y));
    SelectObject(dc, old);
    return face;
}

const COLORREF MAGENTA = RGB(255, 0, 255);

COLORREF FacePixel(int x, int y)
{
    // Corner colour on a diagonal band and in the corners; a near-magenta
    // that must stay opaque.
    if ((x + y) % 4 == 0)
        return MAGENTA;
    if (x == 3 && y == 2)
        return RGB(254, 0, 255);
    return RGB(x * 20, y * 40, 100);
}

class ClipboardTest : public testing::Test
{
protected:
    void SetUp() override
    {
        customFormat = RegisterClipboardFormatW(CUSTOM_FORMAT);
        ASSERT_TRUE(owner.Create());
        // Text, a registered format and a bitmap, as a user's clipboard might hold.
        CClipboardOpen clipboard(nullptr);
        ASSERT_TRUE(clipboard.IsOpen());
        EmptyClipboard();
        const wchar_t text[] = L"Grüße aus der Ablage";
        SetClipboardData(CF_UNICODETEXT, MakeBlock(text, sizeof(text)));
        SetClipboardData(customFormat, MakeBlock(customBytes.data(), customBytes.size()));
        CWindowDC screen(nullptr);
        SetClipboardData(CF_BITMAP, CreateCompatibleBitmap(screen, 4, 4));
    }

    UINT customFormat = 0;
    const std::string customBytes = std::string("\x01\x02\x00\xff payload", 12);
    CClipboardOwnerWindow owner;
};

TEST_F(ClipboardTest, SaveFaceRestoreGivesBackTextRegisteredFormatAndBitmap)
{
    std::string dib = ClipboardBytes(CF_DIB);
    ASSERT_GT(dib.size(), sizeof(BITMAPINFOHEADER));
    CClipboardBackup backup;
    ASSERT_EQ(1, backup.Save(owner.Handle()));
    // A second save keeps the first copy.
    EXPECT_EQ(0, backup.Save(owner.Handle()));

    HBITMAP face = MakeFace(6, 6, FacePixel);
    ASSERT_EQ(1, CopyTransBitmap(face, FACE_FORMAT, MASK_FORMAT, owner.Handle()));
    DeleteObject(face);
    EXPECT_EQ(L"<none>", ClipboardText());
    // Windows lets only an owner fill the clipboard after emptying it.
    EXPECT_EQ(owner.Handle(), GetClipboardOwner());

    ASSERT_EQ(1, backup.Restore(owner.Handle()));
    EXPECT_EQ(owner.Handle(), GetClipboardOwner());
    // The bitmap comes back as the system's CF_DIB rendering of it, from
    // which the clipboard renders CF_BITMAP again.
    EXPECT_EQ(dib, ClipboardBytes(CF_DIB).substr(0, dib.size()));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_EQ(L"Grüße aus der Ablage", ClipboardText());
    std::string custom = ClipboardBytes(customFormat);
    // The block may be rounded up; the saved bytes come first.
    ASSERT_GE(custom.size(), customBytes.size());
    EXPECT_EQ(customBytes, custom.substr(0, customBytes.size()));
    // The bitmap handle itself is not copied; the system's CF_DIB rendering
    // of it is, and the clipboard renders CF_BITMAP from that again, so
    // CF_BITMAP cannot be tested for absence here.
    EXPECT_FALSE(IsClipboardFormatAvailable(RegisterClipboardFormatW(MASK_FORMAT)));
    // Nothing is held any more.
    EXPECT_EQ(0, backup.Restore(owner.Handle()));
}

TEST_F(ClipboardTest, SaveFailsWhileAnotherWindowHoldsTheClipboardAndRestoreThenDoesNothing)
{
    CClipboardBackup backup;
    HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        HWND owner = CreateWindowExW(0, L"Static", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        OpenClipboard(owner);
        SetEvent(opened);
        WaitForSingleObject(release, 10000);
        CloseClipboard();
        DestroyWindow(owner);
    });
    WaitForSingleObject(opened, 10000);
    EXPECT_EQ(0, backup.Save(owner.Handle()));
    SetEvent(release);
    holder.join();
    CloseHandle(opened);
    CloseHandle(release);

    HBITMAP face = MakeFace(4, 4, FacePixel);
    ASSERT_EQ(1, CopyTransBitmap(face, FACE_FORMAT, MASK_FORMAT, owner.Handle()));
    DeleteObject(face);
    EXPECT_EQ(0, backup.Restore(owner.Handle()));
    EXPECT_TRUE(IsClipboardFormatAvailable(RegisterClipboardFormatW(FACE_FORMAT)));
    EXPECT_EQ(L"<none>", ClipboardText());
}

TEST(TransBitmapTest, MaskIsWhiteExactlyWhereTheFaceHasItsCornerColour)
{
    // An odd width makes the mask's lines padded to 32 bits.
    const int width = 13, height = 5;
    HBITMAP face = MakeFace(width, height, FacePixel);
    ASSERT_EQ(1, CopyTransBitmap(face, FACE_FORMAT, MASK_FORMAT, nullptr));
    DeleteObject(face);

    std::string mask = ClipboardBytes(RegisterClipboardFormatW(MASK_FORMAT));
    const size_t stride = 4; // 13 bits padded to 32
    ASSERT_GE(mask.size(), 48 + stride * height + 12);
    BITMAPINFOHEADER header;
    std::memcpy(&header, mask.data(), sizeof(header));
    EXPECT_EQ(40u, header.biSize);
    EXPECT_EQ(width, header.biWidth);
    EXPECT_EQ(height, header.biHeight);
    EXPECT_EQ(1, header.biBitCount);
    RGBQUAD colours[2];
    std::memcpy(colours, mask.data() + 40, sizeof(colours));
    const BYTE* bits = reinterpret_cast<const BYTE*>(mask.data()) + 48;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // DIB lines run from the bottom up.
            const BYTE* line = bits + (height - 1 - y) * stride;
            int index = (line[x / 8] >> (7 - x % 8)) & 1;
            bool white = colours[index].rgbRed == 255 && colours[index].rgbGreen == 255 && colours[index].rgbBlue == 255;
            EXPECT_EQ(FacePixel(x, y) == MAGENTA, white) << "pixel " << x << "," << y;
        }
    }

    // The face format holds the same packed DIB as CF_DIB.
    std::string faceDib = ClipboardBytes(RegisterClipboardFormatW(FACE_FORMAT));
    std::string dib = ClipboardBytes(CF_DIB);
    ASSERT_GT(dib.size(), 40u);
    EXPECT_EQ(dib.substr(0, 40), faceDib.substr(0, 40));
}

TEST(TransBitmapTest, RefusesAMissingBitmap)
{
    EXPECT_EQ(0, CopyTransBitmap(nullptr, FACE_FORMAT, MASK_FORMAT, nullptr));
}

struct DibCase {
    int bitsPerPixel;
    DWORD colourEntries;
};

class DDBToDIBTest : public testing::TestWithParam<DibCase>
{
};

TEST_P(DDBToDIBTest, ColourTableFollowsTheBitCount)
{
    const DibCase& c = GetParam();
    const int width = 5, height = 3;
    HBITMAP bitmap = CreateBitmap(width, height, 1, c.bitsPerPixel, nullptr);
    ASSERT_NE(nullptr, bitmap);
    HGLOBAL dib = DDBToDIB(bitmap);
    DeleteObject(bitmap);
    ASSERT_NE(nullptr, dib);
    {
        CGlobalLock<BITMAPINFOHEADER> header(dib);
        ASSERT_NE(nullptr, header.Get());
        EXPECT_EQ(40u, header.Get()->biSize);
        EXPECT_EQ(width, header.Get()->biWidth);
        EXPECT_EQ(height, header.Get()->biHeight);
        EXPECT_EQ(c.bitsPerPixel, header.Get()->biBitCount);
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), header.Get()->biCompression);
        DWORD stride = ((c.bitsPerPixel * width + 31) & ~31) / 8;
        EXPECT_GE(header.Size(), 40 + 4 * c.colourEntries + stride * height);
        EXPECT_LT(header.Size(), 40 + 4 * c.colourEntries + stride * height + 4 * 256);
    }
    GlobalFree(dib);
}

INSTANTIATE_TEST_SUITE_P(BitCounts, DDBToDIBTest,
                         testing::Values(DibCase{24, 0}, DibCase{8, 256}, DibCase{4, 16}, DibCase{1, 2}));

TEST(DDBToDIBTest2, NullBitmapGivesNull)
{
    EXPECT_EQ(nullptr, DDBToDIB(nullptr));
}

class GdiPlusBitmapTest : public testing::Test
{
protected:
    void SetUp() override
    {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::Ok, Gdiplus::GdiplusStartup(&token, &input, nullptr));
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(token); }

    // A 3 x 2 pixel, 24-bit BMP file.
    std::wstring WriteBmp() const
    {
        const int width = 3, height = 2, stride = 12;
        std::string bytes(54 + stride * height, '\0');
        auto put32 = [&](size_t at, DWORD v) { std::memcpy(&bytes[at], &v, 4); };
        auto put16 = [&](size_t at, WORD v) { std::memcpy(&bytes[at], &v, 2); };
        bytes[0] = 'B';
        bytes[1] = 'M';
        put32(2, static_cast<DWORD>(bytes.size()));
        put32(10, 54);
        put32(14, 40);
        put32(18, width);
        put32(22, height);
        put16(26, 1);
        put16(28, 24);
        for (size_t i = 54; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i * 7);
        return dir.WriteFile(L"picture.bmp", bytes);
    }

    ULONG_PTR token = 0;
    TempDir dir;
};

TEST_F(GdiPlusBitmapTest, LoadsAPictureFileAndReplacesTheHeldOne)
{
    CGdiPlusBitmap bitmap;
    EXPECT_EQ(nullptr, bitmap.Get());
    ASSERT_TRUE(bitmap.Load(WriteBmp().c_str()));
    ASSERT_NE(nullptr, bitmap.Get());
    EXPECT_EQ(3u, bitmap.Get()->GetWidth());
    EXPECT_EQ(2u, bitmap.Get()->GetHeight());

    EXPECT_FALSE(bitmap.Load((dir / L"missing.png").c_str()));
    // The failed object is held: it has no picture.
    ASSERT_NE(nullptr, bitmap.Get());
    EXPECT_EQ(0u, bitmap.Get()->GetWidth());
}

TEST_F(GdiPlusBitmapTest, AFileThatIsNoPictureFails)
{
    CGdiPlusBitmap bitmap;
    EXPECT_FALSE(bitmap.Load(dir.WriteFile(L"text.png", "no picture here").c_str()));
}

} // namespace
