#include "MailInspector.h"

#include "ComSupport.h"
#include "DispatchHelpers.h"
#include "LogFile.h"
#include "OutlookInterfaces.h"
#include "TypedCalls.h"

#include <cwchar>

int IsMailInspector(IDispatch* inspector)
{
    _variant_t current;
    HRESULT hr = GetProperty(inspector, L"CurrentItem", &current);
    IDispatchPtr item;
    if (SUCCEEDED(hr))
        hr = ObjectFromVariant(current, item);
    if (FAILED(hr)) {
        g_Log.Error(L"Failed to access CurrentItem property! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return 0;
    }

    _variant_t messageClass;
    hr = GetProperty(item, L"MessageClass", &messageClass);
    if (SUCCEEDED(hr) && V_VT(&messageClass) != VT_BSTR)
        hr = VariantChangeType(&messageClass, &messageClass, 0, VT_BSTR);
    if (FAILED(hr)) {
        g_Log.Error(L"Can't get message class for current item! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return 0;
    }
    const wchar_t* text = V_BSTR(&messageClass) ? V_BSTR(&messageClass) : L"";
    if (_wcsicmp(text, L"IPM.Note") != 0)
        return 0;

    IDispatchPtr mail;
    hr = QueryTypedInterface(item, IID_Outlook_MailItem, &mail);
    if (FAILED(hr)) {
        g_Log.Error(L"Failed to get Outlook::_MailItem object! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return 0;
    }
    _variant_t sent;
    if (FAILED(TypedGet(mail, L"Sent", &sent)))
        return 0;
    _variant_t flag;
    if (FAILED(VariantChangeType(&flag, &sent, 0, VT_BOOL)))
        return 0;
    return V_BOOL(&flag) != VARIANT_FALSE ? 1 : 0;
}
