#include "ClipboardBackup.h"

#include "ClipboardOpen.h"
#include "ScopedHandles.h"

#include <cstring>

namespace {

// Formats whose data is a GDI handle or belongs to the clipboard owner: they
// cannot be copied as memory, so they are left out of the copy.
bool IsSkippedFormat(UINT format) noexcept
{
    switch (format) {
    case CF_BITMAP:
    case CF_METAFILEPICT:
    case CF_PALETTE:
    case CF_OWNERDISPLAY:
    case CF_DSPBITMAP:
    case CF_DSPMETAFILEPICT:
        return true;
    default:
        return format >= CF_PRIVATEFIRST && format <= CF_PRIVATELAST;
    }
}

HGLOBAL CopyGlobal(HANDLE source) noexcept
{
    CGlobalLock<BYTE> from(source);
    if (!from.Get())
        return nullptr;
    SIZE_T size = from.Size();
    CGlobalMem copy(::GlobalAlloc(GMEM_DDESHARE | GMEM_MOVEABLE, size));
    if (!copy)
        return nullptr;
    {
        CGlobalLock<BYTE> to(copy);
        if (!to.Get())
            return nullptr;
        std::memcpy(to.Get(), from.Get(), size);
    }
    return copy.Detach();
}

} // namespace

void CClipboardBackup::FreeEntryData(const Entry& entry) noexcept
{
    if (!entry.data)
        return;
    if (IsEnhMetaFileFormat(entry.format))
        ::DeleteEnhMetaFile(static_cast<HENHMETAFILE>(entry.data));
    else
        ::GlobalFree(entry.data);
}

int CClipboardBackup::Save(HWND owner)
{
    if (m_saved)
        return 0;
    CClipboardOpen clipboard(owner);
    if (!clipboard.IsOpen())
        return 0;

    FreeData();
    for (UINT format = ::EnumClipboardFormats(0); format != 0; format = ::EnumClipboardFormats(format)) {
        if (IsSkippedFormat(format))
            continue;
        Entry entry = {};
        entry.format = format;
        if (format > CF_ENHMETAFILE && ::GetClipboardFormatNameW(format, entry.name, _countof(entry.name)) <= 0)
            entry.name[0] = L'\0';
        HANDLE data = ::GetClipboardData(format);
        if (!data)
            continue;
        if (IsEnhMetaFileFormat(format))
            entry.data = ::CopyEnhMetaFileW(static_cast<HENHMETAFILE>(data), nullptr);
        else
            entry.data = CopyGlobal(data);
        if (!entry.data)
            continue;
        try {
            m_entries.push_back(entry);
        } catch (...) {
            FreeEntryData(entry);
            throw;
        }
    }
    m_saved = 1;
    return 1;
}

int CClipboardBackup::Restore(HWND owner)
{
    if (!m_saved)
        return 0;
    // Another program may hold the clipboard for a moment; the user's copy
    // is worth a short wait.
    CClipboardOpen clipboard(owner, CLIPBOARD_GIVE_BACK_TRIES);
    if (!clipboard.IsOpen())
        return 0;

    ::EmptyClipboard();
    for (Entry& entry : m_entries) {
        // A registered format may have another number now than when it was
        // saved; its name finds it again.
        UINT format = entry.format;
        if (entry.name[0]) {
            UINT registered = ::RegisterClipboardFormatW(entry.name);
            if (registered)
                format = registered;
        }
        // The clipboard owns the data only when it took it.
        if (!::SetClipboardData(format, entry.data))
            FreeEntryData(entry);
        entry.data = nullptr;
    }
    m_entries.clear();
    m_saved = 0;
    return 1;
}

void CClipboardBackup::FreeData()
{
    for (const Entry& entry : m_entries)
        FreeEntryData(entry);
    m_entries.clear();
    m_entries.shrink_to_fit();
}
