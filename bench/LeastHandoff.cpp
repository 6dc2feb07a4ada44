// The least file-system work of a hand-off, for bench/run.sh: one process
// start, then per document one new folder and one file of the hand-off
// file's size in it, nothing else.
//   least_handoff FOLDER DOCUMENTS BYTES
#include "ScopedHandles.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: least_handoff FOLDER DOCUMENTS BYTES\n");
        return 2;
    }
    const std::wstring root = std::wstring(argv[1]) + L"\\";
    const int documents = _wtoi(argv[2]);
    const std::string bytes(static_cast<size_t>(_wtoi(argv[3])), 'x');
    CreateDirectoryW(argv[1], nullptr);
    // Names of the hand-off's own form, numbered on from the tick count:
    // Wine looks for every new name through the whole folder without regard
    // to case, and what that costs depends on the names' length and prefix.
    const DWORD first = GetTickCount();
    for (int i = 0; i < documents; ++i) {
        const std::wstring id = L"kq_data_" + std::to_wstring(first + static_cast<DWORD>(i));
        const std::wstring folder = root + id;
        if (!CreateDirectoryW(folder.c_str(), nullptr)) {
            fprintf(stderr, "least_handoff: cannot make folder %d (%lu)\n", i, GetLastError());
            return 1;
        }
        const std::wstring file = folder + L"\\" + id + L".xml";
        CFileHandle h(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!h || !WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size()) {
            fprintf(stderr, "least_handoff: cannot write file %d (%lu)\n", i, GetLastError());
            return 1;
        }
    }
    return 0;
}
