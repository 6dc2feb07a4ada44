// A copy of the user's clipboard, taken before the system puts its own data
// there (button faces for Office's PasteFace) and put back afterwards.
#pragma once

#include <windows.h>

#include <vector>

class CClipboardBackup
{
public:
    CClipboardBackup() noexcept : m_saved(0) {}
    ~CClipboardBackup() { FreeData(); }
    CClipboardBackup(const CClipboardBackup&) = delete;
    CClipboardBackup& operator=(const CClipboardBackup&) = delete;

    // owner: the window the clipboard is opened with (ClipboardOwner.h).
    // 1 when the clipboard was copied; 0 when a copy is already held or the
    // clipboard cannot be opened. Bitmaps, palettes, metafile pictures,
    // owner-display and private formats are not copied (a bitmap travels as
    // the CF_DIB the system renders of it).
    int Save(HWND owner);
    // 1 when the copy was put back (the clipboard then owns its data, and the
    // owner window owns the clipboard); 0 when nothing is held or the
    // clipboard stays held by another program for CLIPBOARD_GIVE_BACK_TRIES
    // tries (the copy is then kept for another try or FreeData).
    int Restore(HWND owner);
    // Frees the data of a copy that was not put back.
    void FreeData();

private:
    struct Entry {
        UINT format;
        // Registered name; empty for the standard formats.
        wchar_t name[100];
        HANDLE data;
    };

    static bool IsEnhMetaFileFormat(UINT format) noexcept { return format == CF_ENHMETAFILE || format == CF_DSPENHMETAFILE; }
    static void FreeEntryData(const Entry& entry) noexcept;

    int m_saved;
    std::vector<Entry> m_entries;
};
