#include "StorageLocation.h"

#include "CommonResource.h"
#include "LanguageText.h"
#include "LogFile.h"
#include "OneAtATime.h"
#include "UserRegistry.h"
#include "WideFormat.h"
#include "WindowHelpers.h"

#include <shellapi.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

const size_t LABEL_CHARS = 1024;
const size_t LAUNCH_LABEL_CHARS = 1048;
const DWORD LOADER_PATH_CHARS = 2048;
const size_t CONTROL_TEXT_CHARS = 1024;

const wchar_t LABEL_KEY[] = L"label";

// Where the open dialog puts the text of the location chosen with OK; null
// when its caller does not ask. One dialog is open at a time.
std::wstring* g_chosenLocation = nullptr;

// LastOberlaneConfig into buf (cch characters), always terminated; empty
// when it is not stored.
void ReadLastLocationLabel(wchar_t* buf, size_t cch)
{
    wmemset(buf, L'\0', cch);
    LONG got = ReadUserRegValue(SZ_LASTOBERLANECONFIG, buf, static_cast<DWORD>((cch - 1) * sizeof(wchar_t)));
    if (got <= 0)
        buf[0] = L'\0';
}

void SetControlText(HWND dialog, int control, HINSTANCE module, UINT id)
{
    wchar_t text[CONTROL_TEXT_CHARS];
    LoadText(module, text, CONTROL_TEXT_CHARS, id);
    if (control)
        SetDlgItemTextW(dialog, control, text);
    else
        SetWindowTextW(dialog, text);
}

void InitSelectDialog(HWND dialog, const CKQCSettings* settings)
{
    HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
    SetControlText(dialog, 0, module, IDS_SELECT_CAPTION);
    SetControlText(dialog, IDOK, module, IDS_OK);
    SetControlText(dialog, IDCANCEL, module, IDS_CANCEL);
    SetControlText(dialog, IDC_LOCATION_PROMPT, module, IDS_SELECT_PROMPT);
    CenterWindow(dialog, GetDesktopWindow());
    if (!settings) {
        g_Log.Error(L"Fatal error in select dialog! Settings not initialized!\n");
        EndDialog(dialog, 0);
        return;
    }

    wchar_t last[LABEL_CHARS];
    ReadLastLocationLabel(last, LABEL_CHARS);
    HWND list = GetDlgItem(dialog, IDC_LOCATION_LIST);
    LRESULT selection = 0;
    for (const auto& entry : settings->GetValues()) {
        const CSettingValue* value = entry.second;
        if (value->GetType() != SETTING_PARAM)
            continue;
        wchar_t label[LABEL_CHARS];
        GetLocationLabel(value->GetText(), label, LABEL_CHARS);
        LRESULT position = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label));
        if (position < 0)
            continue;
        // Labels may repeat in another case or be empty: the entry itself
        // says which location was chosen. The settings outlive the dialog.
        SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(value->GetText()));
        if (lstrcmpiW(label, last) == 0)
            selection = position;
    }
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
}

void ConfirmSelection(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_LOCATION_LIST);
    LRESULT selection = SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (selection == CB_ERR)
        return;
    wchar_t label[LABEL_CHARS] = L"";
    LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(selection), 0);
    if (length > 0 && static_cast<size_t>(length) < LABEL_CHARS)
        SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(selection), reinterpret_cast<LPARAM>(label));
    // An empty label keeps the one remembered before.
    if (label[0])
        WriteUserRegString(SZ_LASTOBERLANECONFIG, label);
    LRESULT data = SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(selection), 0);
    if (g_chosenLocation && data != CB_ERR && data != 0)
        *g_chosenLocation = reinterpret_cast<const wchar_t*>(data);
    EndDialog(dialog, 1);
}

// The text of the storage location the launcher passes: with one location,
// or nothing remembered, the first; else the last whose label matches.
std::wstring ChooseLocation(const CKQCSettings* settings)
{
    wchar_t wanted[LAUNCH_LABEL_CHARS] = L"";
    if (settings->GetParamCount() > 1)
        ReadLastLocationLabel(wanted, LAUNCH_LABEL_CHARS);
    std::wstring chosen;
    for (const auto& entry : settings->GetValues()) {
        const CSettingValue* value = entry.second;
        if (value->GetType() != SETTING_PARAM)
            continue;
        if (!wanted[0])
            return value->GetText();
        wchar_t label[LAUNCH_LABEL_CHARS];
        GetLocationLabel(value->GetText(), label, LAUNCH_LABEL_CHARS);
        if (lstrcmpiW(label, wanted) == 0)
            chosen = value->GetText();
    }
    return chosen;
}

