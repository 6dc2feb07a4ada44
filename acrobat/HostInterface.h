// Ostrelle's own declarations of the Acrobat plug-in interface, as the host
// publishes it for 32-bit Windows: the scalar types, the handshake records,
// the records the plug-in fills, the host function tables (HFTs) and, for
// every host entry the plug-in calls, its public name, its prototype and its
// selector (the entry's position in the table's published list, counted
// from 1). A table is an array of entry pointers indexed by selector.
//
// Conventions of the interface: PlugInMain is stdcall; every other function
// in either direction (host entries and plug-in callbacks) is cdecl. Host
// booleans are 16 bits wide. Every plug-in procedure handed to the host goes
// through ASCallbackCreate first, except the restore procedure of an
// exception frame, which the host takes as a plain function.
#pragma once

#include <windows.h>

#include <cstdint>

#define ACCB __cdecl

typedef uint16_t ASBool;
typedef uint16_t ASAtom;
typedef uint16_t ASUns16;
typedef int16_t ASInt16;
typedef uint32_t ASUns32;
typedef int32_t ASInt32;
typedef ASUns32 ASVersion;
typedef ASInt32 ASErrorCode;
typedef ASInt32 ASHostEncoding;
typedef ASInt32 AVMenuIndex;
typedef uint16_t ASUTF16Val;

// A function table: entry[selector] is the host function.
typedef void** HFT;

typedef struct OpaqueExtensionID* ExtensionID;
typedef void* ASCallback;
typedef struct OpaqueAVDoc* AVDoc;
typedef struct OpaqueAVWindow* AVWindow;
typedef struct OpaqueAVMenubar* AVMenubar;
typedef struct OpaqueAVMenu* AVMenu;
typedef struct OpaqueAVMenuItem* AVMenuItem;
typedef struct OpaqueAVToolBar* AVToolBar;
typedef struct OpaqueAVToolButton* AVToolButton;
typedef struct OpaquePDDoc* PDDoc;
typedef struct OpaqueASFile* ASFile;
typedef struct OpaqueASFileSys* ASFileSys;
typedef struct OpaqueASPathName* ASPathName;
typedef struct OpaqueASPlatformPath* ASPlatformPath;
typedef struct OpaqueASText* ASText;
typedef struct OpaqueASProgressMonitor* ASProgressMonitor;
// On Windows a tool button's icon is a bitmap handle.
typedef void* AVIcon;

const ASUns32 HANDSHAKE_VERSION_V0200 = 0x20000;
const AVMenuIndex APPEND_MENU = 9999;
const AVMenuIndex APPEND_MENUITEM = 9999;
// PDDocGetFlags: the document has unsaved changes.
const ASInt32 PDDocNeedsSave = 0x0001;

// The host data that PlugInMain receives on Windows.
struct PIWindowsData {
    HWND appWindow;
    HINSTANCE module;
};

// Procedures of the plug-in that the host calls.
typedef ASBool(ACCB* PISetupSDKProc)(ASUns32 handshakeVersion, void* sdkData);
typedef ASBool(ACCB* PIHandshakeProc)(ASUns32 handshakeVersion, void* handshakeData);
typedef ASBool(ACCB* PIPlainProc)(void);
typedef void(ACCB* AVExecuteProc)(void* clientData);
typedef ASBool(ACCB* AVComputeEnabledProc)(void* clientData);
typedef ASText(ACCB* AVComputeTooltipProc)(void* clientData, ASBool enabled);
// The host calls it with the one argument the frame was pushed with.
typedef void(ACCB* ACRestoreEnvironProc)(void* environment);

// Handed to the setup procedure: the plug-in fills handshakeCallback.
struct PISDKData_V0200 {
    ASUns32 handshakeVersion;
    ExtensionID extensionID;
    HFT coreHFT;
    ASCallback handshakeCallback;
};

