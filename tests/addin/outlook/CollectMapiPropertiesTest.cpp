// CollectMapiProperties against a MAPI message double: the text form of
// each format, named properties, values fetched through their streams, and
// the rows that are left out with a warning while the others are read.
#include "OutlookPropertyReaders.h"

#include "LogTail.h"
#include "MapiTestFixture.h"
#include "mapi/FakeMessage.h"

using namespace doubles;

namespace {

const ULONG TAG_TEST_BINARY = PROP_TAG(PT_BINARY, 0x6601);
const ULONG TAG_TEST_TEXT = PROP_TAG(PT_UNICODE, 0x6602);
const ULONG TAG_TEST_LONG = PROP_TAG(PT_LONG, 0x6603);
const ULONG TAG_TEST_TIME = PROP_TAG(PT_SYSTIME, 0x6604);
const LONG LID_KNOWN = 0x8208;
const LONG LID_UNKNOWN = 0x8232;

MapiPropertyDef Row(const wchar_t* key, ULONG format, ULONG tag, LONG valueType = 1)
{
    return MapiPropertyDef{key, format, tag, nullptr, 0, valueType};
}

MapiPropertyDef NamedRow(const wchar_t* key, ULONG format, LONG lid)
{
    return MapiPropertyDef{key, format, 1, &PSETID_Appointment, static_cast<ULONG>(lid), 1};
}

const MapiPropertyDef END = {nullptr, 0, 0, nullptr, 0, 0};

class CollectMapiPropertiesTest : public MapiDoublesTest
{
protected:
    void SetUp() override
    {
        MapiDoublesTest::SetUp();
        message = FakeMessage::Create();
    }
    void ReleaseHostObjects() override
    {
        if (message)
            message->Release();
        message = nullptr;
    }

    void Collect(std::vector<MapiPropertyDef> rows)
    {
        rows.push_back(END);
        CollectMapiProperties(message, rows.data(), &properties);
    }
    std::string Value(const wchar_t* key) const
    {
        const wchar_t* value = properties.GetValue(key);
        return value ? ToUtf8(value) : std::string("(absent)");
    }
    // A property that GetProps cannot hand out, read through this stream.
    void StreamOnly(ULONG tag, std::function<IStream*()> stream)
    {
        message->Set(TextProp(tag, L"unused"));
        message->SetStreamOnly(PROP_ID(tag));
        message->SetStream(PROP_ID(tag), std::move(stream));
    }

