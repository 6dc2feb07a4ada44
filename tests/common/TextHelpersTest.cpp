#include "TextHelpers.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(FormatSizeText, UnitsAreCutNotRounded)
{
    struct Case {
        const wchar_t* bytes;
        const wchar_t* text;
    } cases[] = {
        {L"0", L"0 bytes"},          {L"512", L"512 bytes"},     {L"1023", L"1023 bytes"},
        {L"1024", L"1.00 KB"},       {L"1536", L"1.50 KB"},      {L"1048575", L"1023.99 KB"},
        {L"1048576", L"1.00 MB"},    {L"1572864", L"1.50 MB"},   {L"2147483647", L"1.99 GB"},
        {L"1073741823", L"1023.99 MB"}, {L"abc", L"0 bytes"},
    };
    for (const Case& c : cases) {
        wchar_t buffer[32];
        EXPECT_EQ(buffer, FormatSizeText(c.bytes, buffer, _countof(buffer)));
        EXPECT_STREQ(c.text, buffer) << ToUtf8(c.bytes);
    }
    wchar_t small[5];
    FormatSizeText(L"1536", small, _countof(small));
    EXPECT_STREQ(L"1.50", small);
}

TEST(ParseDateText, Cases)
{
    struct Case {
        const wchar_t* text;
        WORD day, month, year;
        WORD result; // day of the week, 0 when rejected
    } cases[] = {
        {L"31.12.99", 31, 12, 1999, 5},  {L"010203", 1, 2, 2003, 6},  {L"1.2.2020", 1, 2, 2020, 6},
        {L"1.2.20", 1, 2, 0, 0},         {L"5/3/21", 5, 3, 1921, 6},  {L"05032021", 5, 3, 2021, 5},
        {L"1.2.19", 1, 2, 2019, 5},      {L"1.2.123", 1, 2, 0, 0},    {L"1.2", 1, 2, 0, 0},
        {L"", 0, 0, 0, 0},               {L"0102", 1, 2, 0, 0},
    };
    for (const Case& c : cases) {
        SYSTEMTIME date;
        WORD result = ParseDateText(&date, c.text);
        EXPECT_EQ(c.result, result) << ToUtf8(c.text);
        EXPECT_EQ(c.year, date.wYear) << ToUtf8(c.text);
        if (c.year) {
            EXPECT_EQ(c.day, date.wDay) << ToUtf8(c.text);
            EXPECT_EQ(c.month, date.wMonth) << ToUtf8(c.text);
            EXPECT_EQ(c.result, date.wDayOfWeek) << ToUtf8(c.text);
        } else {
            EXPECT_EQ(0xFFFF, date.wDayOfWeek) << ToUtf8(c.text);
        }
    }
}

TEST(ParseDateText, DateThatDoesNotExist)
{
    SYSTEMTIME date;
    EXPECT_EQ(0xFFFF, ParseDateText(&date, L"31.02.2021"));
    EXPECT_EQ(0xFFFF, date.wDayOfWeek);
}

TEST(GetDateText, SeparatorsPicturesAndPartialDates)
{
    SYSTEMTIME date = {};
    date.wYear = 2021;
    date.wMonth = 3;
    date.wDay = 5;
    wchar_t text[64];
    GetDateText(&date, L".", text, _countof(text));
    EXPECT_STREQ(L"05.03.2021", text);
    GetDateText(&date, L"", text, _countof(text));
    EXPECT_STREQ(L"05032021", text);
    // Two characters or more are a picture (digits only: no locale enters).
    GetDateText(&date, L"yyyy-MM-dd", text, _countof(text));
    EXPECT_STREQ(L"2021-03-05", text);
    GetDateText(&date, L".", text, 6);
    EXPECT_STREQ(L"05.03", text);

    date.wDay = 0;
    GetDateText(&date, L".", text, _countof(text));
    EXPECT_STREQ(L"03/2021", text);
    date.wMonth = 0;
    GetDateText(&date, L".", text, _countof(text));
    EXPECT_STREQ(L"2021", text);
    date.wYear = 0;
    GetDateText(&date, L".", text, _countof(text));
    EXPECT_STREQ(L"", text);
}

