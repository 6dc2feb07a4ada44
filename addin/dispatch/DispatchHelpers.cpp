#include "DispatchHelpers.h"

namespace {

HRESULT FindMember(IDispatch* object, const wchar_t* name, DISPID* id)
{
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
}

HRESULT InvokeMember(IDispatch* object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result)
{
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, params, result, nullptr, nullptr);
}

bool IsPutByReference(VARTYPE type)
{
    return type == VT_DISPATCH || type == VT_UNKNOWN || (type & (VT_ARRAY | VT_BYREF)) != 0;
}

} // namespace

HRESULT CallMethod(IDispatch* object, const wchar_t* name, VARIANT* result, UINT argCount, VARIANT* args)
{
    if (!object)
        return E_POINTER;
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = FindMember(object, name, &id);
    if (FAILED(hr))
        return hr;
    DISPPARAMS params = {args, nullptr, argCount, 0};
    hr = InvokeMember(object, id, DISPATCH_METHOD, &params, result);
    if (FAILED(hr))
        hr = InvokeMember(object, id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, result);
    return hr;
}

HRESULT GetProperty(IDispatch* object, const wchar_t* name, VARIANT* result)
{
    return GetPropertyWithArgs(object, name, result, 0, nullptr);
}

HRESULT GetPropertyWithArgs(IDispatch* object, const wchar_t* name, VARIANT* result, UINT argCount,
                            VARIANT* args)
{
    if (!object)
        return E_POINTER;
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = FindMember(object, name, &id);
    if (FAILED(hr))
        return hr;
    DISPPARAMS params = {args, nullptr, argCount, 0};
    return InvokeMember(object, id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, result);
}

HRESULT PutProperty(IDispatch* object, const wchar_t* name, VARIANT* value)
{
    if (!object || !value)
        return E_POINTER;
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = FindMember(object, name, &id);
    if (FAILED(hr))
        return hr;
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {value, &putId, 1, 1};
    if (IsPutByReference(V_VT(value))) {
        hr = InvokeMember(object, id, DISPATCH_METHOD | DISPATCH_PROPERTYPUTREF, &params, nullptr);
        if (SUCCEEDED(hr))
            return hr;
    }
    return InvokeMember(object, id, DISPATCH_METHOD | DISPATCH_PROPERTYPUT, &params, nullptr);
}
