#include "AcroTestHost.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace acrohost {

namespace {

AcroTestHost* g_host = nullptr;

const uint32_t kMenuMagic = 0x4D454E55;
const uint32_t kItemMagic = 0x4954454D;
const uint32_t kToolBarMagic = 0x54424152;
const uint32_t kButtonMagic = 0x4254544E;
const uint32_t kCallbackMagic = 0x43414C4C;
const uint32_t kPathMagic = 0x50415448;
const uint32_t kPlatformMagic = 0x504C4154;
const uint32_t kTextMagic = 0x54455854;
const int32_t kBadMenuIndex = -1;
const int32_t kAppendIndex = 9999;
const int32_t kGenericError = 0x40000001;

// Tokens the host hands out for objects that have no state of their own.
struct Token {
    uint32_t magic;
};
Token g_defaultFileSys = {0x46535953};
Token g_menubar = {0x4D424152};
Token g_monitor = {0x4D4F4E49};
Token g_monitorData = {0x4D444154};

std::string Hex(uint32_t value)
{
    char text[16];
    snprintf(text, sizeof(text), "0x%X", value);
    return text;
}

std::wstring FromCodePage(const std::string& text, UINT codePage)
{
    if (text.empty())
        return std::wstring();
    int cch = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(cch > 0 ? cch : 0), L'\0');
    if (cch > 0)
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], cch);
    return wide;
}

UINT CodePageOfCharset(int32_t charset)
{
    CHARSETINFO info = {};
    if (charset == ANSI_CHARSET || !TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<uintptr_t>(charset)),
                                                         &info, TCI_SRCCHARSET))
        return CP_ACP;
    return info.ciACP;
}

HWND MakeWindow(const char* title)
{
    static ATOM windowClass = 0;
    if (!windowClass) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "AcroTestHostWindow";
        windowClass = RegisterClassA(&wc);
    }
    return CreateWindowExA(0, "AcroTestHostWindow", title, WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// The host's own frame around a call of the plug-in: where a raise that no
// frame of the plug-in takes ends up. Its jump is the host's business.
struct HostJump {
    void* jump[5];
    int32_t error;
    size_t depth;
    const char* what;
};

} // namespace

struct AcroTestHost::Callback {
    uint32_t magic;
    void* proc;
    void* extension;
    bool destroyed;
};

struct AcroTestHost::Frame {
    void* environment;
    RestoreProc restore;
    // A frame of the host itself (environment is a HostJump).
    bool host;
};

struct AcroTestHost::Menu {
    uint32_t magic = kMenuMagic;
    std::string title;
    std::string name;
    void* owner = nullptr;
    int refs = 0;
    bool inBar = false;
    bool hostOwned = false;
    Item* parentItem = nullptr;
    std::vector<Item*> items;
};

struct AcroTestHost::Item {
    uint32_t magic = kItemMagic;
    std::string title;
    std::string name;
    Menu* submenu = nullptr;
    int refs = 0;
    Menu* parent = nullptr;
    void* execute = nullptr;
    void* executeData = nullptr;
    void* enabled = nullptr;
    void* enabledData = nullptr;
};

struct AcroTestHost::ToolBar {
    uint32_t magic = kToolBarMagic;
    std::string name;
    std::string title;
    std::vector<Button*> buttons;
};

struct AcroTestHost::Button {
    uint32_t magic = kButtonMagic;
    Atom name = 0;
    void* icon = nullptr;
    ToolBar* bar = nullptr;
    void* execute = nullptr;
    void* executeData = nullptr;
    void* enabled = nullptr;
    void* enabledData = nullptr;
    void* tooltip = nullptr;
    void* tooltipData = nullptr;
};

struct AcroTestHost::Document {
    int id = 0;
    DocumentSpec setup;
    std::string path;
    bool modified = false;
    HWND window = nullptr;
    std::vector<SavedCopy> saves;
    // The handles the plug-in sees: AVDoc, PDDoc, ASFile, AVWindow.
    Token avDoc = {0x41564443};
    Token pdDoc = {0x50444443};
    Token file = {0x46494C45};
    Token avWindow = {0x4157494E};
};

struct AcroTestHost::PathName {
    uint32_t magic = kPathMagic;
    std::string path;
};

struct AcroTestHost::PlatformPath {
    uint32_t magic = kPlatformMagic;
    std::string text;
};

struct AcroTestHost::Text {
    uint32_t magic = kTextMagic;
    std::wstring text;
};

// The entries the host serves, as plain cdecl functions.
struct HostEntries {
    using H = AcroTestHost;

    static H& Host() { return *g_host; }

    template <int TableIndex>
    static void* HOSTCB Unserved()
    {
        Host().Problem(std::string("an entry of table ") + kTableNames[TableIndex] + " that the host does not serve");
        return nullptr;
    }

    static H::Document* DocOf(const void* token, Token H::Document::*member)
    {
        for (auto& doc : Host().m_documents) {
            if (&(doc.get()->*member) == token)
                return doc.get();
        }
        Host().Problem("an unknown document handle");
        return nullptr;
    }
    static H::Document* AvDoc(const void* t) { return DocOf(t, &H::Document::avDoc); }
    static H::Document* PdDoc(const void* t) { return DocOf(t, &H::Document::pdDoc); }
    static H::Document* FileDoc(const void* t) { return DocOf(t, &H::Document::file); }
    static H::Document* WindowDoc(const void* t) { return DocOf(t, &H::Document::avWindow); }

    static H::Menu* MenuOf(void* p)
    {
        H::Menu* menu = static_cast<H::Menu*>(p);
        if (!Host().m_menus.count(menu)) {
            Host().Problem("an unknown or destroyed menu");
            return nullptr;
        }
        return menu;
    }
    static H::Item* ItemOf(void* p)
    {
        H::Item* item = static_cast<H::Item*>(p);
        if (!Host().m_items.count(item)) {
            Host().Problem("an unknown or destroyed menu item");
            return nullptr;
        }
        return item;
    }
    static H::ToolBar* ToolBarOf(void* p)
    {
        for (H::ToolBar* bar : Host().m_toolBars) {
            if (bar == p)
                return bar;
        }
        Host().Problem("an unknown toolbar");
        return nullptr;
    }
    static H::Button* ButtonOf(void* p)
    {
        H::Button* button = static_cast<H::Button*>(p);
        if (!Host().m_buttons.count(button)) {
            Host().Problem("an unknown tool button");
            return nullptr;
        }
        return button;
    }
    static bool FileSysOk(void* fileSys)
    {
        if (fileSys == &g_defaultFileSys)
            return true;
        Host().Problem("an unknown file system");
        return false;
    }
    static H::PathName* PathOf(void* p)
    {
        H::PathName* path = static_cast<H::PathName*>(p);
        if (!Host().m_pathNames.count(path)) {
            Host().Problem("an unknown or released path name");
            return nullptr;
        }
        return path;
    }
    static std::string AtomText(Atom atom)
    {
        return atom < Host().m_atoms.size() ? Host().m_atoms[atom] : std::string();
    }

