#include "OutlookModelFixture.h"

#include "TempDir.h"

using namespace doubles;

void OutlookDoubles::MakeOutlook(const wchar_t* version)
{
    if (!session)
        session = FakeMapiSession::Create();
    outlook.reset();
    outlook.reset(new FakeOutlookModel(session, version));
}

void OutlookDoubles::ReleaseOutlook()
{
    for (FakeDispatchPtr& item : items)
        item->ClearObjectProperties();
    items.clear();
    outlook.reset();
    for (FakeMessage* message : messages)
        message->Release();
    messages.clear();
    if (session)
        session->Release();
    session = nullptr;
}

FakeMessage* OutlookDoubles::NewMessage(const std::wstring& subject, std::vector<BYTE> entryId)
{
    FakeMessage* message = FakeMessage::Create();
    message->Set(TextProp(PR_SUBJECT_W, subject));
    message->Set(BinaryProp(PR_ENTRYID, entryId));
    message->Set(BinaryProp(PR_STORE_ENTRYID, {0x5E, 0x01}));
    messages.push_back(message);
    return message;
}

FakeDispatchPtr OutlookDoubles::NewItem(const wchar_t* messageClass, const std::wstring& subject)
{
    return Keep(FakeOutlookItem::Create(messageClass, NewMessage(subject)));
}

FakeDispatchPtr OutlookDoubles::Keep(const FakeDispatchPtr& item)
{
    items.push_back(item);
    return item;
}

void OutlookModelTest::SetUp()
{
    MapiDoublesTest::SetUp();
    MakeOutlook();
}

std::string ValueOf(const CPropertyCollection& properties, const wchar_t* key)
{
    const wchar_t* value = properties.GetValue(key);
    return value ? ToUtf8(value) : std::string("(absent)");
}

std::vector<std::wstring> KeysOf(const CPropertyCollection& properties)
{
    std::vector<std::wstring> keys;
    for (const auto& entry : properties)
        keys.push_back(static_cast<const wchar_t*>(entry.first));
    return keys;
}
