// The add-in's Outlook commands: the selected items or an opened item
// archived as .msg files, and chosen attachments archived as files; each
// road ends in the common hand-over with the source code 1.
#include "MarvikAddin.h"

#include "AttachmentsDialog.h"
#include "CommandGuard.h"
#include "CommonResource.h"
#include "DialogResource.h"
#include "DispatchHelpers.h"
#include "HandoffFile.h"
#include "ItemAttachments.h"
#include "OutlookCapture.h"
#include "OutlookObjects.h"

#include <array>
#include <cwchar>
#include <memory>
#include <vector>

namespace {

const UINT IDS_NO_ITEMS_SELECTED = 8008;
const UINT IDS_WRONG_DOCUMENT_TYPE = 8010;
const UINT IDS_NO_ATTACHMENTS = 8054;

// The message for a failed save of the selection.
UINT MessageOfSaveFailure(HRESULT hr)
{
    if (hr == E_NO_ITEMS_SELECTED)
        return IDS_NO_ITEMS_SELECTED;
    if (hr == E_WRONG_MESSAGE_CLASS)
        return IDS_WRONG_DOCUMENT_TYPE;
    if (hr == E_OUTOFMEMORY)
        return IDS_DOCUMENT_OUT_OF_MEMORY;
    return IDS_DOCUMENT_NOT_SAVED;
}

// The opened item of an inspector (the ribbon control's context).
HRESULT CurrentItemOf(IDispatch* context, IDispatchPtr& item)
{
    HRESULT hr = GetObjectProperty(context, L"CurrentItem", item);
    if (FAILED(hr))
        g_Log.Error(L"Can't get CurrentItem from Context! hr = 0x%08X\n", static_cast<unsigned>(hr));
    return hr;
}

} // namespace

void CMarvikAddin::ArchiveOutlookSelection()
{
    HINSTANCE module = GetServerInstance();
    long count = 0;
    HRESULT hr = GetOutlookDocumentCount(m_application, &count);
    if (hr == E_NO_ITEMS_SELECTED) {
        ShowErrorBox(module, IDS_NO_ITEMS_SELECTED);
        return;
    }
    // Without a count there is nothing to size the documents by.
    if (FAILED(hr) || count <= 0) {
        ShowErrorBox(module, IDS_DOCUMENT_NOT_SAVED);
        return;
    }

    const size_t items = static_cast<size_t>(count);
    std::vector<std::array<wchar_t, ITEM_PATH_CHARS>> pathBuffers(items);
    std::vector<std::unique_ptr<CPropertyCollection>> collections(items);
    std::vector<wchar_t*> paths(items);
    std::vector<CPropertyCollection*> properties(items);
    for (size_t i = 0; i < items; ++i) {
        pathBuffers[i][0] = L'\0';
        paths[i] = pathBuffers[i].data();
        collections[i].reset(new CPropertyCollection);
        properties[i] = collections[i].get();
    }
    // Every collection is cleared on every way out.
    struct ClearAll {
        std::vector<std::unique_ptr<CPropertyCollection>>& collections;
        ~ClearAll()
        {
            for (auto& collection : collections)
                collection->Clear();
        }
    } clearAll{collections};

    hr = SaveOutlookDocument(m_application, paths.data(), properties.data(), items);
    if (FAILED(hr)) {
        ShowErrorBox(module, MessageOfSaveFailure(hr));
        return;
    }
    // A selection that shrank since it was counted leaves buffers empty:
    // only the saved items are handed over.
    std::vector<const wchar_t*> savedPaths;
    std::vector<const CPropertyCollection*> savedProperties;
    for (size_t i = 0; i < items; ++i) {
        if (paths[i][0] == L'\0')
            continue;
        savedPaths.push_back(paths[i]);
        savedProperties.push_back(properties[i]);
    }
    if (savedPaths.empty()) {
        ShowErrorBox(module, IDS_DOCUMENT_NOT_SAVED);
        return;
    }

    bool deleteMail = m_settings.GetNumber(SZ_DELETEARCDOCS) != 0;
    HandoffIdList ids;
    if (!WriteHandoffFiles(savedPaths.data(), savedProperties.data(), static_cast<int>(savedPaths.size()), ids,
                           deleteMail)) {
        ShowErrorBox(module, IDS_HANDOFF_FILE_FAILED);
        return;
    }
    HandOver(ids);
}