    FakeMessage* message = nullptr;
    CPropertyCollection properties;
};

TEST_F(CollectMapiPropertiesTest, EachFormatHasItsTextForm)
{
    const ULONG TAG_BOOL = PROP_TAG(PT_BOOLEAN, 0x6605);
    const ULONG TAG_I2 = PROP_TAG(PT_I2, 0x6606);
    const ULONG TAG_DOUBLE = PROP_TAG(PT_DOUBLE, 0x6607);
    const ULONG TAG_FRACTION = PROP_TAG(PT_DOUBLE, 0x6608);
    const ULONG TAG_EMPTY = PROP_TAG(PT_BINARY, 0x6609);
    message->Set(BinaryProp(TAG_TEST_BINARY, {0x00, 0xAB, 0x10}));
    message->Set(BinaryProp(TAG_EMPTY, {}));
    message->Set(TextProp(TAG_TEST_TEXT, L"Gr\u00fc\u00dfe \u65e5\u672c"));
    message->Set(LongProp(TAG_TEST_LONG, -5));
    message->Set(I2Prop(TAG_I2, -2));
    message->Set(BoolProp(TAG_BOOL, true));
    message->Set(DoubleProp(TAG_DOUBLE, 50.0));
    message->Set(DoubleProp(TAG_FRACTION, 0.25));
    Collect({
        Row(L"BINARY", PT_BINARY, TAG_TEST_BINARY, 0),
        Row(L"EMPTY", PT_BINARY, TAG_EMPTY),
        Row(L"TEXT", PT_UNICODE, TAG_TEST_TEXT),
        Row(L"LONG", PT_LONG, TAG_TEST_LONG),
        Row(L"I2", PT_I2, TAG_I2),
        Row(L"BOOL", PT_BOOLEAN, TAG_BOOL),
        Row(L"DOUBLE", PT_DOUBLE, TAG_DOUBLE),
        Row(L"FRACTION", PT_DOUBLE, TAG_FRACTION),
    });
    EXPECT_EQ("00AB10", Value(L"BINARY"));
    EXPECT_EQ(0, properties.GetType(L"BINARY"));
    EXPECT_EQ("", Value(L"EMPTY"));
    EXPECT_EQ("Gr\xc3\xbc\xc3\x9f"
              "e \xe6\x97\xa5\xe6\x9c\xac",
              Value(L"TEXT"));
    EXPECT_EQ(1, properties.GetType(L"TEXT"));
    EXPECT_EQ("-5", Value(L"LONG"));
    EXPECT_EQ("-2", Value(L"I2"));
    EXPECT_EQ("1", Value(L"BOOL"));
    EXPECT_EQ("50", Value(L"DOUBLE"));
    EXPECT_EQ("0.25", Value(L"FRACTION"));
}

// The tests run with TZ=Europe/Berlin and the user locale 0409.
TEST_F(CollectMapiPropertiesTest, DatesAreLocalInTheUsersFormatsWithAndWithoutTime)
{
    ASSERT_EQ(0x0409u, GetUserDefaultLCID()) << "the dates below are en-US";
    TIME_ZONE_INFORMATION zone;
    ASSERT_NE(TIME_ZONE_ID_UNKNOWN, GetTimeZoneInformation(&zone)) << "the dates below are in Europe/Berlin";
    const ULONG TAG_WINTER = PROP_TAG(PT_SYSTIME, 0x660A);
    message->Set(TimeProp(TAG_TEST_TIME, UtcFileTime(2021, 7, 15, 12, 30, 5)));
    // 23:30 UTC is already the next day in Berlin.
    message->Set(TimeProp(TAG_WINTER, UtcFileTime(2021, 1, 5, 23, 30, 0)));
    Collect({
        Row(L"SUMMER", FORMAT_DATE_ONLY, TAG_TEST_TIME),
        Row(L"SUMMERDATETIME", PT_SYSTIME, TAG_TEST_TIME),
        Row(L"WINTER", FORMAT_DATE_ONLY, TAG_WINTER),
        Row(L"WINTERDATETIME", PT_SYSTIME, TAG_WINTER),
    });
    EXPECT_EQ("7/15/2021", Value(L"SUMMER"));
    EXPECT_EQ("7/15/2021 2:30:05 PM", Value(L"SUMMERDATETIME"));
    EXPECT_EQ("1/6/2021", Value(L"WINTER"));
    EXPECT_EQ("1/6/2021 12:30:00 AM", Value(L"WINTERDATETIME"));
    // Each key reads the property itself.
    EXPECT_EQ(4, message->Script().Calls("GetProps"));
}

// Run a second time with TZ=Asia/Tokyo: Windows reports a zone without
// daylight saving as TIME_ZONE_ID_UNKNOWN, and its dates are local all the same.
TEST_F(CollectMapiPropertiesTest, AZoneWithoutDaylightSavingGivesLocalDatesToo)
{
    TIME_ZONE_INFORMATION zone;
    if (GetTimeZoneInformation(&zone) != TIME_ZONE_ID_UNKNOWN || zone.Bias != -540)
        GTEST_SKIP() << "runs in Asia/Tokyo only";
    ASSERT_EQ(0x0409u, GetUserDefaultLCID()) << "the dates below are en-US";
    // 20:30 UTC is already the next morning in Tokyo.
    message->Set(TimeProp(TAG_TEST_TIME, UtcFileTime(2021, 1, 5, 20, 30, 0)));
    Collect({Row(L"DATE", FORMAT_DATE_ONLY, TAG_TEST_TIME), Row(L"DATETIME", PT_SYSTIME, TAG_TEST_TIME)});
    EXPECT_EQ("1/6/2021", Value(L"DATE"));
    EXPECT_EQ("1/6/2021 5:30:00 AM", Value(L"DATETIME"));
}

TEST_F(CollectMapiPropertiesTest, NamedPropertiesAreFoundInTheirSetAndUnknownOnesAreLeftOutWithOneWarning)
{
    message->SetNamed(PSETID_Appointment, LID_KNOWN, TextProp(PT_UNICODE, L"Raum 4"));
    // The same numeric id in another set is another property.
    message->SetNamed(PSETID_Task, LID_UNKNOWN, TextProp(PT_UNICODE, L"wrong set"));
    message->Set(LongProp(TAG_TEST_LONG, 7));
    LogTail log;
    Collect({
        NamedRow(L"UNKNOWN", PT_UNICODE, LID_UNKNOWN),
        NamedRow(L"LOCATION", PT_UNICODE, LID_KNOWN),
        Row(L"LONG", PT_LONG, TAG_TEST_LONG),
    });
    EXPECT_EQ("(absent)", Value(L"UNKNOWN"));
    EXPECT_EQ("Raum 4", Value(L"LOCATION"));
    EXPECT_EQ("7", Value(L"LONG"));
    EXPECT_EQ(1, log.Count(L"[WRN] "));
    EXPECT_TRUE(log.Contains(L"[WRN] Failed to get ID for CDO named property UNKNOWN! hr = 0x00040380"))
        << ToUtf8(log.Text());
    EXPECT_EQ(2, log.Count(L"[INF] CDO property set"));
}

TEST_F(CollectMapiPropertiesTest, AMissingPropertyIsLeftOutWithAWarningAndTheNextRowIsRead)
{
    message->Set(LongProp(TAG_TEST_LONG, 3));
    LogTail log;
    Collect({Row(L"MISSING", PT_UNICODE, TAG_TEST_TEXT), Row(L"LONG", PT_LONG, TAG_TEST_LONG)});
    EXPECT_EQ("(absent)", Value(L"MISSING"));
    EXPECT_EQ("3", Value(L"LONG"));
    EXPECT_TRUE(log.Contains(L"[WRN] Failed to open PT_ERROR MAPI property MISSING! hr = 0x8004010F"))
        << ToUtf8(log.Text());
}

TEST_F(CollectMapiPropertiesTest, ValuesTooLargeForGetPropsAreReadWholeThroughTheirStreams)
{
    std::wstring body(70000, L'x');
    body += L"\u00e4nde";
    std::vector<BYTE> bodyBytes(reinterpret_cast<const BYTE*>(body.data()),
                                reinterpret_cast<const BYTE*>(body.data() + body.size()));
    StreamOnly(TAG_TEST_TEXT, [bodyBytes] {
        StreamScript parts;
        parts.chunk = 4096;
        parts.sFalseAtEnd = true;
        return FakeMapiStream::Create(bodyBytes, parts);
    });
    std::vector<BYTE> key = {0xDE, 0xAD, 0x00, 0x01};
    StreamOnly(TAG_TEST_BINARY, [key] { return FakeMapiStream::Create(key); });
    Collect({Row(L"BODY", PT_UNICODE, TAG_TEST_TEXT), Row(L"KEY", PT_BINARY, TAG_TEST_BINARY)});
    EXPECT_EQ(ToUtf8(body), Value(L"BODY"));
    EXPECT_EQ("DEAD0001", Value(L"KEY"));
}

TEST_F(CollectMapiPropertiesTest, AStreamThatCannotBeReadWholeLeavesItsRowOutWithAWarning)
{
    struct Case {
        const char* name;
        std::function<IStream*()> stream;
        ULONG allocationLimit;
        const char* warning;
    };
    StreamScript statFails;
    statFails.statFailure = STG_E_ACCESSDENIED;
    StreamScript readFails;
    readFails.readFailure = STG_E_READFAULT;
    const Case cases[] = {
        {"size 4 GiB minus 2", [] { return FakeMapiStream::CreateOfSize(0xFFFFFFFEull, 'a'); },
         DEFAULT_ALLOCATION_LIMIT,
         "[WRN] Failed to determine size of value for PT_ERROR MAPI property TEXT! hr = 0x8007000E"},
        {"size beyond 4 GiB", [] { return FakeMapiStream::CreateOfSize(0x100000010ull, 'a'); },
         DEFAULT_ALLOCATION_LIMIT,
         "[WRN] Failed to determine size of value for PT_ERROR MAPI property TEXT! hr = 0x8007000E"},
        {"more than the allocator grants", [] { return FakeMapiStream::CreateOfSize(5000, 'a'); }, 4096,
         "[WRN] Failed to reallocate PT_ERROR MAPI property TEXT!\n"},
        {"Stat fails",
         [statFails] {
             return FakeMapiStream::Create({'a', 0}, statFails);
         },
         DEFAULT_ALLOCATION_LIMIT,
         "[WRN] Failed to determine size of value for PT_ERROR MAPI property TEXT! hr = 0x80030005"},
        {"Read fails",
         [readFails] {
             return FakeMapiStream::Create({'a', 0}, readFails);
         },
         DEFAULT_ALLOCATION_LIMIT, "[WRN] Failed to read PT_ERROR MAPI property TEXT! hr = 0x8003001E"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        properties.Clear();
        message->Set(LongProp(TAG_TEST_LONG, 9));
        StreamOnly(TAG_TEST_TEXT, c.stream);
        SetCountingAllocationLimit(c.allocationLimit);
        LogTail log;
        Collect({Row(L"TEXT", PT_UNICODE, TAG_TEST_TEXT), Row(L"LONG", PT_LONG, TAG_TEST_LONG)});
        SetCountingAllocationLimit(DEFAULT_ALLOCATION_LIMIT);
        EXPECT_EQ("(absent)", Value(L"TEXT"));
        EXPECT_EQ("9", Value(L"LONG"));
        EXPECT_TRUE(log.Contains(FromUtf8(c.warning))) << ToUtf8(log.Text());
    }
}

TEST_F(CollectMapiPropertiesTest, AStreamedTextEndsAtItsLastWholeCharacter)
{
    StreamOnly(TAG_TEST_TEXT, [] { return FakeMapiStream::Create({'O', 0, 'K', 0, '!'}); });
    Collect({Row(L"TEXT", PT_UNICODE, TAG_TEST_TEXT)});
    EXPECT_EQ("OK", Value(L"TEXT"));
}

TEST_F(CollectMapiPropertiesTest, AnErrorValueOfANumberRowAddsNothingEvenWhenItsStreamOpens)
{
    StreamOnly(TAG_TEST_LONG, [] { return FakeMapiStream::Create({1, 0, 0, 0}); });
    Collect({Row(L"LONG", PT_LONG, TAG_TEST_LONG)});
    EXPECT_EQ("(absent)", Value(L"LONG"));
}

TEST_F(CollectMapiPropertiesTest, AFailedGetPropsIsLoggedAndTheOtherRowsAreRead)
{
    message->Set(LongProp(TAG_TEST_LONG, 4));
    message->Set(TextProp(TAG_TEST_TEXT, L"da"));
    message->Script().Fail("GetProps", MAPI_E_CALL_FAILED, 1);
    LogTail log;
    Collect({Row(L"LONG", PT_LONG, TAG_TEST_LONG), Row(L"TEXT", PT_UNICODE, TAG_TEST_TEXT)});
    EXPECT_EQ("(absent)", Value(L"LONG"));
    EXPECT_EQ("da", Value(L"TEXT"));
    EXPECT_TRUE(log.Contains(L"[WRN] Failed to get MAPI property LONG! hr = 0x80004005")) << ToUtf8(log.Text());
}

TEST_F(CollectMapiPropertiesTest, TheAttachmentTableGivesValueTypeZeroToItsOtlKeys)
{
    FakeAttach* attach = message->AddAttachment({
        TextProp(PR_DISPLAY_NAME_W, L"Bericht.pdf"),
        LongProp(PR_ATTACH_SIZE, 40000),
        BinaryProp(PR_RECORD_KEY, {0x01, 0x02}),
        BoolProp(kPR_ATTACHMENT_HIDDEN, false),
    });
    CollectMapiProperties(attach, AttachmentPropertyDefs, &properties);
    EXPECT_EQ("Bericht.pdf", Value(L"OTL_ATTACHMENT_NAME"));
    EXPECT_EQ("40000", Value(L"OTL_ATTACHMENT_SIZE"));
    EXPECT_EQ("0102", Value(L"OTL_ATTACHMENT_KEY"));
    EXPECT_EQ("0", Value(L"OTL_ATTACHMENT_HIDDEN"));
    for (const wchar_t* key :
         {L"OTL_ATTACHMENT_NAME", L"OTL_ATTACHMENT_SIZE", L"OTL_ATTACHMENT_KEY", L"OTL_ATTACHMENT_HIDDEN"})
        EXPECT_EQ(0, properties.GetType(key));
}

TEST_F(CollectMapiPropertiesTest, NothingHappensWithoutObjectTableOrCollection)
{
    message->Set(LongProp(TAG_TEST_LONG, 4));
    MapiPropertyDef rows[] = {Row(L"LONG", PT_LONG, TAG_TEST_LONG), END};
    CollectMapiProperties(nullptr, rows, &properties);
    CollectMapiProperties(message, nullptr, &properties);
    CollectMapiProperties(message, rows, nullptr);
    EXPECT_EQ(0u, properties.Count());
    EXPECT_EQ(0, message->Script().Calls("GetProps"));
}

} // namespace
