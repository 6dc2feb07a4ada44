#include "FolderWalker.h"

#include "HandoffFile.h"
#include "LanguageText.h"
#include "ScopedHandles.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

// A folder's identity, to recognise a junction or symbolic link that leads
// back into a folder being walked.
struct FolderId {
    DWORD volume;
    DWORD indexHigh;
    DWORD indexLow;
    bool operator==(const FolderId& o) const
    {
        return volume == o.volume && indexHigh == o.indexHigh && indexLow == o.indexLow;
    }
};

bool GetFolderId(const wchar_t* path, FolderId* id)
{
    CFileHandle folder(CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!folder || !GetFileInformationByHandle(folder, &info))
        return false;
    *id = FolderId{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return true;
}

bool IsExistingFolder(DWORD attributes)
{
    // INVALID_FILE_ATTRIBUTES has every bit set: it is no folder.
    return (attributes & 0x80000010u) == FILE_ATTRIBUTE_DIRECTORY;
}

// (Dots have no case: a plain comparison spares a locale-aware one per entry.)
bool IsDotEntry(const wchar_t* name)
{
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

class CWalk
{
public:
    CWalk(PathListCursor* cursor, int* counter, const WalkRules& rules)
        : m_cursor(cursor), m_counter(counter), m_rules(rules)
    {
    }

    int Path(const wchar_t* path, size_t length)
    {
        if (length >= WALKER_PATH_CHARS) {
            TooLong(path);
            return 0;
        }
        return Entry(path, length, GetFileAttributesW(path));
    }

private:
    // A folder's entries come with their attributes: no second look needed.
    int Entry(const wchar_t* path, size_t length, DWORD attributes)
    {
        if (IsExistingFolder(attributes))
            return Folder(path, length, attributes);
        return File(path, length);
    }

    void TooLong(const wchar_t* path)
    {
        if (m_rules.onTooLong)
            m_rules.onTooLong(path, m_rules.context);
    }

    // A junction or symbolic link may lead back into a folder being walked:
    // such a link is not entered. Only links are checked, as opening every
    // folder to learn its identity would cost more than listing it. (A loop
    // that the file system does not show as a link still ends at the
    // length of the walker's buffers.)
    bool LeadsBack(const wchar_t* path, size_t length) const
    {
        FolderId link;
        if (!GetFolderId(path, &link))
            return false;
        for (size_t ancestorLength : m_ancestors) {
            std::wstring ancestor(path, ancestorLength);
            FolderId id;
            if (GetFolderId(ancestor.c_str(), &id) && id == link)
                return true;
        }
        return false;
    }

    int Folder(const wchar_t* path, size_t length, DWORD attributes)
    {
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && LeadsBack(path, length))
            return 0;
        if (length + 2 >= WALKER_PATH_CHARS) {
            TooLong(path);
            return 0;
        }
        wchar_t pattern[WALKER_PATH_CHARS];
        memcpy(pattern, path, length * sizeof(wchar_t));
        lstrcpyW(pattern + length, L"\\*");
        WIN32_FIND_DATAW entry;
        CFindHandle find(FindFirstFileW(pattern, &entry));
        if (!find)
            return 0;
        m_ancestors.push_back(length);
        int total = 0;
        wchar_t child[WALKER_PATH_CHARS];
        memcpy(child, path, length * sizeof(wchar_t));
        child[length] = L'\\';
        do {
            if (IsDotEntry(entry.cFileName))
                continue;
            size_t nameLength = wcslen(entry.cFileName);
            wchar_t last = entry.cFileName[nameLength - 1];
            if (last == L'.' || last == L' ') {
                std::wstring whole = std::wstring(path, length) + L"\\" + entry.cFileName;
                if (m_rules.onUnreachable)
                    m_rules.onUnreachable(whole.c_str(), m_rules.context);
                continue;
            }
            size_t childLength = length + 1 + nameLength;
            if (childLength >= WALKER_PATH_CHARS) {
                std::wstring whole = std::wstring(path, length) + L"\\" + entry.cFileName;
                TooLong(whole.c_str());
                continue;
            }
            memcpy(child + length + 1, entry.cFileName, (nameLength + 1) * sizeof(wchar_t));
            total += Entry(child, childLength, entry.dwFileAttributes);
        } while (!(m_cursor && m_cursor->full) && FindNextFileW(find, &entry));
        m_ancestors.pop_back();
        return total;
    }

    int File(const wchar_t* path, size_t length)
    {
        if (!IsFileAccepted(path, m_rules)) {
            if (m_rules.onRefused && (m_cursor || m_counter))
                m_rules.onRefused(path, m_rules.context);
            return 0;
        }
        // The same rule as the hand-off writer's, so that the caller's count
        // and its report of skipped documents are right.
        HandoffRefusal refusal = CheckHandoffDocument(path);
        if (refusal != HANDOFF_ALLOWED) {
            if (m_rules.onHandoffRefused && (m_cursor || m_counter))
                m_rules.onHandoffRefused(path, HandoffRefusalText(refusal), m_rules.context);
            return 0;
        }
        if (m_cursor && !AppendPath(m_cursor, path, length))
            return 0;
        if (m_counter)
            ++*m_counter;
        return static_cast<int>(length + 1);
    }

    PathListCursor* m_cursor;
    int* m_counter;
    const WalkRules& m_rules;
    // The lengths of the folders being walked: each a beginning of the path.
    std::vector<size_t> m_ancestors;
};

} // namespace

const wchar_t* FileExtension(const wchar_t* path)
{
    const wchar_t* dot = wcsrchr(path, L'.');
    const wchar_t* slash = wcsrchr(path, L'\\');
    if (!dot || (slash && dot < slash))
        return path + wcslen(path);
    return dot + 1;
}

bool IsFileAccepted(const wchar_t* path, const WalkRules& rules)
{
    if (rules.acceptAll == 1)
        return true;
    const wchar_t* extension = FileExtension(path);
    for (const std::wstring& line : rules.extensions) {
        if (lstrcmpiW(extension, line.c_str()) == 0)
            return true;
    }
    return false;
}

void ReportRefusedDocument(const wchar_t* path, const wchar_t* reason, void (*writeLine)(const wchar_t* line),
                           HINSTANCE messageModule)
{
    if (!path)
        return;
    if (writeLine) {
        std::wstring line = std::wstring(L"Not handed off, ") + (reason ? reason : L"") + L", skipped: " + path;
        writeLine(line.c_str());
    }
    if (messageModule)
        ShowNotHandedOff(messageModule, std::vector<std::wstring>{path});
}

bool AppendPath(PathListCursor* cursor, const wchar_t* path, size_t length)
{
    if (cursor->full || cursor->next > cursor->end ||
        static_cast<size_t>(cursor->end - cursor->next) < length + 1) {
        cursor->full = true;
        return false;
    }
    memcpy(cursor->next, path, length * sizeof(wchar_t));
    cursor->next[length] = L'\0';
    cursor->next += length + 1;
    return true;
}

int CollectFiles(const wchar_t* path, PathListCursor* cursor, int* counter, const WalkRules& rules)
{
    if (!path)
        return 0;
    CWalk walk(cursor, counter, rules);
    return walk.Path(path, wcslen(path));
}