// Handed to the handshake callback: the plug-in fills the extension name and
// the four callbacks.
struct PIHandshakeData_V0200 {
    ASUns32 handshakeVersion;
    ASAtom appName;
    ASAtom extensionName;
    ASCallback exportHFTsCallback;
    ASCallback importReplaceAndRegisterCallback;
    ASCallback initCallback;
    ASCallback unloadCallback;
};

struct AVRect {
    ASInt32 left;
    ASInt32 top;
    ASInt32 right;
    ASInt32 bottom;
};

// The toolbar position record of AcroView 0x60000 and later (the 8-bit enums
// of the interface are 16 bits wide on Windows).
struct AVToolBarPositionRec {
    ASUns32 size;
    ASBool inDoc;
    ASInt16 dockPosition;
    const char* floatingWindowName;
    ASInt32 stackNum;
    ASInt32 offset;
    ASInt32 order;
    AVRect windowFrame;
    ASInt16 layout;
    ASBool hidden;
    ASBool windowHidden;
};
// 64-bit hosts align the name pointer and the record to 8 bytes.
static_assert(sizeof(AVToolBarPositionRec) == (sizeof(void*) == 8 ? 56 : 48),
              "the host reads a 48-byte (64-bit: 56-byte) position record");

// Selectors, by table.
enum CoreSelector : unsigned {
    SEL_ASPushExceptionFrame = 2,
    SEL_ASPopExceptionFrame = 3,
    SEL_ASGetExceptionErrorCode = 4,
    SEL_ASAtomFromString = 5,
    SEL_ASCallbackCreate = 8,
    SEL_ASCallbackDestroy = 9,
    SEL_ASExtensionMgrGetHFT = 10,
};

enum AcroSupportSelector : unsigned {
    SEL_ASmalloc = 1,
    SEL_ASfree = 3,
    SEL_ASGetDefaultFileSys = 21,
    SEL_ASFileSysReleasePath = 25,
    SEL_ASFileAcquirePathName = 37,
    SEL_ASFileGetFileSys = 38,
    SEL_ASFileSysCreatePathName = 52,
    SEL_ASFileSysAcquirePlatformPath = 90,
    SEL_ASFileSysReleasePlatformPath = 91,
    SEL_ASPlatformPathGetCstringPtr = 92,
    SEL_HFTGetVersion = 103,
};

enum AcroViewSelector : unsigned {
    SEL_AVAppGetActiveDoc = 12,
    SEL_AVAppGetDocProgressMonitor = 15,
    SEL_AVAppGetMenubar = 16,
    SEL_AVDocGetPDDoc = 48,
    SEL_AVDocGetAVWindow = 50,
    SEL_AVMenubarAcquireMenuByName = 71,
    SEL_AVMenubarGetMenuIndex = 76,
    SEL_AVMenubarAddMenu = 77,
    SEL_AVMenuNew = 78,
    SEL_AVMenuRelease = 80,
    SEL_AVMenuRemove = 81,
    SEL_AVMenuAddMenuItem = 89,
    SEL_AVMenuItemNew = 90,
    SEL_AVMenuItemRelease = 92,
    SEL_AVMenuItemSetExecuteProc = 99,
    SEL_AVMenuItemSetComputeEnabledProc = 100,
    SEL_AVToolBarGetButtonByName = 163,
    SEL_AVToolBarAddButton = 165,
    SEL_AVToolBarUpdateButtonStates = 168,
    SEL_AVToolButtonNew = 169,
    SEL_AVToolButtonDestroy = 170,
    SEL_AVToolButtonRemove = 171,
    SEL_AVToolButtonSetExecuteProc = 175,
    SEL_AVToolButtonSetComputeEnabledProc = 176,
    SEL_AVWindowGetPlatformThing = 190,
    SEL_AVToolBarNew = 348,
    SEL_AVAppGetToolBarByName = 383,
    SEL_AVToolButtonSetComputeTooltipProc = 515,
    SEL_AVAppRegisterToolBarPosition = 534,
};

