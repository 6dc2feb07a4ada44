// Late-bound calls into the host's object models (Office, Outlook,
// Redemption): every member is looked up by name at the moment of the call.
//
// None of the helpers adds or releases a reference or initialises or clears
// a VARIANT: the caller passes an empty result variant, owns what Invoke put
// into it and clears it. Arguments follow the IDispatch order: the last
// argument of the call is element 0. The helpers log nothing; the caller
// logs the HRESULT in its own words.
#pragma once

#include <windows.h>
#include <oaidl.h>

// A method with positional arguments. When the first Invoke fails, whatever
// its code, one more follows with DISPATCH_METHOD|DISPATCH_PROPERTYGET, so
// that a member the host exposes only as a property is reached too.
HRESULT CallMethod(IDispatch* object, const wchar_t* name, VARIANT* result, UINT argCount, VARIANT* args);

// A property without arguments.
HRESULT GetProperty(IDispatch* object, const wchar_t* name, VARIANT* result);

// An indexed or parameterised property.
HRESULT GetPropertyWithArgs(IDispatch* object, const wchar_t* name, VARIANT* result, UINT argCount,
                            VARIANT* args);

// Writes a property. Objects, arrays and references are first put by
// reference, then by value when the host refuses that.
HRESULT PutProperty(IDispatch* object, const wchar_t* name, VARIANT* value);
