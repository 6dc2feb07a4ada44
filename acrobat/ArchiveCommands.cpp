#include "ArchiveCommands.h"

#include "AcroAppDriver.h"
#include "AnsiText.h"
#include "ComRef.h"
#include "ConnectorCalls.h"
#include "ConnectorIds.h"
#include "DataFolderNumbering.h"
#include "HostException.h"
#include "PluginLog.h"
#include "PluginProperties.h"
#include "PluginUi.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const size_t kPathChars = 520;
const char kDefaultDocument[] = "data.pdf";
const char kUploadFailed[] = "Fehler beim Upload.";
const char kPortfolioQuestion[] =
    "Wollen Sie das Portfolio archivieren?\r\n\"Ja\" - Archivierung Portfolio\r\n\"Nein\" - Archivierung des "
    "aktuell angezeigten Dokumentes\r\n\"Abbrechen\" - Archivierung abbrechen";
// Full save of a copy, unused objects left out, the modification date kept.
const ASUns32 kSaveFlags = 0xA3;
const short kPortfolioSaveType = 163;
const char kDeletionMarker[] = "__freetodelete__.bin";

bool IsFolder(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void ShowUploadFailed()
{
    MessageBoxA(nullptr, kUploadFailed, kPluginCaption, MB_TOPMOST | MB_ICONERROR);
}

// A hand-off that never reached the connector leaves nothing in the inbox.
void RemoveHandoffFolder(const std::string& folder, const std::string& document)
{
    if (!document.empty())
        DeleteFileA(document.c_str());
    RemoveDirectoryA(folder.c_str());
}

// The receiving program never takes this folder over: the inbox's deletion
// marker lets it be cleared.
void MarkForDeletion(const std::string& folder)
{
    HANDLE marker = CreateFileA((folder + kDeletionMarker).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE)
        CloseHandle(marker);
}

// The saved document and its properties to the connector. The folder of a
// hand-off that the user cancelled, or that Run failed or refused, gets the
// inbox's deletion marker.
void HandOff(const std::string& folder, const std::string& document, const CPluginPropertyMap& map)
{
    char ini[MAX_PATH];
    if (!WritePropertyIni(map, ini))
        LogError("WritePropertyIni(): failed to create the temporary properties file; code = 0x%08lx\n",
                 GetLastError());
    long result = E_FAIL;
    if (!KVUpload(document, ini, &result)) {
        ShowUploadFailed();
        MarkForDeletion(folder);
    } else if (result == CONNECTOR_RUN_CANCELLED) {
        MarkForDeletion(folder);
    }
    if (ini[0])
        DeleteFileA(ini);
}

} // namespace

void KVArchive()
{
    LogInfo("KVArchive(): entered\n");
    if (!IsPortfolio()) {
        KVSaveSingleDoc();
        return;
    }
    int answer = MessageBoxA(GetMessageOwner(), kPortfolioQuestion, kPluginCaption,
                             MB_TOPMOST | MB_ICONQUESTION | MB_YESNOCANCEL);
    if (answer == IDYES)
        KVSavePortfolio();
    else if (answer == IDNO)
        KVSaveSingleDoc();
}

bool IsPortfolio()
{
    CIacApp app;
    app.CreateDispatch(L"AcroExch.App");
    bool portfolio = false;
    if (app.GetNumAVDocs() > 0) {
        CIacAVDoc avDoc;
        avDoc.AttachDispatch(app.GetActiveDoc());
        CIacPDDoc pdDoc;
        pdDoc.AttachDispatch(avDoc.GetPDDoc());
        ComRef<IDispatch> script;
        *script.Out() = pdDoc.GetJSObject();
        VARIANT collection;
        VariantInit(&collection);
        HRESULT hr = InvokeGetProperty(script.Get(), L"collection", &collection);
        // Every document answers "collection"; only a portfolio with an object.
        portfolio = SUCCEEDED(hr) && collection.vt == VT_DISPATCH && collection.pdispVal;
        VariantClear(&collection);
    }
    app.ReleaseDispatch();
    return portfolio;
}