enum PDModelSelector : unsigned {
    SEL_PDDocSave = 70,
    SEL_PDDocGetFlags = 74,
    SEL_PDDocGetFile = 79,
    SEL_PDGetHostEncoding = 306,
};

enum PDMetadataSelector : unsigned {
    SEL_PDDocGetXAPMetadata = 1,
};

enum ASExtraSelector : unsigned {
    SEL_ASTextNew = 3,
    SEL_ASTextFromEncoded = 6,
    SEL_ASTextDestroy = 12,
    SEL_ASTextGetUnicode = 21,
};

// The tables the plug-in calls into, bound by the handshake (HostBinding.cpp).
extern HFT gCoreHFT;
extern HFT gAcroSupportHFT;
extern HFT gAcroViewHFT;
extern HFT gPDModelHFT;
extern HFT gPDMetadataHFT;
extern HFT gASExtraHFT;
extern ExtensionID gExtensionID;

template <typename Fn>
inline Fn HostEntry(HFT table, unsigned selector)
{
    return reinterpret_cast<Fn>(table[selector]);
}

// Core
inline void ASPushExceptionFrame(void* environment, ACRestoreEnvironProc restore)
{
    HostEntry<void(ACCB*)(void*, ACRestoreEnvironProc)>(gCoreHFT, SEL_ASPushExceptionFrame)(environment, restore);
}
inline void ASPopExceptionFrame()
{
    HostEntry<void(ACCB*)(void)>(gCoreHFT, SEL_ASPopExceptionFrame)();
}
inline ASErrorCode ASGetExceptionErrorCode()
{
    return HostEntry<ASErrorCode(ACCB*)(void)>(gCoreHFT, SEL_ASGetExceptionErrorCode)();
}
inline ASAtom ASAtomFromString(const char* text)
{
    return HostEntry<ASAtom(ACCB*)(const char*)>(gCoreHFT, SEL_ASAtomFromString)(text);
}
inline ASCallback ASCallbackCreate(ExtensionID extension, void* proc)
{
    return HostEntry<ASCallback(ACCB*)(ExtensionID, void*)>(gCoreHFT, SEL_ASCallbackCreate)(extension, proc);
}
inline void ASCallbackDestroy(ASCallback callback)
{
    HostEntry<void(ACCB*)(ASCallback)>(gCoreHFT, SEL_ASCallbackDestroy)(callback);
}
inline HFT ASExtensionMgrGetHFT(ASAtom name, ASVersion version)
{
    return HostEntry<HFT(ACCB*)(ASAtom, ASVersion)>(gCoreHFT, SEL_ASExtensionMgrGetHFT)(name, version);
}
// Procedures of this plug-in as host callbacks.
template <typename Proc>
inline ASCallback MakeCallback(Proc proc)
{
    return ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(proc));
}