void CMarvikAddin::OnArchiveSingleOutlook(IDispatch* context)
{
    RunCommand(*this, L"OnArchiveSingleOutlook", [&] {
        g_Log.Info(L"Outlook CMarvikAddin->OnArchiveSingleOutlook invoked\n");
        wchar_t path[ITEM_PATH_CHARS] = L"";
        CPropertyCollection properties;
        struct ClearOne {
            CPropertyCollection& properties;
            ~ClearOne() { properties.Clear(); }
        } clearOne{properties};

        HINSTANCE module = GetServerInstance();
        IDispatchPtr item;
        if (FAILED(CurrentItemOf(context, item))) {
            ShowErrorBox(module, IDS_DOCUMENT_NOT_SAVED);
            return;
        }
        HRESULT hr = SaveOutlookItem(m_application, item, 0, m_majorVersion, path, &properties);
        if (FAILED(hr) || path[0] == L'\0') {
            g_Log.Error(L"Can't save current item! hr = 0x%08X\n", static_cast<unsigned>(FAILED(hr) ? hr : E_FAIL));
            ShowErrorBox(module, MessageOfSaveFailure(FAILED(hr) ? hr : E_FAIL));
            return;
        }
        const wchar_t* paths[1] = {path};
        const CPropertyCollection* collections[1] = {&properties};
        HandoffIdList ids;
        // An opened item is never deleted after archiving.
        if (!WriteHandoffFiles(paths, collections, 1, ids, false)) {
            ShowErrorBox(module, IDS_HANDOFF_FILE_FAILED);
            return;
        }
        HandOver(ids);
    });
}

void CMarvikAddin::OnAttachment(IDispatch* item)
{
    RunCommand(*this, L"OnAttachment", [&] { ArchiveChosenAttachments(item); });
}

void CMarvikAddin::ArchiveChosenAttachments(IDispatch* item)
{
    g_Log.Info(L"Outlook CMarvikAddin->OnAttachment invoked\n");
    HINSTANCE module = GetServerInstance();
    if (!item) {
        long count = 0;
        if (GetOutlookDocumentCount(m_application, &count) == E_NO_ITEMS_SELECTED) {
            ShowErrorBox(module, IDS_NO_ITEMS_SELECTED);
            return;
        }
    }

    // Cleared and freed on every way out. The items listed are the ones
    // saved, whatever the user selects while the dialog is open.
    CAttachmentList attachments;
    HeldItems selected;
    if (item)
        CollectItemAttachments(m_application, item, &attachments);
    else
        GetAttachmentList(m_application, &selected, &attachments);
    if (attachments.Empty()) {
        ShowErrorBox(module, IDS_NO_ATTACHMENTS);
        return;
    }
    INT_PTR chosen = ShowAttachmentsDialog(&attachments);
    if (chosen == -1)
        ShowErrorBox(module, IDS_SEVERE_ERROR);
    if (chosen != 1)
        return;

    SavedPathList saved;
    if (item)
        CollectItemAttachments(m_application, item, &attachments, &saved);
    else
        GetAttachmentList(m_application, &selected, &attachments, &saved);
    // The user chose at least one: none written is a failure to say.
    if (saved.empty()) {
        g_Log.Error(L"error saving attachment files to disk\n");
        ShowErrorBox(module, IDS_DOCUMENT_NOT_SAVED);
        return;
    }

    std::vector<const wchar_t*> paths;
    for (const _bstr_t& path : saved)
        paths.push_back(static_cast<const wchar_t*>(path));
    HandoffIdList ids;
    // The files written so far are handed over all the same.
    if (!WriteHandoffFiles(paths.data(), nullptr, static_cast<int>(paths.size()), ids, false))
        ShowErrorBox(module, IDS_HANDOFF_FILE_FAILED);
    // The user learns of the chosen ones left out once the others are on their way.
    if (HandOver(ids) && !attachments.NotWritten().empty())
        ShowNotHandedOff(module, attachments.NotWritten());
}

void CMarvikAddin::OnAttachmentSingleOutlook(IDispatch* context)
{
    RunCommand(*this, L"OnAttachmentSingleOutlook", [&] {
        g_Log.Info(L"Outlook CMarvikAddin->OnAttachmentSingleOutlook invoked\n");
        IDispatchPtr item;
        // As the opened item's archive command: the user hears of it.
        if (FAILED(CurrentItemOf(context, item))) {
            ShowErrorBox(GetServerInstance(), IDS_DOCUMENT_NOT_SAVED);
            return;
        }
        ArchiveChosenAttachments(item);
    });
}