void KVSaveSingleDoc()
{
    LogInfo("KVSaveSingleDoc(): entered\n");
    CPluginPropertyMap map;
    AVDoc avDoc = AVAppGetActiveDoc();
    if (!avDoc) {
        LogWarning("KVSaveSingleDoc(): no active document!\n");
        return;
    }
    PDDoc pdDoc = AVDocGetPDDoc(avDoc);
    if (!pdDoc) {
        LogError("KVSaveSingleDoc(): failed to AVDocGetPDDoc()\n");
        return;
    }
    bool modified = (PDDocGetFlags(pdDoc) & PDDocNeedsSave) != 0;

    char buffer[kPathChars];
    if (!createXMLFile(buffer, kPathChars)) {
        LogError("Failed to get path of temp directory ... KVArchive\n");
        return;
    }
    std::string folder = buffer;
    if (!IsFolder(folder)) {
        if (!CreateDirectoryA(folder.c_str(), nullptr)) {
            LogInfo("KVSaveSingleDoc(): releasing resources\n");
            LogInfo("KVSaveSingleDoc(): leaving...\n");
            return;
        }
        LogInfo("KVSaveSingleDoc(): temp directory created: %s\n", folder.c_str());
    }

    std::string document = folder + kDefaultDocument;
    if (!modified) {
        int rc = KVGetDocFileName(pdDoc, true, buffer + folder.size(), kPathChars - folder.size());
        if (rc == 0) {
            document = buffer;
        } else {
            LogWarning("KVArchive(): failed to KVGetDocFileName(); code = 0x%08lx; trying SaveAs dialog\n",
                       static_cast<unsigned long>(rc));
            LogInfo("KVSaveSingleDoc(): saving as %s\n", kDefaultDocument);
        }
    }
    if (document.size() >= kPathChars) {
        LogError("KVSaveSingleDoc(): failed to ASFileSysCreatePathName(%s)\n", document.c_str());
        RemoveHandoffFolder(folder, std::string());
        return;
    }

    ASFileSys fileSys = ASGetDefaultFileSys();
    // A raise leaves path NULL.
    ASPathName path = nullptr;
    if (fileSys) {
        ASAtom cstring = ASAtomFromString("Cstring");
        HostGuarded(&path, &ASFileSysCreatePathName, fileSys, cstring, document.c_str(), nullptr);
    }
    if (!path) {
        LogError("KVSaveSingleDoc(): failed to ASFileSysCreatePathName(%s)\n", document.c_str());
        RemoveHandoffFolder(folder, std::string());
    } else {
        void* monitorData = nullptr;
        ASProgressMonitor monitor = AVAppGetDocProgressMonitor(&monitorData);
        ASInt32 error = HostGuarded(&PDDocSave, pdDoc, kSaveFlags, path, fileSys, monitor, monitorData);
        if (error != 0 || !IsFile(document)) {
            // The receiving program would start without a document.
            LogError("KVSaveSingleDoc(): failed to save the document to %s; code = 0x%08lx\n", document.c_str(),
                     static_cast<unsigned long>(error));
            RemoveHandoffFolder(folder, document);
            ShowUploadFailed();
        } else {
            LogInfo("KVSaveSingleDoc(): document saved to %s\n", document.c_str());
            KVSetDocProps(pdDoc, map);
            HandOff(folder, document, map);
        }
    }
    LogInfo("KVSaveSingleDoc(): releasing resources\n");
    if (path)
        ASFileSysReleasePath(fileSys, path);
    LogInfo("KVSaveSingleDoc(): leaving...\n");
}

void KVSavePortfolio()
{
    LogInfo("KVSavePortfolio(): entered\n");
    CPluginPropertyMap map;
    CIacApp app;
    app.CreateDispatch(L"AcroExch.App");
    CIacAVDoc avDoc;
    CIacPDDoc pdDoc;
    if (app.GetNumAVDocs() > 0) {
        avDoc.AttachDispatch(app.GetActiveDoc());
        if (avDoc.Get())
            pdDoc.AttachDispatch(avDoc.GetPDDoc());
    }
    if (avDoc.Get() && pdDoc.Get()) {
        char buffer[kPathChars];
        if (!createXMLFile(buffer, kPathChars)) {
            LogError("Failed to get path of temp directory ... KVArchive\n");
            return;
        }
        std::string folder = buffer;
        std::string name = FileNamePart(pdDoc.GetFileName().c_str());
        if (name.empty())
            name = kDefaultDocument;
        std::string document = folder + name;
        long saved = document.size() < kPathChars ? pdDoc.Save(kPortfolioSaveType, document) : 0;
        if (!saved || !IsFile(document)) {
            LogError("KVSavePortfolio(): failed to save the portfolio to %s\n", document.c_str());
            RemoveHandoffFolder(folder, document);
            ShowUploadFailed();
        } else {
            GetPortfolioProps(pdDoc, map);
            HandOff(folder, document, map);
        }
    }
    pdDoc.ReleaseDispatch();
    avDoc.ReleaseDispatch();
    app.ReleaseDispatch();
    LogInfo("KVSavePortfolio(): leaving...\n");
}