// AcroSupport
inline void* ASmalloc(size_t size)
{
    return HostEntry<void*(ACCB*)(size_t)>(gAcroSupportHFT, SEL_ASmalloc)(size);
}
inline void ASfree(void* block)
{
    HostEntry<void(ACCB*)(void*)>(gAcroSupportHFT, SEL_ASfree)(block);
}
inline ASFileSys ASGetDefaultFileSys()
{
    return HostEntry<ASFileSys(ACCB*)(void)>(gAcroSupportHFT, SEL_ASGetDefaultFileSys)();
}
inline void ASFileSysReleasePath(ASFileSys fileSys, ASPathName path)
{
    HostEntry<void(ACCB*)(ASFileSys, ASPathName)>(gAcroSupportHFT, SEL_ASFileSysReleasePath)(fileSys, path);
}
inline ASPathName ASFileAcquirePathName(ASFile file)
{
    return HostEntry<ASPathName(ACCB*)(ASFile)>(gAcroSupportHFT, SEL_ASFileAcquirePathName)(file);
}
inline ASFileSys ASFileGetFileSys(ASFile file)
{
    return HostEntry<ASFileSys(ACCB*)(ASFile)>(gAcroSupportHFT, SEL_ASFileGetFileSys)(file);
}
inline ASPathName ASFileSysCreatePathName(ASFileSys fileSys, ASAtom pathType, const void* pathData,
                                          const void* mustBeZero)
{
    return HostEntry<ASPathName(ACCB*)(ASFileSys, ASAtom, const void*, const void*)>(
        gAcroSupportHFT, SEL_ASFileSysCreatePathName)(fileSys, pathType, pathData, mustBeZero);
}
inline ASErrorCode ASFileSysAcquirePlatformPath(ASFileSys fileSys, ASPathName path, ASAtom pathType,
                                                ASPlatformPath* platformPath)
{
    return HostEntry<ASErrorCode(ACCB*)(ASFileSys, ASPathName, ASAtom, ASPlatformPath*)>(
        gAcroSupportHFT, SEL_ASFileSysAcquirePlatformPath)(fileSys, path, pathType, platformPath);
}
inline void ASFileSysReleasePlatformPath(ASFileSys fileSys, ASPlatformPath platformPath)
{
    HostEntry<void(ACCB*)(ASFileSys, ASPlatformPath)>(gAcroSupportHFT, SEL_ASFileSysReleasePlatformPath)(
        fileSys, platformPath);
}
inline char* ASPlatformPathGetCstringPtr(ASPlatformPath platformPath)
{
    return HostEntry<char*(ACCB*)(ASPlatformPath)>(gAcroSupportHFT, SEL_ASPlatformPathGetCstringPtr)(platformPath);
}