// The characters that the parameters of one start may take: a command line
// holds at most 32,767 characters with its NUL, and the shell puts the
// quoted program path and a blank before the parameters.
size_t ParameterRoom(const wchar_t* program)
{
    const size_t commandLineChars = 32767;
    size_t programChars = wcslen(program) + 3;
    return programChars + 1 < commandLineChars ? commandLineChars - 1 - programChars : 0;
}

// The parameters of each start: the location, " files=" with as many whole
// ids as fit, and " startapp=". A list too long for one command line is
// handed over in several starts rather than cut. firstIds holds, for each
// start, the index of its first id. False when not even one id fits beside
// the location.
bool SplitParameters(const std::wstring& location, const HandoffIdList& ids, int sourceCode, size_t room,
                     std::vector<std::wstring>* starts, std::vector<size_t>* firstIds)
{
    const std::wstring tail = L" startapp=" + std::to_wstring(sourceCode);
    if (ids.empty()) {
        starts->push_back(location + tail);
        firstIds->push_back(0);
        return location.size() + tail.size() <= room;
    }
    std::wstring current;
    for (size_t i = 0; i < ids.size(); ++i) {
        const _bstr_t& entry = ids[i];
        std::wstring id = entry.length() ? static_cast<const wchar_t*>(entry) : L"";
        if (!current.empty() && current.size() + 1 + id.size() + tail.size() <= room) {
            current += L"," + id;
            continue;
        }
        if (!current.empty())
            starts->push_back(current + tail);
        firstIds->push_back(i);
        current = location + L" files=" + id;
        if (current.size() + tail.size() > room)
            return false;
    }
    starts->push_back(current + tail);
    return true;
}

// A program file named by its full path: "X:\..." or "\\server\...". The
// shell would open a folder in Explorer and look for a relative name in the
// caller's current folder, which may be the documents' own.
bool IsProgramFileByFullPath(const wchar_t* path, DWORD* error)
{
    bool drive = ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) && path[1] == L':' &&
                 path[2] == L'\\';
    bool share = path[0] == L'\\' && path[1] == L'\\';
    if (!drive && !share) {
        *error = ERROR_BAD_PATHNAME;
        return false;
    }
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        *error = GetLastError();
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        *error = ERROR_DIRECTORY;
        return false;
    }
    return true;
}

// The ids from index first on were handed to no program: marked like the
// hand-off folders of a cancelled choice, so failed tries do not pile up.
void MarkUnhandedFolders(const HandoffIdList& ids, size_t first)
{
    if (first < ids.size())
        MarkDataFoldersForDelete(HandoffIdList(ids.begin() + static_cast<std::ptrdiff_t>(first), ids.end()));
}

} // namespace

wchar_t* GetLocationLabel(const wchar_t* location, wchar_t* buffer, size_t cch)
{
    if (!buffer || cch == 0)
        return buffer;
    buffer[0] = L'\0';
    const wchar_t* key = location ? wcsstr(location, LABEL_KEY) : nullptr;
    if (!key)
        return buffer;
    // The quote must stand right behind "label=" and be the first one after
    // "label"; wcschr never reads past the text's end.
    const wchar_t* open = wcschr(key, L'"');
    if (!open || open != key + wcslen(LABEL_KEY) + 1)
        return buffer;
    const wchar_t* close = wcschr(open + 1, L'"');
    if (!close)
        return buffer;
    size_t length = static_cast<size_t>(close - (open + 1));
    if (length >= cch)
        length = cch - 1;
    wmemcpy(buffer, open + 1, length);
    buffer[length] = L'\0';
    return buffer;
}

wchar_t* GetLocationValue(const wchar_t* location, wchar_t* buffer, size_t cch, const wchar_t* key)
{
    if (!buffer || cch == 0)
        return buffer;
    buffer[0] = L'\0';
    const wchar_t* found = location && key && *key ? wcsstr(location, key) : nullptr;
    if (!found)
        return buffer;
    const wchar_t* value = found + wcslen(key);
    // Skip the "=" only when the text goes on behind the key.
    if (*value)
        ++value;
    const wchar_t* end = wcschr(value, L' ');
    size_t length = end ? static_cast<size_t>(end - value) : wcslen(value);
    if (length >= cch)
        length = cch - 1;
    wmemcpy(buffer, value, length);
    buffer[length] = L'\0';
    return buffer;
}

namespace {
CDialogSlot s_locationSlot;
} // namespace

