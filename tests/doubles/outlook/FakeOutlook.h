// Outlook's objects as the capture reaches them, built on FakeDispatch:
// - an item of one of the message classes, answering the typed interface of
//   its class, with MessageClass, MAPIOBJECT (its MAPI message), Delete and
//   the properties a test gives it; mails also have Sent (true: received),
//   appointments IsRecurring, RecurrenceState and Parent (a single
//   appointment in its folder until MakeOccurrence). SaveAs writes a .msg
//   file at the path as Outlook's own save does: the MAPI message, or else
//   the item's Subject and Body; without a type (olMSG, 3) with its texts in
//   the ANSI code page, with olMSGUnicode (9) as they are; a type that is no
//   OlSaveAsType is refused;
// - the Application, answering _Application, whose Session and
//   GetNamespace("MAPI") give the MAPI name space with the session's
//   MAPIOBJECT;
// - a whole Outlook (FakeOutlookModel): the Application with its active
//   explorer (Selection, CurrentFolder), its Session and MAPI name space,
//   whose GetItemFromID finds the items of its stores until they are
//   deleted, and inspectors that show an item.
#pragma once

#include "FakeDispatch.h"

#include <oaidl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace doubles {

// Outlook's OlRecurrenceState.
const long RECURRENCE_NOT_RECURRING = 0;
const long RECURRENCE_MASTER = 1;
const long RECURRENCE_OCCURRENCE = 2;
const long RECURRENCE_EXCEPTION = 3;

// The typed interface of the items of a message class (null when Outlook
// has no item of that class among the capture's classes).
const IID* OutlookItemInterface(const wchar_t* messageClass);

class FakeOutlookItem
{
public:
    // An item of the class; mapiObject (may be null) is handed out as its
    // MAPIOBJECT, and a FakeMessage among them is what SaveAs writes.
    // onDelete (may be null) is what Delete does besides succeeding.
    static FakeDispatchPtr Create(const wchar_t* messageClass, IUnknown* mapiObject = nullptr,
                                  std::function<void()> onDelete = nullptr);

    // Makes master the master of a recurring series (IsRecurring true too,
    // its Parent still its folder) and member an occurrence (state 2) or an
    // exception (3) of it, whose Parent is the master.
    static void MakeOccurrence(FakeDispatch* master, FakeDispatch* member, long state = RECURRENCE_OCCURRENCE);
};

class FakeOutlookApplication
{
public:
    // Outlook (Name "Outlook", Version) whose MAPI name space hands out
    // session as its MAPIOBJECT.
    static FakeDispatchPtr Create(IUnknown* session, const wchar_t* version = L"16.0.0.17928");
};

class FakeOutlookModel
{
public:
    // Outlook of this version with one explorer, showing the folder
    // folderPath (entry id folderId) with nothing selected; session is the
    // name space's MAPIOBJECT (may be null).
    explicit FakeOutlookModel(IUnknown* session = nullptr, const wchar_t* version = L"16.0.0.17928",
                              const wchar_t* folderPath = L"\\\\Postfach\\Posteingang",
                              const wchar_t* folderId = L"00000000F0F0F0F001");
    ~FakeOutlookModel();
    FakeOutlookModel(const FakeOutlookModel&) = delete;
    FakeOutlookModel& operator=(const FakeOutlookModel&) = delete;

    FakeDispatch* Application() const;
    FakeDispatch* NameSpace() const;
    FakeDispatch* Explorer() const;
    FakeDispatch* Selection() const;
    FakeDispatch* CurrentFolder() const;

    // The explorer's selection from now on, in this order.
    void Select(const std::vector<FakeDispatchPtr>& items);

    // A new item in a store: GetItemFromID(entryId, storeId) finds it until
    // its Delete succeeds, which also calls onDeleted (may be null).
    FakeDispatchPtr AddToStore(const std::wstring& storeId, const std::wstring& entryId, const wchar_t* messageClass,
                               IUnknown* mapiObject = nullptr, std::function<void()> onDeleted = nullptr);
    // Whether the store still holds the item.
    bool InStore(const std::wstring& storeId, const std::wstring& entryId) const;

    // An inspector window showing the item (CurrentItem).
    static FakeDispatchPtr MakeInspector(IDispatch* item);

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace doubles
