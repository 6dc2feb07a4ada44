#include "PluginUi.h"

#include "ArchiveCommands.h"
#include "ConnectorCalls.h"
#include "HostBinding.h"
#include "HostException.h"
#include "NoThrow.h"
#include "OstrelleResource.h"
#include "PluginLog.h"

#include <cstdint>
#include <cstring>
#include <set>
#include <string>

namespace {

const char kHostMenuName[] = "dovrane VX";
const char kToolBarName[] = "dovrane VX";
const char kSubmenuName[] = "marsub";
const char kItemPrefix[] = "marvik:";
const char kDefaultTitle[] = "marvik";
const char kArchiveButtonName[] = "marvik:40002";
const char kDefaultTooltip[] = "Dokument in marvik dovrane ablegen";
const UINT kItemInfoMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STRING;
const size_t kMaxItemName = 256;

// The button's face, kept from loading until unload.
HBITMAP g_buttonBitmap = nullptr;

// The toolbar's floating window names handed to the host: it keeps the
// pointer, not the text, so each lives until the plug-in is unloaded. A set
// keeps every text it gave out where it was.
std::set<std::string> g_floatingWindowNames;

// The host's callbacks of the three procedures that every item and the
// button share: made once, destroyed at unload.
ASCallback g_executeCallback = nullptr;
ASCallback g_enabledCallback = nullptr;
ASCallback g_tooltipCallback = nullptr;

template <typename Proc>
ASCallback SharedCallback(ASCallback& callback, Proc proc)
{
    if (!callback)
        callback = MakeCallback(proc);
    return callback;
}

void DestroyCallback(ASCallback& callback)
{
    if (callback)
        ASCallbackDestroy(callback);
    callback = nullptr;
}

// A host menu, or NULL when the host refused or raised.
AVMenu NewHostMenu(const char* title, const char* name)
{
    AVMenu menu = nullptr;
    HostGuarded(&menu, &AVMenuNew, title, name, gExtensionID);
    return menu;
}

// Appends the item to the menu and lets go of the plug-in's reference; an
// item the host raised at is left out (and with that reference gone).
void AppendMenuItem(AVMenu menu, AVMenuItem item, const char* caller)
{
    ASErrorCode error = HostGuarded(&AVMenuAddMenuItem, menu, item, APPEND_MENUITEM);
    if (error != 0)
        LogError("%s(): failed to AVMenuAddMenuItem(); code = 0x%08lx\n", caller, static_cast<unsigned long>(error));
    AVMenuItemRelease(item);
}

// The text as a host text, else an empty one; NULL when the host raised at
// both.
ASText NewHostText(const char* text)
{
    ASText result = nullptr;
    if (text)
        HostGuarded(&result, &ASTextFromEncoded, text, PDGetHostEncoding());
    if (!result)
        HostGuarded(&result, &ASTextNew);
    return result;
}

class ScopedMenu
{
public:
    explicit ScopedMenu(HMENU menu) : m_menu(menu) {}
    ~ScopedMenu()
    {
        if (m_menu)
            DestroyMenu(m_menu);
    }
    ScopedMenu(const ScopedMenu&) = delete;
    ScopedMenu& operator=(const ScopedMenu&) = delete;
    HMENU Get() const { return m_menu; }

private:
    HMENU m_menu;
};

// A buffer from the host's allocator.
class HostBuffer
{
public:
    explicit HostBuffer(size_t size) : m_data(static_cast<char*>(ASmalloc(size))), m_size(size)
    {
        if (m_data)
            memset(m_data, 0, size);
    }
    ~HostBuffer()
    {
        if (m_data)
            ASfree(m_data);
    }
    HostBuffer(const HostBuffer&) = delete;
    HostBuffer& operator=(const HostBuffer&) = delete;
    char* Get() const { return m_data; }
    size_t Size() const { return m_size; }

private:
    char* m_data;
    size_t m_size;
};

void* CommandData(UINT id)
{
    return reinterpret_cast<void*>(static_cast<uintptr_t>(id));
}

UINT CommandOf(void* clientData)
{
    return static_cast<UINT>(reinterpret_cast<uintptr_t>(clientData));
}

// Reads the text of the item at `position` into `buffer`; true when read.
bool ReadItemText(HMENU menu, int position, HostBuffer& buffer)
{
    if (!buffer.Get())
        return false;
    MENUITEMINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = buffer.Get();
    info.cch = static_cast<UINT>(buffer.Size());
    return GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info) != FALSE;
}

