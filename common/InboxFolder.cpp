#include "InboxFolder.h"

#include "DocumentPath.h"
#include "FileHelpers.h"
#include "LogFile.h"
#include "WideFormat.h"

#include <cwchar>
#include <string>

namespace {

const wchar_t INBOX_NAME[] = L"kq_temp_inbox\\";
const wchar_t DATA_FOLDER_PREFIX[] = L"kq_data_";
const size_t TICK_DIGITS = 10; // the most a 32-bit tick count takes
const wchar_t HANDOFF_FILE_EXTENSION[] = L".xml";

// The user's temporary folder with its closing backslash; false when Windows
// has none (or one too long for MAX_PATH).
bool GetTempFolder(wchar_t* buf)
{
    DWORD n = GetTempPathW(MAX_PATH, buf);
    return n > 0 && n < MAX_PATH;
}

// "kq_data_" followed by the digits of a tick count and nothing else.
bool IsDataFolderName(const std::wstring& name)
{
    const size_t prefix = wcslen(DATA_FOLDER_PREFIX);
    if (name.size() <= prefix || name.size() > prefix + TICK_DIGITS || name.compare(0, prefix, DATA_FOLDER_PREFIX))
        return false;
    for (size_t i = prefix; i < name.size(); ++i)
        if (name[i] < L'0' || name[i] > L'9')
            return false;
    return true;
}

// The long form of an existing path; the path itself when it has none.
std::wstring LongFormOf(const std::wstring& path)
{
    DWORD cch = GetLongPathNameW(path.c_str(), nullptr, 0);
    if (cch == 0)
        return path;
    std::wstring full(cch, L'\0');
    DWORD got = GetLongPathNameW(path.c_str(), &full[0], cch);
    if (got == 0 || got >= cch)
        return path;
    full.resize(got);
    return full;
}

bool EqualsIgnoringCase(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength)
{
    return CompareStringOrdinal(a, static_cast<int>(aLength), b, static_cast<int>(bLength), TRUE) == CSTR_EQUAL;
}

bool IsDataFolderNameIgnoringCase(const std::wstring& name)
{
    const size_t prefix = wcslen(DATA_FOLDER_PREFIX);
    if (name.size() <= prefix || !EqualsIgnoringCase(name.c_str(), prefix, DATA_FOLDER_PREFIX, prefix))
        return false;
    return IsDataFolderName(DATA_FOLDER_PREFIX + name.substr(prefix));
}

wchar_t AsciiLower(wchar_t c)
{
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
}

// Walkers ask for every file: only a path that names a hand-off folder, or
// holds a short (8.3) name that may stand for one, is looked at on disk.
bool MayNameAHandoffFolder(const wchar_t* path)
{
    // The prefix is ASCII, so ASCII case folding is all that matches it (the
    // runtime's locale-aware compare at every character cost a walk of
    // 20,000 files more than its listing did).
    for (const wchar_t* p = path; *p; ++p) {
        if (*p == L'~')
            return true;
        size_t i = 0;
        while (DATA_FOLDER_PREFIX[i] && AsciiLower(p[i]) == DATA_FOLDER_PREFIX[i])
            ++i;
        if (!DATA_FOLDER_PREFIX[i])
            return true;
    }
    return false;
}

} // namespace

int CreateInboxDataFolder(wchar_t* buffer, size_t cch)
{
    static InboxFolderNumbering numbering = {GetTickCount, INBOX_MAX_TAKEN_NAMES, 0, false};
    return CreateInboxDataFolder(buffer, cch, &numbering);
}

