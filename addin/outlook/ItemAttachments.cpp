// CollectItemAttachments: an item's attachments read through Extended MAPI
// (signed and encrypted mails through Redemption), listed or written.
#include "ItemAttachments.h"

#include "AnsiCodePage.h"
#include "AttachmentTarget.h"
#include "DispatchHelpers.h"
#include "LogFile.h"
#include "MapiImports.h"
#include "OutlookCapture.h"
#include "OutlookItemKinds.h"
#include "OutlookObjects.h"
#include "OutlookPropertyReaders.h"
#include "OutlookPropertyTables.h"
#include "RedemptionFolder.h"
#include "StepFailure.h"
#include "TypedMembers.h"
#include "WideFormat.h"

#include <shlwapi.h>

#include <string>

namespace {

const wchar_t TEMPORARY_NAME[] = L"OpenStreamOnFile.tmp";

typedef _com_ptr_t<_com_IIID<IStream, &IID_IStream>> CStreamPtr;

// The attachment number of a row of the attachment table: its
// PR_ATTACH_NUM column, else a first column that is a number.
bool AttachmentNumberOfRow(const SRow& row, ULONG* number)
{
    for (ULONG i = 0; i < row.cValues; ++i) {
        if (row.lpProps[i].ulPropTag == PR_ATTACH_NUM) {
            *number = static_cast<ULONG>(row.lpProps[i].Value.l);
            return true;
        }
    }
    if (row.cValues > 0 && PROP_TYPE(row.lpProps[0].ulPropTag) == PT_LONG) {
        *number = static_cast<ULONG>(row.lpProps[0].Value.l);
        return true;
    }
    return false;
}

// A new file of the path, open for writing: through MAPI's OpenStreamOnFile
// where its 8-bit path names this file, else through the shell by its wide
// name (a temporary folder with no form in the ANSI code page, such as a
// user name in Greek letters on a German Windows).
bool CreateFileStream(const wchar_t* path, const MapiFunctions* mapi, CStreamPtr& file)
{
    const DWORD mode = STGM_CREATE | STGM_READWRITE;
    HRESULT hr;
    std::string ansiPath;
    if (WideToAnsiExact(path, &ansiPath)) {
        hr = mapi->OpenStreamOnFile(mapi->MAPIAllocateBuffer, mapi->MAPIFreeBuffer, mode, &ansiPath[0], nullptr,
                                    &file);
    } else {
        g_Log.Info(L"The attachment's path has no form in the ANSI code page; it is written by its wide name: %s\n",
                   path);
        hr = SHCreateStreamOnFileEx(path, mode, FILE_ATTRIBUTE_NORMAL, TRUE, nullptr, &file);
    }
    if (FAILED(hr) || !file) {
        file.Attach(nullptr);
        g_Log.Error(L"Can't create the attachment's file %s! hr = 0x%08X\n", path, static_cast<unsigned>(hr));
        return false;
    }
    return true;
}

// The attachment's PR_ATTACH_METHOD, or NO_ATTACHMENT when it has none.
LONG AttachMethodOf(IAttach* attach, const MapiFunctions* mapi)
{
    SizedSPropTagArray(1, tags) = {1, {PR_ATTACH_METHOD}};
    ULONG count = 0;
    CMapiBuffer<SPropValue> value(mapi);
    HRESULT hr = attach->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, value.Receive());
    if (FAILED(hr) || !value || count < 1 || value->ulPropTag != PR_ATTACH_METHOD)
        return NO_ATTACHMENT;
    return value->Value.l;
}

// Copies the attachment's data into a file of the temporary name; false
// when any step fails. Only an attachment by value keeps its data as bytes:
// an attached mail or OLE object holds an object, a reference a path.
bool CopyAttachmentData(IAttach* attach, const wchar_t* temporary, const MapiFunctions* mapi)
{
    IUnknown* unknown = nullptr;
    HRESULT hr = attach->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, 0, &unknown);
    if (FAILED(hr) || !unknown) {
        g_Log.Error(L"Can't open the attachment's data! hr = 0x%08X\n",
                    static_cast<unsigned>(FAILED(hr) ? hr : E_NOINTERFACE));
        return false;
    }
    // OpenProperty hands out the interface asked for.
    CStreamPtr data(static_cast<IStream*>(unknown), false);
    CStreamPtr file;
    if (!CreateFileStream(temporary, mapi, file))
        return false;
    STATSTG stat = {};
    if (FAILED(data->Stat(&stat, STATFLAG_NONAME)) || FAILED(data->CopyTo(file, stat.cbSize, nullptr, nullptr)))
        return false;
    return SUCCEEDED(file->Commit(STGC_DEFAULT));
}

// Writes one chosen attachment into a hand-off folder of its own and lists
// where its bytes are; false when it cannot be written.
bool WriteAttachmentFile(IAttach* attach, const CPropertyCollection& attachment, const MapiFunctions* mapi,
                         SavedPathList* savedPaths)
{
    wchar_t folder[ATTACHMENT_PATH_CHARS];
    wchar_t target[ATTACHMENT_PATH_CHARS];
    if (!MakeAttachmentTarget(attachment.GetValue(KEY_OTL_ATTACHMENT_NAME), folder, target))
        return false;
    std::wstring temporary = std::wstring(folder) + TEMPORARY_NAME;
    if (temporary.size() >= ATTACHMENT_PATH_CHARS) {
        g_Log.Error(L"The attachment's path is too long (%u characters): %s\n", static_cast<unsigned>(temporary.size()),
                    temporary.c_str());
        RemoveEmptyAttachmentFolder(folder);
        return false;
    }
    // The file is closed before it takes its name: Windows does not rename
    // a file that is open.
    if (!CopyAttachmentData(attach, temporary.c_str(), mapi)) {
        DeleteFileW(temporary.c_str());
        RemoveEmptyAttachmentFolder(folder);
        return false;
    }
    if (MoveFileW(temporary.c_str(), target)) {
        savedPaths->push_back(_bstr_t(target));
        return true;
    }
    g_Log.Warning(L"Can't rename %s to %s (error %u); the attachment stays under its temporary name\n",
                  temporary.c_str(), target, static_cast<unsigned>(GetLastError()));
    savedPaths->push_back(_bstr_t(temporary.c_str()));
    return true;
}

