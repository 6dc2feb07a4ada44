#include "HandoffFile.h"

#include "DocumentPath.h"
#include "InboxFolder.h"
#include "LogFile.h"
#include "XmlWriter.h"

#include <cwchar>
#include <string>

namespace {

const size_t HANDOFF_PATH_CHARS = 2048;
// "kq_data_" and ten digits always fit; longer names only come from a
// subfolder of a hand-off folder.
const size_t HANDOFF_ID_CHARS = 32;

const wchar_t* TextOf(const _bstr_t& text)
{
    return text.length() ? static_cast<const wchar_t*>(text) : L"";
}

const wchar_t* SkipReason(DocumentPathKind kind)
{
    switch (kind) {
    case DOCUMENT_DEVICE: return L"it is a device";
    case DOCUMENT_UNREACHABLE: return L"its name ends in a dot or a blank";
    case DOCUMENT_TOO_LONG: return L"its path is too long";
    default: return L"it is no file";
    }
}

bool SamePath(const wchar_t* a, const std::wstring& b)
{
    std::wstring fullA, fullB;
    if (!GetFullDocumentPath(a, &fullA) || !GetFullDocumentPath(b.c_str(), &fullB))
        return false;
    return CompareStringOrdinal(fullA.c_str(), static_cast<int>(fullA.size()), fullB.c_str(),
                                static_cast<int>(fullB.size()), TRUE) == CSTR_EQUAL;
}

bool NamesFolder(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The folder part of a full path, without its closing backslash.
std::wstring FolderOf(const std::wstring& path)
{
    size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool NameTaken(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WrittenBefore(const std::vector<std::wstring>& folders, const std::wstring& folder)
{
    for (const std::wstring& written : folders) {
        if (CompareStringOrdinal(written.c_str(), static_cast<int>(written.size()), folder.c_str(),
                                 static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL)
            return true;
    }
    return false;
}

} // namespace

HandoffRefusal CheckHandoffDocument(const wchar_t* fullPath)
{
    if (!fullPath)
        return HANDOFF_ALLOWED;
    if (!IsXmlText(fullPath))
        return HANDOFF_NOT_XML;
    switch (ClassifyInboxDocument(fullPath)) {
    case INBOX_DOCUMENT_HANDOFF_FILE: return HANDOFF_OWN_FILE;
    case INBOX_DOCUMENT_PENDING: return HANDOFF_PENDING;
    default: return HANDOFF_ALLOWED;
    }
}

const wchar_t* HandoffRefusalText(HandoffRefusal refusal)
{
    switch (refusal) {
    case HANDOFF_OWN_FILE: return L"it is the hand-off file of its folder";
    case HANDOFF_PENDING: return L"it belongs to a pending hand-off";
    case HANDOFF_NOT_XML: return L"its path holds characters that XML cannot carry";
    default: return L"it is handed off";
    }
}

int WriteHandoffFile(const wchar_t* documentPath, const wchar_t* handoffFolder, const CPropertyCollection* props,
                     HandoffIdList& ids, bool deleteMail)
{
    if (!documentPath)
        return 0;
    // Written as it stands, such a path would name another file.
    if (!IsXmlText(documentPath)) {
        g_Log.Error(L"WriteHandoffFile: the path of %s holds characters that XML cannot carry\n", documentPath);
        return 0;
    }
    const wchar_t* source = handoffFolder ? handoffFolder : documentPath;
    // Paths that do not fit are refused: a cut path would write beside
    // another document, under another id.
    if (wcslen(source) >= HANDOFF_PATH_CHARS) {
        g_Log.Error(L"WriteHandoffFile: path too long (%d characters)\n", static_cast<int>(wcslen(source)));
        return 0;
    }
    wchar_t folder[HANDOFF_PATH_CHARS];
    wcscpy(folder, source);
    wchar_t* slash = wcsrchr(folder, L'\\');
    if (!slash) {
        g_Log.Error(L"WriteHandoffFile: no folder in path %s\n", source);
        return 0;
    }
    *slash = L'\0';
    const wchar_t* lastSlash = wcsrchr(folder, L'\\');
    const wchar_t* id = lastSlash ? lastSlash + 1 : folder;
    size_t idLength = wcslen(id);
    if (idLength == 0 || idLength >= HANDOFF_ID_CHARS) {
        g_Log.Error(L"WriteHandoffFile: folder %s is no hand-off folder\n", folder);
        return 0;
    }
    if (wcslen(folder) + 1 + idLength + 4 >= HANDOFF_PATH_CHARS) {
        g_Log.Error(L"WriteHandoffFile: path too long (%d characters)\n", static_cast<int>(wcslen(folder)));
        return 0;
    }
    std::wstring fileName = std::wstring(folder) + L"\\" + id + L".xml";
    // A user's own file may bear the hand-off file's name.
    if (SamePath(documentPath, fileName)) {
        g_Log.Error(L"WriteHandoffFile: %s would be written over by its own hand-off file\n", documentPath);
        return 0;
    }

    // Listed before anything is written: the caller marks or hands over the
    // folder even when its file fails.
    ids.push_back(_bstr_t(id));

    CXmlWriter writer(fileName.c_str());
    if (!writer.Open()) {
        const DWORD error = GetLastError();
        // Something already at the name is another hand-off's (two processes
        // on one folder) or was planted there: it stays, and this folder is
        // not handed over for it.
        if (NameTaken(fileName)) {
            ids.pop_back();
            g_Log.Error(L"WriteHandoffFile: %s exists already and is left as it is\n", fileName.c_str());
            return 0;
        }
        g_Log.Error(L"WriteHandoffFile: can not create %s, error: %d\n", fileName.c_str(), static_cast<int>(error));
        return 0;
    }
    writer.StartElement(L"files");
    writer.StartElement(L"file");
    if (props) {
        for (const auto& entry : *props) {
            writer.AddAttribute(L"name", TextOf(entry.first));
            writer.WriteCDataElement(L"property", TextOf(entry.second->GetValue()));
        }
    }
    writer.WriteElement(L"path", documentPath);
    writer.WriteElement(L"deletefile", folder);
    if (deleteMail)
        writer.WriteElement(L"deletemail", L"1");
    writer.WriteElement(L"id", id);
    writer.CloseAll();
    if (!writer.Close()) {
        g_Log.Error(L"WriteHandoffFile: can not write %s\n", fileName.c_str());
        return 0;
    }
    return 1;
}

int WriteHandoffFiles(const wchar_t* const* documentPaths, const CPropertyCollection* const* props, int count,
                      HandoffIdList& ids, bool deleteMail)
{
    if (count < 1)
        return 1;
    if (!documentPaths)
        return 0;
    for (int i = 0; i < count; ++i) {
        if (!WriteHandoffFile(documentPaths[i], documentPaths[i], props ? props[i] : nullptr, ids, deleteMail))
            return 0;
    }
    return 1;
}

int WriteHandoffFileList(const wchar_t* pathList, int count, const CPropertyCollection* props, HandoffIdList& ids,
                         bool deleteMail, std::vector<std::wstring>* notHandedOff)
{
    if (count < 1 || !pathList)
        return 1;
    auto lost = [notHandedOff](const wchar_t* path) {
        if (notHandedOff)
            notHandedOff->push_back(path);
    };
    // Hand-off folders whose file this call wrote beside their document.
    std::vector<std::wstring> ownFoldersWritten;
    const wchar_t* path = pathList;
    for (int i = 0; i < count && *path; ++i, path += wcslen(path) + 1) {
        // The receiving program starts in its own folder: it gets the full
        // path. A folder, a device or a vanished file is passed over, not the
        // documents behind it; the caller learns which.
        std::wstring document;
        DocumentPathKind kind = ResolveDocumentPath(path, &document);
        if (kind != DOCUMENT_FILE) {
            g_Log.Warning(L"WriteHandoffFileList: skipping %s, %s\n", path, SkipReason(kind));
            // A folder or a device was never a document; a path that names
            // nothing any more was one, and the caller must learn it is lost.
            if (kind == DOCUMENT_MISSING && !NamesFolder(path))
                lost(path);
            continue;
        }
        bool ownFolder = IsInInboxDataFolder(document.c_str());
        HandoffRefusal refusal = CheckHandoffDocument(document.c_str());
        // The folder waits for the file this call wrote into it: a second
        // document there goes in a folder of its own.
        if (refusal == HANDOFF_PENDING && WrittenBefore(ownFoldersWritten, FolderOf(document))) {
            refusal = HANDOFF_ALLOWED;
            ownFolder = false;
        }
        if (refusal != HANDOFF_ALLOWED) {
            g_Log.Warning(L"WriteHandoffFileList: skipping %s, %s\n", document.c_str(), HandoffRefusalText(refusal));
            lost(path);
            continue;
        }
        wchar_t folder[HANDOFF_PATH_CHARS] = L"";
        if (!ownFolder && !CreateInboxDataFolder(folder, HANDOFF_PATH_CHARS)) {
            g_Log.Error(L"WriteHandoffFileList: can not create a hand-off folder for %s\n", document.c_str());
            return 0;
        }
        const size_t listed = ids.size();
        if (!WriteHandoffFile(document.c_str(), ownFolder ? nullptr : folder, props, ids, deleteMail)) {
            // A folder without its file is no hand-off: the others go on.
            ids.resize(listed);
            g_Log.Warning(L"WriteHandoffFileList: not handing off %s, its hand-off file can not be written\n",
                          document.c_str());
            lost(path);
            continue;
        }
        if (ownFolder)
            ownFoldersWritten.push_back(FolderOf(document));
    }
    return 1;
}