INT_PTR CALLBACK SelectStorageLocationDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Nothing may leave a window procedure as an exception.
    try {
        switch (message) {
        case WM_INITDIALOG:
            s_locationSlot.SetWindow(dialog);
            InitSelectDialog(dialog, reinterpret_cast<const CKQCSettings*>(lParam));
            return FALSE;
        case WM_COMMAND:
            if (wParam == IDOK) {
                ConfirmSelection(dialog);
                return TRUE;
            }
            if (wParam == IDCANCEL) {
                EndDialog(dialog, 0);
                return TRUE;
            }
            break;
        default:
            break;
        }
    } catch (...) {
        g_Log.Error(L"SelectStorageLocationDlgProc: unexpected failure\n");
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

INT_PTR SelectStorageLocation(HINSTANCE module, CKQCSettings* settings, std::wstring* chosenLocation)
{
    // A request while the dialog is open returns at once: the open one keeps
    // its own place for the answer.
    std::wstring chosen;
    std::wstring* const previous = g_chosenLocation;
    g_chosenLocation = &chosen;
    INT_PTR result = s_locationSlot.Show(module, MAKEINTRESOURCEW(IDD_SELECT_LOCATION), SelectStorageLocationDlgProc,
                                         reinterpret_cast<LPARAM>(settings));
    g_chosenLocation = previous;
    if (chosenLocation)
        *chosenLocation = result == 1 ? chosen : std::wstring();
    if (result == DIALOG_ALREADY_OPEN) {
        // The open one still decides for its own hand-off; this one ends as if cancelled.
        g_Log.Warning(L"SelectStorageLocation: the dialog is already open\n");
        return 0;
    }
    if (result == -1) {
        g_Log.Error(L"SelectStorageLocation: can not show the dialog, error: %d\n", static_cast<int>(GetLastError()));
        return 0;
    }
    return result == 1 ? 1 : 0;
}

bool LaunchOberlane(const CKQCSettings* settings, const HandoffIdList& ids, int sourceCode,
                    const std::wstring* chosenLocation)
{
    const wchar_t* loader = settings ? settings->GetText(SZ_LOADER) : nullptr;
    DWORD error = ERROR_FILE_NOT_FOUND;
    if (loader && *loader && !IsProgramFileByFullPath(loader, &error)) {
        g_Log.Error(L"LaunchOberlane: Loader %s names no program file by its full path\n", loader);
        g_Log.Error(L"Failed to find dovrane Oberlane, error: %d\n", static_cast<int>(error));
        MarkUnhandedFolders(ids, 0);
        return false;
    }
    wchar_t shortPath[LOADER_PATH_CHARS] = L"";
    DWORD length = GetShortPathNameW(loader ? loader : L"", shortPath, LOADER_PATH_CHARS);
    if (length == 0 || length >= LOADER_PATH_CHARS || !loader || !*loader) {
        error = length >= LOADER_PATH_CHARS ? ERROR_FILENAME_EXCED_RANGE : GetLastError();
        g_Log.Error(L"Failed to find dovrane Oberlane, error: %d\n", static_cast<int>(error));
        MarkUnhandedFolders(ids, 0);
        return false;
    }
    wchar_t folder[LOADER_PATH_CHARS];
    CopyText(folder, LOADER_PATH_CHARS, shortPath);
    if (wchar_t* slash = wcsrchr(folder, L'\\'))
        *slash = L'\0';
    else
        folder[0] = L'\0';

    // The location chosen in this call's dialog, else the one the settings
    // and the remembered label name.
    const std::wstring location = chosenLocation ? *chosenLocation : ChooseLocation(settings);
    std::vector<std::wstring> starts;
    std::vector<size_t> firstIds;
    if (!SplitParameters(location, ids, sourceCode, ParameterRoom(shortPath), &starts, &firstIds)) {
        g_Log.Error(L"Failed to open dovrane Oberlane, error: %d\n", static_cast<int>(ERROR_FILENAME_EXCED_RANGE));
        MarkUnhandedFolders(ids, 0);
        return false;
    }
    if (starts.size() > 1)
        g_Log.Info(L"LaunchOberlane: %d hand-off folders in %d starts\n", static_cast<int>(ids.size()),
                   static_cast<int>(starts.size()));
    for (size_t i = 0; i < starts.size(); ++i) {
        SHELLEXECUTEINFOW info = {};
        info.cbSize = sizeof(info);
        info.lpVerb = L"open";
        info.lpFile = shortPath;
        info.lpParameters = starts[i].c_str();
        info.lpDirectory = folder[0] ? folder : nullptr;
        info.nShow = SW_SHOW;
        if (!ShellExecuteExW(&info)) {
            g_Log.Error(L"Failed to open dovrane Oberlane, error: %d\n", static_cast<int>(GetLastError()));
            if (i > 0)
                g_Log.Error(L"LaunchOberlane: only %d of %d starts were made\n", static_cast<int>(i),
                            static_cast<int>(starts.size()));
            MarkUnhandedFolders(ids, firstIds[i]);
            return false;
        }
    }
    return true;
}