TEST(GetDateText, NullDateIsToday)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t expected[64];
    swprintf(expected, 64, L"%02u-%02u-%u", now.wDay, now.wMonth, now.wYear);
    wchar_t text[64];
    GetDateText(nullptr, L"-", text, _countof(text));
    EXPECT_STREQ(expected, text);
}

TEST(GetDayOfWeek, KnownDaysAndImpossibleDates)
{
    SYSTEMTIME date = {};
    date.wYear = 2024;
    date.wMonth = 2;
    date.wDay = 29;
    date.wHour = 23;
    EXPECT_EQ(4, GetDayOfWeek(&date));
    EXPECT_EQ(4, date.wDayOfWeek);
    date.wYear = 2023;
    EXPECT_EQ(0xFFFF, GetDayOfWeek(&date));
    EXPECT_EQ(0xFFFF, date.wDayOfWeek);

    FILETIME ft;
    SYSTEMTIME midnight = {};
    midnight.wYear = 2021;
    midnight.wMonth = 3;
    midnight.wDay = 5;
    midnight.wHour = 13;
    ASSERT_TRUE(DateToFileTime(&midnight, &ft));
    SYSTEMTIME back;
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    EXPECT_EQ(0, back.wHour);
    EXPECT_EQ(5, back.wDay);
}

TEST(JoinNamesThatFit, WholeNamesAndAClosingLineWhenSomeAreLeftOut)
{
    const std::vector<std::wstring> names = {L"a.pdf", L"bb.pdf", L"ccc.pdf"};
    struct {
        size_t maxChars;
        const wchar_t* joined;
    } cases[] = {
        {100, L"a.pdf\r\nbb.pdf\r\nccc.pdf"},
        {22, L"a.pdf\r\nbb.pdf\r\nccc.pdf"},
        // One short: the last name gives way to "...", and so must the second
        // when the line would not fit behind it.
        {21, L"a.pdf\r\nbb.pdf\r\n..."},
        {18, L"a.pdf\r\nbb.pdf\r\n..."},
        {17, L"a.pdf\r\n..."},
        {10, L"a.pdf\r\n..."},
        {9, L"..."},
        {3, L"..."},
        {2, L""},
    };
    for (const auto& c : cases) {
        std::wstring text = JoinNamesThatFit(names, c.maxChars);
        EXPECT_EQ(c.joined, text) << c.maxChars;
        EXPECT_LE(text.size(), c.maxChars);
    }
    EXPECT_EQ(L"", JoinNamesThatFit({}, 10));
}

TEST(JoinNamesThatFit, WholeNamesAndALineOfDotsForTheRest)
{
    struct Case {
        std::vector<std::wstring> names;
        size_t maxChars;
        const wchar_t* text;
    } cases[] = {
        {{}, 100, L""},
        {{L"a.pdf", L"b.msg"}, 100, L"a.pdf\r\nb.msg"},
        // Exactly full: no dots needed.
        {{L"abc", L"def"}, 8, L"abc\r\ndef"},
        // "def" would fit, but not together with the line for "ghi".
        {{L"abc", L"def", L"ghi"}, 12, L"abc\r\n..."},
        {{L"abc", L"def", L"ghi"}, 13, L"abc\r\ndef\r\nghi"},
        {{L"abc", L"def", L"ghi", L"jkl"}, 13, L"abc\r\ndef\r\n..."},
        // A name is never cut.
        {{L"Sehr langer Name.docx"}, 10, L"..."},
        {{L"abc"}, 2, L""},
    };
    for (const Case& c : cases) {
        std::wstring text = JoinNamesThatFit(c.names, c.maxChars);
        EXPECT_EQ(text, c.text) << c.maxChars;
        EXPECT_LE(text.size(), c.maxChars);
    }
}

} // namespace
