#include "HostBinding.h"

#include "NoThrow.h"
#include "PluginUi.h"

HWND gHostWindow = nullptr;
HINSTANCE gModule = nullptr;
ExtensionID gExtensionID = nullptr;

HFT gCoreHFT = nullptr;
ASVersion gCoreVersion = 0;
HFT gAcroSupportHFT = nullptr;
ASVersion gAcroSupportVersion = 0;

HFT gCosHFT = nullptr;
HFT gPDModelHFT = nullptr;
HFT gPDFEditWriteHFT = nullptr;
HFT gPDFEditReadHFT = nullptr;
HFT gPDSysFontHFT = nullptr;
HFT gPagePDEContentHFT = nullptr;
HFT gAcroViewHFT = nullptr;
HFT gPDSWriteHFT = nullptr;
HFT gPDSReadHFT = nullptr;
HFT gWinHFT = nullptr;
HFT gASExtraHFT = nullptr;
HFT gPDMetadataHFT = nullptr;
HFT gAcroColorHFT = nullptr;

namespace {

// The module handle that PlugInMain's host data named; it becomes the one
// used for resources and the log name once the handshake runs.
HINSTANCE g_hostDataModule = nullptr;

ASVersion g_cosVersion, g_pdModelVersion, g_pdfEditWriteVersion, g_pdfEditReadVersion, g_pdSysFontVersion,
    g_pagePdeContentVersion, g_acroViewVersion, g_pdsWriteVersion, g_pdsReadVersion, g_winVersion,
    g_asExtraVersion, g_pdMetadataVersion, g_acroColorVersion;

const HftImport g_imports[] = {
    {"Core", 0x50000, &gCoreVersion, &gCoreHFT, false},
    {"Cos", 0x60000, &g_cosVersion, &gCosHFT, false},
    {"PDModel", 0x60000, &g_pdModelVersion, &gPDModelHFT, false},
    {"PDFEditWrite", 0x60000, &g_pdfEditWriteVersion, &gPDFEditWriteHFT, false},
    {"PDFEditRead", 0x60000, &g_pdfEditReadVersion, &gPDFEditReadHFT, false},
    {"PDSysFont", 0x40000, &g_pdSysFontVersion, &gPDSysFontHFT, false},
    {"PagePDEContent", 0x60000, &g_pagePdeContentVersion, &gPagePDEContentHFT, false},
    {"AcroView", 0x60000, &g_acroViewVersion, &gAcroViewHFT, false},
    {"PDSWrite", 0x60000, &g_pdsWriteVersion, &gPDSWriteHFT, false},
    {"PDSRead", 0x60000, &g_pdsReadVersion, &gPDSReadHFT, false},
    {"Win", 0x50000, &g_winVersion, &gWinHFT, false},
    {"ASExtra", 0x60000, &g_asExtraVersion, &gASExtraHFT, false},
    {"PDMetadata", 0x60000, &g_pdMetadataVersion, &gPDMetadataHFT, false},
    {"AcroColorHFT", 0x60000, &g_acroColorVersion, &gAcroColorHFT, false},
};

// Tried in this order when the host cannot be asked for a version directly.
const ASVersion g_fallbackVersions[] = {0x50001, 0x50000, 0x40005, 0x40000, 0x20003, 0x20002, 0x20001};

const ASVersion kDirectRequestSupport = 0x60000;
const ASVersion kAcroSupportVersion = 0x80000;

ASVersion HftGetVersion(HFT support, HFT table)
{
    return HostEntry<ASVersion(ACCB*)(HFT)>(support, SEL_HFTGetVersion)(table);
}

} // namespace

const HftImport* ImportTable(size_t* count)
{
    *count = sizeof(g_imports) / sizeof(g_imports[0]);
    return g_imports;
}