    // Core
    static void HOSTCB ASRaise(int32_t code) { Host().Raise(code); }
    static void HOSTCB ASPushExceptionFrame(void* environment, void* restore)
    {
        RestoreProc proc = reinterpret_cast<RestoreProc>(restore);
        if (!restore) {
            Host().Problem("ASPushExceptionFrame without a restore procedure");
        } else if (Host().FindCallback(restore)) {
            // The interface takes the restore procedure itself, not a callback.
            Host().Problem("ASPushExceptionFrame with a callback where the restore procedure goes");
            proc = reinterpret_cast<RestoreProc>(Host().ResolveCallback(restore, "ASPushExceptionFrame"));
        }
        Host().m_frames.push_back(H::Frame{environment, proc, false});
    }
    static void HOSTCB ASPopExceptionFrame()
    {
        if (Host().m_frames.empty() || Host().m_frames.back().host) {
            Host().Problem("ASPopExceptionFrame without a frame that the plug-in pushed");
            return;
        }
        Host().m_frames.pop_back();
    }
    static int32_t HOSTCB ASGetExceptionErrorCode() { return Host().m_errorCode; }
    static Atom HOSTCB ASAtomFromString(const char* text)
    {
        std::string name = text ? text : "";
        auto& atoms = Host().m_atoms;
        auto it = std::find(atoms.begin(), atoms.end(), name);
        if (it != atoms.end())
            return static_cast<Atom>(it - atoms.begin());
        atoms.push_back(name);
        return static_cast<Atom>(atoms.size() - 1);
    }
    static const char* HOSTCB ASAtomGetString(Atom atom)
    {
        return atom < Host().m_atoms.size() ? Host().m_atoms[atom].c_str() : "";
    }
    static void* HOSTCB ASCallbackCreate(void* extension, void* proc)
    {
        if (extension != Host().m_extensionId)
            Host().Problem("ASCallbackCreate with another extension id");
        Host().m_callbacks.push_back(H::Callback{kCallbackMagic, proc, extension, false});
        return &Host().m_callbacks.back();
    }
    static void HOSTCB ASCallbackDestroy(void* callback)
    {
        H::Callback* entry = Host().FindCallback(callback);
        if (!entry) {
            Host().Problem("ASCallbackDestroy of something that is no callback");
            return;
        }
        if (entry->destroyed)
            Host().Problem("ASCallbackDestroy of a destroyed callback");
        entry->destroyed = true;
    }
    static void* HOSTCB ASExtensionMgrGetHFT(Atom name, Version version)
    {
        std::string text = AtomText(name);
        Host().m_tableRequests.emplace_back(text, version);
        for (int i = 0; i < TABLE_COUNT; ++i) {
            if (text == kTableNames[i] && Host().m_present[i] && version <= Host().m_offered[i])
                return Host().m_tables[i].data();
        }
        return nullptr;
    }

    // AcroSupport
    static void* HOSTCB ASmalloc(size_t size)
    {
        size_t bytes = size ? size : 1;
        void* block = malloc(bytes);
        Host().m_allocations[block] = bytes;
        return block;
    }
    static void HOSTCB ASfree(void* block)
    {
        if (!block)
            return;
        auto it = Host().m_allocations.find(block);
        if (it == Host().m_allocations.end()) {
            Host().Problem("ASfree of a block the host did not allocate");
            return;
        }
        // Poisoned (still a terminated text) and kept out of reuse.
        memset(block, 0xDD, it->second);
        static_cast<char*>(block)[it->second - 1] = '\0';
        Host().m_freedBlocks.insert(*it);
        Host().m_allocations.erase(it);
    }
    static void* HOSTCB ASGetDefaultFileSys() { return Host().m_noDefaultFileSys ? nullptr : &g_defaultFileSys; }
    static void HOSTCB ASFileSysReleasePath(void* fileSys, void* path)
    {
        FileSysOk(fileSys);
        H::PathName* name = PathOf(path);
        if (name) {
            Host().m_pathNames.erase(name);
            delete name;
        }
    }
    static void* HOSTCB ASFileAcquirePathName(void* file)
    {
        Host().Cue(TABLE_ACROSUPPORT, support::ASFileAcquirePathName);
        H::Document* doc = FileDoc(file);
        if (!doc || doc->path.empty())
            return nullptr;
        H::PathName* name = new H::PathName;
        name->path = doc->path;
        Host().m_pathNames.insert(name);
        return name;
    }
    static void* HOSTCB ASFileGetFileSys(void* file)
    {
        FileDoc(file);
        return Host().m_noDocumentFileSys ? nullptr : &g_defaultFileSys;
    }
    static void* HOSTCB ASFileSysCreatePathName(void* fileSys, Atom pathType, const void* pathData, const void*)
    {
        Host().Cue(TABLE_ACROSUPPORT, support::ASFileSysCreatePathName);
        if (!FileSysOk(fileSys) || !pathData || AtomText(pathType) != "Cstring")
            return nullptr;
        H::PathName* name = new H::PathName;
        name->path = static_cast<const char*>(pathData);
        Host().m_pathNames.insert(name);
        return name;
    }
    static int32_t HOSTCB ASFileSysAcquirePlatformPath(void* fileSys, void* path, Atom type, void** platformPath)
    {
        H::PathName* name = PathOf(path);
        if (!FileSysOk(fileSys) || !name || !platformPath)
            return kGenericError;
        if (AtomText(type) != "Cstring")
            return kGenericError;
        H::PlatformPath* platform = new H::PlatformPath;
        platform->text = name->path;
        Host().m_platformPaths.insert(platform);
        *platformPath = platform;
        return 0;
    }
    static void HOSTCB ASFileSysReleasePlatformPath(void* fileSys, void* platformPath)
    {
        FileSysOk(fileSys);
        H::PlatformPath* platform = static_cast<H::PlatformPath*>(platformPath);
        if (!Host().m_platformPaths.erase(platform)) {
            Host().Problem("ASFileSysReleasePlatformPath of an unknown platform path");
            return;
        }
        delete platform;
    }
    static const char* HOSTCB ASPlatformPathGetCstringPtr(void* platformPath)
    {
        H::PlatformPath* platform = static_cast<H::PlatformPath*>(platformPath);
        if (!Host().m_platformPaths.count(platform)) {
            Host().Problem("ASPlatformPathGetCstringPtr of an unknown platform path");
            return nullptr;
        }
        return platform->text.c_str();
    }
    static Version HOSTCB HFTGetVersion(void* table)
    {
        for (int i = 0; i < TABLE_COUNT; ++i) {
            if (Host().m_tables[i].data() == table)
                return Host().m_reported[i];
        }
        Host().Problem("HFTGetVersion of an unknown table");
        return 0;
    }

