// The document properties of an Office document turned into hand-off
// entries: the value types that count, the built-in names that are taken,
// and the walk going on past a property that cannot be read.
#include "DocumentProperties.h"
#include "FakeOffice.h"
#include "LogTail.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>
#include <string>

using namespace doubles;

namespace {

using Entries = std::map<std::wstring, std::wstring>;

_variant_t Date(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME when = {year, month, 0, day, hour, minute, second, 0};
    DATE date = 0;
    SystemTimeToVariantTime(&when, &date);
    _variant_t value;
    V_VT(&value) = VT_DATE;
    V_DATE(&value) = date;
    return value;
}

Entries EntriesOf(const CPropertyCollection& props)
{
    Entries entries;
    for (const auto& entry : props) {
        EXPECT_EQ(entry.second->GetType(), 1);
        entries[static_cast<const wchar_t*>(entry.first)] = static_cast<const wchar_t*>(entry.second->GetValue());
    }
    return entries;
}

class DocumentPropertiesTest : public testing::Test
{
protected:
    void SetUp() override
    {
        // Dates are written in the user's locale, which Wine keeps at 0409.
        ASSERT_EQ(GetUserDefaultLCID(), 0x409u);
    }
    void TearDown() override
    {
        collection = nullptr;
        EXPECT_EQ(FakeObjectCount(), 0);
    }

    void Copy(const std::vector<DocumentPropertySpec>& properties, int builtIn)
    {
        collection = MakeDocumentProperties(properties);
        _variant_t list(static_cast<IDispatch*>(collection), true);
        CopyProperties(&list, builtIn, &props);
    }

