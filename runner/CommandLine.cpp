#include "CommandLine.h"

#include "ConnectorIds.h"
#include "DocumentPath.h"
#include "FolderWalker.h"

#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// One line naming a document that is not handed off; UTF-8, so that any
// name reaches the script as it is (the C runtime's own conversion stops at
// the first character its locale lacks).
void PrintSkipped(const char* what, const wchar_t* path)
{
    std::string line = what;
    int length = static_cast<int>(wcslen(path));
    int size = WideCharToMultiByte(CP_UTF8, 0, path, length, nullptr, 0, nullptr, nullptr);
    if (size > 0) {
        std::string bytes(static_cast<size_t>(size), '\0');
        WideCharToMultiByte(CP_UTF8, 0, path, length, &bytes[0], size, nullptr, nullptr);
        line += bytes;
    }
    line += "\n";
    fwrite(line.data(), 1, line.size(), stdout);
    fflush(stdout);
}

// The walker takes every file and shows no message here; a document it
// found but cannot hand off is mentioned on the standard output (in the
// filling pass, which counts it as left out).
void ReportTooLong(const wchar_t* path, void* leftOut)
{
    if (leftOut) {
        PrintSkipped("Path too long, skipped: ", path);
        ++*static_cast<int*>(leftOut);
    }
}

void ReportUnreachable(const wchar_t* path, void* leftOut)
{
    if (leftOut) {
        PrintSkipped("Name ends in a dot or a blank, skipped: ", path);
        ++*static_cast<int*>(leftOut);
    }
}

void PrintLine(const wchar_t* line)
{
    PrintSkipped("", line);
}

// Quenby shows no message of the walker's: it is silent.
void ReportHandoffRefused(const wchar_t* path, const wchar_t* reason, void* leftOut)
{
    if (leftOut) {
        ReportRefusedDocument(path, reason, PrintLine, nullptr);
        ++*static_cast<int*>(leftOut);
    }
}

WalkRules RunnerRules(int* leftOut)
{
    WalkRules rules;
    rules.acceptAll = 1;
    rules.onTooLong = ReportTooLong;
    rules.onUnreachable = ReportUnreachable;
    rules.onHandoffRefused = ReportHandoffRefused;
    rules.context = leftOut;
    return rules;
}

// Drops every listed path that is no file on disk any more (it vanished
// since the walk); returns the characters left, closing NUL excluded.
int KeepFiles(wchar_t* list, int* files, int* leftOut)
{
    wchar_t* to = list;
    wchar_t* from = list;
    while (*from) {
        size_t length = wcslen(from) + 1;
        if (ResolveDocumentPath(from, nullptr) == DOCUMENT_FILE) {
            if (to != from)
                wmemmove(to, from, length);
            to += length;
        } else {
            PrintSkipped("No file any more, skipped: ", from);
            --*files;
            ++*leftOut;
        }
        from += length;
    }
    // What moved up leaves NULs behind it; the list still ends in two.
    wmemset(to, L'\0', static_cast<size_t>(from - to) + 1);
    return static_cast<int>(to - list);
}

// Each argument is copied into a buffer of ARGUMENT_CHARS characters first;
// one that does not fit names nothing.
bool CopyArgument(const wchar_t* argument, wchar_t (&copy)[ARGUMENT_CHARS])
{
    size_t length = wcslen(argument);
    if (length >= ARGUMENT_CHARS)
        return false;
    wmemcpy(copy, argument, length + 1);
    return true;
}

