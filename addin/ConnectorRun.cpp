// The connector's Run: the properties of an ini file, the storage location,
// a hand-off file per listed document and the start of the receiving program.
#include "KQConnectorCOM.h"

#include "CommonResource.h"
#include "ConnectorIds.h"
#include "HandoffFile.h"
#include "LanguageText.h"
#include "LogFile.h"
#include "PropertyCollection.h"
#include "ServerModule.h"
#include "Settings.h"
#include "StorageLocation.h"
#include "TextHelpers.h"

#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

// "...Fehler:\r\n%s": the documents that could not be handed off.
const UINT IDS_DOCUMENTS_NOT_HANDED_OFF = 8020;
// What the message boxes format at most, closing NUL excluded.
const size_t BOX_TEXT_MAX = 1024;

const DWORD SECTION_CHARS = 65536;
// A properties line must fit into this many characters with its NUL.
const size_t LINE_CHARS = 4096;
const DWORD INI_PATH_CHARS = 2048;
const int PROPERTY_TYPE_TEXT = 1;

// Adds one name=value line; the first "=" splits it, further ones belong to
// the value, and a line without "=" is a name with an empty value.
void AddPropertyLine(const wchar_t* line, size_t length, const wchar_t* iniPath, CPropertyCollection& props)
{
    if (length >= LINE_CHARS) {
        g_Log.Warning(L"Run: properties line of %d characters in %s skipped\n", static_cast<int>(length), iniPath);
        return;
    }
    const wchar_t* equals = wcschr(line, L'=');
    std::wstring name = equals ? std::wstring(line, static_cast<size_t>(equals - line)) : std::wstring(line);
    if (name.empty())
        return;
    props.Add(name.c_str(), equals ? equals + 1 : L"", PROPERTY_TYPE_TEXT);
}

// The [Properties] section of the ini file, when it names an existing file.
void ReadPropertiesFile(const wchar_t* iniPath, CPropertyCollection& props)
{
    if (!iniPath || !*iniPath)
        return;
    // The profile functions look for a relative name in the Windows folder,
    // while the caller means its own current folder.
    wchar_t fullPath[INI_PATH_CHARS];
    DWORD cch = GetFullPathNameW(iniPath, INI_PATH_CHARS, fullPath, nullptr);
    if (cch == 0 || cch >= INI_PATH_CHARS) {
        g_Log.Warning(L"Run: can not resolve the properties file %s\n", iniPath);
        return;
    }
    DWORD attributes = GetFileAttributesW(fullPath);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;

    std::unique_ptr<wchar_t[]> section(new wchar_t[SECTION_CHARS]);
    DWORD used = GetPrivateProfileSectionW(L"Properties", section.get(), SECTION_CHARS, fullPath);
    if (used == 0)
        return;
    bool truncated = used >= SECTION_CHARS - 2;
    if (truncated)
        g_Log.Warning(L"Run: [Properties] of %s exceeds %d characters, its last line is skipped\n", fullPath,
                      static_cast<int>(SECTION_CHARS));

    const wchar_t* end = section.get() + used;
    for (const wchar_t* line = section.get(); line < end && *line;) {
        size_t length = wcsnlen(line, static_cast<size_t>(end - line));
        const wchar_t* next = line + length + 1;
        // The line cut by a full buffer is not taken as a shorter value.
        if (truncated && next >= end)
            break;
        AddPropertyLine(line, length, fullPath, props);
        line = next;
    }
}

// Message 8020 with as many of the names as the box holds.
void ShowNotHandedOff(HINSTANCE module, const std::vector<std::wstring>& names)
{
    wchar_t format[BOX_TEXT_MAX + 1];
    LoadText(module, format, _countof(format), IDS_DOCUMENTS_NOT_HANDED_OFF);
    size_t formatChars = wcslen(format);
    // The "%s" itself gives way to the names.
    size_t room = formatChars >= BOX_TEXT_MAX ? 0 : BOX_TEXT_MAX - formatChars + 2;
    if (room > BOX_TEXT_MAX)
        room = BOX_TEXT_MAX;
    ShowErrorBox(module, IDS_DOCUMENTS_NOT_HANDED_OFF, JoinNamesThatFit(names, room).c_str());
}

} // namespace

HRESULT CKQConnectorCOM::Run(const wchar_t* pathList, const wchar_t* iniPath, int pathCount)
{
    CKQCSettings settings;
    if (FAILED(LoadSettings(&settings)))
        return E_FAIL;

    CPropertyCollection props;
    ReadPropertiesFile(iniPath, props);

    HINSTANCE module = GetServerInstance();
    // The location is asked for before anything is written, so a cancel
    // leaves nothing behind.
    if (settings.GetParamCount() > 1 && SelectStorageLocation(module, &settings) == 0) {
        g_Log.Info(L"Run: choice of storage location cancelled\n");
        return CONNECTOR_RUN_CANCELLED;
    }

    // A missing list is an empty one: nothing to write, only the start.
    static const wchar_t emptyList[2] = {L'\0', L'\0'};
    HandoffIdList ids;
    std::vector<std::wstring> notHandedOff;
    if (!WriteHandoffFileList(pathList ? pathList : emptyList, pathCount, &props, ids, false, &notHandedOff)) {
        g_Log.Error(L"Run: can not write the hand-off files\n");
        ShowErrorBox(module, IDS_HANDOFF_FILE_FAILED);
        return E_FAIL;
    }
    if (!LaunchOberlane(&settings, ids, STARTAPP_CONNECTOR)) {
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
