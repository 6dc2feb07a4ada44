#include "TypedInterface.h"

#include <vector>

namespace {

HRESULT InvokeTyped(IDispatch* object, const wchar_t* name, WORD flags, VARIANT* result,
                    std::initializer_list<_variant_t> args, const VARIANT* putValue)
{
    if (!object)
        return E_POINTER;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;

    // IDispatch takes the last argument first; a put's value is element 0.
    std::vector<VARIANT> raw;
    raw.reserve(args.size() + 1);
    if (putValue)
        raw.push_back(*putValue);
    for (auto it = args.end(); it != args.begin();) {
        --it;
        raw.push_back(*it);
    }
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {raw.empty() ? nullptr : raw.data(), putValue ? &putId : nullptr,
                         static_cast<UINT>(raw.size()), putValue ? 1u : 0u};
    // The arguments stay owned by the caller's variants: raw holds shallow copies.
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

} // namespace

HRESULT QueryTypedInterface(IUnknown* object, REFIID iid, IDispatchPtr& typed)
{
    typed = nullptr;
    if (!object)
        return E_POINTER;
    IDispatch* found = nullptr;
    HRESULT hr = object->QueryInterface(iid, reinterpret_cast<void**>(&found));
    if (FAILED(hr))
        return hr;
    if (!found)
        return E_NOINTERFACE;
    typed.Attach(found);
    return S_OK;
}

HRESULT TypedCall(IDispatch* object, const wchar_t* name, VARIANT* result, std::initializer_list<_variant_t> args)
{
    return InvokeTyped(object, name, DISPATCH_METHOD, result, args, nullptr);
}

HRESULT TypedGet(IDispatch* object, const wchar_t* name, VARIANT* result, std::initializer_list<_variant_t> args)
{
    return InvokeTyped(object, name, DISPATCH_PROPERTYGET, result, args, nullptr);
}

HRESULT TypedPut(IDispatch* object, const wchar_t* name, const _variant_t& value)
{
    return InvokeTyped(object, name, DISPATCH_PROPERTYPUT, nullptr, {}, &value);
}

HRESULT TypedGetLong(IDispatch* object, const wchar_t* name, long* value)
{
    _variant_t result;
    HRESULT hr = TypedGet(object, name, &result);
    if (FAILED(hr))
        return hr;
    _variant_t number;
    if (FAILED(VariantChangeType(&number, &result, 0, VT_I4)))
        return DISP_E_TYPEMISMATCH;
    *value = V_I4(&number);
    return hr;
}

HRESULT TypedGetText(IDispatch* object, const wchar_t* name, _bstr_t& text)
{
    _variant_t result;
    HRESULT hr = TypedGet(object, name, &result);
    if (FAILED(hr))
        return hr;
    _variant_t converted;
    if (FAILED(VariantChangeType(&converted, &result, 0, VT_BSTR)))
        return DISP_E_TYPEMISMATCH;
    text = _bstr_t(V_BSTR(&converted), true);
    return hr;
}

HRESULT TypedGetObject(IDispatch* object, const wchar_t* name, IDispatchPtr& value,
                       std::initializer_list<_variant_t> args)
{
    value = nullptr;
    _variant_t result;
    HRESULT hr = TypedGet(object, name, &result, args);
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