    // AcroView
    static void* HOSTCB AVAppGetActiveDoc()
    {
        H::Document* doc = Host().DocumentById(Host().m_active);
        return doc ? &doc->avDoc : nullptr;
    }
    static void* HOSTCB AVAppGetDocProgressMonitor(void** clientData)
    {
        if (clientData)
            *clientData = &g_monitorData;
        return &g_monitor;
    }
    static void* HOSTCB AVAppGetMenubar() { return &g_menubar; }
    static void* HOSTCB AVDocGetPDDoc(void* avDoc)
    {
        H::Document* doc = AvDoc(avDoc);
        return doc ? &doc->pdDoc : nullptr;
    }
    static void* HOSTCB AVDocGetAVWindow(void* avDoc)
    {
        H::Document* doc = AvDoc(avDoc);
        return doc ? &doc->avWindow : nullptr;
    }
    static bool MenubarOk(void* bar)
    {
        if (bar == &g_menubar)
            return true;
        Host().Problem("an unknown menu bar");
        return false;
    }
    static void* HOSTCB AVMenubarAcquireMenuByName(void* bar, const char* name)
    {
        if (!MenubarOk(bar) || !name)
            return nullptr;
        for (H::Menu* menu : Host().m_menubar) {
            if (menu->name == name) {
                ++menu->refs;
                return menu;
            }
        }
        return nullptr;
    }
    static int32_t HOSTCB AVMenubarGetMenuIndex(void* bar, void* menu)
    {
        if (!MenubarOk(bar))
            return kBadMenuIndex;
        auto& menus = Host().m_menubar;
        auto it = std::find(menus.begin(), menus.end(), static_cast<H::Menu*>(menu));
        return it == menus.end() ? kBadMenuIndex : static_cast<int32_t>(it - menus.begin());
    }
    static void HOSTCB AVMenubarAddMenu(void* bar, void* menu, int32_t index)
    {
        Host().Cue(TABLE_ACROVIEW, view::AVMenubarAddMenu);
        H::Menu* m = MenuOf(menu);
        if (!MenubarOk(bar) || !m)
            return;
        if (m->inBar || m->parentItem) {
            Host().Problem("AVMenubarAddMenu of a menu that has a place already");
            return;
        }
        auto& menus = Host().m_menubar;
        if (index < 0 || static_cast<size_t>(index) >= menus.size())
            menus.push_back(m);
        else
            menus.insert(menus.begin() + index, m);
        m->inBar = true;
    }
    static void* HOSTCB AVMenuNew(const char* title, const char* name, void* owner)
    {
        Host().Cue(TABLE_ACROVIEW, view::AVMenuNew);
        if (owner != Host().m_extensionId)
            Host().Problem("AVMenuNew with another owner than the extension id");
        H::Menu* menu = new H::Menu;
        menu->title = title ? title : "";
        menu->name = name ? name : "";
        menu->owner = owner;
        menu->refs = 1;
        Host().m_menus.insert(menu);
        return menu;
    }
    static void HOSTCB AVMenuRelease(void* menu)
    {
        H::Menu* m = MenuOf(menu);
        if (!m || m->hostOwned)
            return;
        if (--m->refs < 0)
            Host().Problem("AVMenuRelease of a menu without references");
        Host().MaybeDestroy(m);
    }
    static void HOSTCB AVMenuRemove(void* menu)
    {
        H::Menu* m = MenuOf(menu);
        if (!m)
            return;
        auto& menus = Host().m_menubar;
        menus.erase(std::remove(menus.begin(), menus.end(), m), menus.end());
        m->inBar = false;
        if (m->parentItem) {
            m->parentItem->submenu = nullptr;
            m->parentItem = nullptr;
        }
        Host().MaybeDestroy(m);
    }
    static void HOSTCB AVMenuAddMenuItem(void* menu, void* item, int32_t index)
    {
        Host().Cue(TABLE_ACROVIEW, view::AVMenuAddMenuItem);
        H::Menu* m = MenuOf(menu);
        H::Item* i = ItemOf(item);
        if (!m || !i)
            return;
        if (i->parent) {
            Host().Problem("AVMenuAddMenuItem of an item that has a menu already");
            return;
        }
        if (index < 0 || static_cast<size_t>(index) >= m->items.size())
            m->items.push_back(i);
        else
            m->items.insert(m->items.begin() + index, i);
        i->parent = m;
    }
    static void* HOSTCB AVMenuItemNew(const char* title, const char* name, void* submenu, Bool16, char, uint16_t,
                                      void*, void* owner)
    {
        if (owner != Host().m_extensionId)
            Host().Problem("AVMenuItemNew with another owner than the extension id");
        H::Item* item = new H::Item;
        item->title = title ? title : "";
        item->name = name ? name : "";
        item->refs = 1;
        if (submenu) {
            H::Menu* m = MenuOf(submenu);
            if (m && (m->inBar || m->parentItem)) {
                Host().Problem("AVMenuItemNew with a submenu that has a place already");
            } else if (m) {
                item->submenu = m;
                m->parentItem = item;
            }
        }
        Host().m_items.insert(item);
        return item;
    }
    static void HOSTCB AVMenuItemRelease(void* item)
    {
        H::Item* i = ItemOf(item);
        if (!i)
            return;
        if (--i->refs < 0)
            Host().Problem("AVMenuItemRelease of an item without references");
        Host().MaybeDestroy(i);
    }
    static void HOSTCB AVMenuItemSetExecuteProc(void* item, void* proc, void* data)
    {
        H::Item* i = ItemOf(item);
        if (!i)
            return;
        i->execute = Host().ResolveCallback(proc, "AVMenuItemSetExecuteProc");
        i->executeData = data;
    }
    static void HOSTCB AVMenuItemSetComputeEnabledProc(void* item, void* proc, void* data)
    {
        H::Item* i = ItemOf(item);
        if (!i)
            return;
        i->enabled = Host().ResolveCallback(proc, "AVMenuItemSetComputeEnabledProc");
        i->enabledData = data;
    }
    static void* HOSTCB AVToolBarGetButtonByName(void* bar, Atom name)
    {
        H::ToolBar* b = ToolBarOf(bar);
        if (!b)
            return nullptr;
        for (H::Button* button : b->buttons) {
            if (button->name == name)
                return button;
        }
        return nullptr;
    }
    static void HOSTCB AVToolBarAddButton(void* bar, void* button, Bool16 before, void* other)
    {
        Host().Cue(TABLE_ACROVIEW, view::AVToolBarAddButton);
        H::ToolBar* b = ToolBarOf(bar);
        H::Button* button_ = ButtonOf(button);
        if (!b || !button_)
            return;
        if (button_->bar) {
            auto& old = button_->bar->buttons;
            old.erase(std::remove(old.begin(), old.end(), button_), old.end());
        }
        auto& buttons = b->buttons;
        auto at = std::find(buttons.begin(), buttons.end(), static_cast<H::Button*>(other));
        if (!other || at == buttons.end())
            buttons.insert(before ? buttons.begin() : buttons.end(), button_);
        else
            buttons.insert(before ? at : at + 1, button_);
        button_->bar = b;
    }
    static void HOSTCB AVToolBarUpdateButtonStates(void* bar)
    {
        H::ToolBar* b = ToolBarOf(bar);
        if (!b)
            return;
        ++Host().m_buttonUpdates;
        for (H::Button* button : std::vector<H::Button*>(b->buttons)) {
            if (button->enabled)
                Host().ButtonEnabled(AtomText(button->name));
        }
    }
    static void* HOSTCB AVToolButtonNew(Atom name, void* icon, Bool16, Bool16)
    {
        if (icon)
            Host().m_buttonIcons.push_back(icon);
        Host().Cue(TABLE_ACROVIEW, view::AVToolButtonNew);
        H::Button* button = new H::Button;
        button->name = name;
        button->icon = icon;
        Host().m_buttons.insert(button);
        return button;
    }
    // Removes the button from its toolbar, when it is in one, and destroys
    // it: its handle is no button any more.
    static void HOSTCB AVToolButtonDestroy(void* button)
    {
        H::Button* b = ButtonOf(button);
        if (!b)
            return;
        if (b->bar) {
            auto& buttons = b->bar->buttons;
            buttons.erase(std::remove(buttons.begin(), buttons.end(), b), buttons.end());
        }
        Host().m_buttons.erase(b);
        delete b;
    }
    static void HOSTCB AVToolButtonRemove(void* button)
    {
        H::Button* b = ButtonOf(button);
        if (!b || !b->bar)
            return;
        auto& buttons = b->bar->buttons;
        buttons.erase(std::remove(buttons.begin(), buttons.end(), b), buttons.end());
        b->bar = nullptr;
    }
    static void HOSTCB AVToolButtonSetExecuteProc(void* button, void* proc, void* data)
    {
        H::Button* b = ButtonOf(button);
        if (!b)
            return;
        b->execute = Host().ResolveCallback(proc, "AVToolButtonSetExecuteProc");
        b->executeData = data;
    }
    static void HOSTCB AVToolButtonSetComputeEnabledProc(void* button, void* proc, void* data)
    {
        H::Button* b = ButtonOf(button);
        if (!b)
            return;
        b->enabled = Host().ResolveCallback(proc, "AVToolButtonSetComputeEnabledProc");
        b->enabledData = data;
    }
    static void HOSTCB AVToolButtonSetComputeTooltipProc(void* button, void* proc, void* data)
    {
        H::Button* b = ButtonOf(button);
        if (!b)
            return;
        b->tooltip = Host().ResolveCallback(proc, "AVToolButtonSetComputeTooltipProc");
        b->tooltipData = data;
    }
    static void* HOSTCB AVWindowGetPlatformThing(void* window)
    {
        H::Document* doc = WindowDoc(window);
        return doc ? doc->window : nullptr;
    }
    static void* HOSTCB AVToolBarNew(const char* name, const char* title)
    {
        H::ToolBar* bar = new H::ToolBar;
        bar->name = name ? name : "";
        bar->title = title ? title : "";
        Host().m_toolBars.push_back(bar);
        return bar;
    }
    static void* HOSTCB AVAppGetToolBarByName(const char* name)
    {
        for (H::ToolBar* bar : Host().m_toolBars) {
            if (name && bar->name == name)
                return bar;
        }
        return nullptr;
    }
    static void HOSTCB AVAppRegisterToolBarPosition(const char* name, Bool16 external, const ToolBarPosition* position)
    {
        if (!position || position->size != sizeof(ToolBarPosition)) {
            Host().Problem("AVAppRegisterToolBarPosition with a record that is not 48 bytes");
            return;
        }
        PositionRecord record;
        record.toolBarName = name ? name : "";
        record.external = external != 0;
        record.record = *position;
        record.floatingWindowNamePointer = position->floatingWindowName;
        record.registeredName = position->floatingWindowName ? position->floatingWindowName : "";
        record.floatingWindowName = record.registeredName;
        record.record.floatingWindowName = nullptr;
        Host().m_positions.push_back(record);
    }

