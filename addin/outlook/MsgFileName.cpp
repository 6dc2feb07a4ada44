#include "MsgWriters.h"

#include "InboxFolder.h"
#include "LogFile.h"
#include "WideFormat.h"

#include <ctime>
#include <cwchar>

namespace {

const DWORD NAME_RETRY_MS = 50;
const size_t INDEX_CHARS = 16;

bool FileExists(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The name of the file; false when it does not fit (a cut name would be
// another file).
bool FormName(wchar_t* name, size_t capacity, const wchar_t* folder, const wchar_t* index)
{
    unsigned seconds = static_cast<unsigned>(static_cast<unsigned long long>(_time64(nullptr)) & 0xFFFFFFFFu);
    size_t needed = wcslen(folder) + wcslen(L"dovrane_") + wcslen(index) + 1 + 8 + wcslen(L".msg");
    if (needed >= capacity)
        return false;
    FormatText(name, capacity, L"%sdovrane_%s_%08X.msg", folder, index, seconds);
    return true;
}

} // namespace

HRESULT MakeMsgFileName(wchar_t* buffer, size_t capacity, unsigned index)
{
    if (!buffer || capacity == 0)
        return E_POINTER;
    if (capacity > MAX_PATH)
        capacity = MAX_PATH;
    wchar_t folder[MAX_PATH];
    if (!CreateInboxDataFolder(folder, capacity)) {
        g_Log.Error(L"Failed to get path of temp directory\n");
        return E_FAIL;
    }
    wchar_t indexText[INDEX_CHARS];
    FormatText(indexText, INDEX_CHARS, L"%u", index);
    wchar_t name[MAX_PATH];
    bool formed = FormName(name, capacity, folder, indexText);
    while (formed && FileExists(name)) {
        Sleep(NAME_RETRY_MS);
        formed = FormName(name, capacity, folder, indexText);
    }
    if (!formed) {
        g_Log.Error(L"MSG file name does not fit into %u characters in %s\n", static_cast<unsigned>(capacity), folder);
        // The folder was made for this file alone.
        size_t length = wcslen(folder);
        if (length > 0 && folder[length - 1] == L'\\')
            folder[length - 1] = L'\0';
        RemoveDirectoryW(folder);
        return E_FAIL;
    }
    CopyText(buffer, capacity, name);
    g_Log.Info(L"MSG file name %s\n", name);
    return S_OK;
}