extern "C" ASBool WINAPI PlugInMain(ASUns32 appHandshakeVersion, ASUns32* handshakeVersion,
                                    PISetupSDKProc* setupProc, void* sdkData)
{
    return HostCallNoThrow<ASBool>(0, [&]() -> ASBool {
        if (sdkData) {
            const PIWindowsData* data = static_cast<const PIWindowsData*>(sdkData);
            gHostWindow = data->appWindow;
            g_hostDataModule = data->module;
        }
        if (handshakeVersion)
            *handshakeVersion =
                appHandshakeVersion >= HANDSHAKE_VERSION_V0200 ? HANDSHAKE_VERSION_V0200 : appHandshakeVersion;
        if (setupProc)
            *setupProc = HandshakeSetup;
        return 1;
    });
}

bool ImportHFT(const char* name, ASVersion requested, ASVersion* version, HFT* hft)
{
    ASAtom atom = ASAtomFromString(name);
    HFT found = nullptr;
    ASVersion foundVersion = static_cast<ASVersion>(-1);
    if (gAcroSupportVersion >= kDirectRequestSupport && gAcroSupportHFT) {
        found = ASExtensionMgrGetHFT(atom, requested);
        if (found)
            foundVersion = HftGetVersion(gAcroSupportHFT, found);
    }
    if (foundVersion == static_cast<ASVersion>(-1)) {
        found = nullptr;
        foundVersion = 0;
        for (ASVersion fallback : g_fallbackVersions) {
            if (fallback < requested)
                break;
            found = ASExtensionMgrGetHFT(atom, fallback);
            if (found) {
                foundVersion = fallback;
                break;
            }
        }
    }
    *hft = found;
    *version = foundVersion;
    return foundVersion != 0;
}

ASBool ACCB HandshakeSetup(ASUns32 handshakeVersion, void* sdkData)
{
    return HostCallNoThrow<ASBool>(0, [&]() -> ASBool {
        PISDKData_V0200* data = static_cast<PISDKData_V0200*>(sdkData);
        if (handshakeVersion != HANDSHAKE_VERSION_V0200 || !data ||
            data->handshakeVersion != HANDSHAKE_VERSION_V0200 || !data->coreHFT)
            return 0;
        gExtensionID = data->extensionID;
        gCoreHFT = data->coreHFT;
        gCoreVersion = HANDSHAKE_VERSION_V0200;

        HFT support = ASExtensionMgrGetHFT(ASAtomFromString("AcroSupport"), kDirectRequestSupport);
        if (support) {
            gAcroSupportHFT = support;
            gAcroSupportVersion = HftGetVersion(support, support);
        }
        ASVersion supportVersion = 0;
        HFT supportHft = nullptr;
        bool bound = ImportHFT("AcroSupport", kAcroSupportVersion, &supportVersion, &supportHft);
        gAcroSupportVersion = supportVersion;
        gAcroSupportHFT = supportHft;
        if (!bound)
            return 0;

        for (const HftImport& entry : g_imports) {
            if (!ImportHFT(entry.name, entry.requested, entry.version, entry.hft) && !entry.optional)
                return 0;
        }
        data->handshakeCallback = MakeCallback(PIHandshake);
        return 1;
    });
}

ASBool ACCB PIHandshake(ASUns32 handshakeVersion, void* handshakeData)
{
    return HostCallNoThrow<ASBool>(0, [&]() -> ASBool {
        if (g_hostDataModule)
            gModule = g_hostDataModule;
        PIHandshakeData_V0200* data = static_cast<PIHandshakeData_V0200*>(handshakeData);
        if (handshakeVersion != HANDSHAKE_VERSION_V0200 || !data)
            return 0;
        data->extensionName = ASAtomFromString("marvik:Ostrelle");
        data->exportHFTsCallback = MakeCallback(PluginExportHFTs);
        data->importReplaceAndRegisterCallback = MakeCallback(PluginImportReplaceAndRegister);
        data->initCallback = MakeCallback(PluginInit);
        data->unloadCallback = MakeCallback(PluginUnload);
        return 1;
    });
}

ASBool ACCB PluginExportHFTs(void)
{
    return 1;
}

ASBool ACCB PluginImportReplaceAndRegister(void)
{
    return 1;
}

ASBool ACCB PluginInit(void)
{
    return HostCallNoThrow<ASBool>(0, []() -> ASBool { return KVAddUI(); });
}

ASBool ACCB PluginUnload(void)
{
    HostCallNoThrow([]() { KVRemoveUI(); });
    return 1;
}
