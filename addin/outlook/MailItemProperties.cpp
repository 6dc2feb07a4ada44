// CollectMailItemProperties: a mail's main properties read late-bound, for
// mails that Extended MAPI cannot read (signed and encrypted ones, through
// Redemption's objects).
#include "OutlookPropertyReaders.h"

#include "DispatchHelpers.h"
#include "LogFile.h"
#include "WideFormat.h"

namespace {

const size_t TEXT_CHARS = 2048;
const size_t DATE_CHARS = 32;

enum class ValueForm { Text, Number, Date };

struct MailField {
    bool fromFolder;
    const wchar_t* member;
    const wchar_t* key;
    int valueType;
    ValueForm form;
    const wchar_t* logName; // the name the value is logged under
    const wchar_t* failure;
};

const MailField MAIL_FIELDS[] = {
    {false, L"BCC", L"OTL_MSG_BCC", 1, ValueForm::Text, L"OTL_MSG_BCC",
     L"Can't get property BCC from mail item! hr = 0x%08X\n"},
    {false, L"CC", L"OTL_MSG_CC", 1, ValueForm::Text, L"OTL_MSG_CC",
     L"Can't get property CC from mail item! hr = 0x%08X\n"},
    {false, L"Importance", L"OTL_MSG_IMPORTANCE", 1, ValueForm::Number, L"OTL_MSG_IMPORTANCE",
     L"Can't get property Importance from mail item! hr = 0x%08X\n"},
    {false, L"Subject", L"OTL_MSG_SUBJECT", 1, ValueForm::Text, L"OTL_MSG_SUBJECT",
     L"Can't get property Subject from mail item! hr = 0x%08X\n"},
    {false, L"To", L"OTL_MSG_TO", 1, ValueForm::Text, L"OTL_MSG_TO",
     L"Can't get property To from mail item! hr = 0x%08X\n"},
    {false, L"SenderName", L"OTL_MSG_SENDERNAME", 1, ValueForm::Text, L"OTL_MSG_SENDERNAME",
     L"Can't get property SenderName from mail item! hr = 0x%08X\n"},
    {false, L"ReceivedTime", L"OTL_MSG_RECIEVEDATE", 1, ValueForm::Date, L"OTL_MSG_RECIEVEDATE",
     L"Can't get property ReceivedTime from mail item! hr = 0x%08X\n"},
    {false, L"EntryID", KEY_PR_ENTRYID, 0, ValueForm::Text, L"EntryID",
     L"Can't get property EntryID from mail item! hr = 0x%08X\n"},
    {true, L"StoreID", KEY_PR_STORE_ENTRYID, 0, ValueForm::Text, L"StoreID",
     L"Can't get property StoreID from fodler item! hr = 0x%08X\n"},
};

// The text of a value as "%s" writes it into the 2048-character buffer; an
// empty or null text gives the empty text.
void ValueText(const VARIANT& value, wchar_t* text)
{
    text[0] = L'\0';
    if (V_VT(&value) == VT_EMPTY || V_VT(&value) == VT_NULL)
        return;
    _variant_t copy;
    if (FAILED(VariantChangeType(&copy, const_cast<VARIANT*>(&value), VARIANT_ALPHABOOL, VT_BSTR)) || !V_BSTR(&copy))
        return;
    FormatText(text, TEXT_CHARS, L"%s", V_BSTR(&copy));
}

bool NumberText(const VARIANT& value, wchar_t* text)
{
    _variant_t number;
    if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(&value), 0, VT_I4)))
        return false;
    FormatText(text, TEXT_CHARS, L"%d", static_cast<int>(V_I4(&number)));
    return true;
}

// The date alone of a local variant date, without time-zone conversion.
bool ReceivedDateText(const VARIANT& value, wchar_t* text)
{
    _variant_t date;
    SYSTEMTIME st;
    if (FAILED(VariantChangeType(&date, const_cast<VARIANT*>(&value), 0, VT_DATE)) ||
        !VariantTimeToSystemTime(V_DATE(&date), &st))
        return false;
    return GetDateFormatW(LOCALE_USER_DEFAULT, LOCALE_NOUSEROVERRIDE, &st, nullptr, text, DATE_CHARS) > 0;
}

} // namespace

void CollectMailItemProperties(IDispatch* folder, IDispatch* mail, CPropertyCollection* properties)
{
    if (!mail || !properties)
        return;
    wchar_t text[TEXT_CHARS];
    for (const MailField& field : MAIL_FIELDS) {
        _variant_t value;
        HRESULT hr = GetProperty(field.fromFolder ? folder : mail, field.member, &value);
        if (FAILED(hr)) {
            // Nothing is added: an empty id would name no item.
            g_Log.Error(field.failure, static_cast<unsigned>(hr));
            continue;
        }
        bool haveText = true;
        if (field.form == ValueForm::Number)
            haveText = NumberText(value, text);
        else if (field.form == ValueForm::Date)
            haveText = ReceivedDateText(value, text);
        else
            ValueText(value, text);
        if (!haveText)
            continue;
        g_Log.Info(L"Collect MAPI property %s value %s\n", field.logName, text);
        properties->Add(field.key, text, field.valueType);
    }
}
