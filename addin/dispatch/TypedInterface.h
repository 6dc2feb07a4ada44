// Members of a host's typed (dual) interface, called by name through that
// interface's IDispatch. The object is first asked for the interface's
// documented id; each member is then reached with exactly one Invoke under
// the access its typed declaration has, as a call through the interface's
// vtable would be: a method as DISPATCH_METHOD, a property read as
// DISPATCH_PROPERTYGET, a property write as DISPATCH_PROPERTYPUT.
//
// Arguments are passed in call order (the first argument first); an
// optional argument left out is the "missing" variant.
#pragma once

#include "ComSupport.h"

#include <initializer_list>

// The object's interface iid as an IDispatch (a reference of its own).
// A null object gives E_POINTER.
HRESULT QueryTypedInterface(IUnknown* object, REFIID iid, IDispatchPtr& typed);

HRESULT TypedCall(IDispatch* object, const wchar_t* name, VARIANT* result,
                  std::initializer_list<_variant_t> args = {});
HRESULT TypedGet(IDispatch* object, const wchar_t* name, VARIANT* result,
                 std::initializer_list<_variant_t> args = {});
HRESULT TypedPut(IDispatch* object, const wchar_t* name, const _variant_t& value);

// A typed property read of a number (converted to a 32-bit integer), a
// text, or an object. An object property that holds Nothing gives S_OK and
// a null pointer; a value of another kind gives DISP_E_TYPEMISMATCH.
HRESULT TypedGetLong(IDispatch* object, const wchar_t* name, long* value);
HRESULT TypedGetText(IDispatch* object, const wchar_t* name, _bstr_t& text);
HRESULT TypedGetObject(IDispatch* object, const wchar_t* name, IDispatchPtr& value,
                       std::initializer_list<_variant_t> args = {});

// The object held in a result variant: S_OK with a null pointer for Nothing
// (VT_EMPTY, VT_NULL or a null VT_DISPATCH), DISP_E_TYPEMISMATCH for a value
// that is no object.
HRESULT ObjectFromVariant(const VARIANT& value, IDispatchPtr& object);

// The "missing" variant for an optional argument left out.
_variant_t MissingArgument();
