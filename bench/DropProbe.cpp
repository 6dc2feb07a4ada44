// For bench/run.sh, run under Wine: drags one folder onto the running
// droplet (the window of class "Corvelle") as the shell would, and probes the
// window with WM_NULL (SendMessageTimeout, 1 s, as Windows does before it
// calls a window not responding) until the receiving program's record file
// names EXPECTED hand-off folders; then ends the droplet with Escape.
//   drop_probe FOLDER RECORDFILE EXPECTED
// Prints "hand-off ms, probes, unanswered, longest unanswered ms".
#include "TestDataObject.h"

#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// Lets go once the cursor has been over the window for a few rounds.
class DropOver : public IDropSource
{
public:
    explicit DropOver(HWND over) : m_over(over) {}
    virtual ~DropOver() = default;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IDropSource) {
            *ppv = static_cast<IDropSource*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP QueryContinueDrag(BOOL escape, DWORD) override
    {
        if (escape || ++m_rounds > 500)
            return DRAGDROP_S_CANCEL;
        POINT cursor;
        GetCursorPos(&cursor);
        return WindowFromPoint(cursor) == m_over && ++m_roundsOver > 5 ? DRAGDROP_S_DROP : S_OK;
    }
    STDMETHODIMP GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    HWND m_over;
    int m_rounds = 0;
    int m_roundsOver = 0;
};

// Hand-off folders the record file names so far.
size_t CountHandedOff(const std::wstring& recordFile)
{
    HANDLE h = CreateFileW(recordFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    std::string text;
    char block[65536];
    DWORD got = 0;
    while (ReadFile(h, block, sizeof(block), &got, nullptr) && got > 0)
        text.append(block, got);
    CloseHandle(h);
    size_t count = 0;
    for (size_t at = text.find("kq_data_"); at != std::string::npos; at = text.find("kq_data_", at + 8))
        ++count;
    return count;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) {
        fwprintf(stderr, L"usage: drop_probe FOLDER RECORDFILE EXPECTED\n");
        return 2;
    }
    const std::wstring folder = argv[1], recordFile = argv[2];
    const size_t expected = static_cast<size_t>(_wtoi(argv[3]));
    HWND window = nullptr;
    for (int i = 0; i < 200 && !window; ++i) {
        window = FindWindowW(L"Corvelle", nullptr);
        if (!window)
            Sleep(50);
    }
    if (!window) {
        fwprintf(stderr, L"drop_probe: no droplet window\n");
        return 1;
    }
    RECT rect;
    GetWindowRect(window, &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);

    std::atomic<bool> returned{false};
    std::thread drag([&]() {
        OleInitialize(nullptr);
        // A CF_HDROP list, as the shell offers it.
        TestDataObject* data = new TestDataObject();
        data->SetFileList({folder});
        DropOver source(window);
        DWORD effect = DROPEFFECT_NONE;
        DoDragDrop(data, &source, DROPEFFECT_COPY, &effect);
        data->Release();
        OleUninitialize();
        returned = true;
    });

    const DWORD start = GetTickCount();
    int probes = 0, unanswered = 0;
    DWORD longest = 0, silentSince = 0;
    bool complete = false;
    while (GetTickCount() - start < 900000) {
        const DWORD sent = GetTickCount();
        DWORD_PTR answer = 0;
        ++probes;
        if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 1000, &answer)) {
            silentSince = 0;
        } else {
            ++unanswered;
            if (!silentSince)
                silentSince = sent;
            longest = std::max<DWORD>(longest, GetTickCount() - silentSince);
        }
        if (returned && CountHandedOff(recordFile) >= expected) {
            complete = true;
            break;
        }
        Sleep(100);
    }
    const DWORD took = GetTickCount() - start;
    drag.join();
    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    printf("%lu %d %d %lu\n", static_cast<unsigned long>(took), probes, unanswered,
           static_cast<unsigned long>(longest));
    return complete ? 0 : 1;
}
