#include "RdoMailSearch.h"

#include "ComSupport.h"
#include "DispatchHelpers.h"
#include "LogFile.h"

namespace {

// What identifies a mail when its entry id cannot be compared.
struct MailIdentity {
    _variant_t subject;
    _variant_t size;
    _variant_t messageClass;
    _variant_t sentOnBehalfOfName;
    _variant_t receivedTime;
    _variant_t to;
    _variant_t sentOn;
};

struct Read {
    const wchar_t* member;
    _variant_t MailIdentity::*field;
    const wchar_t* itemFailure;      // reading the Outlook item
    const wchar_t* candidateFailure; // reading a folder's mail
};

const Read IDENTITY_READS[] = {
    {L"Subject", &MailIdentity::subject, L"Can't get Subject from selected item! hr = 0x%08X\n",
     L"Can't get Subject from folder item! hr = 0x%08X\n"},
    {L"Size", &MailIdentity::size, L"Can't get Size from selected item! hr = 0x%08X\n",
     L"Can't get Size from folder item! hr = 0x%08X\n"},
    {L"MessageClass", &MailIdentity::messageClass, L"Can't get MessageClass from selected item! hr = 0x%08X\n",
     L"Can't get MessageClass folder inbox item! hr = 0x%08X\n"},
    {L"SentOnBehalfOfName", &MailIdentity::sentOnBehalfOfName,
     L"Can't get SentOnBehalfOfName from selected item! hr = 0x%08X\n",
     L"Can't get SentOnBehalfOfName from folder item! hr = 0x%08X\n"},
    {L"ReceivedTime", &MailIdentity::receivedTime, L"Can't get ReceivedTime from selected item! hr = 0x%08X\n",
     L"Can't get ReceivedTime from folder item! hr = 0x%08X\n"},
    {L"To", &MailIdentity::to, L"Can't get To from selected item! hr = 0x%08X\n",
     L"Can't get To from folder item! hr = 0x%08X\n"},
    {L"SentOn", &MailIdentity::sentOn, L"Can't get SentOn from selected item! hr = 0x%08X\n",
     L"Can't get SentOn from folder item! hr = 0x%08X\n"},
};
// The item's reads up to here must succeed; the later ones may stay empty.
const size_t REQUIRED_ITEM_READS = 3;

bool SameText(const VARIANT& a, const VARIANT& b)
{
    _variant_t textA;
    _variant_t textB;
    const wchar_t* left = L"";
    const wchar_t* right = L"";
    if (V_VT(&a) != VT_EMPTY && V_VT(&a) != VT_NULL) {
        if (FAILED(VariantChangeType(&textA, const_cast<VARIANT*>(&a), VARIANT_ALPHABOOL, VT_BSTR)))
            return false;
        if (V_BSTR(&textA))
            left = V_BSTR(&textA);
    }
    if (V_VT(&b) != VT_EMPTY && V_VT(&b) != VT_NULL) {
        if (FAILED(VariantChangeType(&textB, const_cast<VARIANT*>(&b), VARIANT_ALPHABOOL, VT_BSTR)))
            return false;
        if (V_BSTR(&textB))
            right = V_BSTR(&textB);
    }
    return CompareStringOrdinal(left, -1, right, -1, TRUE) == CSTR_EQUAL;
}

bool SameNumber(const VARIANT& a, const VARIANT& b)
{
    _variant_t numberA;
    _variant_t numberB;
    return SUCCEEDED(VariantChangeType(&numberA, const_cast<VARIANT*>(&a), 0, VT_I4)) &&
           SUCCEEDED(VariantChangeType(&numberB, const_cast<VARIANT*>(&b), 0, VT_I4)) &&
           V_I4(&numberA) == V_I4(&numberB);
}

bool SameDate(const VARIANT& a, const VARIANT& b)
{
    _variant_t dateA;
    _variant_t dateB;
    return SUCCEEDED(VariantChangeType(&dateA, const_cast<VARIANT*>(&a), 0, VT_DATE)) &&
           SUCCEEDED(VariantChangeType(&dateB, const_cast<VARIANT*>(&b), 0, VT_DATE)) &&
           V_DATE(&dateA) == V_DATE(&dateB);
}

bool SameMail(const MailIdentity& item, const MailIdentity& candidate)
{
    return SameText(item.subject, candidate.subject) && SameText(item.messageClass, candidate.messageClass) &&
           SameNumber(item.size, candidate.size) &&
           (SameText(item.sentOnBehalfOfName, candidate.sentOnBehalfOfName) || SameText(item.to, candidate.to)) &&
           (SameDate(item.receivedTime, candidate.receivedTime) || SameDate(item.sentOn, candidate.sentOn));
}

// Walks the folder's mails; S_OK leaves the match in result.
HRESULT SearchFolder(IDispatch* folder, const _variant_t& entryId, const MailIdentity& item, VARIANT* result)
{
    _variant_t items;
    HRESULT hr = GetProperty(folder, L"Items", &items);
    if (SUCCEEDED(hr) && (V_VT(&items) != VT_DISPATCH || !V_DISPATCH(&items)))
        hr = DISP_E_TYPEMISMATCH;
    if (FAILED(hr)) {
        g_Log.Error(L"Can't get folder items! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    _variant_t count;
    hr = GetProperty(V_DISPATCH(&items), L"Count", &count);
    if (SUCCEEDED(hr))
        hr = VariantChangeType(&count, &count, 0, VT_I4);
    if (FAILED(hr)) {
        g_Log.Error(L"Can't get count of folder items! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    long total = V_I4(&count);
    if (total <= 0) {
        g_Log.Error(L"There are no folder items!\n");
        return E_FAIL;
    }
    g_Log.Info(L"There are %d items in that folder.\n", static_cast<int>(total));
    for (long i = 1; i <= total; ++i) {
        VariantClear(result);
        _variant_t index(i);
        hr = CallMethod(V_DISPATCH(&items), L"_Item", result, 1, &index);
        if (SUCCEEDED(hr) && (V_VT(result) != VT_DISPATCH || !V_DISPATCH(result)))
            hr = DISP_E_TYPEMISMATCH;
        if (FAILED(hr)) {
            g_Log.Error(L"Can't get RDOMail item of folder! hr = 0x%08X\n", static_cast<unsigned>(hr));
            return hr;
        }
        IDispatch* candidate = V_DISPATCH(result);
        _variant_t candidateId;
        if (SUCCEEDED(GetProperty(candidate, L"EntryID", &candidateId))) {
            if (SameText(candidateId, entryId)) {
                g_Log.Info(L"We have found an Email with an corresponding EntryID!\n");
                return S_OK;
            }
            continue;
        }
        MailIdentity other;
        for (const Read& read : IDENTITY_READS) {
            hr = GetProperty(candidate, read.member, &(other.*read.field));
            if (FAILED(hr)) {
                g_Log.Error(read.candidateFailure, static_cast<unsigned>(hr));
                return hr;
            }
        }
        if (SameMail(item, other)) {
            g_Log.Info(L"We have found an Email over other properties.!\n");
            return S_OK;
        }
    }
    g_Log.Error(L"### No mail found! ###\n");
    return E_FAIL;
}

} // namespace

HRESULT FindRDOMail(IDispatch* folder, IDispatch* item, VARIANT* result)
{
    g_Log.Info(L"Entering FindRDOMail\n");
    if (!folder || !item || !result)
        return E_POINTER;
    _variant_t entryId;
    HRESULT hr = GetProperty(item, L"EntryID", &entryId);
    if (FAILED(hr)) {
        g_Log.Error(L"Can't get EntryID from selected item! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    MailIdentity identity;
    for (size_t i = 0; i < sizeof(IDENTITY_READS) / sizeof(IDENTITY_READS[0]); ++i) {
        const Read& read = IDENTITY_READS[i];
        hr = GetProperty(item, read.member, &(identity.*read.field));
        if (FAILED(hr)) {
            g_Log.Error(read.itemFailure, static_cast<unsigned>(hr));
            if (i < REQUIRED_ITEM_READS)
                return hr;
            (identity.*read.field).Clear();
        }
    }
    hr = SearchFolder(folder, entryId, identity, result);
    // The last candidate looked at is no answer.
    if (FAILED(hr))
        VariantClear(result);
    return hr;
}