// A chosen attachment left out: logged, and named for the user's message.
void NoteNotWritten(IAttach* attach, const CPropertyCollection& attachment, const MapiFunctions* mapi,
                    CAttachmentList* attachments)
{
    const wchar_t* name = attachment.GetValue(KEY_OTL_ATTACHMENT_NAME);
    std::wstring shown = name && *name ? name : L"?";
    g_Log.Error(L"Can't write the attachment %s (attach method %d)!\n", shown.c_str(),
                static_cast<int>(AttachMethodOf(attach, mapi)));
    attachments->AddNotWritten(shown);
}

// The item's MAPI message through the typed interface of its kind.
HRESULT OpenAttachmentMessage(IDispatch* item, const ItemKind& kind, CMessagePtr& message)
{
    IDispatch* typedPointer = nullptr;
    HRESULT hr = QueryTypedInterface(item, *kind.iid, &typedPointer);
    if (FAILED(hr))
        return Logged(kind.noInterface, hr);
    IDispatchPtr typed(typedPointer, false);
    // Whatever the kind, the last step's failure names the mail interface.
    return ReadItemMessage(typed, kind.noMapiObject,
                           L"Failed to get IMessage interface from Outlook::_MailItem object! hr = 0x%08X\n", message);
}

void WalkAttachmentTable(IMessage* message, unsigned itemNumber, bool save, CAttachmentList* attachments,
                         SavedPathList* savedPaths, const MapiFunctions* mapi)
{
    CMapiTablePtr table;
    // No table: nothing to offer, and no failure.
    if (FAILED(message->GetAttachmentTable(MAPI_UNICODE, &table)) || !table)
        return;
    for (;;) {
        CMapiRowSet rows(mapi);
        if (FAILED(table->QueryRows(1, 0, rows.Receive())) || !rows.Get() || rows->cRows == 0)
            break;
        ULONG number = 0;
        if (!AttachmentNumberOfRow(rows->aRow[0], &number))
            continue;
        CAttachPtr attach;
        if (FAILED(message->OpenAttach(number, &IID_IAttachment, MAPI_BEST_ACCESS, &attach)) || !attach)
            continue;
        std::unique_ptr<CPropertyCollection> attachment(new CPropertyCollection);
        CollectMapiProperties(attach, AttachmentPropertyDefs, attachment.get());
        if (IsHiddenAttachment(*attachment))
            continue;
        if (!save) {
            attachments->Append(std::move(attachment), itemNumber, static_cast<long>(number));
            continue;
        }
        if (attachments->IsChosen(itemNumber, attachment->GetValue(KEY_OTL_ATTACHMENT_KEY), static_cast<long>(number)) &&
            !WriteAttachmentFile(attach, *attachment, mapi, savedPaths))
            NoteNotWritten(attach, *attachment, mapi, attachments);
    }
}

} // namespace

HRESULT CollectItemAttachments(IDispatch* application, IDispatch* item, unsigned itemNumber, bool save,
                               CAttachmentList* attachments, SavedPathList* savedPaths)
{
    g_Log.Info(L"Entering CollectItemAttachments\n");
    if (!item || !attachments || (save && !savedPaths))
        return E_POINTER;
    OutlookVersion version;
    HRESULT hr = ReadOutlookVersion(application, &version);
    if (FAILED(hr))
        return hr;
    g_Log.Info(L"Outlookversion: %s (%s)\n", version.major.c_str(), version.text.c_str());

    _variant_t classValue;
    hr = GetProperty(item, L"MessageClass", &classValue);
    if (FAILED(hr))
        return Logged(L"Can't get message class for selected item! hr = 0x%08X\n", hr);
    std::wstring messageClass = TextOfValue(classValue);
    g_Log.Info(L"Message class is %s\n", messageClass.c_str());

    const ItemKind* kind = FindItemKind(messageClass.c_str(), version.majorNumber);
    if (!kind || !kind->offersAttachments) {
        g_Log.Warning(L"Wrong message class of selected item!\n");
        return E_WRONG_MESSAGE_CLASS;
    }

    if (kind->road == ItemRoad::SignedMail) {
        IDispatchPtr session;
        IDispatchPtr folder;
        hr = OpenRedemptionFolder(application, session, folder);
        if (FAILED(hr))
            return hr;
        hr = QueryRDOItemAttachmentList(folder, item, itemNumber, save, attachments, savedPaths);
        if (FAILED(hr))
            g_Log.Error(L"error in QueryRDOItemAttachmentList! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }

    CMessagePtr message;
    hr = OpenAttachmentMessage(item, *kind, message);
    if (FAILED(hr))
        return hr;
    const MapiFunctions* mapi = GetMapiFunctions(&hr);
    if (!mapi) {
        g_Log.Error(L"Can't read attachments without MAPI32! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    WalkAttachmentTable(message, itemNumber, save, attachments, savedPaths, mapi);
    return S_OK;
}