int createXMLFile(char* folder, size_t length)
{
    static InboxFolderNumbering numbering = {GetTickCount, INBOX_MAX_TAKEN_NAMES, 0, false};
    return MakeInboxFolder(folder, length, &numbering);
}

int MakeInboxFolder(char* folder, size_t length, InboxFolderNumbering* numbering)
{
    char temp[MAX_PATH];
    DWORD cch = GetTempPathA(MAX_PATH, temp);
    if (cch == 0 || cch >= MAX_PATH) {
        LogError("Failed to get path of temp directory ... createXMLFile(...)\n");
        return 0;
    }
    const std::string inbox = std::string(temp) + "kq_temp_inbox\\";
    // The longest number must fit, or a folder would be made that the
    // caller never gets.
    const size_t longestFolder = inbox.size() + strlen("kq_data_4294967295\\");
    if (longestFolder + 1 > length) {
        LogError("createXMLFile(): no room for a hand-off folder in %s\n", inbox.c_str());
        return 0;
    }
    std::string path;
    DWORD number = 0;
    DWORD error = MakeNumberedDataFolder(
        numbering,
        [&](DWORD candidate) {
            char name[32];
            snprintf(name, sizeof(name), "kq_data_%lu", static_cast<unsigned long>(candidate));
            path = inbox + name + "\\";
            return MakeFolderInInbox(inbox.c_str(), path.c_str());
        },
        &number);
    if (error == ERROR_ALREADY_EXISTS) {
        LogError("createXMLFile(): no free hand-off folder in %s\n", inbox.c_str());
        return 0;
    }
    if (error != ERROR_SUCCESS) {
        LogError("createXMLFile(): can not create the hand-off folder %s; code = 0x%08lx\n", path.c_str(),
                 static_cast<unsigned long>(error));
        return 0;
    }
    memcpy(folder, path.c_str(), path.size() + 1);
    return 1;
}

int KVGetDocFileName(PDDoc doc, bool nameOnly, char* buffer, size_t size)
{
    ASFile file = PDDocGetFile(doc);
    if (!file) {
        LogError("KVGetDocFileName(): failed to PDDocGetFile(doc)\n");
        return 2;
    }
    ASFileSys fileSys = ASFileGetFileSys(file);
    // A raise leaves path NULL.
    ASPathName path = nullptr;
    if (fileSys)
        HostGuarded(&path, &ASFileAcquirePathName, file);
    if (!path) {
        LogError("KVGetDocFileName(): failed to ASFileAcquirePathName(file)\n");
        return 2;
    }
    int rc = KVGetFileNameFromPathName(fileSys, path, nameOnly, buffer, size);
    ASFileSysReleasePath(fileSys, path);
    return rc;
}

int KVGetFileNameFromPathName(ASFileSys fileSys, ASPathName path, bool nameOnly, char* buffer, size_t size)
{
    ASPlatformPath platformPath = nullptr;
    ASErrorCode code = ASFileSysAcquirePlatformPath(fileSys, path, ASAtomFromString("Cstring"), &platformPath);
    if (code != 0) {
        LogError("KVGetFileNameFromPathName(): failed to ASFileSysAcquirePlatformPath(pathname); code = 0x%08lx\n",
                 static_cast<unsigned long>(code));
        return code;
    }
    int rc = 0;
    const char* text = ASPlatformPathGetCstringPtr(platformPath);
    if (!text) {
        LogError("KVGetFileNameFromPathName(): failed to ASPlatformPathGetCstringPtr(platformpath)\n");
        rc = 2;
    } else {
        if (nameOnly)
            text = FileNamePart(text);
        size_t len = strlen(text);
        if (len == 0) {
            LogError("KVGetFileNameFromPathName(): ASPlatformPathGetCstringPtr(platformpath) returned empty string\n");
            rc = 2;
        } else if (len + 1 > size) {
            LogError("KVGetFileNameFromPathName(): buffer size too small\n");
            rc = 122;
        } else {
            memcpy(buffer, text, len + 1);
        }
    }
    ASFileSysReleasePlatformPath(fileSys, platformPath);
    return rc;
}