// The log follows the plug-in's own file from here on.
void NameLogAfterPlugin()
{
    char module[MAX_PATH];
    DWORD cch = GetModuleFileNameA(gModule, module, MAX_PATH);
    if (cch == 0 || cch >= MAX_PATH)
        return;
    char temp[MAX_PATH];
    DWORD cchTemp = GetTempPathA(MAX_PATH, temp);
    if (cchTemp == 0 || cchTemp >= MAX_PATH)
        return;
    std::string folder = temp;
    if (folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    std::string name = module;
    size_t slash = name.find_last_of('\\');
    if (slash != std::string::npos)
        name = name.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    name += ".log";
    int saved = g_PluginLog.GetLevel();
    g_PluginLog.SetLevel(PLUGIN_LOG_OFF);
    g_PluginLog.SetFileNameAndOpen((folder + name).c_str());
    g_PluginLog.SetLevel(saved);
}

} // namespace

ASBool KVAddUI()
{
    Trace("KVAddUI(): entered\n");
    NameLogAfterPlugin();

    ScopedMenu menu(LoadMenuA(gModule, MAKEINTRESOURCEA(IDR_PLUGIN_MENU)));
    if (!menu.Get()) {
        LogError("KVAddUI(): failed to LoadMenu(); code = 0x%08lx\n", GetLastError());
        return 1;
    }
    int count = GetMenuItemCount(menu.Get());
    if (count <= 0) {
        LogError("KVAddUI(): GetMenuItemCount() returned %d!\n", count);
        return 1;
    }
    MENUITEMINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = kItemInfoMask;
    if (!GetMenuItemInfoA(menu.Get(), 0, TRUE, &info)) {
        LogError("KVAddUI(): failed to GetMenuItemInfo(); code = 0x%08lx\n", GetLastError());
        return 1;
    }
    if (info.fType != MFT_STRING) {
        LogError("KVAddUI(): menu item type %d != MFT_STRING!\n", static_cast<int>(info.fType));
        return 1;
    }
    if (!info.hSubMenu) {
        LogError("KVAddUI(): menu item is not a sub menu\n");
        return 1;
    }
    int subCount = GetMenuItemCount(info.hSubMenu);
    if (subCount < 0) {
        LogError("KVAddUI(): GetMenuItemCount(submenu) returned %d!\n", subCount);
        return 1;
    }

    HostBuffer text(info.cch + 1);
    const char* title = ReadItemText(menu.Get(), 0, text) && text.Get()[0] ? text.Get() : kDefaultTitle;

    AVMenu hostMenu = NewHostMenu(title, kHostMenuName);
    if (!hostMenu) {
        LogError("KVAddUI(): failed to AVMenuNew()\n");
        return 1;
    }
    for (int i = 0; i < subCount; ++i) {
        AVMenuItem item = KVCreateMenuItem(info.hSubMenu, i);
        if (item)
            AppendMenuItem(hostMenu, item, "KVAddUI");
    }

    AVMenubar bar = AVAppGetMenubar();
    if (bar) {
        AVMenuIndex index = APPEND_MENU;
        AVMenu window = AVMenubarAcquireMenuByName(bar, "Window");
        if (window) {
            index = AVMenubarGetMenuIndex(bar, window);
            AVMenuRelease(window);
        }
        ASErrorCode error = HostGuarded(&AVMenubarAddMenu, bar, hostMenu, index);
        if (error != 0)
            LogError("KVAddUI(): failed to AVMenubarAddMenu(); code = 0x%08lx\n", static_cast<unsigned long>(error));
    }
    // A menu the bar did not take goes with this reference.
    AVMenuRelease(hostMenu);

    KVAddToolBar(title);
    return 1;
}

