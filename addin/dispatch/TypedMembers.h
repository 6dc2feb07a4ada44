// Members of a host's typed (dual) interfaces, reached through that
// interface's IDispatch: the caller first asks the object for the
// interface id, then calls the member by name with exactly one Invoke, as a
// call through the interface's own table would be one call. Like the
// late-bound helpers, these add no reference, log nothing and leave the
// result variant to the caller; arguments follow the IDispatch order.
#pragma once

#include <windows.h>
#include <oaidl.h>

// QueryInterface for a typed interface, handed out as its IDispatch.
HRESULT QueryTypedInterface(IDispatch* object, REFIID iid, IDispatch** typed);

// A property read (DISPATCH_PROPERTYGET).
HRESULT GetTypedProperty(IDispatch* typed, const wchar_t* name, VARIANT* result);

// A property read with arguments (an indexed property such as Item).
HRESULT GetTypedPropertyWithArgs(IDispatch* typed, const wchar_t* name, VARIANT* result, UINT argCount,
                                 VARIANT* args);

// A method call (DISPATCH_METHOD).
HRESULT CallTypedMethod(IDispatch* typed, const wchar_t* name, VARIANT* result, UINT argCount, VARIANT* args);

// A property write (DISPATCH_PROPERTYPUT), the value put by value.
HRESULT PutTypedProperty(IDispatch* typed, const wchar_t* name, VARIANT* value);
