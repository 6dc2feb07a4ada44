// The ribbon's loadImage callback: a picture file of the installation folder
// as the IPictureDisp the host draws on its button.
#include "MarvikAddin.h"

#include "GdiPlusBitmap.h"
#include "LogFile.h"
#include "RegistryValue.h"
#include "ScopedHandles.h"
#include "WideFormat.h"

#include <olectl.h>

#include <cwchar>

namespace {

// The value may hold up to 2048 bytes.
const size_t DIR_CHARS = 2048 / sizeof(wchar_t);
const size_t IMAGE_PATH_CHARS = DIR_CHARS + MAX_PATH;

// GDI+ for the length of one call; the host may ask for pictures long
// before or after any other use of GDI+ in its process.
class CGdiPlusSession
{
public:
    CGdiPlusSession() : m_token(0)
    {
        Gdiplus::GdiplusStartupInput input;
        m_started = Gdiplus::GdiplusStartup(&m_token, &input, nullptr) == Gdiplus::Ok;
    }
    ~CGdiPlusSession()
    {
        if (m_started)
            Gdiplus::GdiplusShutdown(m_token);
    }
    CGdiPlusSession(const CGdiPlusSession&) = delete;
    CGdiPlusSession& operator=(const CGdiPlusSession&) = delete;

    bool Started() const { return m_started; }

private:
    ULONG_PTR m_token;
    bool m_started;
};

} // namespace

HRESULT CMarvikAddin::GetImage(const wchar_t* imageName, VARIANT* result)
{
    return CallNoThrow([&]() -> HRESULT {
        CRegKey key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SETTINGS_KEY, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
            return E_FAIL;
        wchar_t dir[DIR_CHARS];
        if (!ReadRegText(key, SZ_DIR, dir, DIR_CHARS))
            return E_FAIL;
        key.Close();

        const wchar_t* name = imageName ? imageName : L"";
        wchar_t path[IMAGE_PATH_CHARS];
        // A cut path would load some other file.
        if (wcslen(dir) + 1 + wcslen(name) >= IMAGE_PATH_CHARS) {
            g_Log.Error(L"GetImage: path of image %s is too long\n", name);
            return E_FAIL;
        }
        FormatText(path, IMAGE_PATH_CHARS, L"%s\\%s", dir, name);

        CGdiPlusSession gdiplus;
        if (!gdiplus.Started())
            return E_FAIL;
        CGdiPlusBitmap bitmap;
        if (!bitmap.Load(path))
            return E_FAIL;

        HBITMAP handle = nullptr;
        if (bitmap.Get()->GetHBITMAP(Gdiplus::Color(0, 0, 0, 0), &handle) != Gdiplus::Ok || !handle)
            return E_FAIL;
        PICTDESC desc = {};
        desc.cbSizeofstruct = sizeof(desc);
        desc.picType = PICTYPE_BITMAP;
        desc.bmp.hbitmap = handle;
        desc.bmp.hpal = nullptr;
        IPictureDisp* picture = nullptr;
        // The picture owns the bitmap from here on and deletes it with itself.
        HRESULT hr = OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, reinterpret_cast<void**>(&picture));
        if (FAILED(hr) || !picture) {
            DeleteObject(handle);
            return FAILED(hr) ? hr : E_FAIL;
        }
        if (!result) {
            picture->Release();
            return hr;
        }
        VariantInit(result);
        V_VT(result) = VT_DISPATCH;
        V_DISPATCH(result) = picture;
        return hr;
    });
}
