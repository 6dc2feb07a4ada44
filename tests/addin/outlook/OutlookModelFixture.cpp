#include "OutlookModelFixture.h"

#include "TempDir.h"
#include "mapi/MsgFileReader.h"

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

void ExpectOwnSave(FakeDispatch& item, const std::wstring& file, bool unicode, const std::wstring& subject)
{
    std::vector<Invocation> saves = item.CallsOf(L"SaveAs");
    ASSERT_EQ(1u, saves.size());
    EXPECT_EQ(DISPATCH_METHOD, saves[0].flags);
    ASSERT_EQ(2u, saves[0].args.size());
    EXPECT_EQ(_bstr_t(file.c_str()), _bstr_t(saves[0].args[0]));
    if (unicode) {
        EXPECT_EQ(VT_I4, V_VT(&saves[0].args[1]));
        EXPECT_EQ(9, V_I4(&saves[0].args[1]));
    } else {
        EXPECT_TRUE(IsMissing(saves[0].args[1]));
    }
    MsgFile msg;
    std::string error;
    ASSERT_TRUE(ReadMsgFile(file, &msg, &error)) << error;
    const PropValue* saved = msg.Find(PROP_ID(PR_SUBJECT_W));
    ASSERT_NE(nullptr, saved);
    EXPECT_EQ(unicode ? PT_UNICODE : PT_STRING8, saved->Type());
    if (unicode) {
        EXPECT_EQ(subject, saved->text);
    }
}
