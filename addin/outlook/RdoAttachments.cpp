// QueryRDOItemAttachmentList: the attachments of a signed or encrypted mail,
// read from its decrypted message through Redemption.
#include "ItemAttachments.h"

#include "AttachmentTarget.h"
#include "DispatchHelpers.h"
#include "LogFile.h"
#include "OutlookObjects.h"
#include "OutlookPropertyTables.h"
#include "RdoMailSearch.h"
#include "StepFailure.h"
#include "WideFormat.h"

namespace {

const size_t NUMBER_CHARS = 1024;

HRESULT ReadNumber(IDispatch* object, const wchar_t* name, VARTYPE type, VARIANT* value)
{
    HRESULT hr = GetProperty(object, name, value);
    if (SUCCEEDED(hr))
        hr = VariantChangeType(value, value, 0, type);
    return hr;
}

// The four entries of one attachment; its position (from 1) is its key.
HRESULT ReadAttachment(IDispatch* attachment, long position, CPropertyCollection* entry)
{
    _variant_t fileName;
    HRESULT hr = GetProperty(attachment, L"FileName", &fileName);
    if (FAILED(hr))
        return Logged(L"Can't get filename of attachment! hr = 0x%08X\n", hr);
    _variant_t size;
    hr = ReadNumber(attachment, L"Size", VT_I4, &size);
    if (FAILED(hr))
        return Logged(L"Can't get size of attachment! hr = 0x%08X\n", hr);
    _variant_t hidden;
    hr = ReadNumber(attachment, L"Hidden", VT_I2, &hidden);
    if (FAILED(hr))
        return Logged(L"Can't get hidden flag of attachment! hr = 0x%08X\n", hr);

    wchar_t number[NUMBER_CHARS];
    entry->Add(KEY_OTL_ATTACHMENT_NAME, TextOfValue(fileName).c_str(), 0);
    FormatText(number, NUMBER_CHARS, L"%d", static_cast<int>(V_I4(&size)));
    entry->Add(KEY_OTL_ATTACHMENT_SIZE, number, 0);
    FormatText(number, NUMBER_CHARS, L"%d", static_cast<int>(V_I2(&hidden)));
    entry->Add(KEY_OTL_ATTACHMENT_HIDDEN, number, 0);
    FormatText(number, NUMBER_CHARS, L"%d", static_cast<int>(position));
    entry->Add(KEY_OTL_ATTACHMENT_KEY, number, 0);
    return S_OK;
}

HRESULT SaveAttachment(IDispatch* attachment, const CPropertyCollection& entry, SavedPathList* savedPaths)
{
    wchar_t folder[ATTACHMENT_PATH_CHARS];
    wchar_t target[ATTACHMENT_PATH_CHARS];
    // Without a folder or room for the name the attachment is passed over.
    if (!MakeAttachmentTarget(entry.GetValue(KEY_OTL_ATTACHMENT_NAME), folder, target))
        return S_OK;
    _variant_t path(target);
    _variant_t ignored;
    HRESULT hr = CallMethod(attachment, L"SaveAsFile", &ignored, 1, &path);
    if (FAILED(hr)) {
        RemoveEmptyAttachmentFolder(folder);
        return Logged(L"Can't save the attachment! hr = 0x%08X\n", hr);
    }
    savedPaths->push_back(_bstr_t(target));
    return S_OK;
}

} // namespace

HRESULT QueryRDOItemAttachmentList(IDispatch* folder, IDispatch* item, unsigned itemNumber, bool save,
                                   CAttachmentList* attachments, SavedPathList* savedPaths)
{
    g_Log.Info(L"Entering QueryRDOItemAttachmentList\n");
    if (!attachments || (save && !savedPaths))
        return E_POINTER;
    _variant_t mail;
    if (FAILED(FindRDOMail(folder, item, &mail))) {
        g_Log.Error(L"### No mail found! ###\n");
        return E_FAIL;
    }
    _variant_t result;
    IDispatchPtr decrypted;
    HRESULT hr = CallMethod(V_DISPATCH(&mail), L"GetDecryptedMessage", &result, 0, nullptr);
    if (SUCCEEDED(hr))
        hr = DispatchFromResult(result, decrypted);
    if (FAILED(hr))
        return Logged(L"Can't decrypt message! hr = 0x%08X\n", hr);
    IDispatchPtr list;
    hr = GetObjectProperty(decrypted, L"Attachments", list);
    if (FAILED(hr))
        return Logged(L"Can't get attachments from message! hr = 0x%08X\n", hr);
    _variant_t count;
    hr = ReadNumber(list, L"Count", VT_I4, &count);
    if (FAILED(hr))
        return Logged(L"Can't get count of attachments! hr = 0x%08X\n", hr);

    for (long i = 1; i <= V_I4(&count); ++i) {
        _variant_t index(i);
        _variant_t value;
        IDispatchPtr attachment;
        hr = CallMethod(list, L"Item", &value, 1, &index);
        if (SUCCEEDED(hr))
            hr = DispatchFromResult(value, attachment);
        if (FAILED(hr))
            return Logged(L"Can't get attachment! hr = 0x%08X\n", hr);
        std::unique_ptr<CPropertyCollection> entry(new CPropertyCollection);
        hr = ReadAttachment(attachment, i, entry.get());
        if (FAILED(hr))
            return hr;
        if (IsHiddenAttachment(*entry))
            continue;
        if (!save) {
            attachments->Append(std::move(entry), itemNumber);
            continue;
        }
        if (!attachments->IsChosen(itemNumber, entry->GetValue(KEY_OTL_ATTACHMENT_KEY)))
            continue;
        hr = SaveAttachment(attachment, *entry, savedPaths);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}
