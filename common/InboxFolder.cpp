#include "InboxFolder.h"

#include "FileHelpers.h"
#include "WideFormat.h"

#include <cwchar>

namespace {

const wchar_t INBOX_NAME[] = L"kq_temp_inbox\\";
const wchar_t DATA_FOLDER_PREFIX[] = L"kq_data_";
const size_t TICK_TEXT_CHARS = 32;
const DWORD RETRY_WAIT_MS = 10;

// The user's temporary folder with its closing backslash; false when Windows
// has none (or one too long for MAX_PATH).
bool GetTempFolder(wchar_t* buf)
{
    DWORD n = GetTempPathW(MAX_PATH, buf);
    return n > 0 && n < MAX_PATH;
}

} // namespace

int CreateInboxDataFolder(wchar_t* buffer, size_t cch)
{
    wchar_t temp[MAX_PATH];
    if (!buffer || cch == 0 || !GetTempFolder(temp))
        return 0;
    wchar_t inbox[MAX_PATH];
    if (FormatText(inbox, MAX_PATH, L"%s%s", temp, INBOX_NAME) != static_cast<int>(wcslen(temp) + wcslen(INBOX_NAME)))
        return 0;
    DWORD attributes = GetFileAttributesW(inbox);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        CreateDirectoryW(inbox, nullptr);

    wchar_t path[MAX_PATH];
    for (;;) {
        wchar_t tick[TICK_TEXT_CHARS];
        FormatText(tick, TICK_TEXT_CHARS, L"%lu", GetTickCount());
        int length = FormatText(path, MAX_PATH, L"%s%s%s\\", inbox, DATA_FOLDER_PREFIX, tick);
        // A path that does not fit the caller's buffer would name another folder.
        if (static_cast<size_t>(length) >= cch)
            return 0;
        // Only a folder that this call made is ours: an existing name (another
        // process was faster, or a file bears it) means the next tick.
        if (CreateDirectoryW(path, nullptr) || GetLastError() != ERROR_ALREADY_EXISTS)
            break;
        Sleep(RETRY_WAIT_MS);
    }
    CopyText(buffer, cch, path);
    return 1;
}

bool IsInInboxDataFolder(const wchar_t* path)
{
    wchar_t temp[MAX_PATH];
    if (!path || !GetTempFolder(temp))
        return false;
    wchar_t prefix[MAX_PATH];
    FormatText(prefix, MAX_PATH, L"%s%s%s", temp, INBOX_NAME, DATA_FOLDER_PREFIX);
    return wcsncmp(path, prefix, wcslen(prefix)) == 0;
}

void MarkDataFoldersForDelete(const HandoffIdList& ids)
{
    wchar_t temp[MAX_PATH];
    if (ids.empty() || !GetTempFolder(temp))
        return;
    for (const _bstr_t& id : ids) {
        const wchar_t* name = id.length() ? static_cast<const wchar_t*>(id) : L"";
        if (wcslen(temp) + wcslen(INBOX_NAME) + wcslen(name) >= MAX_PATH)
            continue;
        wchar_t folder[MAX_PATH];
        FormatText(folder, MAX_PATH, L"%s%s%s", temp, INBOX_NAME, name);
        MarkFolderForDelete(folder);
    }
}
