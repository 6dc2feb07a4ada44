// The connector's Run: the properties of an ini file, the storage location,
// a hand-off file per listed document and the start of the receiving program.
#include "KQConnectorCOM.h"

#include "CommonResource.h"
#include "ConnectorIds.h"
#include "HandoffFile.h"
#include "InboxFolder.h"
#include "LanguageText.h"
#include "LogFile.h"
#include "PropertyCollection.h"
#include "ScopedHandles.h"
#include "ServerModule.h"
#include "Settings.h"
#include "StorageLocation.h"

#include <cwchar>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

// The section is read whole: the buffer starts here and grows until it fits.
const DWORD FIRST_SECTION_CHARS = 65536;
const DWORD MAX_SECTION_CHARS = 0x10000000;
const DWORD INI_PATH_CHARS = 2048;
const int PROPERTY_TYPE_TEXT = 1;

// Adds one name=value line; the first "=" splits it, further ones belong to
// the value, and a line without "=" is a name with an empty value. A line of
// any length is taken whole.
void AddPropertyLine(const wchar_t* line, CPropertyCollection& props)
{
    const wchar_t* equals = wcschr(line, L'=');
    std::wstring name = equals ? std::wstring(line, static_cast<size_t>(equals - line)) : std::wstring(line);
    if (name.empty())
        return;
    props.Add(name.c_str(), equals ? equals + 1 : L"", PROPERTY_TYPE_TEXT);
}

// The profile functions read a file they cannot open as an empty one.
bool CanReadFile(const wchar_t* path, DWORD* error)
{
    CFileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        *error = GetLastError();
        return false;
    }
    return true;
}

// The [Properties] section of the ini file, when it names an existing file.
// False when the file is there but cannot be read whole: the caller asked
// for properties that no hand-off may go without.
bool ReadPropertiesFile(const wchar_t* iniPath, CPropertyCollection& props)
{
    if (!iniPath || !*iniPath)
        return true;
    // The profile functions look for a relative name in the Windows folder,
    // while the caller means its own current folder.
    wchar_t fullPath[INI_PATH_CHARS];
    DWORD cch = GetFullPathNameW(iniPath, INI_PATH_CHARS, fullPath, nullptr);
    if (cch == 0 || cch >= INI_PATH_CHARS) {
        g_Log.Error(L"Run: can not resolve the properties file %s\n", iniPath);
        return false;
    }
    // Only a file that is not there means no properties; a file that cannot
    // be looked at may hold them.
    DWORD attributes = GetFileAttributesW(fullPath);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return true;
        g_Log.Error(L"Run: can not look at the properties file %s, error: %d\n", fullPath, static_cast<int>(error));
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return true;

    DWORD error = 0;
    if (!CanReadFile(fullPath, &error)) {
        g_Log.Error(L"Run: can not read the properties file %s, error: %d\n", fullPath, static_cast<int>(error));
        return false;
    }
    std::unique_ptr<wchar_t[]> section;
    DWORD used = 0;
    for (DWORD size = FIRST_SECTION_CHARS;; size *= 2) {
        if (size <= MAX_SECTION_CHARS)
            section.reset(new (std::nothrow) wchar_t[size]);
        if (size > MAX_SECTION_CHARS || !section) {
            g_Log.Error(L"Run: the properties file %s is too large to be read\n", fullPath);
            return false;
        }
        used = GetPrivateProfileSectionW(L"Properties", section.get(), size, fullPath);
        // A section cut to the buffer comes back as size - 2 characters.
        if (used < size - 2)
            break;
    }
    // Taken away between the check and the read, it reads as empty.
    if (used == 0 && !CanReadFile(fullPath, &error)) {
        g_Log.Error(L"Run: can not read the properties file %s, error: %d\n", fullPath, static_cast<int>(error));
        return false;
    }
    const wchar_t* end = section.get() + used;
    for (const wchar_t* line = section.get(); line < end && *line; line += wcslen(line) + 1)
        AddPropertyLine(line, props);
    return true;
}

// The paths of the list as given, for a message that names them.
std::vector<std::wstring> ListedPaths(const wchar_t* list, int count)
{
    std::vector<std::wstring> paths;
    for (int i = 0; i < count && *list; ++i, list += wcslen(list) + 1)
        paths.emplace_back(list);
    return paths;
}

} // namespace

HRESULT CKQConnectorCOM::Run(const wchar_t* pathList, const wchar_t* iniPath, int pathCount)
{
    CKQCSettings settings;
    if (FAILED(LoadSettings(&settings)))
        return E_FAIL;

    HINSTANCE module = GetServerInstance();
    CPropertyCollection props;
    if (!ReadPropertiesFile(iniPath, props)) {
        ShowErrorBox(module, IDS_HANDOFF_FILE_FAILED);
        return E_FAIL;
    }

    // The location is asked for before anything is written, so a cancel
    // leaves nothing behind.
    const bool ask = settings.GetParamCount() > 1;
    std::wstring chosen;
    if (ask && SelectStorageLocation(module, &settings, &chosen) == 0) {
        g_Log.Info(L"Run: choice of storage location cancelled\n");
        return CONNECTOR_RUN_CANCELLED;
    }

    // A missing list is an empty one: nothing to write, only the start.
    static const wchar_t emptyList[2] = {L'\0', L'\0'};
    const wchar_t* list = pathList ? pathList : emptyList;
    const bool nothingListed = pathCount < 1 || !*list;
    HandoffIdList ids;
    std::vector<std::wstring> notHandedOff;
    if (!WriteHandoffFileList(list, pathCount, &props, ids, false, &notHandedOff)) {
        g_Log.Error(L"Run: can not write the hand-off files\n");
        // Nothing is started: the folders written so far would wait forever.
        MarkDataFoldersForDelete(ids);
        ShowErrorBox(module, IDS_HANDOFF_FILE_FAILED);
        return E_FAIL;
    }
    // Documents were listed and none is on its way: a start would show the
    // receiving program nothing.
    if (!nothingListed && ids.empty()) {
        g_Log.Error(L"Run: none of the listed documents could be handed off\n");
        ShowNotHandedOff(module, notHandedOff.empty() ? ListedPaths(list, pathCount) : notHandedOff);
        return E_FAIL;
    }
    if (!LaunchOberlane(&settings, ids, STARTAPP_CONNECTOR, ask ? &chosen : nullptr)) {
        ShowErrorBox(module, IDS_OBERLANE_NOT_FOUND);
        return E_FAIL;
    }
    // The others are on their way; the caller must not take this call for
    // a whole success.
    if (!notHandedOff.empty()) {
        g_Log.Error(L"Run: %d listed documents could not be handed off\n", static_cast<int>(notHandedOff.size()));
        ShowNotHandedOff(module, notHandedOff);
        return E_FAIL;
    }
    return S_OK;
}
