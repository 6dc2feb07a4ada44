// CollectMailItemProperties against a mail object and its folder (here
// Redemption's): what each read adds, and that a failed read is logged and
// the others still go on.
#include "OutlookPropertyReaders.h"

#include "LogTail.h"
#include "MapiTestFixture.h"
#include "redemption/FakeRedemption.h"

using namespace doubles;

namespace {

class MailItemPropertiesTest : public MapiDoublesTest
{
protected:
    void SetUp() override
    {
        MapiDoublesTest::SetUp();
        RdoMailData data;
        data.entryId = L"00000000ABCDEF";
        data.subject = L"Angebot \u00c4nderung";
        data.to = L"Anna; Bernd";
        data.cc = L"Chef";
        data.bcc = L"";
        data.importance = 2;
        data.senderName = L"Dora";
        data.receivedTime = 44392.6; // 15 July 2021, 14:24 local
        mail = CreateRdoMail(data);
        folder = CreateRdoFolder({mail}, L"STORE01");
    }
    void ReleaseHostObjects() override
    {
        folder = nullptr;
        mail = nullptr;
    }
    std::string Value(const wchar_t* key) const
    {
        const wchar_t* value = properties.GetValue(key);
        return value ? ToUtf8(value) : std::string("(absent)");
    }

    FakeDispatchPtr mail;
    FakeDispatchPtr folder;
    CPropertyCollection properties;
};

TEST_F(MailItemPropertiesTest, EachReadAddsItsKeyWithItsValueType)
{
    ASSERT_EQ(0x0409u, GetUserDefaultLCID()) << "the date below is en-US";
    LogTail log;
    CollectMailItemProperties(folder, mail, &properties);
    struct Expected {
        const wchar_t* key;
        const char* value;
        int type;
    };
    const Expected expected[] = {
        {L"OTL_MSG_BCC", "", 1},
        {L"OTL_MSG_CC", "Chef", 1},
        {L"OTL_MSG_IMPORTANCE", "2", 1},
        {L"OTL_MSG_SUBJECT", "Angebot \xc3\x84nderung", 1},
        {L"OTL_MSG_TO", "Anna; Bernd", 1},
        {L"OTL_MSG_SENDERNAME", "Dora", 1},
        {L"OTL_MSG_RECIEVEDATE", "7/15/2021", 1},
        {L"PR_ENTRYID", "00000000ABCDEF", 0},
        {L"PR_STORE_ENTRYID", "STORE01", 0},
    };
    EXPECT_EQ(sizeof(expected) / sizeof(expected[0]), properties.Count());
    for (const Expected& e : expected) {
        EXPECT_EQ(e.value, Value(e.key)) << ToUtf8(e.key);
        EXPECT_EQ(e.type, properties.GetType(e.key)) << ToUtf8(e.key);
    }
    // The ids are logged under the members' names.
    EXPECT_TRUE(log.Contains(L"[INF] Collect MAPI property EntryID value 00000000ABCDEF")) << ToUtf8(log.Text());
    EXPECT_TRUE(log.Contains(L"[INF] Collect MAPI property StoreID value STORE01")) << ToUtf8(log.Text());
}

TEST_F(MailItemPropertiesTest, AFailedReadIsLoggedAddsNothingAndTheOthersGoOn)
{
    mail->FailInvoke(L"Subject", 0, E_ACCESSDENIED);
    folder->FailInvoke(L"StoreID", 0, MAPI_E_NOT_FOUND);
    LogTail log;
    CollectMailItemProperties(folder, mail, &properties);
    EXPECT_EQ("(absent)", Value(L"OTL_MSG_SUBJECT"));
    EXPECT_EQ("(absent)", Value(L"PR_STORE_ENTRYID"));
    EXPECT_EQ("Anna; Bernd", Value(L"OTL_MSG_TO"));
    EXPECT_EQ("00000000ABCDEF", Value(L"PR_ENTRYID"));
    EXPECT_TRUE(log.Contains(L"[ERR] Can't get property Subject from mail item! hr = 0x80070005"))
        << ToUtf8(log.Text());
    EXPECT_TRUE(log.Contains(L"[ERR] Can't get property StoreID from fodler item! hr = 0x8004010F"))
        << ToUtf8(log.Text());
}

TEST_F(MailItemPropertiesTest, ATextKeepsAtMost2047CharactersAndANullTextIsEmpty)
{
    std::wstring longTo(3000, L't');
    mail->SetProperty(L"To", _variant_t(longTo.c_str()));
    _variant_t nullText;
    V_VT(&nullText) = VT_BSTR;
    V_BSTR(&nullText) = nullptr;
    mail->SetProperty(L"CC", nullText);
    CollectMailItemProperties(folder, mail, &properties);
    EXPECT_EQ(std::string(2047, 't'), Value(L"OTL_MSG_TO"));
    EXPECT_EQ("", Value(L"OTL_MSG_CC"));
}

TEST_F(MailItemPropertiesTest, NothingHappensWithoutMailOrCollection)
{
    CollectMailItemProperties(folder, nullptr, &properties);
    CollectMailItemProperties(folder, mail, nullptr);
    EXPECT_EQ(0u, properties.Count());
    EXPECT_TRUE(mail->Calls().empty());
}

} // namespace
