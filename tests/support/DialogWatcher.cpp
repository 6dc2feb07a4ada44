#include "DialogWatcher.h"

#include <algorithm>

namespace {

std::wstring WindowText(HWND hwnd)
{
    int len = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(len) + 1, L'\0');
    int got = GetWindowTextW(hwnd, &text[0], len + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

std::wstring ClassOf(HWND hwnd)
{
    wchar_t name[256] = L"";
    GetClassNameW(hwnd, name, 256);
    return name;
}

struct EnumContext {
    std::vector<HWND> found;
    bool anyProcess;
};

BOOL CALLBACK CollectDialogs(HWND hwnd, LPARAM lParam)
{
    auto* ctx = reinterpret_cast<EnumContext*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (!ctx->anyProcess && pid != GetCurrentProcessId())
        return TRUE;
    if (!IsWindowVisible(hwnd) || ClassOf(hwnd) != L"#32770")
        return TRUE;
    ctx->found.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK CollectStatics(HWND child, LPARAM lParam)
{
    auto* text = reinterpret_cast<std::wstring*>(lParam);
    if (_wcsicmp(ClassOf(child).c_str(), L"Static") == 0) {
        std::wstring t = WindowText(child);
        if (!t.empty()) {
            if (!text->empty())
                *text += L"\n";
            *text += t;
        }
    }
    return TRUE;
}

} // namespace

DialogWatcher::DialogWatcher(std::vector<DialogAnswer> answers, DialogAnswer fallback, bool anyProcess)
    : m_answers(std::move(answers)), m_fallback(fallback), m_anyProcess(anyProcess)
{
    m_thread = std::thread([this] { Run(); });
}

DialogWatcher::~DialogWatcher()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void DialogWatcher::SetHook(Hook hook, void* context)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hook = hook;
    m_hookContext = context;
}

std::vector<SeenDialog> DialogWatcher::Seen() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_seen;
}

size_t DialogWatcher::Count() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_seen.size();
}

bool DialogWatcher::WaitFor(size_t n, DWORD timeoutMs) const
{
    DWORD start = GetTickCount();
    while (Count() < n) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

void DialogWatcher::Run()
{
    while (!m_stop) {
        EnumContext ctx{{}, m_anyProcess};
        EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&ctx));
        for (HWND hwnd : ctx.found) {
            bool known;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                known = std::find(m_handled.begin(), m_handled.end(), hwnd) != m_handled.end();
            }
            if (!known)
                Handle(hwnd);
        }
        Sleep(30);
    }
}

void DialogWatcher::Handle(HWND hwnd)
{
    // Give the dialog time to finish its initialisation.
    Sleep(150);
    if (!IsWindow(hwnd))
        return;

    SeenDialog seen;
    seen.caption = WindowText(hwnd);
    EnumChildWindows(hwnd, CollectStatics, reinterpret_cast<LPARAM>(&seen.text));
    GetWindowThreadProcessId(hwnd, &seen.processId);
    seen.topMost = (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    seen.hasOwner = GetWindow(hwnd, GW_OWNER) != nullptr;
    if (HWND list = GetDlgItem(hwnd, 1026)) {
        LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            LRESULT len = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
            std::wstring item(static_cast<size_t>(len > 0 ? len : 0) + 1, L'\0');
            SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item[0]));
            item.resize(static_cast<size_t>(len > 0 ? len : 0));
            seen.listItems.push_back(item);
        }
        seen.listSelection = static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
    }

    DialogAnswer answer;
    Hook hook;
    void* hookContext;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        size_t index = m_seen.size();
        answer = index < m_answers.size() ? m_answers[index] : m_fallback;
        m_seen.push_back(seen);
        m_handled.push_back(hwnd);
        hook = m_hook;
        hookContext = m_hookContext;
    }
    if (hook)
        hook(hwnd, hookContext);
    if (answer.listChoice >= 0) {
        if (HWND list = GetDlgItem(hwnd, 1026))
            SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(answer.listChoice), 0);
    }
    if (answer.button != 0) {
        HWND button = GetDlgItem(hwnd, answer.button);
        PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(answer.button, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    }
}