    // PDModel
    static void HOSTCB PDDocSave(void* pdDoc, uint32_t flags, void* newPath, void* fileSys, void* monitor,
                                 void* monitorData)
    {
        Host().Cue(TABLE_PDMODEL, pdmodel::PDDocSave);
        H::Document* doc = PdDoc(pdDoc);
        H::PathName* path = PathOf(newPath);
        if (!doc || !path || !FileSysOk(fileSys))
            Host().Raise(kGenericError);
        if (monitor && (monitor != &g_monitor || monitorData != &g_monitorData))
            Host().Problem("PDDocSave with a progress monitor the host did not hand out");
        if (!(flags & kSaveFull))
            Host().Problem("PDDocSave to a new path without a full save");
        if (doc->setup.save == SAVE_RAISES)
            Host().Raise(doc->setup.raiseCode);
        Host().SaveDocument(doc, flags, path->path);
    }
    static int32_t HOSTCB PDDocGetFlags(void* pdDoc)
    {
        H::Document* doc = PdDoc(pdDoc);
        return doc && doc->modified ? kDocNeedsSave : 0;
    }
    static void* HOSTCB PDDocGetFile(void* pdDoc)
    {
        H::Document* doc = PdDoc(pdDoc);
        return doc && !doc->path.empty() ? &doc->file : nullptr;
    }
    static int32_t HOSTCB PDGetHostEncoding() { return Host().m_hostEncoding; }

    // PDMetadata
    static void* HOSTCB PDDocGetXAPMetadata(void* pdDoc)
    {
        Host().Cue(TABLE_PDMETADATA, metadata::PDDocGetXAPMetadata);
        H::Document* doc = PdDoc(pdDoc);
        if (!doc || doc->setup.xmp.empty())
            return nullptr;
        return NewText(FromCodePage(doc->setup.xmp, CP_UTF8));
    }

    // ASExtra
    static void* NewText(const std::wstring& content)
    {
        H::Text* text = new H::Text;
        text->text = content;
        Host().m_texts.insert(text);
        return text;
    }
    static void* HOSTCB ASTextNew()
    {
        Host().Cue(TABLE_ASEXTRA, extra::ASTextNew);
        return NewText(std::wstring());
    }
    static void* HOSTCB ASTextFromEncoded(const char* text, int32_t encoding)
    {
        Host().Cue(TABLE_ASEXTRA, extra::ASTextFromEncoded);
        if (encoding != Host().m_hostEncoding)
            Host().Problem("ASTextFromEncoded with another encoding than the host's (" + Hex(encoding) + ")");
        return NewText(FromCodePage(text ? text : "", CodePageOfCharset(encoding)));
    }
    static void HOSTCB ASTextDestroy(void* text)
    {
        H::Text* t = static_cast<H::Text*>(text);
        if (!t)
            return;
        if (!Host().m_texts.erase(t)) {
            Host().Problem("ASTextDestroy of an unknown host text");
            return;
        }
        delete t;
    }
    static const wchar_t* HOSTCB ASTextGetUnicode(void* text)
    {
        H::Text* t = static_cast<H::Text*>(text);
        if (!Host().m_texts.count(t)) {
            Host().Problem("ASTextGetUnicode of an unknown host text");
            return nullptr;
        }
        return t->text.c_str();
    }
};

namespace {

template <int TableIndex>
void FillUnserved(std::vector<void*>& table)
{
    std::fill(table.begin(), table.end(), reinterpret_cast<void*>(&HostEntries::Unserved<TableIndex>));
}

template <typename Fn>
void* Entry(Fn fn)
{
    return reinterpret_cast<void*>(fn);
}

} // namespace

AcroTestHost::AcroTestHost()
{
    if (g_host)
        abort();
    g_host = this;
    m_extensionId = new Token{0x45585449};
    m_atoms.push_back(std::string()); // atom 0 stays unnamed
    BuildTables();
    m_appWindow = MakeWindow("Acrobat test host");
    for (const char* name : {"File", "Edit", "View", "Window", "Help"})
        AddHostMenu(name);
}