// AcroView
inline AVDoc AVAppGetActiveDoc()
{
    return HostEntry<AVDoc(ACCB*)(void)>(gAcroViewHFT, SEL_AVAppGetActiveDoc)();
}
inline ASProgressMonitor AVAppGetDocProgressMonitor(void** clientData)
{
    return HostEntry<ASProgressMonitor(ACCB*)(void**)>(gAcroViewHFT, SEL_AVAppGetDocProgressMonitor)(clientData);
}
inline AVMenubar AVAppGetMenubar()
{
    return HostEntry<AVMenubar(ACCB*)(void)>(gAcroViewHFT, SEL_AVAppGetMenubar)();
}
inline PDDoc AVDocGetPDDoc(AVDoc doc)
{
    return HostEntry<PDDoc(ACCB*)(AVDoc)>(gAcroViewHFT, SEL_AVDocGetPDDoc)(doc);
}
inline AVWindow AVDocGetAVWindow(AVDoc doc)
{
    return HostEntry<AVWindow(ACCB*)(AVDoc)>(gAcroViewHFT, SEL_AVDocGetAVWindow)(doc);
}
inline AVMenu AVMenubarAcquireMenuByName(AVMenubar bar, const char* name)
{
    return HostEntry<AVMenu(ACCB*)(AVMenubar, const char*)>(gAcroViewHFT, SEL_AVMenubarAcquireMenuByName)(bar, name);
}
inline AVMenuIndex AVMenubarGetMenuIndex(AVMenubar bar, AVMenu menu)
{
    return HostEntry<AVMenuIndex(ACCB*)(AVMenubar, AVMenu)>(gAcroViewHFT, SEL_AVMenubarGetMenuIndex)(bar, menu);
}
inline void AVMenubarAddMenu(AVMenubar bar, AVMenu menu, AVMenuIndex index)
{
    HostEntry<void(ACCB*)(AVMenubar, AVMenu, AVMenuIndex)>(gAcroViewHFT, SEL_AVMenubarAddMenu)(bar, menu, index);
}
inline AVMenu AVMenuNew(const char* title, const char* name, ExtensionID owner)
{
    return HostEntry<AVMenu(ACCB*)(const char*, const char*, ExtensionID)>(gAcroViewHFT, SEL_AVMenuNew)(title, name,
                                                                                                       owner);
}
inline void AVMenuRelease(AVMenu menu)
{
    HostEntry<void(ACCB*)(AVMenu)>(gAcroViewHFT, SEL_AVMenuRelease)(menu);
}
inline void AVMenuRemove(AVMenu menu)
{
    HostEntry<void(ACCB*)(AVMenu)>(gAcroViewHFT, SEL_AVMenuRemove)(menu);
}
inline void AVMenuAddMenuItem(AVMenu menu, AVMenuItem item, AVMenuIndex index)
{
    HostEntry<void(ACCB*)(AVMenu, AVMenuItem, AVMenuIndex)>(gAcroViewHFT, SEL_AVMenuAddMenuItem)(menu, item, index);
}
inline AVMenuItem AVMenuItemNew(const char* title, const char* name, AVMenu submenu, ASBool longMenusOnly,
                                char shortcut, ASUns16 flags, AVIcon icon, ExtensionID owner)
{
    return HostEntry<AVMenuItem(ACCB*)(const char*, const char*, AVMenu, ASBool, char, ASUns16, AVIcon,
                                       ExtensionID)>(gAcroViewHFT, SEL_AVMenuItemNew)(title, name, submenu,
                                                                                      longMenusOnly, shortcut,
                                                                                      flags, icon, owner);
}
inline void AVMenuItemRelease(AVMenuItem item)
{
    HostEntry<void(ACCB*)(AVMenuItem)>(gAcroViewHFT, SEL_AVMenuItemRelease)(item);
}
inline void AVMenuItemSetExecuteProc(AVMenuItem item, ASCallback proc, void* data)
{
    HostEntry<void(ACCB*)(AVMenuItem, ASCallback, void*)>(gAcroViewHFT, SEL_AVMenuItemSetExecuteProc)(item, proc,
                                                                                                      data);
}
inline void AVMenuItemSetComputeEnabledProc(AVMenuItem item, ASCallback proc, void* data)
{
    HostEntry<void(ACCB*)(AVMenuItem, ASCallback, void*)>(gAcroViewHFT, SEL_AVMenuItemSetComputeEnabledProc)(
        item, proc, data);
}
inline AVToolButton AVToolBarGetButtonByName(AVToolBar bar, ASAtom name)
{
    return HostEntry<AVToolButton(ACCB*)(AVToolBar, ASAtom)>(gAcroViewHFT, SEL_AVToolBarGetButtonByName)(bar, name);
}
inline void AVToolBarAddButton(AVToolBar bar, AVToolButton button, ASBool before, AVToolButton other)
{
    HostEntry<void(ACCB*)(AVToolBar, AVToolButton, ASBool, AVToolButton)>(gAcroViewHFT, SEL_AVToolBarAddButton)(
        bar, button, before, other);
}
inline void AVToolBarUpdateButtonStates(AVToolBar bar)
{
    HostEntry<void(ACCB*)(AVToolBar)>(gAcroViewHFT, SEL_AVToolBarUpdateButtonStates)(bar);
}
inline AVToolButton AVToolButtonNew(ASAtom name, AVIcon icon, ASBool pulldown, ASBool isSeparator)
{
    return HostEntry<AVToolButton(ACCB*)(ASAtom, AVIcon, ASBool, ASBool)>(gAcroViewHFT, SEL_AVToolButtonNew)(
        name, icon, pulldown, isSeparator);
}
// Removes the button from its toolbar, if it is in one, and destroys it.
inline void AVToolButtonDestroy(AVToolButton button)
{
    HostEntry<void(ACCB*)(AVToolButton)>(gAcroViewHFT, SEL_AVToolButtonDestroy)(button);
}
inline void AVToolButtonRemove(AVToolButton button)
{
    HostEntry<void(ACCB*)(AVToolButton)>(gAcroViewHFT, SEL_AVToolButtonRemove)(button);
}
inline void AVToolButtonSetExecuteProc(AVToolButton button, ASCallback proc, void* data)
{
    HostEntry<void(ACCB*)(AVToolButton, ASCallback, void*)>(gAcroViewHFT, SEL_AVToolButtonSetExecuteProc)(
        button, proc, data);
}
inline void AVToolButtonSetComputeEnabledProc(AVToolButton button, ASCallback proc, void* data)
{
    HostEntry<void(ACCB*)(AVToolButton, ASCallback, void*)>(gAcroViewHFT, SEL_AVToolButtonSetComputeEnabledProc)(
        button, proc, data);
}
inline void AVToolButtonSetComputeTooltipProc(AVToolButton button, ASCallback proc, void* data)
{
    HostEntry<void(ACCB*)(AVToolButton, ASCallback, void*)>(gAcroViewHFT, SEL_AVToolButtonSetComputeTooltipProc)(
        button, proc, data);
}
inline void* AVWindowGetPlatformThing(AVWindow window)
{
    return HostEntry<void*(ACCB*)(AVWindow)>(gAcroViewHFT, SEL_AVWindowGetPlatformThing)(window);
}
inline AVToolBar AVToolBarNew(const char* name, const char* title)
{
    return HostEntry<AVToolBar(ACCB*)(const char*, const char*)>(gAcroViewHFT, SEL_AVToolBarNew)(name, title);
}
inline AVToolBar AVAppGetToolBarByName(const char* name)
{
    return HostEntry<AVToolBar(ACCB*)(const char*)>(gAcroViewHFT, SEL_AVAppGetToolBarByName)(name);
}
inline void AVAppRegisterToolBarPosition(const char* toolBarName, ASBool external, AVToolBarPositionRec* position)
{
    HostEntry<void(ACCB*)(const char*, ASBool, AVToolBarPositionRec*)>(gAcroViewHFT,
                                                                      SEL_AVAppRegisterToolBarPosition)(
        toolBarName, external, position);
}

