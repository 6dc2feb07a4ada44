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

// The doubles of one test's Outlook, for its fixture to hold.
class OutlookDoubles
{
public:
    // Outlook of this version (a new one in place of the last), with
    // nothing selected; its name space's MAPIOBJECT is the test's session.
    void MakeOutlook(const wchar_t* version = L"16.0.0.17928");
    // A message kept until the test's end: subject, entry id, store id.
    doubles::FakeMessage* NewMessage(const std::wstring& subject, std::vector<BYTE> entryId = {0x00, 0xAB, 0x10});
    // An item of the class whose MAPIOBJECT is a new message of that subject.
    doubles::FakeDispatchPtr NewItem(const wchar_t* messageClass, const std::wstring& subject);
    // An item kept until the test's end.
    doubles::FakeDispatchPtr Keep(const doubles::FakeDispatchPtr& item);
    // Lets go of Outlook, the items, the messages and the session.
    void ReleaseOutlook();

    // Open to the tables of cases, which arrange them.
    std::unique_ptr<doubles::FakeOutlookModel> outlook;
    doubles::FakeMapiSession* session = nullptr;
    std::vector<doubles::FakeMessage*> messages;
    std::vector<doubles::FakeDispatchPtr> items;
};

class OutlookModelTest : public MapiDoublesTest, public OutlookDoubles
{
protected:
    void SetUp() override;
    void ReleaseHostObjects() override { ReleaseOutlook(); }
};

// Checks Outlook's one own save of item at file: type 9 (olMSGUnicode) with
// the subject kept in the file, or the type left out and the subject in
// 8-bit text (olMSG).
void ExpectOwnSave(doubles::FakeDispatch& item, const std::wstring& file, bool unicode, const std::wstring& subject);

// The value of a key, "(absent)" when the collection has none.
std::string ValueOf(const CPropertyCollection& properties, const wchar_t* key);
// The keys of a collection, in its order.
std::vector<std::wstring> KeysOf(const CPropertyCollection& properties);
