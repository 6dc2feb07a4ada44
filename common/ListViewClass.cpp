#include "ListViewClass.h"

#include <commctrl.h>

namespace {

typedef BOOL(WINAPI* InitCommonControlsExProc)(const INITCOMMONCONTROLSEX*);

HMODULE LoadCommonControls()
{
    // From the system folder, not from the host's or the current folder.
    // A Windows without the search flags refuses it as a parameter.
    HMODULE module = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER)
        module = LoadLibraryW(L"comctl32.dll");
    return module;
}

CommonControlsLoader s_loader = nullptr;
// Kept loaded, as an import would be: the dialogs' controls live in it. A
// load that failed is tried again at the next dialog.
HMODULE s_module = nullptr;

} // namespace

bool RegisterListViewClass() noexcept
{
    HMODULE module = s_loader ? s_loader() : s_module;
    if (!module && !s_loader)
        module = s_module = LoadCommonControls();
    if (!module)
        return false;
    auto init = reinterpret_cast<InitCommonControlsExProc>(
        reinterpret_cast<void*>(GetProcAddress(module, "InitCommonControlsEx")));
    if (!init)
        return false;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    SetLastError(ERROR_SUCCESS);
    if (init(&controls))
        return true;
    if (GetLastError() == ERROR_SUCCESS)
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return false;
}

CommonControlsLoader SetCommonControlsLoader(CommonControlsLoader loader) noexcept
{
    CommonControlsLoader previous = s_loader;
    s_loader = loader;
    return previous;
}