AVMenuItem KVCreateMenuItem(HMENU menu, int position)
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = kItemInfoMask;
    if (!GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info)) {
        LogError("KVCreateMenuItem(): failed to GetMenuItemInfo(Type); code = 0x%08lx\n", GetLastError());
        return nullptr;
    }

    AVMenu submenu = nullptr;
    if (info.hSubMenu && !(info.fType & MFT_SEPARATOR)) {
        submenu = NewHostMenu(kSubmenuName, kSubmenuName);
        if (!submenu) {
            LogError("KVCreateMenuItem(): failed to AVMenuNew()\n");
        } else {
            int count = GetMenuItemCount(info.hSubMenu);
            for (int i = 0; i < count; ++i) {
                AVMenuItem child = KVCreateMenuItem(info.hSubMenu, i);
                if (child)
                    AppendMenuItem(submenu, child, "KVCreateMenuItem");
            }
        }
    }

    AVMenuItem item = nullptr;
    if (info.fType == MFT_STRING) {
        HostBuffer text(info.cch + 1);
        if (ReadItemText(menu, position, text)) {
            std::string name = FormatString("%s%i", kItemPrefix, static_cast<int>(info.wID));
            if (name.size() > kMaxItemName)
                name.resize(kMaxItemName);
            item = AVMenuItemNew(text.Get(), name.c_str(), submenu, 0, 0, 0, nullptr, gExtensionID);
            if (item) {
                AVMenuItemSetComputeEnabledProc(item, SharedCallback(g_enabledCallback, IsPluginCommandEnabled),
                                                CommandData(info.wID));
                AVMenuItemSetExecuteProc(item, SharedCallback(g_executeCallback, PluginCommand),
                                         CommandData(info.wID));
            } else {
                LogError("KVCreateMenuItem(): failed to AVMenuItemNew()\n");
            }
        } else {
            LogError("KVCreateMenuItem(): failed to GetMenuItemInfo(MFT_STRING); code = 0x%08lx\n", GetLastError());
        }
    } else if (info.fType == MFT_SEPARATOR) {
        item = AVMenuItemNew("-", "-", nullptr, 0, 0, 0, nullptr, gExtensionID);
    }
    // The item holds the submenu now; one that no item took goes with this
    // reference.
    if (submenu)
        AVMenuRelease(submenu);
    return item;
}

void KVAddToolBar(const char* title)
{
    AVToolBar bar = AVAppGetToolBarByName(kToolBarName);
    if (!bar)
        bar = AVToolBarNew(kToolBarName, title);
    if (!bar) {
        LogError("KVAddToolBar(): failed to AVToolBarNew()\n");
        return;
    }
    ASAtom name = ASAtomFromString(kArchiveButtonName);
    AVToolButton button = AVToolBarGetButtonByName(bar, name);
    const bool made = !button;
    const bool faceLoadedHere = made && !g_buttonBitmap;
    if (made) {
        HBITMAP face = g_buttonBitmap ? g_buttonBitmap : LoadBitmapA(gModule, MAKEINTRESOURCEA(IDB_ARCHIVE_BUTTON));
        ASErrorCode error = HostGuarded(&button, &AVToolButtonNew, name, static_cast<AVIcon>(face), 0, 0);
        if (!button) {
            if (error != 0)
                LogError("KVAddToolBar(): failed to AVToolButtonNew(); code = 0x%08lx\n",
                         static_cast<unsigned long>(error));
            else
                LogError("KVAddToolBar(): failed to AVToolButtonNew()\n");
            if (face && face != g_buttonBitmap)
                DeleteObject(face);
            return;
        }
        g_buttonBitmap = face;
    }
    void* data = CommandData(ID_PLUGIN_ARCHIVE);
    AVToolButtonSetComputeEnabledProc(button, SharedCallback(g_enabledCallback, IsPluginCommandEnabled), data);
    AVToolButtonSetComputeTooltipProc(button, SharedCallback(g_tooltipCallback, GetPluginTooltip), data);
    AVToolButtonSetExecuteProc(button, SharedCallback(g_executeCallback, PluginCommand), data);
    ASErrorCode error = HostGuarded(&AVToolBarAddButton, bar, button, 0, nullptr);
    if (error != 0) {
        LogError("KVAddToolBar(): failed to AVToolBarAddButton(); code = 0x%08lx\n", static_cast<unsigned long>(error));
        // A button found in the toolbar stays there; one made here and not
        // taken would be held by nobody, so it goes with its face.
        if (made) {
            error = HostGuarded(&AVToolButtonDestroy, button);
            if (error != 0) {
                LogError("KVAddToolBar(): failed to AVToolButtonDestroy(); code = 0x%08lx\n",
                         static_cast<unsigned long>(error));
            } else if (faceLoadedHere) {
                DeleteObject(g_buttonBitmap);
                g_buttonBitmap = nullptr;
            }
        }
        return;
    }
    AVToolBarUpdateButtonStates(bar);

    AVToolBarPositionRec position = {};
    position.size = sizeof(position);
    position.inDoc = 1;
    position.dockPosition = 0;
    position.floatingWindowName = g_floatingWindowNames.insert(title ? title : "").first->c_str();
    position.stackNum = -1;
    position.offset = 0x7FFFFFFF;
    AVAppRegisterToolBarPosition(kToolBarName, 0, &position);
}

