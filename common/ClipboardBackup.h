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

    // 1 when the clipboard was copied; 0 when a copy is already held or the
    // clipboard cannot be opened. Bitmaps, palettes, metafile pictures,
    // owner-display and private formats are not copied.
    int Save();
    // 1 when the copy was put back (the clipboard then owns its data); 0 when
    // nothing is held or the clipboard cannot be opened.
    int Restore();
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
