// Outlook's object model around the MAPI doubles: an Outlook with its
// explorer, selection, name space and stores, items whose MAPIOBJECT is a
// message of the doubles, and every one of them gone at the test's end.
#pragma once

#include "MapiTestFixture.h"
#include "PropertyCollection.h"
#include "mapi/FakeMapiSession.h"
#include "mapi/FakeMessage.h"
#include "outlook/FakeOutlook.h"

#include <memory>
#include <string>
#include <vector>

class OutlookModelTest : public MapiDoublesTest
{
protected:
    void SetUp() override;
    void ReleaseHostObjects() override;
    // Outlook of another version, with nothing selected.
    void StartOutlook(const wchar_t* version);

    // A message kept until the test's end: subject, entry id, store id.
    doubles::FakeMessage* NewMessage(const std::wstring& subject, std::vector<BYTE> entryId = {0x00, 0xAB, 0x10});
    // An item of the class whose MAPIOBJECT is a new message of that subject.
    doubles::FakeDispatchPtr NewItem(const wchar_t* messageClass, const std::wstring& subject);
    // An item kept until the test's end.
    doubles::FakeDispatchPtr Keep(const doubles::FakeDispatchPtr& item);

public:
    // Open to the tables of cases, which arrange them.
    std::unique_ptr<doubles::FakeOutlookModel> outlook;
    doubles::FakeMapiSession* session = nullptr;
    std::vector<doubles::FakeMessage*> messages;
    std::vector<doubles::FakeDispatchPtr> items;
};

// The value of a key, "(absent)" when the collection has none.
std::string ValueOf(const CPropertyCollection& properties, const wchar_t* key);
// The keys of a collection, in its order.
std::vector<std::wstring> KeysOf(const CPropertyCollection& properties);
