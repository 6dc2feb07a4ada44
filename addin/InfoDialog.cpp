#include "InfoDialog.h"

#include "CommonResource.h"
#include "DialogResource.h"
#include "LanguageText.h"
#include "ModuleInstance.h"
#include "OneAtATime.h"
#include "WideFormat.h"
#include "WindowHelpers.h"

#include <new>
#include <string>
#include <vector>

namespace {

const size_t TEXT_CHARS = 1024;
CDialogSlot s_slot;
// The longest path the wide file functions take.
const DWORD MAX_MODULE_PATH = 32768;

void SetTextFromId(HWND dialog, int control, UINT id)
{
    wchar_t text[TEXT_CHARS];
    LoadText(GetThisModule(), text, TEXT_CHARS, id);
    SetDlgItemTextW(dialog, control, text);
}

// The module's own file, whatever name the build gave it and wherever it
// was loaded from; empty when the path does not fit.
std::wstring ModuleFileName(HMODULE module)
{
    for (DWORD size = MAX_PATH;; size *= 2) {
        std::vector<wchar_t> path(size, L'\0');
        DWORD got = GetModuleFileNameW(module, path.data(), size);
        if (got == 0)
            return std::wstring();
        if (got < size)
            return std::wstring(path.data(), got);
        if (size >= MAX_MODULE_PATH)
            return std::wstring();
    }
}

void OnInitDialog(HWND dialog)
{
    wchar_t caption[TEXT_CHARS];
    LoadText(GetThisModule(), caption, TEXT_CHARS, IDS_INFO_CAPTION);
    SetWindowTextW(dialog, caption);
    SetTextFromId(dialog, IDC_INFO_PRODUCT, IDS_PRODUCT_LINE);
    SetTextFromId(dialog, IDC_INFO_RIGHTS, IDS_RIGHTS_NOTICE);
    SetTextFromId(dialog, IDC_INFO_EXTRA, IDS_INFO_EXTRA);
    SetTextFromId(dialog, IDOK, IDS_OK);

    wchar_t line[TEXT_CHARS];
    FormatVersionLine(GetThisModule(), line, TEXT_CHARS);
    SetDlgItemTextW(dialog, IDC_INFO_VERSION, line);

    CenterWindow(dialog, GetDesktopWindow());
}

} // namespace

bool ReadModuleFileVersion(HMODULE module, WORD version[4])
{
    std::wstring path = ModuleFileName(module);
    if (path.empty())
        return false;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0)
        return false;
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data()))
        return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof(VS_FIXEDFILEINFO) || info->dwSignature != VS_FFI_SIGNATURE)
        return false;
    version[0] = HIWORD(info->dwFileVersionMS);
    version[1] = LOWORD(info->dwFileVersionMS);
    version[2] = HIWORD(info->dwFileVersionLS);
    version[3] = LOWORD(info->dwFileVersionLS);
    return true;
}

void FormatVersionLine(HMODULE module, wchar_t* buffer, size_t cch)
{
    wchar_t prefix[TEXT_CHARS];
    LoadText(GetThisModule(), prefix, TEXT_CHARS, IDS_VERSION_PREFIX);
    WORD version[4];
    if (ReadModuleFileVersion(module, version))
        FormatText(buffer, cch, L"%s %d.%d.%d.%d", prefix, version[0], version[1], version[2], version[3]);
    else
        CopyText(buffer, cch, prefix);
}

INT_PTR CALLBACK InfoDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        switch (message) {
        case WM_INITDIALOG:
            s_slot.SetWindow(dialog);
            OnInitDialog(dialog);
            return FALSE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, 1);
                return TRUE;
            }
            return FALSE;
        }
    } catch (const std::bad_alloc&) {
        // The dialog shows what it had set so far.
    }
    return FALSE;
}

INT_PTR ShowInfoDialog()
{
    return s_slot.Show(GetThisModule(), MAKEINTRESOURCEW(IDD_INFO), InfoDlgProc, 0);
}
