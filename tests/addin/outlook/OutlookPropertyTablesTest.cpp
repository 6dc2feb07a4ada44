// The property tables and the message classes, row by row against the
// expected tables in OutlookPropertyTables.txt (the hand-off's keys, formats,
// properties and value types), read from that file rather than restated.
#include "OutlookPropertyTables.h"

#include "OberlaneStandin.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <mapidefs.h>
#include <mapitags.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace {

struct ExpectedRow {
    std::string key;
    std::string format;
    bool named = false;
    unsigned long tag = 0;
    std::string set;
    unsigned long lid = 0;
    std::string tagName;
    long valueType = -1;
    std::string line;
};

struct ExpectedTables {
    std::map<std::string, std::vector<ExpectedRow>> tables;
    std::vector<std::pair<std::string, std::string>> classes;
};

std::string ExpectedFile()
{
    const char* source = std::getenv("KQ_SOURCE_DIR");
    std::wstring path = UnixToWindowsPath(source ? source : "") + L"\\tests\\addin\\outlook\\OutlookPropertyTables.txt";
    return ReadFileBytes(path);
}

ExpectedTables ReadExpected()
{
    ExpectedTables expected;
    std::istringstream in(ExpectedFile());
    std::string line;
    std::string table;
    std::string tableSet;
    const std::regex heading(R"re(^\[(\w+)\](?: set=(\w+))?$)re");
    const std::regex row(
        R"re(^\| "([^"]+)" \| `(\w+)` \| (?:(?:`(\w+)` )?LID (0x[0-9A-F]+)|tag (0x[0-9A-F]+) \(`(\w+)`\)) \| (\d) \|$)re");
    const std::regex classRow(R"re(^\| "([^"]+)" \| ([\w-]+) \|$)re");
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_match(line, m, heading)) {
            table = m[1];
            tableSet = m[2];
        } else if (table == "classes" && std::regex_match(line, m, classRow)) {
            expected.classes.emplace_back(m[1], m[2]);
        } else if (std::regex_match(line, m, row)) {
            ExpectedRow r;
            r.key = m[1];
            r.format = m[2];
            r.named = m[4].matched;
            r.set = m[3].matched ? std::string(m[3]) : tableSet;
            r.lid = r.named ? std::stoul(m[4], nullptr, 16) : 0;
            r.tag = r.named ? 0 : std::stoul(m[5], nullptr, 16);
            r.tagName = m[6];
            r.valueType = std::stol(m[7]);
            r.line = line;
            expected.tables[table].push_back(r);
        } else if (!line.empty() && line[0] == '|') {
            ADD_FAILURE() << "unreadable expected row: " << line;
        }
    }
    return expected;
}

std::string Narrow(const wchar_t* text)
{
    return text ? ToUtf8(text) : std::string("(null)");
}

const std::map<std::string, const MapiPropertyDef*>& TablesByName()
{
    static const std::map<std::string, const MapiPropertyDef*> tables = {
        {"MailPropertyDefs", MailPropertyDefs},
        {"ContactPropertyDefs", ContactPropertyDefs},
        {"StickyNotePropertyDefs", StickyNotePropertyDefs},
        {"JournalPropertyDefs", JournalPropertyDefs},
        {"AppointmentPropertyDefs", AppointmentPropertyDefs},
        {"MeetingResponsePropertyDefs", MeetingResponsePropertyDefs},
        {"TaskPropertyDefs", TaskPropertyDefs},
        {"TaskRequestPropertyDefs", TaskRequestPropertyDefs},
        {"AttachmentPropertyDefs", AttachmentPropertyDefs},
    };
    return tables;
}

unsigned long FormatValue(const std::string& name)
{
    static const std::map<std::string, unsigned long> formats = {
        {"PT_BINARY", PT_BINARY}, {"PT_UNICODE", PT_UNICODE}, {"PT_LONG", PT_LONG},       {"PT_I2", PT_I2},
        {"PT_DOUBLE", PT_DOUBLE}, {"PT_BOOLEAN", PT_BOOLEAN}, {"PT_SYSTIME", PT_SYSTIME}, {"FORMAT_DATE_ONLY", 0x0041},
    };
    auto found = formats.find(name);
    return found == formats.end() ? 0xFFFFFFFF : found->second;
}

const GUID* SetValue(const std::string& name)
{
    static const std::map<std::string, GUID> sets = {
        {"PSETID_Address", {0x00062004, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}},
        {"PSETID_Appointment", {0x00062002, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}},
        {"PSETID_Task", {0x00062003, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}},
        {"PSETID_Common", {0x00062008, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}},
        {"PSETID_Log", {0x0006200A, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}},
    };
    auto found = sets.find(name);
    return found == sets.end() ? nullptr : &found->second;
}

// The tags the expected rows name, as MAPI's headers define them: the
// number in a row and its name must agree.
unsigned long MapiTagOfName(const std::string& name)
{
    static const std::map<std::string, unsigned long> tags = {
        {"PR_ENTRYID", PR_ENTRYID},
        {"PR_STORE_ENTRYID", PR_STORE_ENTRYID},
        {"PR_SENDER_ENTRYID", PR_SENDER_ENTRYID},
        {"PR_SENDER_ADDRTYPE_W", PR_SENDER_ADDRTYPE_W},
        {"PR_DISPLAY_BCC_W", PR_DISPLAY_BCC_W},
        {"PR_DISPLAY_CC_W", PR_DISPLAY_CC_W},
        {"PR_IMPORTANCE", PR_IMPORTANCE},
        {"PR_SUBJECT_W", PR_SUBJECT_W},
        {"PR_DISPLAY_TO_W", PR_DISPLAY_TO_W},
        {"PR_SENDER_NAME_W", PR_SENDER_NAME_W},
        {"PR_SENDER_EMAIL_ADDRESS_W", PR_SENDER_EMAIL_ADDRESS_W},
        {"PR_MESSAGE_DELIVERY_TIME", PR_MESSAGE_DELIVERY_TIME},
        {"PR_BIRTHDAY", PR_BIRTHDAY},
        {"PR_HOME_TELEPHONE_NUMBER_W", PR_HOME_TELEPHONE_NUMBER_W},
        {"PR_BUSINESS_TELEPHONE_NUMBER_W", PR_BUSINESS_TELEPHONE_NUMBER_W},
        {"PR_MOBILE_TELEPHONE_NUMBER_W", PR_MOBILE_TELEPHONE_NUMBER_W},
        {"PR_DEPARTMENT_NAME_W", PR_DEPARTMENT_NAME_W},
        {"PR_GIVEN_NAME_W", PR_GIVEN_NAME_W},
        {"PR_DISPLAY_NAME_W", PR_DISPLAY_NAME_W},
        {"PR_SURNAME_W", PR_SURNAME_W},
        {"PR_TITLE_W", PR_TITLE_W},
        {"PR_BODY_W", PR_BODY_W},
        {"PR_START_DATE", PR_START_DATE},
        {"PR_END_DATE", PR_END_DATE},
        {"PR_ATTACH_SIZE", PR_ATTACH_SIZE},
        {"PR_RECORD_KEY", PR_RECORD_KEY},
        // Not in MinGW's headers: Outlook's hidden-attachment flag.
        {"PR_ATTACHMENT_HIDDEN", PROP_TAG(PT_BOOLEAN, 0x7FFE)},
    };
    auto found = tags.find(name);
    return found == tags.end() ? 0 : found->second;
}

TEST(OutlookPropertyTablesTest, EveryTableHoldsTheExpectedRowsInOrderAndEndsThere)
{
    ExpectedTables expected = ReadExpected();
    ASSERT_EQ(TablesByName().size(), expected.tables.size()) << "expected tables not read";
    for (const auto& entry : TablesByName()) {
        SCOPED_TRACE(entry.first);
        const std::vector<ExpectedRow>& rows = expected.tables[entry.first];
        const MapiPropertyDef* table = entry.second;
        size_t count = 0;
        while (table[count].key)
            ++count;
        ASSERT_EQ(rows.size(), count);
        for (size_t i = 0; i < rows.size(); ++i) {
            const ExpectedRow& want = rows[i];
            const MapiPropertyDef& got = table[i];
            SCOPED_TRACE(want.line);
            EXPECT_EQ(want.key, Narrow(got.key));
            EXPECT_EQ(FormatValue(want.format), got.format);
            EXPECT_EQ(want.valueType, got.valueType);
            if (want.named) {
                ASSERT_NE(nullptr, got.propertySet);
                ASSERT_NE(nullptr, SetValue(want.set)) << "no set for a named row";
                EXPECT_TRUE(IsEqualGUID(*SetValue(want.set), *got.propertySet));
                EXPECT_EQ(want.lid, got.lid);
                EXPECT_EQ(1u, got.tag);
            } else {
                EXPECT_EQ(nullptr, got.propertySet);
                EXPECT_EQ(want.tag, got.tag);
                EXPECT_EQ(want.tag, MapiTagOfName(want.tagName)) << "number and name of the tag disagree";
                EXPECT_EQ(0u, got.lid);
            }
        }
    }
}

TEST(OutlookPropertyTablesTest, TheClassesComeInOrderEachWithItsTable)
{
    ExpectedTables expected = ReadExpected();
    ASSERT_EQ(OUTLOOK_MESSAGE_CLASS_COUNT, expected.classes.size());
    for (size_t i = 0; i < expected.classes.size(); ++i) {
        const std::string& name = expected.classes[i].first;
        const std::string& table = expected.classes[i].second;
        SCOPED_TRACE(name);
        EXPECT_EQ(name, Narrow(OutlookMessageClasses[i]));
        std::wstring wide = FromUtf8(name);
        const MapiPropertyDef* want = table == "-" ? nullptr : TablesByName().at(table);
        EXPECT_EQ(want, PropertyTableForMessageClass(wide.c_str()));
        EXPECT_EQ(static_cast<int>(i), FindOutlookMessageClass(wide.c_str()));
    }
}

TEST(OutlookPropertyTablesTest, AClassIsComparedWholeWithoutRegardToCase)
{
    struct Case {
        const wchar_t* messageClass;
        const MapiPropertyDef* table;
        int index;
    };
    const Case cases[] = {
        {L"ipm.note", MailPropertyDefs, 0},
        {L"IPM.SCHEDULE.MEETING.RESP.POS", MeetingResponsePropertyDefs, 8},
        {L"IPM.Note.MyCustomForm", nullptr, -1},
        {L"IPM.Not", nullptr, -1},
        {L"", nullptr, -1},
        {nullptr, nullptr, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.messageClass));
        EXPECT_EQ(c.table, PropertyTableForMessageClass(c.messageClass));
        EXPECT_EQ(c.index, FindOutlookMessageClass(c.messageClass));
    }
}

} // namespace