AcroTestHost::~AcroTestHost()
{
    if (m_module)
        Unload();
    for (Item* item : m_items)
        delete item;
    for (Menu* menu : m_menus)
        delete menu;
    for (ToolBar* bar : m_toolBars)
        delete bar;
    for (Button* button : m_buttons)
        delete button;
    for (PathName* path : m_pathNames)
        delete path;
    for (PlatformPath* path : m_platformPaths)
        delete path;
    for (Text* text : m_texts)
        delete text;
    for (const auto& block : m_allocations)
        free(block.first);
    for (const auto& block : m_freedBlocks)
        free(block.first);
    for (auto& doc : m_documents) {
        if (doc->window)
            DestroyWindow(doc->window);
    }
    if (m_appWindow)
        DestroyWindow(m_appWindow);
    delete static_cast<Token*>(m_extensionId);
    g_host = nullptr;
}

AcroTestHost* AcroTestHost::Current()
{
    return g_host;
}

void AcroTestHost::Problem(const std::string& text)
{
    m_problems.push_back(text);
}

void AcroTestHost::BuildTables()
{
    static const size_t sizes[TABLE_COUNT] = {16, 128, 16, pdmodel::kSize, 16, 16, 16, 16, view::kSize,
                                              16, 16,  16, 32, 16,            16};
    m_tables.resize(TABLE_COUNT);
    m_offered.assign(TABLE_COUNT, 0x80000);
    m_reported.assign(TABLE_COUNT, 0x80000);
    m_present.assign(TABLE_COUNT, true);
    for (int i = 0; i < TABLE_COUNT; ++i)
        m_tables[i].resize(sizes[i]);
    FillUnserved<TABLE_CORE>(m_tables[TABLE_CORE]);
    FillUnserved<TABLE_ACROSUPPORT>(m_tables[TABLE_ACROSUPPORT]);
    FillUnserved<TABLE_COS>(m_tables[TABLE_COS]);
    FillUnserved<TABLE_PDMODEL>(m_tables[TABLE_PDMODEL]);
    FillUnserved<TABLE_PDFEDITWRITE>(m_tables[TABLE_PDFEDITWRITE]);
    FillUnserved<TABLE_PDFEDITREAD>(m_tables[TABLE_PDFEDITREAD]);
    FillUnserved<TABLE_PDSYSFONT>(m_tables[TABLE_PDSYSFONT]);
    FillUnserved<TABLE_PAGEPDECONTENT>(m_tables[TABLE_PAGEPDECONTENT]);
    FillUnserved<TABLE_ACROVIEW>(m_tables[TABLE_ACROVIEW]);
    FillUnserved<TABLE_PDSWRITE>(m_tables[TABLE_PDSWRITE]);
    FillUnserved<TABLE_PDSREAD>(m_tables[TABLE_PDSREAD]);
    FillUnserved<TABLE_WIN>(m_tables[TABLE_WIN]);
    FillUnserved<TABLE_ASEXTRA>(m_tables[TABLE_ASEXTRA]);
    FillUnserved<TABLE_PDMETADATA>(m_tables[TABLE_PDMETADATA]);
    FillUnserved<TABLE_ACROCOLOR>(m_tables[TABLE_ACROCOLOR]);

    using E = HostEntries;
    auto& c = m_tables[TABLE_CORE];
    c[core::ASRaise] = Entry(&E::ASRaise);
    c[core::ASPushExceptionFrame] = Entry(&E::ASPushExceptionFrame);
    c[core::ASPopExceptionFrame] = Entry(&E::ASPopExceptionFrame);
    c[core::ASGetExceptionErrorCode] = Entry(&E::ASGetExceptionErrorCode);
    c[core::ASAtomFromString] = Entry(&E::ASAtomFromString);
    c[core::ASAtomGetString] = Entry(&E::ASAtomGetString);
    c[core::ASCallbackCreate] = Entry(&E::ASCallbackCreate);
    c[core::ASCallbackDestroy] = Entry(&E::ASCallbackDestroy);
    c[core::ASExtensionMgrGetHFT] = Entry(&E::ASExtensionMgrGetHFT);

    auto& s = m_tables[TABLE_ACROSUPPORT];
    s[support::ASmalloc] = Entry(&E::ASmalloc);
    s[support::ASfree] = Entry(&E::ASfree);
    s[support::ASGetDefaultFileSys] = Entry(&E::ASGetDefaultFileSys);
    s[support::ASFileSysReleasePath] = Entry(&E::ASFileSysReleasePath);
    s[support::ASFileAcquirePathName] = Entry(&E::ASFileAcquirePathName);
    s[support::ASFileGetFileSys] = Entry(&E::ASFileGetFileSys);
    s[support::ASFileSysCreatePathName] = Entry(&E::ASFileSysCreatePathName);
    s[support::ASFileSysAcquirePlatformPath] = Entry(&E::ASFileSysAcquirePlatformPath);
    s[support::ASFileSysReleasePlatformPath] = Entry(&E::ASFileSysReleasePlatformPath);
    s[support::ASPlatformPathGetCstringPtr] = Entry(&E::ASPlatformPathGetCstringPtr);
    s[support::HFTGetVersion] = Entry(&E::HFTGetVersion);

    auto& v = m_tables[TABLE_ACROVIEW];
    v[view::AVAppGetActiveDoc] = Entry(&E::AVAppGetActiveDoc);
    v[view::AVAppGetDocProgressMonitor] = Entry(&E::AVAppGetDocProgressMonitor);
    v[view::AVAppGetMenubar] = Entry(&E::AVAppGetMenubar);
    v[view::AVDocGetPDDoc] = Entry(&E::AVDocGetPDDoc);
    v[view::AVDocGetAVWindow] = Entry(&E::AVDocGetAVWindow);
    v[view::AVMenubarAcquireMenuByName] = Entry(&E::AVMenubarAcquireMenuByName);
    v[view::AVMenubarGetMenuIndex] = Entry(&E::AVMenubarGetMenuIndex);
    v[view::AVMenubarAddMenu] = Entry(&E::AVMenubarAddMenu);
    v[view::AVMenuNew] = Entry(&E::AVMenuNew);
    v[view::AVMenuRelease] = Entry(&E::AVMenuRelease);
    v[view::AVMenuRemove] = Entry(&E::AVMenuRemove);
    v[view::AVMenuAddMenuItem] = Entry(&E::AVMenuAddMenuItem);
    v[view::AVMenuItemNew] = Entry(&E::AVMenuItemNew);
    v[view::AVMenuItemRelease] = Entry(&E::AVMenuItemRelease);
    v[view::AVMenuItemSetExecuteProc] = Entry(&E::AVMenuItemSetExecuteProc);
    v[view::AVMenuItemSetComputeEnabledProc] = Entry(&E::AVMenuItemSetComputeEnabledProc);
    v[view::AVToolBarGetButtonByName] = Entry(&E::AVToolBarGetButtonByName);
    v[view::AVToolBarAddButton] = Entry(&E::AVToolBarAddButton);
    v[view::AVToolBarUpdateButtonStates] = Entry(&E::AVToolBarUpdateButtonStates);
    v[view::AVToolButtonNew] = Entry(&E::AVToolButtonNew);
    v[view::AVToolButtonDestroy] = Entry(&E::AVToolButtonDestroy);
    v[view::AVToolButtonRemove] = Entry(&E::AVToolButtonRemove);
    v[view::AVToolButtonSetExecuteProc] = Entry(&E::AVToolButtonSetExecuteProc);
    v[view::AVToolButtonSetComputeEnabledProc] = Entry(&E::AVToolButtonSetComputeEnabledProc);
    v[view::AVWindowGetPlatformThing] = Entry(&E::AVWindowGetPlatformThing);
    v[view::AVToolBarNew] = Entry(&E::AVToolBarNew);
    v[view::AVAppGetToolBarByName] = Entry(&E::AVAppGetToolBarByName);
    v[view::AVToolButtonSetComputeTooltipProc] = Entry(&E::AVToolButtonSetComputeTooltipProc);
    v[view::AVAppRegisterToolBarPosition] = Entry(&E::AVAppRegisterToolBarPosition);

    auto& p = m_tables[TABLE_PDMODEL];
    p[pdmodel::PDDocSave] = Entry(&E::PDDocSave);
    p[pdmodel::PDDocGetFlags] = Entry(&E::PDDocGetFlags);
    p[pdmodel::PDDocGetFile] = Entry(&E::PDDocGetFile);
    p[pdmodel::PDGetHostEncoding] = Entry(&E::PDGetHostEncoding);

    m_tables[TABLE_PDMETADATA][metadata::PDDocGetXAPMetadata] = Entry(&E::PDDocGetXAPMetadata);

    auto& x = m_tables[TABLE_ASEXTRA];
    x[extra::ASTextNew] = Entry(&E::ASTextNew);
    x[extra::ASTextFromEncoded] = Entry(&E::ASTextFromEncoded);
    x[extra::ASTextDestroy] = Entry(&E::ASTextDestroy);
    x[extra::ASTextGetUnicode] = Entry(&E::ASTextGetUnicode);
}

