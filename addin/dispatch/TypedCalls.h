// Calls of a host's typed-interface members (TypedMembers.h) as the legacy
// command bars and the window callbacks make them: arguments in call order
// (the first argument first), an optional argument left out as the
// "missing" variant, and values read back as numbers, texts or objects.
#pragma once

#include "ComSupport.h"
#include "TypedMembers.h"

#include <initializer_list>

HRESULT TypedCall(IDispatch* typed, const wchar_t* name, VARIANT* result,
                  std::initializer_list<_variant_t> args = {});
HRESULT TypedGet(IDispatch* typed, const wchar_t* name, VARIANT* result,
                 std::initializer_list<_variant_t> args = {});
HRESULT TypedPut(IDispatch* typed, const wchar_t* name, const _variant_t& value);

// A typed property read of a number (converted to a 32-bit integer), a
// text, or an object. An object property that holds Nothing gives S_OK and
// a null pointer; a value of another kind gives DISP_E_TYPEMISMATCH.
HRESULT TypedGetLong(IDispatch* typed, const wchar_t* name, long* value);
HRESULT TypedGetText(IDispatch* typed, const wchar_t* name, _bstr_t& text);
HRESULT TypedGetObject(IDispatch* typed, const wchar_t* name, IDispatchPtr& value,
                       std::initializer_list<_variant_t> args = {});

// The object held in a result variant: S_OK with a null pointer for Nothing
// (VT_EMPTY, VT_NULL or a null VT_DISPATCH), DISP_E_TYPEMISMATCH for a value
// that is no object.
HRESULT ObjectFromVariant(const VARIANT& value, IDispatchPtr& object);

// The "missing" variant for an optional argument left out.
_variant_t MissingArgument();
