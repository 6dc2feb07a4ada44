#include "ModalDialogDriver.h"

#include <commctrl.h>

#include <atomic>
#include <thread>

namespace {

struct FindContext {
    HWND found = nullptr;
};

BOOL CALLBACK FindVisibleDialog(HWND hwnd, LPARAM lParam)
{
    wchar_t name[64] = L"";
    GetClassNameW(hwnd, name, 64);
    if (IsWindowVisible(hwnd) && wcscmp(name, L"#32770") == 0) {
        reinterpret_cast<FindContext*>(lParam)->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

struct CaptionContext {
    const std::wstring* caption;
    HWND found = nullptr;
};

BOOL CALLBACK FindDialogByCaption(HWND hwnd, LPARAM lParam)
{
    auto* ctx = reinterpret_cast<CaptionContext*>(lParam);
    wchar_t name[64] = L"", text[256] = L"";
    GetClassNameW(hwnd, name, 64);
    GetWindowTextW(hwnd, text, 256);
    if (IsWindowVisible(hwnd) && wcscmp(name, L"#32770") == 0 && *ctx->caption == text) {
        ctx->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND WaitForDialogWindow(const std::wstring& caption, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    do {
        CaptionContext ctx{&caption};
        EnumWindows(FindDialogByCaption, reinterpret_cast<LPARAM>(&ctx));
        if (ctx.found) {
            // Let it finish its initialisation.
            Sleep(150);
            return ctx.found;
        }
        Sleep(30);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

ModalRun RunModalDialog(const std::function<INT_PTR()>& show, const std::function<void(HWND dialog)>& script,
                        DWORD timeoutMs)
{
    DWORD dialogThread = GetCurrentThreadId();
    std::atomic<bool> done{false};
    std::atomic<bool> appeared{false};
    std::thread user([&] {
        DWORD start = GetTickCount();
        HWND dialog = nullptr;
        while (!done && GetTickCount() - start < timeoutMs) {
            FindContext ctx;
            EnumThreadWindows(dialogThread, FindVisibleDialog, reinterpret_cast<LPARAM>(&ctx));
            if (ctx.found) {
                dialog = ctx.found;
                break;
            }
            Sleep(20);
        }
        if (!dialog)
            return;
        appeared = true;
        // Give the dialog its first paint, as a user's eye would.
        Sleep(100);
        script(dialog);
        // Still open after the script: cancel, so the test goes on.
        for (int i = 0; i < 100 && !done; ++i) {
            Sleep(50);
            if (i == 40 && IsWindow(dialog))
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    });
    ModalRun run;
    run.result = show();
    done = true;
    user.join();
    run.appeared = appeared;
    return run;
}

void TypeInto(HWND dialog, int control, const std::wstring& text)
{
    HWND edit = GetDlgItem(dialog, control);
    SendMessageW(edit, WM_SETFOCUS, 0, 0);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_CHAR, VK_BACK, 1);
    for (wchar_t c : text)
        SendMessageW(edit, WM_CHAR, c, 1);
}

void ClickButton(HWND dialog, int control)
{
    SendMessageW(GetDlgItem(dialog, control), BM_CLICK, 0, 0);
}

void ClickListRow(HWND dialog, int control, int row, bool addToSelection)
{
    HWND list = GetDlgItem(dialog, control);
    int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    POINT at = {10, 10};
    RECT rect = {};
    rect.left = LVIR_BOUNDS;
    if (row < count) {
        SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
        at = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    } else if (count > 0) {
        SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(count - 1), reinterpret_cast<LPARAM>(&rect));
        at = {rect.left + 10, rect.bottom + 3 * (rect.bottom - rect.top)};
    }
    LPARAM where = MAKELPARAM(at.x, at.y);
    WPARAM keys = addToSelection ? MK_CONTROL : 0;
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON | keys, where);
    PostMessageW(list, WM_LBUTTONUP, keys, where);
    // Wait until the dialog's thread has taken the click.
    SendMessageW(list, WM_NULL, 0, 0);
    Sleep(50);
    SendMessageW(list, WM_NULL, 0, 0);
}

std::wstring ControlText(HWND dialog, int control)
{
    wchar_t text[4096] = L"";
    GetDlgItemTextW(dialog, control, text, 4096);
    return text;
}

std::vector<std::vector<std::wstring>> ListViewRows(HWND dialog, int control, int columns)
{
    HWND list = GetDlgItem(dialog, control);
    int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    std::vector<std::vector<std::wstring>> rows;
    for (int row = 0; row < count; ++row) {
        std::vector<std::wstring> texts;
        for (int column = 0; column < columns; ++column) {
            wchar_t text[1024] = L"";
            LVITEMW item = {};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = 1024;
            SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
            texts.push_back(text);
        }
        rows.push_back(texts);
    }
    return rows;
}
