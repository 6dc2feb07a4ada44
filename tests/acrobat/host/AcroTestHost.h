// A stand-in for Acrobat as a plug-in sees it: it loads a plug-in DLL, runs
// the handshake of the published plug-in interface, offers the fifteen
// function tables at versions a test chooses, and models what the entries
// change: atoms, callbacks, the menu bar with menus and items (reference
// counts as documented), toolbars and buttons, documents with their files,
// XMP and saves, path names, host texts, host memory and exception frames.
//
// It records every breach of the interface it can see (an entry it does not
// serve, a procedure passed without ASCallbackCreate, a wrong owner, a raise
// that no plug-in frame caught, a frame left pushed when a procedure of the
// plug-in returns, a pop without a push, a restore procedure that returns,
// an unknown object) as a problem.
//
// Raises go as the interface defines them: the host keeps the stack of
// frames, raises by calling the top frame's restore procedure with its one
// argument, never pops a plug-in's frame, and answers the code of the
// current raise through ASGetExceptionErrorCode. One host
// exists at a time; the host functions reach it through a global.
#pragma once

#include "AcroHostTables.h"

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace acrohost {

// How a document answers PDDocSave (and the automation Save).
enum SaveOutcome {
    SAVE_WRITES,        // writes the document's content to the path
    SAVE_RAISES,        // raises the document's error code, writes nothing
    SAVE_WRITES_NOTHING // returns as if saved, leaves no file
};

struct DocumentSpec {
    // The file the document is tied to (ANSI); empty: a document without a
    // file.
    std::string path;
    bool modified = false;
    // The XMP packet (UTF-8); empty: none.
    std::string xmp;
    // What a save writes.
    std::string content = "%PDF-1.4\n% test document\n%%EOF\n";
    SaveOutcome save = SAVE_WRITES;
    int32_t raiseCode = 0x40000003;
    // A PDF portfolio: its script object's "collection" is an object.
    bool portfolio = false;
    // Document information that the automation's GetInfo answers.
    std::map<std::wstring, std::wstring> info;
};

struct SavedCopy {
    std::string path;
    uint32_t flags;
};

struct MenuItemView {
    std::string title;
    std::string name;
    bool hasExecute = false;
    bool hasEnabled = false;
    void* clientData = nullptr;
    // Items of the item's submenu, with its name and title.
    std::string submenuName;
    std::string submenuTitle;
    std::vector<MenuItemView> submenu;
};

struct MenuView {
    std::string title;
    std::string name;
    std::vector<MenuItemView> items;
};

// The host keeps the record's floating window name as the pointer it was
// given (the interface does not say that it copies the text) and reads it
// when it needs it: floatingWindowName is what it reads now.
struct PositionRecord {
    std::string toolBarName;
    bool external = false;
    ToolBarPosition record = {};
    std::string floatingWindowName;
    const char* floatingWindowNamePointer = nullptr;
    // The text as it stood while the host was registering it.
    std::string registeredName;
};

struct LiveCounts {
    size_t pluginMenus = 0;
    size_t pluginItems = 0;
    size_t buttonsInToolBars = 0;
    // Made by AVToolButtonNew and not destroyed, in a toolbar or not.
    size_t buttons = 0;
    size_t pathNames = 0;
    size_t platformPaths = 0;
    size_t texts = 0;
    size_t allocations = 0;
    size_t frames = 0;
    // Made by ASCallbackCreate and not destroyed.
    size_t callbacks = 0;
    // Bitmaps handed to AVToolButtonNew (the plug-in keeps owning them)
    // that are still GDI objects.
    size_t buttonIcons = 0;
};

enum LoadResult {
    LOAD_OK,
    LOAD_NO_MODULE,
    LOAD_REFUSED_BY_MAIN,
    LOAD_REFUSED_BY_SETUP,
    LOAD_REFUSED_BY_HANDSHAKE,
};

class AcroTestHost
{
public:
    AcroTestHost();
    ~AcroTestHost();
    AcroTestHost(const AcroTestHost&) = delete;
    AcroTestHost& operator=(const AcroTestHost&) = delete;

    // Tables: offered at `version` (a request up to it is served). The
    // version HFTGetVersion reports can be set apart from it.
    void OfferTable(TableId table, Version version);
    void WithdrawTable(TableId table);
    void ReportVersion(TableId table, Version version);
    HostTable Table(TableId table);
    // The (name, version) pairs ASExtensionMgrGetHFT was asked for.
    const std::vector<std::pair<std::string, Version>>& TableRequests() const { return m_tableRequests; }

    // The handshake version offered to PlugInMain (Acrobat offers 0x20000).
    void SetOfferedHandshake(uint32_t version) { m_offeredHandshake = version; }
    uint32_t AnsweredHandshake() const { return m_answeredHandshake; }

    // Loads the DLL, runs PlugInMain, the setup procedure and the handshake
    // callback, then the export and import-replace-and-register callbacks;
    // Load also runs the initialisation callback.
    LoadResult Attach(const std::wstring& path);
    LoadResult Load(const std::wstring& path);
    // The same with a plug-in linked into this program: its PlugInMain and
    // the module whose resources it uses (not freed at unload).
    using PlugInMainProc = Bool16(WINAPI*)(uint32_t, uint32_t*, void**, void*);
    LoadResult AttachLinked(PlugInMainProc main, HMODULE module);
    bool RunInit();
    // Runs the unload callback and frees the DLL.
    void Unload();
    bool Loaded() const { return m_module != nullptr; }
    std::string ExtensionName() const;
    void* ExtensionId() const { return m_extensionId; }

    // The menu bar: menu names in order.
    std::vector<std::string> MenubarNames() const;
    bool FindMenu(const std::string& name, MenuView* view) const;
    void RemoveHostMenu(const std::string& name);
    // Runs an item's execute procedure (false: no such item or procedure).
    bool RunMenuItem(const std::string& name);
    // Asks an item's compute-enabled procedure; an item without one is
    // enabled.
    bool MenuItemEnabled(const std::string& name);

    bool HasToolBar(const std::string& name) const;
    std::string ToolBarTitle(const std::string& name) const;
    std::vector<std::string> ToolBarButtons(const std::string& name) const;
    bool PressButton(const std::string& name);
    bool ButtonEnabled(const std::string& name);
    // The tooltip procedure's text (the host text destroyed afterwards).
    std::wstring ButtonTooltip(const std::string& name, bool enabled = true);
    HBITMAP ButtonIcon(const std::string& name) const;
    // The registered positions, each name read through its pointer now.
    const std::vector<PositionRecord>& Positions() const;
    // The state each button's compute-enabled procedure gave at the last
    // AVToolBarUpdateButtonStates.
    int ButtonUpdates() const { return m_buttonUpdates; }

    // Documents: the last opened one is active.
    int OpenDocument(const DocumentSpec& setup);
    void CloseDocument(int id);
    void Activate(int id);
    int ActiveDocument() const { return m_active; }
    HWND DocumentWindow(int id) const;
    HWND AppWindow() const { return m_appWindow; }
    std::string DocumentPath(int id) const;
    bool DocumentModified(int id) const;
    const std::vector<SavedCopy>& Saves(int id) const;
    DocumentSpec& Setup(int id);
    int DocumentCount() const;
    // A save as the automation's PDDoc.Save makes it: the outcome the
    // document's setup names, without raising; true when the host reports
    // success.
    bool SaveById(int id, uint32_t flags, const std::string& path);

    // ASGetDefaultFileSys and ASFileGetFileSys answer NULL, as the
    // documentation allows.
    void WithholdFileSystems(bool defaultFileSys, bool documentFileSys)
    {
        m_noDefaultFileSys = defaultFileSys;
        m_noDocumentFileSys = documentFileSys;
    }

    // The encoding PDGetHostEncoding answers (a Windows character set).
    void SetHostEncoding(int32_t charset) { m_hostEncoding = charset; }

    // The n-th call of the entry from now on raises `code` instead of
    // doing its work (served for the entries the documentation says may
    // raise).
    void RaiseIn(TableId table, unsigned selector, int32_t code, int nth = 1);
    // Raises that reached a frame of the plug-in.
    int RaisesCaught() const { return m_raisesCaught; }
    // Calls a procedure of the plug-in as the host calls an execute
    // procedure: inside a frame of the host, with the same checks on the
    // way out; false when a raise escaped it.
    bool RunProcedure(void(HOSTCB* proc)(void* clientData), void* clientData, const char* what);
    // Every callback made so far.
    size_t CallbacksMade() const;

    std::vector<std::string> Problems() const { return m_problems; }
    LiveCounts Live() const;

    // Used by the host functions.
    static AcroTestHost* Current();
    void Problem(const std::string& text);

private:
    friend struct HostEntries;
    struct Menu;
    struct Item;
    struct ToolBar;
    struct Button;
    struct Document;
    struct Callback;
    struct PathName;
    struct PlatformPath;
    struct Text;
    struct Frame;

    void BuildTables();
    // What a kept floating window name reads now; a problem when it points
    // into freed host memory.
    std::string ReadKeptName(const PositionRecord& record, bool report);
    void AddHostMenu(const char* name);
    void* ResolveCallback(void* callback, const char* what);
    void MaybeDestroy(Menu* menu);
    void MaybeDestroy(Item* item);
    Item* FindItem(const std::string& name) const;
    Item* FindItemIn(const Menu* menu, const std::string& name) const;
    Button* FindButton(const std::string& name) const;
    MenuItemView ViewOf(const Item* item) const;
    Document* DocumentById(int id) const;
    bool SaveDocument(Document* doc, uint32_t flags, const std::string& path);
    void FailLoad();
    LoadResult Bind(PlugInMainProc main);
    // Calls a plug-in procedure inside a host exception frame; false when a
    // raise escaped it.
    bool CallPlugin(void (*call)(void* context), void* context, const char* what);
    // Hands the raise to the innermost exception frame; does not return.
    [[noreturn]] void Raise(int32_t code);
    // Jumps to the innermost frame of the host itself.
    [[noreturn]] void EscapeToHost(int32_t code);
    // Raises when the entry is cued to.
    void Cue(TableId table, unsigned selector);
    // The callback that ASCallbackCreate made, destroyed or not; null for
    // anything else.
    Callback* FindCallback(const void* pointer);

    std::vector<std::vector<void*>> m_tables;
    std::vector<Version> m_offered;
    std::vector<Version> m_reported;
    std::vector<bool> m_present;
    std::vector<std::pair<std::string, Version>> m_tableRequests;

    uint32_t m_offeredHandshake = 0x20000;
    uint32_t m_answeredHandshake = 0;
    HMODULE m_module = nullptr;
    bool m_ownsModule = false;
    void* m_extensionId;
    uint16_t m_extensionName = 0;
    void* m_initCallback = nullptr;
    void* m_unloadCallback = nullptr;

    std::vector<std::string> m_atoms;
    std::deque<Callback> m_callbacks;

    HWND m_appWindow = nullptr;
    std::vector<Menu*> m_menubar;
    std::set<Menu*> m_menus;
    std::set<Item*> m_items;
    std::vector<ToolBar*> m_toolBars;
    std::set<Button*> m_buttons;
    mutable std::vector<PositionRecord> m_positions;
    std::vector<void*> m_buttonIcons;
    int m_buttonUpdates = 0;

    std::vector<std::unique_ptr<Document>> m_documents;
    int m_active = -1;
    int m_nextDocument = 1;
    int32_t m_hostEncoding = ANSI_CHARSET;
    bool m_noDefaultFileSys = false;
    bool m_noDocumentFileSys = false;

    std::set<PathName*> m_pathNames;
    std::set<PlatformPath*> m_platformPaths;
    std::set<Text*> m_texts;
    // Live blocks with their sizes; freed ones are poisoned and kept until
    // the host goes, so that a pointer kept into one reads as garbage.
    std::map<void*, size_t> m_allocations;
    std::map<void*, size_t> m_freedBlocks;
    std::vector<Frame> m_frames;
    int32_t m_errorCode = 0;
    int m_raisesCaught = 0;
    struct CueState {
        int32_t code;
        int countdown;
    };
    std::map<std::pair<int, unsigned>, CueState> m_cues;

    std::vector<std::string> m_problems;
};

} // namespace acrohost
