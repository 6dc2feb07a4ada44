// Finds the system's message boxes and dialogs as real windows (under Xvfb),
// records what they show and answers them as a user would.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct SeenDialog {
    std::wstring caption;
    // The texts of the dialog's static controls, joined by "\n" (a message
    // box's message text).
    std::wstring text;
    DWORD processId = 0;
    bool topMost = false;
    bool hasOwner = false;
    // The entries of the drop-down list 1026 when the dialog has one.
    std::vector<std::wstring> listItems;
    int listSelection = -1;
};

struct DialogAnswer {
    // The button to press: IDOK, IDCANCEL, IDYES, IDNO; 0 leaves the dialog open.
    int button = IDOK;
    // Before pressing: select this entry of the drop-down list 1026 (-1: none).
    int listChoice = -1;
};

class DialogWatcher
{
public:
    // Answers the dialogs in the order they appear with the given answers;
    // once they are used up, every further dialog gets `fallback`.
    // With anyProcess, dialogs of other processes (a program the test
    // started under the same Wine) are watched too.
    explicit DialogWatcher(std::vector<DialogAnswer> answers = {}, DialogAnswer fallback = DialogAnswer(),
                           bool anyProcess = false);
    ~DialogWatcher();
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;

    std::vector<SeenDialog> Seen() const;
    size_t Count() const;
    // Waits until at least n dialogs were seen; false on time-out.
    bool WaitFor(size_t n, DWORD timeoutMs = 10000) const;

    // An answer the test wants to give itself, from the watcher's thread:
    // called for each new dialog window before it is answered.
    using Hook = void (*)(HWND dialog, void* context);
    void SetHook(Hook hook, void* context);

private:
    void Run();
    void Handle(HWND hwnd);

    std::vector<DialogAnswer> m_answers;
    DialogAnswer m_fallback;
    bool m_anyProcess;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<SeenDialog> m_seen;
    std::vector<HWND> m_handled;
    Hook m_hook = nullptr;
    void* m_hookContext = nullptr;
    std::thread m_thread;
};
