// CollectRecipientAddresses and CollectSenderAddress against the MAPI
// doubles: the recipients' addresses joined by ";", and the SMTP address of
// an Exchange sender from Outlook's address book.
#include "OutlookPropertyReaders.h"

#include "FakeDispatch.h"
#include "LogTail.h"
#include "MapiTestFixture.h"
#include "mapi/FakeMapiSession.h"
#include "mapi/FakeMessage.h"
#include "outlook/FakeOutlook.h"

using namespace doubles;

namespace {

class RecipientAndSenderTest : public MapiDoublesTest
{
protected:
    void SetUp() override
    {
        MapiDoublesTest::SetUp();
        message = FakeMessage::Create();
        session = FakeMapiSession::Create();
        application = FakeOutlookApplication::Create(session);
    }
    void ReleaseHostObjects() override
    {
        application = nullptr;
        if (session)
            session->Release();
        if (message)
            message->Release();
        session = nullptr;
        message = nullptr;
    }

    std::string Value(const wchar_t* key) const
    {
        const wchar_t* value = properties.GetValue(key);
        return value ? ToUtf8(value) : std::string("(absent)");
    }

public:
    // Open to the tables of cases, which arrange them.
    FakeMessage* message = nullptr;
    FakeMapiSession* session = nullptr;
    FakeMailUser* user = nullptr; // held by the session's address book
    FakeDispatchPtr application;
    CPropertyCollection properties;
};

std::vector<PropValue> Recipient(const wchar_t* name, const wchar_t* email, LONG type = MAPI_TO)
{
    return {TextProp(PR_DISPLAY_NAME_W, name), TextProp(PR_EMAIL_ADDRESS_W, email), LongProp(PR_RECIPIENT_TYPE, type)};
}

TEST_F(RecipientAndSenderTest, RecipientsOfEveryTypeWithAnAtAreJoinedBySemicolons)
{
    struct Case {
        const char* name;
        std::vector<std::vector<PropValue>> recipients;
        const char* expected;
    };
    const Case cases[] = {
        {"three, the middle one without @",
         {Recipient(L"Anna", L"anna@example.com"), Recipient(L"Intern", L"/o=Firma/cn=Intern", MAPI_CC),
          Recipient(L"Bernd", L"bernd@example.org", MAPI_BCC)},
         "anna@example.com;bernd@example.org"},
        {"none", {}, ""},
        {"the SMTP column when the e-mail column has no @",
         {{TextProp(PR_EMAIL_ADDRESS_W, L"/o=Firma/cn=Chef"), TextProp(kPR_SMTP_ADDRESS_W, L"chef@firma.de")}},
         "chef@firma.de"},
        {"the first column with @ in column order",
         {{TextProp(kPR_SMTP_ADDRESS_W, L"first@firma.de"), TextProp(PR_EMAIL_ADDRESS_W, L"second@firma.de")}},
         "first@firma.de"},
        {"other columns with @ do not count", {{TextProp(PR_DISPLAY_NAME_W, L"x@y.z")}}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMessage* mail = FakeMessage::Create();
        for (const auto& recipient : c.recipients)
            mail->AddRecipient(recipient);
        CPropertyCollection collected;
        CollectRecipientAddresses(mail, &collected);
        mail->Release();
        ASSERT_NE(nullptr, collected.GetValue(L"OTL_MSG_TO_SMTP_ADDRESS"));
        EXPECT_EQ(c.expected, ToUtf8(collected.GetValue(L"OTL_MSG_TO_SMTP_ADDRESS")));
        EXPECT_EQ(1, collected.GetType(L"OTL_MSG_TO_SMTP_ADDRESS"));
    }
}

TEST_F(RecipientAndSenderTest, ARecipientTableThatFailsGivesWhatWasGatheredBefore)
{
    message->AddRecipient(Recipient(L"Anna", L"anna@example.com"));
    message->AddRecipient(Recipient(L"Bernd", L"bernd@example.org"));
    message->Script().Fail("GetRecipientTable", MAPI_E_NO_ACCESS);
    CollectRecipientAddresses(message, &properties);
    EXPECT_EQ("", Value(L"OTL_MSG_TO_SMTP_ADDRESS"));
}

struct SenderCase {
    const char* name;
    const wchar_t* addressType;
    bool inBook;
    bool bookHasSmtp;
    const char* expected;
};

TEST_F(RecipientAndSenderTest, AnExchangeSenderGetsTheAddressBooksSmtpAddress)
{
    const SenderCase cases[] = {
        {"SMTP keeps the mail's address", L"SMTP", true, true, "mail@table.de"},
        {"no address type keeps it", nullptr, true, true, "mail@table.de"},
        {"EX gets the SMTP address", L"EX", true, true, "chef@firma.de"},
        {"ex in lower case too", L"ex", true, true, "chef@firma.de"},
        {"eX in mixed case too", L"eX", true, true, "chef@firma.de"},
        {"EX without SMTP address gets the empty text", L"EX", true, false, ""},
    };
    const std::vector<BYTE> senderId = {0x00, 0x00, 0x00, 0x00, 0xDC, 0xA7};
    for (const SenderCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMapiSession* own = FakeMapiSession::Create();
        std::vector<PropValue> userProps = {TextProp(PR_DISPLAY_NAME_W, L"Chef")};
        if (c.bookHasSmtp)
            userProps.push_back(TextProp(kPR_SMTP_ADDRESS_W, L"chef@firma.de"));
        own->AddressBook()->AddEntry(senderId, userProps);
        FakeDispatchPtr outlook = FakeOutlookApplication::Create(own);
        FakeMessage* mail = FakeMessage::Create();
        mail->Set(BinaryProp(PR_SENDER_ENTRYID, senderId));
        CPropertyCollection collected;
        collected.Add(L"OTL_MSG_SENDER_EMAIL_ADDRESS", L"mail@table.de", 1);
        if (c.addressType)
            collected.Add(L"PR_SENDER_ADDRTYPE", c.addressType, 0);
        EXPECT_EQ(S_OK, CollectSenderAddress(outlook, mail, &collected));
        EXPECT_EQ(c.expected, ToUtf8(collected.GetValue(L"OTL_MSG_SENDER_EMAIL_ADDRESS")));
        EXPECT_EQ(1, collected.GetType(L"OTL_MSG_SENDER_EMAIL_ADDRESS"));
        mail->Release();
        outlook = nullptr;
        own->Release();
    }
}

TEST_F(RecipientAndSenderTest, EachFailingStepOfTheSenderRoadIsLoggedAndLeavesTheEmptyAddress)
{
    const std::vector<BYTE> senderId = {0x01, 0x02};
    struct Case {
        const char* name;
        std::function<void(RecipientAndSenderTest&)> arrange;
        HRESULT result;
        const char* log;
    };
    const Case cases[] = {
        {"no _Application", [](RecipientAndSenderTest& t) { t.application = FakeDispatch::Create(L"NotOutlook"); },
         E_NOINTERFACE, "[ERR] Can't get ApplicationPtr! hr = 0x80004002"},
        {"GetNamespace fails",
         [](RecipientAndSenderTest& t) { t.application->FailInvoke(L"GetNamespace", 0, E_ACCESSDENIED); },
         E_ACCESSDENIED, "[ERR] Can't get Namespace(MAPI) from Application! hr = 0x80070005"},
        {"no MAPIOBJECT", [](RecipientAndSenderTest& t) { t.application = FakeOutlookApplication::Create(nullptr); },
         DISP_E_TYPEMISMATCH, "[ERR] Can't get MAPIOBJECT from session! hr = 0x80020005"},
        {"MAPIOBJECT is no session",
         [](RecipientAndSenderTest& t) { t.application = FakeOutlookApplication::Create(t.message); }, E_NOINTERFACE,
         "[ERR] Can't get MAPISession from MAPIObject! hr = 0x80004002"},
        {"no address book",
         [](RecipientAndSenderTest& t) { t.session->Script().Fail("OpenAddressBook", MAPI_E_NO_ACCESS); },
         MAPI_E_NO_ACCESS, "[ERR] Can't open AddressBook from MAPISession! hr = 0x80070005"},
        {"no sender entry id", [](RecipientAndSenderTest& t) { t.message->Remove(PROP_ID(PR_SENDER_ENTRYID)); }, E_FAIL,
         "[ERR] Can't get valid ENTRYID Object from Mailitem!"},
        {"GetProps fails", [](RecipientAndSenderTest& t) { t.message->Script().Fail("GetProps", MAPI_E_CALL_FAILED); },
         MAPI_E_CALL_FAILED, "[ERR] Can't get ENTRYID Object from Mailitem! hr = 0x80004005"},
        {"unknown entry", [](RecipientAndSenderTest& t) { t.message->Set(BinaryProp(PR_SENDER_ENTRYID, {0x09})); },
         MAPI_E_UNKNOWN_ENTRYID, "[ERR] Can't open MailUser Object! hr = 0x80040201"},
        {"mail user fails GetProps",
         [](RecipientAndSenderTest& t) { t.user->Script().Fail("GetProps", MAPI_E_CALL_FAILED); }, MAPI_E_CALL_FAILED,
         "[ERR] Can't get PR_SMTP_ADDRESS from MailUser! hr = 0x80004005"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReleaseHostObjects();
        message = FakeMessage::Create();
        message->Set(BinaryProp(PR_SENDER_ENTRYID, senderId));
        session = FakeMapiSession::Create();
        user = session->AddressBook()->AddEntry(senderId, {TextProp(kPR_SMTP_ADDRESS_W, L"chef@firma.de")});
        application = FakeOutlookApplication::Create(session);
        c.arrange(*this);
        properties.Clear();
        properties.Add(L"PR_SENDER_ADDRTYPE", L"EX", 0);
        properties.Add(L"OTL_MSG_SENDER_EMAIL_ADDRESS", L"/o=Firma/cn=Chef", 1);
        LogTail log;
        EXPECT_EQ(c.result, CollectSenderAddress(application, message, &properties));
        EXPECT_EQ("", Value(L"OTL_MSG_SENDER_EMAIL_ADDRESS"));
        EXPECT_TRUE(log.Contains(FromUtf8(c.log))) << ToUtf8(log.Text());
    }
}

} // namespace
