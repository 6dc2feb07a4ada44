// The plug-in's binding to the host: the entry the host calls at start, the
// handshake, the import of the host function tables and the four callbacks.
#pragma once

#include "HostInterface.h"

// Host data kept from PlugInMain and the handshake.
extern HWND gHostWindow;
extern HINSTANCE gModule;
extern ASVersion gCoreVersion;
extern ASVersion gAcroSupportVersion;

// One entry of the import table.
struct HftImport {
    const char* name;
    ASVersion requested;
    ASVersion* version;
    HFT* hft;
    bool optional;
};

// The fourteen tables imported after AcroSupport, in import order.
const HftImport* ImportTable(size_t* count);

// The entry the host calls first; stdcall, exported by name.
extern "C" ASBool WINAPI PlugInMain(ASUns32 appHandshakeVersion, ASUns32* handshakeVersion,
                                    PISetupSDKProc* setupProc, void* sdkData);

ASBool ACCB HandshakeSetup(ASUns32 handshakeVersion, void* sdkData);
ASBool ACCB PIHandshake(ASUns32 handshakeVersion, void* handshakeData);

// Looks the table up by name: directly at the requested version when the
// host's AcroSupport is new enough to answer that, else at the first fallback
// version the host offers that is not below the requested one. Stores the
// table (or NULL) and its version (0 when none); true when one was found.
bool ImportHFT(const char* name, ASVersion requested, ASVersion* version, HFT* hft);

ASBool ACCB PluginExportHFTs(void);
ASBool ACCB PluginImportReplaceAndRegister(void);
ASBool ACCB PluginInit(void);
ASBool ACCB PluginUnload(void);
