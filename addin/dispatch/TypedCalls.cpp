#include "TypedCalls.h"

#include <vector>

namespace {

// IDispatch takes the last argument first. The copies are shallow: the
// caller's variants keep owning the values.
std::vector<VARIANT> InDispatchOrder(std::initializer_list<_variant_t> args)
{
    std::vector<VARIANT> raw;
    raw.reserve(args.size());
    for (auto it = args.end(); it != args.begin();) {
        --it;
        raw.push_back(*it);
    }
    return raw;
}

} // namespace

HRESULT TypedCall(IDispatch* typed, const wchar_t* name, VARIANT* result, std::initializer_list<_variant_t> args)
{
    std::vector<VARIANT> raw = InDispatchOrder(args);
    return CallTypedMethod(typed, name, result, static_cast<UINT>(raw.size()), raw.empty() ? nullptr : raw.data());
}

HRESULT TypedGet(IDispatch* typed, const wchar_t* name, VARIANT* result, std::initializer_list<_variant_t> args)
{
    std::vector<VARIANT> raw = InDispatchOrder(args);
    return GetTypedPropertyWithArgs(typed, name, result, static_cast<UINT>(raw.size()),
                                    raw.empty() ? nullptr : raw.data());
}

HRESULT TypedPut(IDispatch* typed, const wchar_t* name, const _variant_t& value)
{
    VARIANT raw = value;
    return PutTypedProperty(typed, name, &raw);
}

HRESULT TypedGetLong(IDispatch* typed, const wchar_t* name, long* value)
{
    _variant_t result;
    HRESULT hr = TypedGet(typed, name, &result);
    if (FAILED(hr))
        return hr;
    _variant_t number;
    if (FAILED(VariantChangeType(&number, &result, 0, VT_I4)))
        return DISP_E_TYPEMISMATCH;
    *value = V_I4(&number);
    return hr;
}

HRESULT TypedGetText(IDispatch* typed, const wchar_t* name, _bstr_t& text)
{
    _variant_t result;
    HRESULT hr = TypedGet(typed, name, &result);
    if (FAILED(hr))
        return hr;
    _variant_t converted;
    if (FAILED(VariantChangeType(&converted, &result, 0, VT_BSTR)))
        return DISP_E_TYPEMISMATCH;
    text = _bstr_t(V_BSTR(&converted), true);
    return hr;
}

HRESULT TypedGetObject(IDispatch* typed, const wchar_t* name, IDispatchPtr& value,
                       std::initializer_list<_variant_t> args)
{
    value = nullptr;
    _variant_t result;
    HRESULT hr = TypedGet(typed, name, &result, args);
    if (FAILED(hr))
        return hr;
    HRESULT conversion = ObjectFromVariant(result, value);
    return FAILED(conversion) ? conversion : hr;
}

HRESULT ObjectFromVariant(const VARIANT& value, IDispatchPtr& object)
{
    object = nullptr;
    switch (V_VT(&value)) {
    case VT_EMPTY:
    case VT_NULL:
        return S_OK;
    case VT_DISPATCH:
        object = V_DISPATCH(&value);
        return S_OK;
    case VT_DISPATCH | VT_BYREF:
        if (V_DISPATCHREF(&value))
            object = *V_DISPATCHREF(&value);
        return S_OK;
    case VT_UNKNOWN:
        if (!V_UNKNOWN(&value))
            return S_OK;
        return V_UNKNOWN(&value)->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&object));
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

_variant_t MissingArgument()
{
    _variant_t missing;
    V_VT(&missing) = VT_ERROR;
    V_ERROR(&missing) = DISP_E_PARAMNOTFOUND;
    return missing;
}