void KVRemoveUI()
{
    AVMenubar bar = AVAppGetMenubar();
    if (bar) {
        // A second initialisation adds a second menu of the same name.
        for (int i = 0; i < 16; ++i) {
            AVMenu menu = AVMenubarAcquireMenuByName(bar, kHostMenuName);
            if (!menu)
                break;
            AVMenuRemove(menu);
            AVMenuRelease(menu);
        }
    }
    AVToolBar toolBar = AVAppGetToolBarByName(kToolBarName);
    if (toolBar) {
        AVToolButton button = AVToolBarGetButtonByName(toolBar, ASAtomFromString(kArchiveButtonName));
        if (button)
            AVToolButtonRemove(button);
        AVToolBarUpdateButtonStates(toolBar);
    }
    if (g_buttonBitmap) {
        DeleteObject(g_buttonBitmap);
        g_buttonBitmap = nullptr;
    }
    // No item or button of the plug-in is left to call them.
    DestroyCallback(g_executeCallback);
    DestroyCallback(g_enabledCallback);
    DestroyCallback(g_tooltipCallback);
}

void ACCB PluginCommand(void* clientData)
{
    HostCallNoThrow([clientData]() {
        switch (CommandOf(clientData)) {
        case ID_PLUGIN_INFO:
            KVDisplayInfo();
            break;
        case ID_PLUGIN_ARCHIVE:
            KVArchive();
            break;
        case ID_PLUGIN_SETTINGS:
            KVDisplaySettings();
            break;
        default:
            break;
        }
    });
}

ASBool ACCB IsPluginCommandEnabled(void* clientData)
{
    return HostCallNoThrow<ASBool>(0, [clientData]() -> ASBool {
        if (CommandOf(clientData) == ID_PLUGIN_ARCHIVE)
            return AVAppGetActiveDoc() != nullptr;
        return 1;
    });
}

ASText ACCB GetPluginTooltip(void* clientData, ASBool)
{
    return HostCallNoThrow<ASText>(nullptr, [clientData]() -> ASText {
        if (CommandOf(clientData) != ID_PLUGIN_ARCHIVE)
            return NewHostText(nullptr);
        char text[1024] = "";
        if (LoadStringA(gModule, IDS_ARCHIVE_TOOLTIP, text, sizeof(text)) <= 0)
            lstrcpynA(text, kDefaultTooltip, sizeof(text));
        return NewHostText(text);
    });
}

HWND GetMessageOwner()
{
    AVDoc doc = AVAppGetActiveDoc();
    if (doc) {
        AVWindow window = AVDocGetAVWindow(doc);
        HWND hwnd = window ? static_cast<HWND>(AVWindowGetPlatformThing(window)) : nullptr;
        if (hwnd)
            return hwnd;
    }
    return gHostWindow;
}
