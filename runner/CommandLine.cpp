#include "CommandLine.h"

#include "ConnectorIds.h"
#include "FolderWalker.h"

#include <shellapi.h>

#include <cstdio>
#include <cwchar>

namespace {

// The walker takes every file and shows no message here; a path too long for
// it is only mentioned on the standard output.
void ReportTooLong(const wchar_t* path, void*)
{
    printf("Path too long, skipped: %ls\n", path);
}

WalkRules RunnerRules()
{
    WalkRules rules;
    rules.acceptAll = 1;
    rules.onTooLong = ReportTooLong;
    return rules;
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

DWORD AttributesOf(const wchar_t* argument)
{
    wchar_t copy[ARGUMENT_CHARS];
    if (!CopyArgument(argument, copy))
        return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(copy);
}

bool NamesSomething(const wchar_t* argument)
{
    return AttributesOf(argument) != INVALID_FILE_ATTRIBUTES;
}

bool NamesPlainFile(const wchar_t* argument)
{
    DWORD attributes = AttributesOf(argument);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
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
                     const wchar_t* commandLine)
{
    CArgumentList args(commandLine ? commandLine : GetCommandLineW());
    if (!args.IsValid()) {
        printf("CommandLineToArgvW failed\n");
        return 0;
    }
    const WalkRules rules = RunnerRules();
    int count = 0;
    bool usable = false;
    bool filesSeen = false;
    bool iniSeen = false;
    int i = 0;
    while (i < args.Count()) {
        const wchar_t* arg = args[i];
        if (!filesSeen && wcsstr(arg, L"/f")) {
            filesSeen = true;
            int first = i + 1;
            int last = first;
            int sum = 0;
            for (; last < args.Count() && NamesSomething(args[last]); ++last)
                sum += CollectFiles(args[last], nullptr, nullptr, rules);
            *length = sum + 1;
            if (!slots || !buffer)
                return -1;
            // The tree may have changed since the counting pass: the cursor
            // stops at the buffer's end, and the slots carry what was written.
            PathListCursor cursor;
            cursor.next = buffer;
            cursor.end = bufferChars > 0 ? buffer + (bufferChars - 1) : buffer;
            int files = 0;
            int written = 0;
            for (int k = first; k < last && !cursor.full; ++k) {
                written += CollectFiles(args[k], &cursor, &files, rules);
                usable = true;
            }
            if (bufferChars > 0)
                buffer[bufferChars - 1] = L'\0';
            *length = written + 1;
            slots[ARG_PATHLIST].vt = VT_PTR;
            slots[ARG_PATHLIST].byref = buffer;
            slots[ARG_LISTLENGTH].vt = VT_INT;
            slots[ARG_LISTLENGTH].intVal = written + 1;
            slots[ARG_PATHCOUNT].vt = VT_INT;
            slots[ARG_PATHCOUNT].intVal = files;
            count += 3;
            // The argument that ended the list is examined as a switch.
            i = last;
            continue;
        }
        if (!iniSeen && wcsstr(arg, L"/c")) {
            iniSeen = true;
            ++i;
            if (i < args.Count()) {
                if (slots && NamesPlainFile(args[i])) {
                    VariantClear(&slots[ARG_PROPERTIES]);
                    slots[ARG_PROPERTIES].vt = VT_BSTR;
                    slots[ARG_PROPERTIES].bstrVal = SysAllocString(args[i]);
                    count += 1;
                }
                ++i;
            }
            continue;
        }
        if (wcsstr(arg, L"/s")) {
            count += 1;
            usable = true;
            *settings = 1;
        }
        ++i;
    }
    return usable ? count : -1;
}
