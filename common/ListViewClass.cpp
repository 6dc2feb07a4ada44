#include "ListViewClass.h"

#include <windows.h>
#include <commctrl.h>

namespace {

typedef BOOL(WINAPI* InitCommonControlsExProc)(const INITCOMMONCONTROLSEX*);

HMODULE LoadCommonControls() noexcept
{
    // From the system folder, not from the host's or the current folder.
    // A Windows without the search flags refuses it as a parameter.
    HMODULE module = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER)
        module = LoadLibraryW(L"comctl32.dll");
    return module;
}

} // namespace

bool RegisterListViewClass() noexcept
{
    // Kept loaded, as an import would be: the dialogs' controls live in it.
    static const HMODULE module = LoadCommonControls();
    if (!module)
        return false;
    auto init = reinterpret_cast<InitCommonControlsExProc>(
        reinterpret_cast<void*>(GetProcAddress(module, "InitCommonControlsEx")));
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    return init && init(&controls);
}
