#include "DocumentProperties.h"

#include "DispatchHelpers.h"
#include "LogFile.h"

#include <cwchar>
#include <string>

namespace {

const int PROPERTY_TYPE_TEXT = 1;

// The built-in properties that are taken, compared exactly.
const wchar_t* const BuiltInPropertyNames[] = {
    L"Title",         L"Subject",        L"Author",          L"Keywords",
    L"Comments",      L"Last author",    L"Creation date",   L"Company",
    L"Last save time", L"Number of pages", L"Category",      L"Last print date",
    nullptr,
};

bool IsTakenBuiltIn(const wchar_t* name)
{
    for (const wchar_t* const* known = BuiltInPropertyNames; *known; ++known)
        if (wcscmp(name, *known) == 0)
            return true;
    return false;
}

// Upper case by the system's rule for every letter ("Pr\u00fcfdatum" gives
// "PR\u00dcFDATUM"; the runtime's C locale knows A to Z only), with every
// blank an underscore.
std::wstring KeyForm(const std::wstring& name)
{
    std::wstring key(name);
    if (!key.empty())
        ::CharUpperBuffW(&key[0], static_cast<DWORD>(key.size()));
    for (wchar_t& c : key)
        if (c == L' ')
            c = L'_';
    return key;
}

void AddEntry(CPropertyCollection* collection, const std::wstring& key, const wchar_t* value)
{
    g_Log.Info(L"Collect property %s value %s\n", key.c_str(), value ? value : L"");
    collection->Add(key.c_str(), value, PROPERTY_TYPE_TEXT);
}

// Asks a GetDateFormatW-like function for the length, then the text; an
// empty text when either call fails.
template <typename Format>
std::wstring FormatWith(Format format, const SYSTEMTIME& when)
{
    int cch = format(LOCALE_USER_DEFAULT, LOCALE_NOUSEROVERRIDE, &when, nullptr, nullptr, 0);
    if (cch <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(cch), L'\0');
    if (format(LOCALE_USER_DEFAULT, LOCALE_NOUSEROVERRIDE, &when, nullptr, &text[0], cch) <= 0)
        return std::wstring();
    text.resize(wcslen(text.c_str()));
    return text;
}

void AddDateEntries(CPropertyCollection* collection, const std::wstring& key, DATE date)
{
    SYSTEMTIME when;
    if (!VariantTimeToSystemTime(date, &when)) {
        g_Log.Warning(L"Wrong value of VT_DATA variant!\n");
        return;
    }
    std::wstring dateText = FormatWith(GetDateFormatW, when);
    if (dateText.empty()) {
        g_Log.Warning(L"Failed to format date value!\n");
        return;
    }
    AddEntry(collection, key, dateText.c_str());

    // A time that cannot even be measured leaves the date alone, silently.
    if (GetTimeFormatW(LOCALE_USER_DEFAULT, LOCALE_NOUSEROVERRIDE, &when, nullptr, nullptr, 0) <= 0)
        return;
    std::wstring timeText = FormatWith(GetTimeFormatW, when);
    if (timeText.empty()) {
        g_Log.Warning(L"Failed to format time value!\n");
        return;
    }
    AddEntry(collection, KeyForm(key + L"_DATETIME"), (dateText + L" " + timeText).c_str());
}

void CopyValue(CPropertyCollection* collection, const std::wstring& key, const VARIANT& value)
{
    switch (V_VT(&value)) {
    case VT_BSTR:
        AddEntry(collection, key, V_BSTR(&value));
        break;
    case VT_I4:
        AddEntry(collection, key, std::to_wstring(V_I4(&value)).c_str());
        break;
    case VT_DATE:
        AddDateEntries(collection, key, V_DATE(&value));
        break;
    default:
        // Booleans, floating point and empty values are not handed on.
        break;
    }
}

} // namespace

void CopyProperties(const VARIANT* properties, int builtIn, CPropertyCollection* collection)
{
    // Only an object variant holds a collection; the value of any other kind
    // would be called through as if it were one.
    IDispatch* list = properties && V_VT(properties) == VT_DISPATCH ? V_DISPATCH(properties) : nullptr;
    if (!list || !collection) {
        g_Log.Error(L"CopyProperties(%08X, %08X) wrong function parameters!\n",
                    static_cast<unsigned>(reinterpret_cast<UINT_PTR>(properties)),
                    static_cast<unsigned>(reinterpret_cast<UINT_PTR>(collection)));
        return;
    }

    _variant_t countValue;
    HRESULT hr = GetProperty(list, L"Count", &countValue);
    if (SUCCEEDED(hr))
        hr = VariantChangeType(&countValue, &countValue, 0, VT_I4);
    if (FAILED(hr)) {
        g_Log.Error(L"CopyProperties: Can't get count property of document properties! hr = 0x%08X\n", hr);
        return;
    }
    long count = V_I4(&countValue);
    g_Log.Info(L"Count of properties %d\n", count);
    if (count == 0) {
        g_Log.Warning(L"Properties are not defined!\n");
        return;
    }

    for (long index = 1; index <= count; ++index) {
        _variant_t indexArg(index);
        _variant_t item;
        if (FAILED(CallMethod(list, L"Item", &item, 1, &indexArg)) || V_VT(&item) != VT_DISPATCH) {
            g_Log.Warning(L"Failed to access property %d of %d!\n", index, count);
            continue;
        }
        IDispatch* property = V_DISPATCH(&item);

        _variant_t nameValue;
        if (FAILED(GetProperty(property, L"Name", &nameValue)) || V_VT(&nameValue) != VT_BSTR) {
            g_Log.Warning(L"Can't get name of property %d of %d!\n", index, count);
            continue;
        }
        std::wstring name = V_BSTR(&nameValue) ? V_BSTR(&nameValue) : L"";

        std::wstring key;
        if (builtIn) {
            if (!IsTakenBuiltIn(name.c_str()))
                continue;
            key = L"MSO_" + KeyForm(name);
        } else {
            key = name;
        }

        _variant_t value;
        if (FAILED(GetProperty(property, L"Value", &value))) {
            g_Log.Warning(L"Can't get value of property %s %d of %d!\n", name.c_str(), index, count);
            continue;
        }
        g_Log.Info(L"Found property %s typ %d\n", key.c_str(), static_cast<int>(V_VT(&value)));
        CopyValue(collection, key, value);
    }
}
