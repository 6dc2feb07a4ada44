// A second writer of a log file for the tests: writes `count` INF lines
// "<tag> <index> <padding>" through its own CLogFile, as a second process
// of the same program would.
#include "LogFile.h"

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4)
        return 2;
    const int count = _wtoi(argv[3]);
    const std::wstring padding(150, L'.');
    CLogFile log(argv[1], LOG_INFO, LOG_DEFAULT_SIZE_LIMIT);
    if (!log.IsFileOpen())
        return 1;
    for (int i = 0; i < count; ++i)
        log.Info(L"%s %d %s\n", argv[2], i, padding.c_str());
    return 0;
}