// PDModel
inline void PDDocSave(PDDoc doc, ASUns32 flags, ASPathName newPath, ASFileSys fileSys, ASProgressMonitor monitor,
                      void* monitorData)
{
    HostEntry<void(ACCB*)(PDDoc, ASUns32, ASPathName, ASFileSys, ASProgressMonitor, void*)>(gPDModelHFT,
                                                                                           SEL_PDDocSave)(
        doc, flags, newPath, fileSys, monitor, monitorData);
}
inline ASInt32 PDDocGetFlags(PDDoc doc)
{
    return HostEntry<ASInt32(ACCB*)(PDDoc)>(gPDModelHFT, SEL_PDDocGetFlags)(doc);
}
inline ASFile PDDocGetFile(PDDoc doc)
{
    return HostEntry<ASFile(ACCB*)(PDDoc)>(gPDModelHFT, SEL_PDDocGetFile)(doc);
}
inline ASHostEncoding PDGetHostEncoding()
{
    return HostEntry<ASHostEncoding(ACCB*)(void)>(gPDModelHFT, SEL_PDGetHostEncoding)();
}

// PDMetadata
inline ASText PDDocGetXAPMetadata(PDDoc doc)
{
    return HostEntry<ASText(ACCB*)(PDDoc)>(gPDMetadataHFT, SEL_PDDocGetXAPMetadata)(doc);
}

// ASExtra
inline ASText ASTextNew()
{
    return HostEntry<ASText(ACCB*)(void)>(gASExtraHFT, SEL_ASTextNew)();
}
inline ASText ASTextFromEncoded(const char* text, ASHostEncoding encoding)
{
    return HostEntry<ASText(ACCB*)(const char*, ASHostEncoding)>(gASExtraHFT, SEL_ASTextFromEncoded)(text, encoding);
}
inline void ASTextDestroy(ASText text)
{
    HostEntry<void(ACCB*)(ASText)>(gASExtraHFT, SEL_ASTextDestroy)(text);
}
inline const ASUTF16Val* ASTextGetUnicode(ASText text)
{
    return HostEntry<const ASUTF16Val*(ACCB*)(ASText)>(gASExtraHFT, SEL_ASTextGetUnicode)(text);
}