void AcroTestHost::OfferTable(TableId table, Version version)
{
    m_present[table] = true;
    m_offered[table] = version;
    m_reported[table] = version;
}

void AcroTestHost::WithdrawTable(TableId table)
{
    m_present[table] = false;
}

void AcroTestHost::ReportVersion(TableId table, Version version)
{
    m_reported[table] = version;
}

HostTable AcroTestHost::Table(TableId table)
{
    return m_tables[table].data();
}

void AcroTestHost::AddHostMenu(const char* name)
{
    Menu* menu = new Menu;
    menu->title = name;
    menu->name = name;
    menu->hostOwned = true;
    menu->refs = 1;
    menu->inBar = true;
    m_menus.insert(menu);
    m_menubar.push_back(menu);
}

void AcroTestHost::RemoveHostMenu(const std::string& name)
{
    for (Menu* menu : m_menubar) {
        if (menu->hostOwned && menu->name == name) {
            m_menubar.erase(std::find(m_menubar.begin(), m_menubar.end(), menu));
            m_menus.erase(menu);
            delete menu;
            return;
        }
    }
}

void* AcroTestHost::ResolveCallback(void* callback, const char* what)
{
    Callback* entry = FindCallback(callback);
    if (!entry) {
        Problem(std::string(what) + " with a procedure that was not made a callback by ASCallbackCreate");
        return nullptr;
    }
    if (entry->destroyed)
        Problem(std::string(what) + " with a destroyed callback");
    return entry->proc;
}

void AcroTestHost::MaybeDestroy(Menu* menu)
{
    if (menu->hostOwned || menu->refs > 0 || menu->inBar || menu->parentItem)
        return;
    std::vector<Item*> items = menu->items;
    m_menus.erase(menu);
    delete menu;
    for (Item* item : items) {
        item->parent = nullptr;
        MaybeDestroy(item);
    }
}

void AcroTestHost::MaybeDestroy(Item* item)
{
    if (item->refs > 0 || item->parent)
        return;
    Menu* submenu = item->submenu;
    m_items.erase(item);
    delete item;
    if (submenu) {
        submenu->parentItem = nullptr;
        MaybeDestroy(submenu);
    }
}

[[noreturn]] void AcroTestHost::Raise(int32_t code)
{
    m_errorCode = code;
    if (m_frames.empty()) {
        fprintf(stderr, "acrobat test host: a raise without any exception frame\n");
        abort();
    }
    // The frame stays where it is: popping it is the plug-in's part.
    Frame frame = m_frames.back();
    if (frame.host)
        EscapeToHost(code);
    ++m_raisesCaught;
    if (frame.restore)
        frame.restore(frame.environment);
    Problem("a restore procedure returned");
    EscapeToHost(code);
}

[[noreturn]] void AcroTestHost::EscapeToHost(int32_t code)
{
    for (auto it = m_frames.rbegin(); it != m_frames.rend(); ++it) {
        if (!it->host)
            continue;
        HostJump* jump = static_cast<HostJump*>(it->environment);
        jump->error = code;
        __builtin_longjmp(jump->jump, 1);
    }
    fprintf(stderr, "acrobat test host: a raise without a frame of the host\n");
    abort();
}

void AcroTestHost::Cue(TableId table, unsigned selector)
{
    auto it = m_cues.find(std::make_pair(static_cast<int>(table), selector));
    if (it == m_cues.end() || --it->second.countdown > 0)
        return;
    int32_t code = it->second.code;
    m_cues.erase(it);
    Raise(code);
}

void AcroTestHost::RaiseIn(TableId table, unsigned selector, int32_t code, int nth)
{
    m_cues[std::make_pair(static_cast<int>(table), selector)] = CueState{code, nth};
}

size_t AcroTestHost::CallbacksMade() const
{
    return m_callbacks.size();
}

AcroTestHost::Callback* AcroTestHost::FindCallback(const void* pointer)
{
    for (Callback& entry : m_callbacks) {
        if (&entry == pointer)
            return &entry;
    }
    return nullptr;
}

bool AcroTestHost::CallPlugin(void (*call)(void* context), void* context, const char* what)
{
    HostJump jump;
    jump.error = 0;
    jump.depth = m_frames.size();
    jump.what = what;
    m_frames.push_back(Frame{&jump, nullptr, true});
    bool returned = __builtin_setjmp(jump.jump) == 0;
    if (returned)
        call(context);
    // Whatever the plug-in left above the host's frame is gone with the
    // procedure's stack.
    if (m_frames.size() != jump.depth + 1 || !m_frames.back().host)
        Problem(std::string(jump.what) + " left an exception frame behind");
    m_frames.resize(jump.depth);
    if (!returned)
        Problem(std::string("a raise (") + Hex(static_cast<uint32_t>(jump.error)) + ") escaped " + jump.what);
    return returned;
}

namespace {

struct PlainCall {
    void* proc;
    Bool16 result;
};
void CallPlain(void* context)
{
    PlainCall* c = static_cast<PlainCall*>(context);
    c->result = reinterpret_cast<Bool16(HOSTCB*)(void)>(c->proc)();
}

struct VersionCall {
    void* proc;
    uint32_t version;
    void* data;
    Bool16 result;
};
void CallWithVersion(void* context)
{
    VersionCall* c = static_cast<VersionCall*>(context);
    c->result = reinterpret_cast<Bool16(HOSTCB*)(uint32_t, void*)>(c->proc)(c->version, c->data);
}

struct DataCall {
    void* proc;
    void* data;
    Bool16 result;
    Bool16 enabled;
    void* text;
};
void CallExecute(void* context)
{
    DataCall* c = static_cast<DataCall*>(context);
    reinterpret_cast<void(HOSTCB*)(void*)>(c->proc)(c->data);
}
void CallEnabled(void* context)
{
    DataCall* c = static_cast<DataCall*>(context);
    c->result = reinterpret_cast<Bool16(HOSTCB*)(void*)>(c->proc)(c->data);
}
void CallTooltip(void* context)
{
    DataCall* c = static_cast<DataCall*>(context);
    c->text = reinterpret_cast<void*(HOSTCB*)(void*, Bool16)>(c->proc)(c->data, c->enabled);
}

} // namespace

