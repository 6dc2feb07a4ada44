// The test host's side of Acrobat's published plug-in interface: the
// records it exchanges with a plug-in and the selectors of the entries it
// serves. Written from the interface's public description on their own, not
// taken from the plug-in, so that a mistake in the plug-in's declarations
// shows up as a failure here instead of being shared.
#pragma once

#include <windows.h>

#include <cstdint>

namespace acrohost {

#define HOSTCB __cdecl

using Bool16 = uint16_t;
using Atom = uint16_t;
using Version = uint32_t;
using HostTable = void**;

// What PlugInMain receives as its fourth argument on Windows.
struct WindowsData {
    HWND appWindow;
    HINSTANCE module;
};

// The data the plug-in's setup procedure receives (handshake version 2.0).
struct SetupData {
    uint32_t handshakeVersion;
    void* extensionId;
    HostTable coreTable;
    void* handshakeCallback;
};

// The data the plug-in's handshake callback fills.
struct HandshakeData {
    uint32_t handshakeVersion;
    Atom appName;
    Atom extensionName;
    void* exportTables;
    void* importReplaceAndRegister;
    void* init;
    void* unload;
};

// AVToolBarPositionRec as Acrobat 6 and later read it: 48 bytes (56 in a
// 64-bit host), the 8-bit enums of the interface 16 bits wide on Windows.
struct ToolBarPosition {
    uint32_t size;
    Bool16 inDoc;
    int16_t dockPosition;
    const char* floatingWindowName;
    int32_t stackNum;
    int32_t offset;
    int32_t order;
    int32_t frameLeft, frameTop, frameRight, frameBottom;
    int16_t layout;
    Bool16 hidden;
    Bool16 windowHidden;
};
static_assert(sizeof(ToolBarPosition) == (sizeof(void*) == 8 ? 56 : 48),
              "Acrobat reads a 48-byte (64-bit: 56-byte) position record");

// An exception frame's restore procedure: called with the one argument the
// frame was pushed with; it does not return.
using RestoreProc = void(HOSTCB*)(void* environment);

// PDSaveFlags
const uint32_t kSaveFull = 0x01;
const uint32_t kSaveCopy = 0x02;
// PDDocGetFlags: PDDocNeedsSave
const int32_t kDocNeedsSave = 0x01;

// The fifteen tables a host offers, in a fixed order.
enum TableId {
    TABLE_CORE,
    TABLE_ACROSUPPORT,
    TABLE_COS,
    TABLE_PDMODEL,
    TABLE_PDFEDITWRITE,
    TABLE_PDFEDITREAD,
    TABLE_PDSYSFONT,
    TABLE_PAGEPDECONTENT,
    TABLE_ACROVIEW,
    TABLE_PDSWRITE,
    TABLE_PDSREAD,
    TABLE_WIN,
    TABLE_ASEXTRA,
    TABLE_PDMETADATA,
    TABLE_ACROCOLOR,
    TABLE_COUNT
};

const char* const kTableNames[TABLE_COUNT] = {
    "Core",         "AcroSupport", "Cos",      "PDModel", "PDFEditWrite", "PDFEditRead", "PDSysFont",   "PagePDEContent",
    "AcroView",     "PDSWrite",    "PDSRead",  "Win",     "ASExtra",      "PDMetadata",  "AcroColorHFT"};

// Selectors: the entry's position in its table's published list, from 1.
namespace core {
const unsigned ASRaise = 1, ASPushExceptionFrame = 2, ASPopExceptionFrame = 3, ASGetExceptionErrorCode = 4,
               ASAtomFromString = 5, ASAtomGetString = 7, ASCallbackCreate = 8, ASCallbackDestroy = 9,
               ASExtensionMgrGetHFT = 10;
}
namespace support {
const unsigned ASmalloc = 1, ASfree = 3, ASGetDefaultFileSys = 21, ASFileSysReleasePath = 25,
               ASFileAcquirePathName = 37, ASFileGetFileSys = 38, ASFileSysCreatePathName = 52,
               ASFileSysAcquirePlatformPath = 90, ASFileSysReleasePlatformPath = 91,
               ASPlatformPathGetCstringPtr = 92, HFTGetVersion = 103;
}
namespace view {
const unsigned AVAppGetActiveDoc = 12, AVAppGetDocProgressMonitor = 15, AVAppGetMenubar = 16, AVDocGetPDDoc = 48,
               AVDocGetAVWindow = 50, AVMenubarAcquireMenuByName = 71, AVMenubarGetMenuIndex = 76,
               AVMenubarAddMenu = 77, AVMenuNew = 78, AVMenuRelease = 80, AVMenuRemove = 81,
               AVMenuAddMenuItem = 89, AVMenuItemNew = 90, AVMenuItemRelease = 92, AVMenuItemSetExecuteProc = 99,
               AVMenuItemSetComputeEnabledProc = 100, AVToolBarGetButtonByName = 163, AVToolBarAddButton = 165,
               AVToolBarUpdateButtonStates = 168, AVToolButtonNew = 169, AVToolButtonDestroy = 170, AVToolButtonRemove = 171,
               AVToolButtonSetExecuteProc = 175, AVToolButtonSetComputeEnabledProc = 176,
               AVWindowGetPlatformThing = 190, AVToolBarNew = 348, AVAppGetToolBarByName = 383,
               AVToolButtonSetComputeTooltipProc = 515, AVAppRegisterToolBarPosition = 534;
const unsigned kSize = 600;
}
namespace pdmodel {
const unsigned PDDocSave = 70, PDDocGetFlags = 74, PDDocGetFile = 79, PDGetHostEncoding = 306;
const unsigned kSize = 400;
}
namespace metadata {
const unsigned PDDocGetXAPMetadata = 1;
}
namespace extra {
const unsigned ASTextNew = 3, ASTextFromEncoded = 6, ASTextDestroy = 12, ASTextGetUnicode = 21;
}

} // namespace acrohost
