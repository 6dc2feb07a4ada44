// Measurements for bench/run.sh, run under Wine:
//   walker_bench tree FOLDER FILES   the walker's two passes over a tree of
//                                    FILES files against a bare FindFirstFileW
//                                    walk of the same tree
//   walker_bench time COMMANDLINE    the wall time of one program run
#include "FolderWalker.h"
#include "ScopedHandles.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// 20 folders of 10 subfolders each; the files are spread over the 200 leaves.
void MakeTree(const std::wstring& root, int files)
{
    SHCreateDirectoryExW(nullptr, root.c_str(), nullptr);
    int made = 0;
    for (int top = 0; top < 20; ++top) {
        std::wstring a = root + L"\\folder" + std::to_wstring(top);
        CreateDirectoryW(a.c_str(), nullptr);
        for (int sub = 0; sub < 10; ++sub) {
            std::wstring b = a + L"\\sub" + std::to_wstring(sub);
            CreateDirectoryW(b.c_str(), nullptr);
            int leaf = top * 10 + sub;
            int here = files / 200 + (leaf < files % 200 ? 1 : 0);
            for (int i = 0; i < here; ++i, ++made) {
                std::wstring f = b + L"\\document" + std::to_wstring(made) + L".pdf";
                CFileHandle h(CreateFileW(f.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
            }
        }
    }
}

// The floor: every entry listed, folders entered, nothing else.
int BareWalk(const std::wstring& folder)
{
    WIN32_FIND_DATAW entry;
    CFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!find)
        return 0;
    int files = 0;
    do {
        if (entry.cFileName[0] == L'.' &&
            (entry.cFileName[1] == 0 || (entry.cFileName[1] == L'.' && entry.cFileName[2] == 0)))
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            files += BareWalk(folder + L"\\" + entry.cFileName);
        else
            ++files;
    } while (FindNextFileW(find, &entry));
    return files;
}

// Both passes, as the drop target and Quenby run them.
int WalkerPasses(const std::wstring& folder)
{
    WalkRules rules;
    int length = CollectFiles(folder.c_str(), nullptr, nullptr, rules);
    std::vector<wchar_t> list(static_cast<size_t>(length) + 1, L'\0');
    PathListCursor cursor;
    cursor.next = list.data();
    cursor.end = list.data() + length;
    int files = 0;
    CollectFiles(folder.c_str(), &cursor, &files, rules);
    return files;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int Tree(const std::wstring& root, int files)
{
    if (GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES)
        MakeTree(root, files);
    // A first bare walk warms the caches for both.
    int bareFiles = BareWalk(root);
    std::vector<double> bare, walker;
    int walkerFiles = 0;
    for (int round = 0; round < 5; ++round) {
        double t0 = Now();
        BareWalk(root);
        double t1 = Now();
        walkerFiles = WalkerPasses(root);
        double t2 = Now();
        bare.push_back(t1 - t0);
        walker.push_back(t2 - t1);
    }
    double b = Median(bare), w = Median(walker);
    printf("walker over %d files (%d found, both passes): %.1f ms; bare FindFirstFileW walk (%d found): %.1f ms; "
           "ratio %.2f\n",
           files, walkerFiles, w, bareFiles, b, w / b);
    return walkerFiles == bareFiles ? 0 : 1;
}

int Time(const wchar_t* commandLine)
{
    std::wstring line = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    double t0 = Now();
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 2;
    CKernelHandle p(process.hProcess), t(process.hThread);
    WaitForSingleObject(p, INFINITE);
    double t1 = Now();
    DWORD code = 0;
    GetExitCodeProcess(p, &code);
    printf("%.1f %lu\n", t1 - t0, code);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 4 && lstrcmpW(argv[1], L"tree") == 0)
        return Tree(argv[2], _wtoi(argv[3]));
    if (argc >= 3 && lstrcmpW(argv[1], L"time") == 0) {
        // Everything behind "time " is the command line to run.
        const wchar_t* rest = wcsstr(GetCommandLineW(), L" time ");
        return rest ? Time(rest + 6) : 2;
    }
    fprintf(stderr, "usage: walker_bench tree FOLDER FILES | time COMMANDLINE\n");
    return 2;
}
