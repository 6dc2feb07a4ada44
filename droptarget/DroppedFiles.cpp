#include "WalkerCalls.h"

#include "LanguageText.h"
#include "LogFile.h"
#include "ModuleInstance.h"
#include "WalkerMessages.h"

#include <climits>
#include <new>
#include <vector>

DropHandoffOptions g_DropHandoff;

namespace {

void ReportRefused(const wchar_t* path, void* context)
{
    const DropHandoffOptions* options = static_cast<const DropHandoffOptions*>(context);
    if (options->silent == 0)
        ShowErrorBox(GetThisModule(), IDS_FILE_NOT_SUPPORTED, path);
}

void ReportTooLong(const wchar_t* path, void*)
{
    g_Log.Warning(L"Path too long for the walker, skipped: %s\n", path);
}

void ReportUnreachable(const wchar_t* path, void*)
{
    g_Log.Warning(L"Name ends in a dot or a blank, skipped: %s\n", path);
}

void LogRefusal(const wchar_t* line)
{
    g_Log.Warning(L"%s\n", line);
}

void ReportHandoffRefused(const wchar_t* path, const wchar_t* reason, void* context)
{
    const DropHandoffOptions* options = static_cast<const DropHandoffOptions*>(context);
    ReportRefusedDocument(path, reason, LogRefusal, options->silent == 0 ? GetThisModule() : nullptr);
}

void HandOff(const std::vector<std::wstring>& dropped, const DropHandoffOptions& options)
{
    WalkRules rules = options.rules;
    rules.onRefused = ReportRefused;
    rules.onTooLong = ReportTooLong;
    rules.onUnreachable = ReportUnreachable;
    rules.onHandoffRefused = ReportHandoffRefused;
    rules.context = const_cast<DropHandoffOptions*>(&options);

    long long total = 0;
    for (const std::wstring& path : dropped)
        total += CollectFiles(path.c_str(), nullptr, nullptr, rules);
    if (total >= INT_MAX) {
        g_Log.Error(L"Too many dropped files: %d characters of paths\n", INT_MAX);
        return;
    }

    // The closing NUL stays behind the last path: the cursor never reaches it.
    std::vector<wchar_t> pathList(static_cast<size_t>(total) + 1, L'\0');
    PathListCursor cursor;
    cursor.next = pathList.data();
    cursor.end = pathList.data() + total;
    int count = 0;
    int written = 0;
    for (size_t i = 0; i < dropped.size() && !cursor.full; ++i)
        written += CollectFiles(dropped[i].c_str(), &cursor, &count, rules);
    if (cursor.full)
        g_Log.Warning(L"The dropped folders grew while they were walked; handing off the first %d files\n", count);

    if (count > 1 && options.fileQuestion == 1) {
        wchar_t question[1025];
        LoadFormattedText(GetThisModule(), question, _countof(question), IDS_ARCHIVE_ALL_FILES, count);
        // Only a yes goes on: Escape (IDCANCEL) or a box that could not be
        // shown (0) archives nothing.
        int answer = MessageBoxW(options.window, question, options.title.c_str(), MB_TOPMOST | MB_ICONQUESTION | MB_YESNO);
        if (answer != IDYES) {
            if (answer == 0)
                g_Log.Error(L"Can not ask before handing off %d files, error: %d\n", count,
                            static_cast<int>(GetLastError()));
            return;
        }
    }
    if (count < 1) {
        ShowErrorBox(GetThisModule(), IDS_NO_FILES_ACCEPTED);
        return;
    }
    UploadFiles(pathList.data(), written + 1, count, options.uploadIni.c_str());
}

} // namespace

std::vector<std::wstring> CopyDroppedPaths(HDROP list)
{
    std::vector<std::wstring> paths;
    UINT dropped = DragQueryFileW(list, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < dropped; ++i) {
        UINT length = DragQueryFileW(list, i, nullptr, 0);
        if (length == 0)
            continue;
        std::vector<wchar_t> path(length + 1, L'\0');
        if (DragQueryFileW(list, i, path.data(), length + 1) != 0)
            paths.emplace_back(path.data());
    }
    return paths;
}

void HandleDroppedPaths(const std::vector<std::wstring>& paths, const DropHandoffOptions& options)
{
    // Called from a drop's work or the drop target: nothing may escape.
    try {
        HandOff(paths, options);
    } catch (const std::bad_alloc&) {
        g_Log.Error(L"Out of memory while handing off dropped files\n");
    } catch (...) {
        g_Log.Error(L"Unexpected error while handing off dropped files\n");
    }
}

void HandleDroppedFiles(HDROP list, const DropHandoffOptions& options)
{
    try {
        HandleDroppedPaths(CopyDroppedPaths(list), options);
    } catch (const std::bad_alloc&) {
        g_Log.Error(L"Out of memory while handing off dropped files\n");
    }
}