    FakeDispatchPtr collection;
    CPropertyCollection props;
    LogTail log;
};

TEST_F(DocumentPropertiesTest, BuiltInPassTakesTheTwelveNamesExactlyUnderMsoKeys)
{
    Copy({{L"Title", _variant_t(L"Angebot")},
          {L"Template", _variant_t(L"Normal.dotm")},
          {L"title", _variant_t(L"wrong case")},
          {L"Number of pages", _variant_t(3L)},
          {L"Last author", _variant_t(L"M\u00fcller")},
          {L"Creation date", Date(2024, 3, 5, 14, 7, 9)},
          {L"Last print date", _variant_t(), DISP_E_EXCEPTION},
          {L"Company", _variant_t(L"Kelvara")},
          {L"Number of pages ", _variant_t(9L)}},
         1);

    EXPECT_EQ(EntriesOf(props), (Entries{{L"MSO_COMPANY", L"Kelvara"},
                                         {L"MSO_CREATION_DATE", L"3/5/2024"},
                                         {L"MSO_CREATION_DATE_DATETIME", L"3/5/2024 2:07:09 PM"},
                                         {L"MSO_LAST_AUTHOR", L"M\u00fcller"},
                                         {L"MSO_NUMBER_OF_PAGES", L"3"},
                                         {L"MSO_TITLE", L"Angebot"}}));
    EXPECT_TRUE(log.Contains(L"[INF] Count of properties 9\n"));
    EXPECT_TRUE(log.Contains(L"[WRN] Can't get value of property Last print date 7 of 9!\n"));
    EXPECT_TRUE(log.Contains(L"[INF] Found property MSO_NUMBER_OF_PAGES typ 3\n"));
    EXPECT_TRUE(log.Contains(L"[INF] Collect property MSO_TITLE value Angebot\n"));
    // Names outside the table leave no trace.
    EXPECT_FALSE(log.Contains(L"Template"));
    EXPECT_FALSE(log.Contains(L"wrong case"));
}

TEST_F(DocumentPropertiesTest, EveryOneOfTheTwelveBuiltInNamesHasItsKey)
{
    const std::pair<const wchar_t*, const wchar_t*> names[] = {
        {L"Title", L"MSO_TITLE"},
        {L"Subject", L"MSO_SUBJECT"},
        {L"Author", L"MSO_AUTHOR"},
        {L"Keywords", L"MSO_KEYWORDS"},
        {L"Comments", L"MSO_COMMENTS"},
        {L"Last author", L"MSO_LAST_AUTHOR"},
        {L"Creation date", L"MSO_CREATION_DATE"},
        {L"Company", L"MSO_COMPANY"},
        {L"Last save time", L"MSO_LAST_SAVE_TIME"},
        {L"Number of pages", L"MSO_NUMBER_OF_PAGES"},
        {L"Category", L"MSO_CATEGORY"},
        {L"Last print date", L"MSO_LAST_PRINT_DATE"},
    };
    std::vector<DocumentPropertySpec> specs;
    Entries expected;
    for (const auto& name : names) {
        specs.push_back({name.first, _variant_t(name.first)});
        expected[name.second] = name.first;
    }
    Copy(specs, 1);
    EXPECT_EQ(EntriesOf(props), expected);
}

TEST_F(DocumentPropertiesTest, CustomPassKeepsNamesAndTakesTextsNumbersAndDatesOnly)
{
    Copy({{L"Kunde", _variant_t(L"Muster GmbH")},
          {L"Projekt Nr", _variant_t(-42L)},
          {L"Freigegeben", _variant_t(true)},
          {L"Betrag", _variant_t(12.5)},
          {L"Leer", _variant_t()},
          {L"Termin am", Date(2023, 12, 31, 9, 30, 0)}},
         0);

    EXPECT_EQ(EntriesOf(props), (Entries{{L"Kunde", L"Muster GmbH"},
                                         {L"Projekt Nr", L"-42"},
                                         {L"TERMIN_AM_DATETIME", L"12/31/2023 9:30:00 AM"},
                                         {L"Termin am", L"12/31/2023"}}));
    EXPECT_FALSE(log.Contains(L"[WRN]"));
}

// The date key is upper-cased for every letter, not only A to Z.
TEST_F(DocumentPropertiesTest, DateKeyOfANameWithUmlautsIsUpperCasedWholly)
{
    Copy({{L"Pr\u00fcfdatum \u00e4lter", Date(2023, 12, 31, 9, 30, 0)}}, 0);

    EXPECT_EQ(EntriesOf(props), (Entries{{L"PR\u00dcFDATUM_\u00c4LTER_DATETIME", L"12/31/2023 9:30:00 AM"},
                                         {L"Pr\u00fcfdatum \u00e4lter", L"12/31/2023"}}));
}

// The savers run the custom pass first: a built-in entry replaces a custom
// property of the same key.
TEST_F(DocumentPropertiesTest, BuiltInPassReplacesACustomPropertyOfTheSameKey)
{
    Copy({{L"MSO_TITLE", _variant_t(L"custom")}, {L"Kunde", _variant_t(L"A")}}, 0);
    Copy({{L"Title", _variant_t(L"built-in")}}, 1);
    EXPECT_EQ(EntriesOf(props), (Entries{{L"Kunde", L"A"}, {L"MSO_TITLE", L"built-in"}}));
}

TEST_F(DocumentPropertiesTest, PropertiesThatCannotBeReachedOrNamedAreSkipped)
{
    Copy({{L"Erste", _variant_t(L"1")},
          {L"Zweite", _variant_t(L"2"), S_OK, S_OK, DISP_E_BADINDEX},
          {L"Dritte", _variant_t(L"3"), S_OK, RPC_E_DISCONNECTED},
          {L"Vierte", _variant_t(L"4")}},
         0);
    EXPECT_EQ(EntriesOf(props), (Entries{{L"Erste", L"1"}, {L"Vierte", L"4"}}));
    EXPECT_TRUE(log.Contains(L"[WRN] Failed to access property 2 of 4!\n"));
    EXPECT_TRUE(log.Contains(L"[WRN] Can't get name of property 3 of 4!\n"));
}

TEST_F(DocumentPropertiesTest, EmptyOrUncountableCollectionsAddNothing)
{
    Copy({}, 0);
    EXPECT_TRUE(log.Contains(L"[WRN] Properties are not defined!\n"));

    collection = MakeDocumentProperties({{L"Kunde", _variant_t(L"A")}});
    collection->FailInvoke(L"Count", 0, RPC_E_SERVERFAULT);
    _variant_t list(static_cast<IDispatch*>(collection), true);
    CopyProperties(&list, 0, &props);
    EXPECT_TRUE(log.Contains(
        L"[ERR] CopyProperties: Can't get count property of document properties! hr = 0x80010105\n"));
    EXPECT_EQ(props.Count(), 0u);
}

TEST_F(DocumentPropertiesTest, MissingArgumentsAreRefused)
{
    _variant_t nothing;
    V_VT(&nothing) = VT_DISPATCH;
    V_DISPATCH(&nothing) = nullptr;
    CopyProperties(nullptr, 0, &props);
    CopyProperties(&nothing, 1, &props);
    collection = MakeDocumentProperties({{L"Kunde", _variant_t(L"A")}});
    _variant_t list(static_cast<IDispatch*>(collection), true);
    CopyProperties(&list, 0, nullptr);
    // A read that answered with something else than an object holds no
    // collection: its value must not be taken for one.
    _variant_t text(L"Eigenschaften");
    _variant_t number(0x1234L);
    CopyProperties(&text, 0, &props);
    CopyProperties(&number, 1, &props);
    EXPECT_EQ(log.Count(L") wrong function parameters!\n"), 5);
    EXPECT_TRUE(log.Contains(L"[ERR] CopyProperties(00000000, "));
    EXPECT_EQ(collection->CallCount(L"Count"), 0);
    EXPECT_EQ(props.Count(), 0u);
}

} // namespace