DWORD AttributesOf(const wchar_t* argument, DWORD* error)
{
    wchar_t copy[ARGUMENT_CHARS];
    if (!CopyArgument(argument, copy)) {
        *error = ERROR_FILENAME_EXCED_RANGE;
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = GetFileAttributesW(copy);
    *error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0;
    return attributes;
}

// The document an argument names, in its full form: the receiving program
// starts in its own folder. A device (CON, NUL, COM1) names nothing; so does
// an argument that does not fit.
bool ResolveDocumentArgument(const wchar_t* argument, std::wstring* fullPath)
{
    wchar_t copy[ARGUMENT_CHARS];
    if (!CopyArgument(argument, copy) || !GetFullDocumentPath(copy, fullPath) || IsDevicePath(*fullPath))
        return false;
    return GetFileAttributesW(fullPath->c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Only the switch itself is one, in either case: a path such as
// "C:/sales/q1.txt" holds "/s" and is still a path.
enum Switch { SWITCH_NONE, SWITCH_FILES, SWITCH_PROPERTIES, SWITCH_SETTINGS };

Switch SwitchOf(const wchar_t* argument)
{
    if (argument[0] != L'/' || argument[1] == L'\0' || argument[2] != L'\0')
        return SWITCH_NONE;
    switch (argument[1]) {
    case L'f':
    case L'F':
        return SWITCH_FILES;
    case L'c':
    case L'C':
        return SWITCH_PROPERTIES;
    case L's':
    case L'S':
        return SWITCH_SETTINGS;
    default:
        return SWITCH_NONE;
    }
}

class CArgumentList
{
public:
    explicit CArgumentList(const wchar_t* commandLine) : m_args(CommandLineToArgvW(commandLine, &m_count)) {}
    ~CArgumentList()
    {
        if (m_args)
            LocalFree(m_args);
    }
    CArgumentList(const CArgumentList&) = delete;
    CArgumentList& operator=(const CArgumentList&) = delete;

    bool IsValid() const { return m_args != nullptr; }
    int Count() const { return m_count; }
    const wchar_t* operator[](int i) const { return m_args[i]; }

private:
    int m_count = 0;
    LPWSTR* m_args;
};

} // namespace

int ParseCommandLine(VARIANT* slots, wchar_t* buffer, size_t bufferChars, int* length, int* settings,
                     const wchar_t* commandLine, int* leftOut, PropertiesArgument* properties)
{
    CArgumentList args(commandLine ? commandLine : GetCommandLineW());
    if (!args.IsValid()) {
        printf("CommandLineToArgvW failed\n");
        return 0;
    }
    int walkLeftOut = 0;
    const WalkRules countRules = RunnerRules(nullptr);
    const WalkRules fillRules = RunnerRules(&walkLeftOut);
    const bool counting = !slots || !buffer;
    int count = 0;
    bool usable = false;
    bool filesSeen = false;
    bool iniSeen = false;
    int sum = 0;
    std::vector<std::wstring> documents;
    std::wstring document;
    for (int i = 0; i < args.Count(); ++i) {
        const wchar_t* arg = args[i];
        switch (SwitchOf(arg)) {
        case SWITCH_FILES:
            // A repeated "/f" goes on with the same list.
            filesSeen = true;
            continue;
        case SWITCH_PROPERTIES:
            // Its argument is taken whatever it is, even a switch; only the
            // first "/c" counts.
            if (!iniSeen) {
                PropertiesArgument ini;
                ini.asked = true;
                if (i + 1 < args.Count()) {
                    ini.path = args[i + 1];
                    ini.attributes = AttributesOf(args[i + 1], &ini.error);
                }
                if (!counting && ini.IsPlainFile()) {
                    VariantClear(&slots[ARG_PROPERTIES]);
                    slots[ARG_PROPERTIES].vt = VT_BSTR;
                    slots[ARG_PROPERTIES].bstrVal = SysAllocString(ini.path.c_str());
                    count += 1;
                }
                if (properties)
                    *properties = ini;
            }
            iniSeen = true;
            if (i + 1 < args.Count())
                ++i;
            continue;
        case SWITCH_SETTINGS:
            // The counting pass ends its look at the switches at the first
            // "/f": a "/s" behind it is not seen there.
            if (counting && filesSeen)
                continue;
            count += 1;
            usable = true;
            *settings = 1;
            continue;
        case SWITCH_NONE:
            break;
        }
        // Before the first "/f" an argument is no document.
        if (!filesSeen)
            continue;
        if (ResolveDocumentArgument(arg, &document)) {
            // The filling pass takes its length from what it writes: a
            // third walk of the tree would only count it again.
            if (counting)
                sum += CollectFiles(document.c_str(), nullptr, nullptr, countRules);
            documents.push_back(document);
        } else if (!counting) {
            // The script must learn which of its arguments named nothing;
            // the ones behind it still go.
            PrintSkipped(wcslen(arg) >= ARGUMENT_CHARS ? "Path too long, skipped: " : "No file or folder, skipped: ",
                         arg);
            ++walkLeftOut;
        }
    }
    if (filesSeen) {
        *length = sum + 1;
        if (counting)
            return -1;
        // The tree may have changed since the counting pass: the cursor
        // stops at the buffer's end, and the slots carry what was written.
        PathListCursor cursor;
        cursor.next = buffer;
        cursor.end = bufferChars > 0 ? buffer + (bufferChars - 1) : buffer;
        int files = 0;
        int written = 0;
        for (size_t k = 0; k < documents.size() && !cursor.full; ++k) {
            written += CollectFiles(documents[k].c_str(), &cursor, &files, fillRules);
            usable = true;
        }
        // The walk found a file beyond the counted room: it is not
        // handed off, and the script must learn that.
        if (cursor.full) {
            printf("The named folders grew while they were walked, later files skipped\n");
            ++walkLeftOut;
        }
        if (bufferChars > 0)
            buffer[bufferChars - 1] = L'\0';
        if (written > 0)
            written = KeepFiles(buffer, &files, &walkLeftOut);
        *length = written + 1;
        slots[ARG_PATHLIST].vt = VT_PTR;
        slots[ARG_PATHLIST].byref = buffer;
        slots[ARG_LISTLENGTH].vt = VT_INT;
        slots[ARG_LISTLENGTH].intVal = written + 1;
        slots[ARG_PATHCOUNT].vt = VT_INT;
        slots[ARG_PATHCOUNT].intVal = files;
        count += 3;
    }
    if (leftOut)
        *leftOut = walkLeftOut;
    return usable ? count : -1;
}
