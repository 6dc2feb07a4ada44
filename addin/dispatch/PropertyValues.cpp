#include "PropertyValues.h"

#include "DispatchHelpers.h"

#include <comdef.h>

HRESULT GetTextProperty(IDispatch* object, const wchar_t* name, std::wstring& text)
{
    _variant_t value;
    HRESULT hr = GetProperty(object, name, &value);
    if (SUCCEEDED(hr))
        hr = VariantChangeType(&value, &value, 0, VT_BSTR);
    if (SUCCEEDED(hr))
        text = V_BSTR(&value) ? V_BSTR(&value) : L"";
    return hr;
}

HRESULT GetNumberProperty(IDispatch* object, const wchar_t* name, long& number)
{
    _variant_t value;
    HRESULT hr = GetProperty(object, name, &value);
    if (SUCCEEDED(hr))
        hr = VariantChangeType(&value, &value, 0, VT_I4);
    if (SUCCEEDED(hr))
        number = V_I4(&value);
    return hr;
}
