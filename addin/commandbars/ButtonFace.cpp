#include "ButtonFace.h"

#include "ClipboardBackup.h"
#include "CommandBarInterfaces.h"
#include "ComSupport.h"
#include "LogFile.h"
#include "ModuleInstance.h"
#include "ScopedHandles.h"
#include "TransBitmap.h"
#include "TypedCalls.h"
#include "WideFormat.h"

namespace {

const size_t FORMAT_NAME_CHARS = 100;
// Clipboard formats up to CF_DIBV5 are the system's own.
const UINT LAST_STANDARD_FORMAT = 17;

struct FoundFormat {
    wchar_t name[FORMAT_NAME_CHARS];
    SIZE_T size;
};

HBITMAP LoadFace(WORD bitmapId)
{
    return static_cast<HBITMAP>(::LoadImageW(GetThisModule(), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0,
                                             LR_LOADTRANSPARENT | LR_LOADMAP3DCOLORS));
}

// Puts the plain picture on the clipboard as CF_BITMAP; the clipboard owns
// that copy once it took it.
void PutPlainFace(WORD bitmapId, HWND owner)
{
    if (!::OpenClipboard(owner)) {
        g_Log.Warning(L"Failed to open the clipboard for SetClipboardData, error: %d\n",
                      static_cast<int>(::GetLastError()));
        return;
    }
    if (!::EmptyClipboard())
        g_Log.Warning(L"Failed to empty the clipboard for SetClipboardData, error: %d\n",
                      static_cast<int>(::GetLastError()));
    if (HBITMAP copy = LoadFace(bitmapId)) {
        if (!::SetClipboardData(CF_BITMAP, copy))
            ::DeleteObject(copy);
    }
    if (!::CloseClipboard())
        g_Log.Warning(L"Failed to close the clipboard after SetClipboardData, error: %d\n",
                      static_cast<int>(::GetLastError()));
}

// The first two named formats that the host's CopyFace left on the
// clipboard, with the sizes of their data.
int FindHostFormats(FoundFormat (&found)[2], HWND owner)
{
    if (!::OpenClipboard(owner)) {
        g_Log.Warning(L"Failed to open the clipboard for EnumClipboardFormats, error: %d\n",
                      static_cast<int>(::GetLastError()));
        return 0;
    }
    int count = 0;
    ::SetLastError(ERROR_SUCCESS);
    UINT format = ::EnumClipboardFormats(0);
    if (format == 0 && ::GetLastError() != ERROR_SUCCESS)
        g_Log.Warning(L"Failed to emumerate the clipboardformats, error: %d\n", static_cast<int>(::GetLastError()));
    for (; format != 0 && count < 2; format = ::EnumClipboardFormats(format)) {
        if (format <= LAST_STANDARD_FORMAT)
            continue;
        wchar_t name[FORMAT_NAME_CHARS];
        if (::GetClipboardFormatNameW(format, name, FORMAT_NAME_CHARS) <= 0)
            continue;
        g_Log.Info(L"get clipboardformat: %s\n", name);
        CopyText(found[count].name, FORMAT_NAME_CHARS, name);
        HANDLE data = ::GetClipboardData(format);
        found[count].size = data ? ::GlobalSize(data) : 0;
        ++count;
    }
    ::CloseClipboard();
    return count;
}

void LogCopyTransBitmapFailure(DWORD error)
{
    wchar_t text[512] = L"";
    if (!::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                          MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, _countof(text), nullptr))
        FormatText(text, _countof(text), L"error %u\n", static_cast<unsigned>(error));
    g_Log.Error(L"CopyTransBitmap failed: %s\n", text);
}

// Gives the user's clipboard back whatever happens between the backup and
// the end of the face's protocol: emptied, the saved formats restored, and
// whatever could not be restored freed. Another program may hold the
// clipboard just then; the give-back waits a little for it.
class CClipboardGiveBack
{
public:
    CClipboardGiveBack(CClipboardBackup& backup, HWND owner) noexcept : m_backup(backup), m_owner(owner) {}
    ~CClipboardGiveBack()
    {
        // Restore empties the clipboard first.
        if (!m_backup.Restore(m_owner))
            g_Log.Warning(L"Failed to give the clipboard back, it is held by another program, error: %d\n",
                          static_cast<int>(::GetLastError()));
        m_backup.FreeData();
    }
    CClipboardGiveBack(const CClipboardGiveBack&) = delete;
    CClipboardGiveBack& operator=(const CClipboardGiveBack&) = delete;

private:
    CClipboardBackup& m_backup;
    HWND m_owner;
};

void PasteTransparentFace(IDispatch* button, HBITMAP face, WORD bitmapId, HWND owner)
{
    CClipboardBackup backup;
    if (!backup.Save(owner)) {
        // Without a copy the user's clipboard could not be given back.
        g_Log.Warning(L"Failed to save the clipboard, the button gets no face\n");
        return;
    }
    CClipboardGiveBack giveBack(backup, owner);

    // The host's CopyFace shows the names of its face and mask formats.
    PutPlainFace(bitmapId, owner);
    TypedCall(button, L"PasteFace", nullptr);
    TypedCall(button, L"CopyFace", nullptr);

    FoundFormat found[2] = {};
    FindHostFormats(found, owner);
    wchar_t faceFormat[FORMAT_NAME_CHARS] = L"Toolbar Button Face";
    wchar_t maskFormat[FORMAT_NAME_CHARS] = L"Toolbar Button Mask";
    // The face is the larger of the two; with equal sizes the second.
    const FoundFormat& faceFound = found[0].size > found[1].size ? found[0] : found[1];
    const FoundFormat& maskFound = &faceFound == &found[0] ? found[1] : found[0];
    if (faceFound.name[0])
        CopyText(faceFormat, FORMAT_NAME_CHARS, faceFound.name);
    if (maskFound.name[0])
        CopyText(maskFormat, FORMAT_NAME_CHARS, maskFound.name);

    if (!CopyTransBitmap(face, faceFormat, maskFormat, owner))
        LogCopyTransBitmapFailure(::GetLastError());

    HRESULT hr = TypedCall(button, L"PasteFace", nullptr);
    if (FAILED(hr)) {
        g_Log.Warning(L"Failed to set button face hr = 0x%08X. Try again\n", static_cast<unsigned>(hr));
        hr = TypedCall(button, L"PasteFace", nullptr);
        if (FAILED(hr))
            g_Log.Warning(L"Again failed to set button face hr = 0x%08X\n", static_cast<unsigned>(hr));
    }
    if (SUCCEEDED(hr))
        g_Log.Info(L"pButton->PasteFace() successful\n");
}

} // namespace

void SetButtonFace(IDispatch* button, WORD bitmapId, const wchar_t* tag, const wchar_t* caption, HWND clipboardOwner)
{
    if (!button)
        _com_issue_error(E_POINTER);
    TypedPut(button, L"Style", _variant_t(msoButtonIcon));

    CGdiObject face(LoadFace(bitmapId));
    if (face)
        PasteTransparentFace(button, static_cast<HBITMAP>(face.Get()), bitmapId, clipboardOwner);
    else
        g_Log.Warning(L"Failed to load the button face %d, error: %d\n", static_cast<int>(bitmapId),
                      static_cast<int>(::GetLastError()));

    TypedPut(button, L"Tag", _variant_t(tag));
    TypedPut(button, L"TooltipText", _variant_t(caption));
}
