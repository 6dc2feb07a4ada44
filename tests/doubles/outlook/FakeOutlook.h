// Outlook's objects as the capture reaches them, built on FakeDispatch:
// - an item of one of the message classes, answering the typed interface of
//   its class, with MessageClass, MAPIOBJECT (its MAPI message) and the
//   properties a test gives it; SaveAs writes a .msg file at the path as
//   Outlook's own save does (type left out: the message file format);
// - the Application, answering _Application, whose GetNamespace("MAPI")
//   gives the MAPI name space with the session's MAPIOBJECT.
#pragma once

#include "FakeDispatch.h"

#include <oaidl.h>

namespace doubles {

// The typed interface of the items of a message class (null when Outlook
// has no item of that class among the capture's classes).
const IID* OutlookItemInterface(const wchar_t* messageClass);

class FakeOutlookItem
{
public:
    // An item of the class; mapiObject (may be null) is handed out as its
    // MAPIOBJECT, and a FakeMessage among them is what SaveAs writes.
    static FakeDispatchPtr Create(const wchar_t* messageClass, IUnknown* mapiObject = nullptr);
};

class FakeOutlookApplication
{
public:
    // Outlook (Name "Outlook", Version) whose MAPI name space hands out
    // session as its MAPIOBJECT.
    static FakeDispatchPtr Create(IUnknown* session, const wchar_t* version = L"16.0.0.17928");
};

} // namespace doubles