bool AcroTestHost::RunProcedure(void(HOSTCB* proc)(void* clientData), void* clientData, const char* what)
{
    DataCall call = {reinterpret_cast<void*>(proc), clientData, 0, 0, nullptr};
    return CallPlugin(CallExecute, &call, what);
}

void AcroTestHost::FailLoad()
{
    if (m_ownsModule)
        FreeLibrary(m_module);
    m_module = nullptr;
    m_ownsModule = false;
    m_initCallback = nullptr;
    m_unloadCallback = nullptr;
}

LoadResult AcroTestHost::Attach(const std::wstring& path)
{
    m_module = LoadLibraryW(path.c_str());
    if (!m_module)
        return LOAD_NO_MODULE;
    m_ownsModule = true;
    PlugInMainProc main = reinterpret_cast<PlugInMainProc>(GetProcAddress(m_module, "PlugInMain"));
    if (!main) {
        FailLoad();
        return LOAD_NO_MODULE;
    }
    return Bind(main);
}

LoadResult AcroTestHost::AttachLinked(PlugInMainProc main, HMODULE module)
{
    m_module = module;
    m_ownsModule = false;
    return Bind(main);
}

LoadResult AcroTestHost::Bind(PlugInMainProc main)
{
    WindowsData windowsData = {m_appWindow, m_module};
    uint32_t answered = 0;
    void* setup = nullptr;
    if (!main(m_offeredHandshake, &answered, &setup, &windowsData) || !setup) {
        FailLoad();
        return LOAD_REFUSED_BY_MAIN;
    }
    m_answeredHandshake = answered;

    SetupData setupData = {answered, m_extensionId, m_tables[TABLE_CORE].data(), nullptr};
    VersionCall setupCall = {setup, answered, &setupData, 0};
    if (!CallPlugin(CallWithVersion, &setupCall, "the setup procedure") || !setupCall.result) {
        FailLoad();
        return LOAD_REFUSED_BY_SETUP;
    }
    void* handshake = ResolveCallback(setupData.handshakeCallback, "the setup procedure's handshake callback");
    HandshakeData handshakeData = {answered, HostEntries::ASAtomFromString("Acrobat"), 0, nullptr, nullptr, nullptr,
                                   nullptr};
    VersionCall handshakeCall = {handshake, answered, &handshakeData, 0};
    if (!handshake || !CallPlugin(CallWithVersion, &handshakeCall, "the handshake callback") ||
        !handshakeCall.result) {
        FailLoad();
        return LOAD_REFUSED_BY_HANDSHAKE;
    }
    m_extensionName = handshakeData.extensionName;
    void* exportTables = ResolveCallback(handshakeData.exportTables, "the export callback");
    void* importReplace = ResolveCallback(handshakeData.importReplaceAndRegister, "the import callback");
    m_initCallback = ResolveCallback(handshakeData.init, "the init callback");
    m_unloadCallback = ResolveCallback(handshakeData.unload, "the unload callback");
    for (void* proc : {exportTables, importReplace}) {
        PlainCall call = {proc, 0};
        if (proc && (!CallPlugin(CallPlain, &call, "an export or import callback") || !call.result))
            Problem("an export or import callback failed");
    }
    return LOAD_OK;
}

LoadResult AcroTestHost::Load(const std::wstring& path)
{
    LoadResult result = Attach(path);
    if (result == LOAD_OK && !RunInit())
        Problem("the init callback failed");
    return result;
}

bool AcroTestHost::RunInit()
{
    if (!m_initCallback)
        return false;
    PlainCall call = {m_initCallback, 0};
    return CallPlugin(CallPlain, &call, "the init callback") && call.result;
}

void AcroTestHost::Unload()
{
    if (!m_module)
        return;
    // The toolbar layout is read until the plug-in goes: every kept name
    // must still be the text that was registered.
    for (PositionRecord& record : m_positions) {
        if (!record.floatingWindowNamePointer)
            continue;
        record.floatingWindowName = ReadKeptName(record, true);
        if (record.floatingWindowName != record.registeredName)
            Problem("the floating window name of toolbar \"" + record.toolBarName +
                    "\" did not live until unload");
        // The plug-in's memory goes with it.
        record.floatingWindowNamePointer = nullptr;
    }
    if (m_unloadCallback) {
        PlainCall call = {m_unloadCallback, 0};
        if (!CallPlugin(CallPlain, &call, "the unload callback") || !call.result)
            Problem("the unload callback failed");
    }
    if (m_ownsModule)
        FreeLibrary(m_module);
    m_module = nullptr;
    m_ownsModule = false;
}

std::string AcroTestHost::ExtensionName() const
{
    return m_extensionName < m_atoms.size() ? m_atoms[m_extensionName] : std::string();
}

std::vector<std::string> AcroTestHost::MenubarNames() const
{
    std::vector<std::string> names;
    for (const Menu* menu : m_menubar)
        names.push_back(menu->name);
    return names;
}

MenuItemView AcroTestHost::ViewOf(const Item* item) const
{
    MenuItemView view;
    view.title = item->title;
    view.name = item->name;
    view.hasExecute = item->execute != nullptr;
    view.hasEnabled = item->enabled != nullptr;
    view.clientData = item->executeData;
    if (item->submenu) {
        view.submenuName = item->submenu->name;
        view.submenuTitle = item->submenu->title;
        for (const Item* child : item->submenu->items)
            view.submenu.push_back(ViewOf(child));
    }
    return view;
}

bool AcroTestHost::FindMenu(const std::string& name, MenuView* view) const
{
    for (const Menu* menu : m_menubar) {
        if (menu->name != name)
            continue;
        view->title = menu->title;
        view->name = menu->name;
        view->items.clear();
        for (const Item* item : menu->items)
            view->items.push_back(ViewOf(item));
        return true;
    }
    return false;
}

AcroTestHost::Item* AcroTestHost::FindItemIn(const Menu* menu, const std::string& name) const
{
    for (Item* item : menu->items) {
        if (item->name == name)
            return item;
        if (item->submenu) {
            if (Item* found = FindItemIn(item->submenu, name))
                return found;
        }
    }
    return nullptr;
}

AcroTestHost::Item* AcroTestHost::FindItem(const std::string& name) const
{
    for (const Menu* menu : m_menubar) {
        if (Item* item = FindItemIn(menu, name))
            return item;
    }
    return nullptr;
}

bool AcroTestHost::RunMenuItem(const std::string& name)
{
    Item* item = FindItem(name);
    if (!item || !item->execute)
        return false;
    DataCall call = {item->execute, item->executeData, 0, 0, nullptr};
    return CallPlugin(CallExecute, &call, "a menu item's execute procedure");
}

bool AcroTestHost::MenuItemEnabled(const std::string& name)
{
    Item* item = FindItem(name);
    if (!item)
        return false;
    if (!item->enabled)
        return true;
    DataCall call = {item->enabled, item->enabledData, 0, 0, nullptr};
    return CallPlugin(CallEnabled, &call, "a menu item's compute-enabled procedure") && call.result;
}