int CreateInboxDataFolder(wchar_t* buffer, size_t cch, InboxFolderNumbering* numbering)
{
    wchar_t temp[MAX_PATH];
    if (!buffer || cch == 0 || !numbering)
        return 0;
    if (!GetTempFolder(temp)) {
        g_Log.Error(L"CreateInboxDataFolder: no temporary folder\n");
        return 0;
    }
    const std::wstring inbox = std::wstring(temp) + INBOX_NAME;
    // The folder with the longest tick and its hand-off file must fit
    // MAX_PATH, which Windows opens, and the caller's buffer: a cut path
    // names another folder (or the inbox itself) for every document.
    const size_t idChars = wcslen(DATA_FOLDER_PREFIX) + TICK_DIGITS;
    const size_t folderChars = inbox.size() + idChars + 1;
    if (folderChars >= cch || folderChars + idChars + wcslen(HANDOFF_FILE_EXTENSION) >= MAX_PATH) {
        g_Log.Error(L"CreateInboxDataFolder: the temporary folder %s is too long for a hand-off folder\n", temp);
        return 0;
    }
    std::wstring path;
    DWORD number = 0;
    DWORD error = MakeNumberedDataFolder(
        numbering,
        [&](DWORD candidate) {
            path = inbox + DATA_FOLDER_PREFIX + std::to_wstring(candidate) + L"\\";
            return MakeFolderInInbox(inbox.c_str(), path.c_str());
        },
        &number);
    if (error == ERROR_ALREADY_EXISTS) {
        g_Log.Error(L"CreateInboxDataFolder: no free hand-off folder in %s\n", inbox.c_str());
        return 0;
    }
    if (error != ERROR_SUCCESS) {
        g_Log.Error(L"CreateInboxDataFolder: can not create the hand-off folder %s, error: %d\n", path.c_str(),
                    static_cast<int>(error));
        return 0;
    }
    CopyText(buffer, cch, path.c_str());
    return 1;
}

bool IsInInboxDataFolder(const wchar_t* path)
{
    wchar_t temp[MAX_PATH];
    std::wstring full;
    if (!path || !GetTempFolder(temp) || !GetFullDocumentPath(path, &full))
        return false;
    // Only the folder that holds the document counts, and only when it is a
    // hand-off folder directly inside the inbox: a path through "..", a
    // subfolder or a file lying in the inbox itself gets a folder of its own.
    const std::wstring inbox = std::wstring(temp) + INBOX_NAME;
    size_t slash = full.rfind(L'\\');
    if (slash == std::wstring::npos || slash <= inbox.size() || full.compare(0, inbox.size(), inbox) != 0)
        return false;
    return IsDataFolderName(full.substr(inbox.size(), slash - inbox.size()));
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

InboxDocumentKind ClassifyInboxDocument(const wchar_t* fullPath)
{
    wchar_t temp[MAX_PATH];
    if (!fullPath || !*fullPath || !MayNameAHandoffFolder(fullPath) || !GetTempFolder(temp))
        return INBOX_DOCUMENT_FREE;
    const std::wstring inbox = LongFormOf(std::wstring(temp) + INBOX_NAME);
    const std::wstring document = LongFormOf(fullPath);
    if (document.size() <= inbox.size() ||
        !EqualsIgnoringCase(document.c_str(), inbox.size(), inbox.c_str(), inbox.size()))
        return INBOX_DOCUMENT_FREE;
    const std::wstring rest = document.substr(inbox.size());
    size_t slash = rest.find(L'\\');
    if (slash == std::wstring::npos || slash + 1 >= rest.size())
        return INBOX_DOCUMENT_FREE;
    const std::wstring id = rest.substr(0, slash);
    if (!IsDataFolderNameIgnoringCase(id))
        return INBOX_DOCUMENT_FREE;
    const std::wstring fileName = id + HANDOFF_FILE_EXTENSION;
    const std::wstring inside = rest.substr(slash + 1);
    if (EqualsIgnoringCase(inside.c_str(), inside.size(), fileName.c_str(), fileName.size()))
        return INBOX_DOCUMENT_HANDOFF_FILE;
    DWORD attributes = GetFileAttributesW((inbox + id + L"\\" + fileName).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return INBOX_DOCUMENT_PENDING;
    return INBOX_DOCUMENT_FREE;
}
