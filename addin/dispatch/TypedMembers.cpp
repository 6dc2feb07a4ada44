#include "TypedMembers.h"

namespace {

HRESULT InvokeOnce(IDispatch* typed, const wchar_t* name, WORD flags, VARIANT* result, UINT argCount, VARIANT* args)
{
    if (!typed || !name)
        return E_POINTER;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = typed->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    // A put's value is the one named argument.
    DISPID putId = DISPID_PROPERTYPUT;
    bool put = flags == DISPATCH_PROPERTYPUT;
    DISPPARAMS params = {args, put ? &putId : nullptr, argCount, put ? 1u : 0u};
    return typed->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

} // namespace

HRESULT QueryTypedInterface(IDispatch* object, REFIID iid, IDispatch** typed)
{
    if (!typed)
        return E_POINTER;
    *typed = nullptr;
    if (!object)
        return E_POINTER;
    HRESULT hr = object->QueryInterface(iid, reinterpret_cast<void**>(typed));
    if (SUCCEEDED(hr) && !*typed)
        hr = E_NOINTERFACE;
    return hr;
}

HRESULT GetTypedProperty(IDispatch* typed, const wchar_t* name, VARIANT* result)
{
    return InvokeOnce(typed, name, DISPATCH_PROPERTYGET, result, 0, nullptr);
}

HRESULT GetTypedPropertyWithArgs(IDispatch* typed, const wchar_t* name, VARIANT* result, UINT argCount,
                                 VARIANT* args)
{
    return InvokeOnce(typed, name, DISPATCH_PROPERTYGET, result, argCount, args);
}

HRESULT CallTypedMethod(IDispatch* typed, const wchar_t* name, VARIANT* result, UINT argCount, VARIANT* args)
{
    return InvokeOnce(typed, name, DISPATCH_METHOD, result, argCount, args);
}

HRESULT PutTypedProperty(IDispatch* typed, const wchar_t* name, VARIANT* value)
{
    if (!value)
        return E_POINTER;
    return InvokeOnce(typed, name, DISPATCH_PROPERTYPUT, nullptr, 1, value);
}