bool AcroTestHost::HasToolBar(const std::string& name) const
{
    for (const ToolBar* bar : m_toolBars) {
        if (bar->name == name)
            return true;
    }
    return false;
}

std::string AcroTestHost::ToolBarTitle(const std::string& name) const
{
    for (const ToolBar* bar : m_toolBars) {
        if (bar->name == name)
            return bar->title;
    }
    return std::string();
}

std::vector<std::string> AcroTestHost::ToolBarButtons(const std::string& name) const
{
    std::vector<std::string> names;
    for (const ToolBar* bar : m_toolBars) {
        if (bar->name != name)
            continue;
        for (const Button* button : bar->buttons)
            names.push_back(HostEntries::AtomText(button->name));
    }
    return names;
}

AcroTestHost::Button* AcroTestHost::FindButton(const std::string& name) const
{
    for (const ToolBar* bar : m_toolBars) {
        for (Button* button : bar->buttons) {
            if (HostEntries::AtomText(button->name) == name)
                return button;
        }
    }
    return nullptr;
}

bool AcroTestHost::PressButton(const std::string& name)
{
    Button* button = FindButton(name);
    if (!button || !button->execute)
        return false;
    DataCall call = {button->execute, button->executeData, 0, 0, nullptr};
    return CallPlugin(CallExecute, &call, "a button's execute procedure");
}

bool AcroTestHost::ButtonEnabled(const std::string& name)
{
    Button* button = FindButton(name);
    if (!button)
        return false;
    if (!button->enabled)
        return true;
    DataCall call = {button->enabled, button->enabledData, 0, 0, nullptr};
    return CallPlugin(CallEnabled, &call, "a button's compute-enabled procedure") && call.result;
}

std::wstring AcroTestHost::ButtonTooltip(const std::string& name, bool enabled)
{
    Button* button = FindButton(name);
    if (!button || !button->tooltip)
        return std::wstring();
    DataCall call = {button->tooltip, button->tooltipData, 0, static_cast<Bool16>(enabled ? 1 : 0), nullptr};
    if (!CallPlugin(CallTooltip, &call, "a button's tooltip procedure") || !call.text) {
        Problem("the tooltip procedure gave no host text");
        return std::wstring();
    }
    Text* text = static_cast<Text*>(call.text);
    if (!m_texts.count(text)) {
        Problem("the tooltip procedure gave an object that is no host text");
        return std::wstring();
    }
    std::wstring result = text->text;
    m_texts.erase(text);
    delete text;
    return result;
}

HBITMAP AcroTestHost::ButtonIcon(const std::string& name) const
{
    for (const Button* button : m_buttons) {
        if (HostEntries::AtomText(button->name) == name)
            return static_cast<HBITMAP>(button->icon);
    }
    return nullptr;
}

int AcroTestHost::OpenDocument(const DocumentSpec& setup)
{
    std::unique_ptr<Document> doc(new Document);
    doc->id = m_nextDocument++;
    doc->setup = setup;
    doc->path = setup.path;
    doc->modified = setup.modified;
    doc->window = MakeWindow(setup.path.empty() ? "document" : setup.path.c_str());
    m_active = doc->id;
    m_documents.push_back(std::move(doc));
    return m_active;
}

void AcroTestHost::CloseDocument(int id)
{
    for (auto it = m_documents.begin(); it != m_documents.end(); ++it) {
        if ((*it)->id != id)
            continue;
        if ((*it)->window)
            DestroyWindow((*it)->window);
        m_documents.erase(it);
        break;
    }
    if (m_active == id)
        m_active = m_documents.empty() ? -1 : m_documents.back()->id;
}

void AcroTestHost::Activate(int id)
{
    m_active = id;
}

AcroTestHost::Document* AcroTestHost::DocumentById(int id) const
{
    for (const auto& doc : m_documents) {
        if (doc->id == id)
            return doc.get();
    }
    return nullptr;
}

HWND AcroTestHost::DocumentWindow(int id) const
{
    Document* doc = DocumentById(id);
    return doc ? doc->window : nullptr;
}

std::string AcroTestHost::DocumentPath(int id) const
{
    Document* doc = DocumentById(id);
    return doc ? doc->path : std::string();
}

bool AcroTestHost::DocumentModified(int id) const
{
    Document* doc = DocumentById(id);
    return doc && doc->modified;
}

const std::vector<SavedCopy>& AcroTestHost::Saves(int id) const
{
    static const std::vector<SavedCopy> none;
    Document* doc = DocumentById(id);
    return doc ? doc->saves : none;
}

DocumentSpec& AcroTestHost::Setup(int id)
{
    static DocumentSpec none;
    Document* doc = DocumentById(id);
    return doc ? doc->setup : none;
}

int AcroTestHost::DocumentCount() const
{
    return static_cast<int>(m_documents.size());
}

bool AcroTestHost::SaveDocument(Document* doc, uint32_t flags, const std::string& path)
{
    if (doc->setup.save != SAVE_WRITES)
        return doc->setup.save == SAVE_WRITES_NOTHING;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    WriteFile(file, doc->setup.content.data(), static_cast<DWORD>(doc->setup.content.size()), &written, nullptr);
    CloseHandle(file);
    doc->saves.push_back(SavedCopy{path, flags});
    // A full save without "copy" ties the document to the new file.
    if ((flags & kSaveFull) && !(flags & kSaveCopy)) {
        doc->path = path;
        doc->modified = false;
    }
    return true;
}

bool AcroTestHost::SaveById(int id, uint32_t flags, const std::string& path)
{
    Document* doc = DocumentById(id);
    return doc && SaveDocument(doc, flags, path);
}

std::string AcroTestHost::ReadKeptName(const PositionRecord& record, bool report)
{
    const char* name = record.floatingWindowNamePointer;
    if (!name)
        return std::string();
    for (const auto& block : m_freedBlocks) {
        const char* start = static_cast<const char*>(block.first);
        if (name >= start && name < start + block.second) {
            if (report)
                Problem("a toolbar position's floating window name points into freed host memory");
            break;
        }
    }
    return name;
}

const std::vector<PositionRecord>& AcroTestHost::Positions() const
{
    for (PositionRecord& record : m_positions) {
        if (record.floatingWindowNamePointer)
            record.floatingWindowName = const_cast<AcroTestHost*>(this)->ReadKeptName(record, false);
    }
    return m_positions;
}

LiveCounts AcroTestHost::Live() const
{
    LiveCounts live;
    for (const Menu* menu : m_menus) {
        if (!menu->hostOwned)
            ++live.pluginMenus;
    }
    live.pluginItems = m_items.size();
    for (const ToolBar* bar : m_toolBars)
        live.buttonsInToolBars += bar->buttons.size();
    live.buttons = m_buttons.size();
    live.pathNames = m_pathNames.size();
    live.platformPaths = m_platformPaths.size();
    live.texts = m_texts.size();
    live.allocations = m_allocations.size();
    std::set<void*> icons(m_buttonIcons.begin(), m_buttonIcons.end());
    for (void* icon : icons) {
        if (GetObjectType(static_cast<HGDIOBJ>(icon)) != 0)
            ++live.buttonIcons;
    }
    live.frames = m_frames.size();
    for (const Callback& entry : m_callbacks) {
        if (!entry.destroyed)
            ++live.callbacks;
    }
    return live;
}

} // namespace acrohost
