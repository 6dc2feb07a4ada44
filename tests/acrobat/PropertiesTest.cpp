// The plug-in's properties, linked into this program: XMP read through
// MSXML, dates rewritten to UTC, the temporary properties ini file, and the
// small text helpers.
#include "ArchiveCommands.h"
#include "PluginLog.h"
#include "PluginProperties.h"
#include "TextSplit.h"
#include "VariantText.h"
#include "XmpDate.h"

#include "ScopedTempFolder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(FormatXmpDate, RewritesValidDatesToUtcAndKeepsEverythingElse)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"2009-06-15T10:20:30Z", "15.06.2009 10:20:30"},
        {"2009-06-15T10:20:30+01:00", "15.06.2009 09:20:30"},
        {"2009-06-15T10:20:30-05:30", "15.06.2009 15:50:30"},
        {"2009-06-15T01:10:00+02:00", "14.06.2009 23:10:00"},
        {"2008-03-01T00:30:00+01:00", "29.02.2008 23:30:00"},
        {"2100-03-01T00:30:00+01:00", "28.02.2100 23:30:00"},
        {"2007-12-31T23:30:00-01:00", "01.01.2008 00:30:00"},
        {"2009-06-15T23:50:00-00:15", "16.06.2009 00:05:00"},
        {"2009-06-15T10:20:30+14:59", "14.06.2009 19:21:30"},
        // Not of the form, or out of range: unchanged.
        {"2009-06-15", "2009-06-15"},
        {"2009-06-15T10:20:30.25+02:00", "2009-06-15T10:20:30.25+02:00"},
        {"2009-06-15 10:20:30+02:00", "2009-06-15 10:20:30+02:00"},
        {"2009-13-15T10:20:30+01:00", "2009-13-15T10:20:30+01:00"},
        {"2009-02-29T10:20:30Z", "2009-02-29T10:20:30Z"},
        {"2009-06-15T24:00:00+01:00", "2009-06-15T24:00:00+01:00"},
        {"2009-06-15T10:60:00+01:00", "2009-06-15T10:60:00+01:00"},
        {"2009-06-15T10:20:30+15:00", "2009-06-15T10:20:30+15:00"},
        {"2009-06-15T10:20:30+01:60", "2009-06-15T10:20:30+01:60"},
        {"2009-06-15T10:20:30+-5:00", "2009-06-15T10:20:30+-5:00"},
        {"2009-06-15T10:20:30+xx:yy", "2009-06-15T10:20:30+xx:yy"},
        {"9999-12-31T23:30:00-01:00", "9999-12-31T23:30:00-01:00"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.out, FormatXmpDate(c.in)) << c.in;
}

TEST(FormatXmpDate, DaysInMonthKnowsLeapYears)
{
    EXPECT_EQ(29, DaysInMonth(2, 2008));
    EXPECT_EQ(28, DaysInMonth(2, 1900));
    EXPECT_EQ(29, DaysInMonth(2, 2000));
    EXPECT_EQ(28, DaysInMonth(2, 2009));
    EXPECT_EQ(31, DaysInMonth(12, 2009));
    EXPECT_EQ(30, DaysInMonth(4, 2009));
    EXPECT_EQ(0, DaysInMonth(13, 2009));
}

std::wstring Xmp(const std::wstring& descriptions)
{
    return L"<?xpacket begin='\xFEFF' id='W5M0MpCehiHzreSzNTczkc9d'?>"
           L"<x:xmpmeta xmlns:x='adobe:ns:meta/'>"
           L"<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>" +
           descriptions + L"</rdf:RDF></x:xmpmeta><?xpacket end='w'?>";
}

const wchar_t kNamespaces[] = L" xmlns:dc='http://purl.org/dc/elements/1.1/'"
                              L" xmlns:pdf='http://ns.adobe.com/pdf/1.3/'"
                              L" xmlns:xap='http://ns.adobe.com/xap/1.0/'";

std::map<std::wstring, std::wstring> Values(const CPluginPropertyMap& map)
{
    std::map<std::wstring, std::wstring> values;
    for (const auto& entry : map.Entries())
        values[entry.first] = entry.second.value;
    return values;
}

TEST(XmpProperties, TakesTheFirstEntryOfListsAndSkipsWhatIsMissing)
{
    CPluginPropertyMap map;
    KVMXAddProps(Xmp(std::wstring(L"<rdf:Description rdf:about=''") + kNamespaces +
                     L">"
                     L"<dc:format>application/pdf</dc:format>"
                     L"<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>Angebot 4711</rdf:li>"
                     L"<rdf:li xml:lang='de'>Zweiter Titel</rdf:li></rdf:Alt></dc:title>"
                     L"<dc:subject><rdf:Bag><rdf:li>Angebot</rdf:li><rdf:li>2009</rdf:li></rdf:Bag></dc:subject>"
                     L"<dc:creator><rdf:Seq><rdf:li>Erika Muster</rdf:li></rdf:Seq></dc:creator>"
                     L"<pdf:Producer>Distiller 9</pdf:Producer>"
                     L"<xap:CreateDate>2009-06-15T10:20:30+02:00</xap:CreateDate>"
                     L"<xap:ModifyDate>2009-06-15T10:20:30Z</xap:ModifyDate>"
                     L"<xap:MetadataDate>2009-06-15T10:20:30-05:30</xap:MetadataDate>"
                     L"<xap:Nickname>2009-06-15T10:20:30Z</xap:Nickname>"
                     L"<dc:rights><rdf:Seq></rdf:Seq></dc:rights>"
                     L"<dc:description><rdf:Alt>kein Eintrag</rdf:Alt></dc:description>"
                     L"<dc:type><rdf:Bag><rdf:li/></rdf:Bag></dc:type>"
                     L"<dc:source><rdf:Bag><dc:other>x</dc:other></rdf:Bag></dc:source>"
                     L"<dc:contributor/>"
                     L"<dc:coverage><x:inner>y</x:inner></dc:coverage>"
                     L"</rdf:Description>")
                     .c_str(),
                 map);
    std::map<std::wstring, std::wstring> values = Values(map);
    EXPECT_EQ(L"application/pdf", values[L"mimeType"]);
    EXPECT_EQ(L"application/pdf", values[L"dc:format"]);
    EXPECT_EQ(L"Angebot 4711", values[L"dc:title"]);
    EXPECT_EQ(L"Angebot", values[L"dc:subject"]);
    EXPECT_EQ(L"Erika Muster", values[L"dc:creator"]);
    EXPECT_EQ(L"Distiller 9", values[L"pdf:Producer"]);
    EXPECT_EQ(L"15.06.2009 08:20:30", values[L"xap:CreateDate"]);
    EXPECT_EQ(L"15.06.2009 10:20:30", values[L"xap:ModifyDate"]);
    EXPECT_EQ(L"15.06.2009 15:50:30", values[L"xap:MetadataDate"]);
    EXPECT_EQ(L"2009-06-15T10:20:30Z", values[L"xap:Nickname"]) << "only names ending in \"date\" are dates";
    for (const wchar_t* skipped :
         {L"dc:rights", L"dc:description", L"dc:type", L"dc:source", L"dc:contributor", L"dc:coverage"})
        EXPECT_EQ(0u, map.Entries().count(skipped)) << skipped;
    for (const auto& entry : map.Entries())
        EXPECT_EQ(1, entry.second.type) << entry.first;
}

TEST(XmpProperties, UsesTheFirstDescriptionThatHoldsTheFormatAndItsAttributes)
{
    CPluginPropertyMap map;
    KVMXAddProps(Xmp(std::wstring(L"<rdf:Description rdf:about=''") + kNamespaces +
                     L" pdf:Producer='Erster'/>"
                     L"<rdf:Description rdf:about=''" +
                     kNamespaces +
                     L" dc:format='application/pdf' xap:CreateDate='2008-03-01T00:30:00+01:00'>"
                     L"<xap:CreateDate>2001-01-01T00:00:00Z</xap:CreateDate>"
                     L"</rdf:Description>")
                     .c_str(),
                 map);
    std::map<std::wstring, std::wstring> values = Values(map);
    EXPECT_EQ(0u, values.count(L"pdf:Producer")) << "the description without dc:format is dropped";
    EXPECT_EQ(L"application/pdf", values[L"mimeType"]);
    EXPECT_EQ(L"29.02.2008 23:30:00", values[L"xap:CreateDate"]) << "an attribute wins over a child";
}

TEST(XmpProperties, NoDescriptionWithAFormatOrNoXmlGivesNothing)
{
    for (const std::wstring& xmp :
         {Xmp(std::wstring(L"<rdf:Description") + kNamespaces + L"><dc:title>T</dc:title></rdf:Description>"),
          Xmp(L""), std::wstring(L"<x:xmpmeta><rdf:RDF>"), std::wstring()}) {
        CPluginPropertyMap map;
        KVMXAddProps(xmp.c_str(), map);
        EXPECT_EQ(0u, map.Size()) << std::string(xmp.begin(), xmp.end());
    }
}

// XMP carries no DTD; one in a document's packet could name files or servers
// for the parser to fetch and entities for it to expand.
TEST(XmpProperties, PacketWithADtdGivesNothing)
{
    const std::wstring packet = Xmp(std::wstring(L"<rdf:Description") + kNamespaces +
                                    L"><dc:format>application/pdf</dc:format><dc:title>&t;</dc:title>"
                                    L"<pdf:Producer>Distiller</pdf:Producer></rdf:Description>");
    for (const wchar_t* dtd : {L"<!DOCTYPE x:xmpmeta [<!ENTITY t 'Titel'>]>",
                               L"<!DOCTYPE x:xmpmeta SYSTEM 'file:///C:/nirgends/xmp.dtd'>"}) {
        CPluginPropertyMap map;
        KVMXAddProps((dtd + packet).c_str(), map);
        EXPECT_EQ(0u, map.Size()) << std::string(dtd, dtd + wcslen(dtd));
    }
}

TEST(PropertyMap, AddsOnlyNamedValuesAndReplacesByName)
{
    CPluginPropertyMap map;
    EXPECT_EQ(0u, map.Add(nullptr, L"v", 1));
    EXPECT_EQ(0u, map.Add(L"", L"v", 1));
    EXPECT_EQ(0u, map.Add(L"name", nullptr, 1));
    EXPECT_EQ(1u, map.Add(L"name", L"", 1));
    EXPECT_EQ(1u, map.Add(L"name", L"second", 0));
    EXPECT_EQ(2u, map.Add(L"Name", L"upper", 1));
    EXPECT_EQ(L"second", map.Entries().at(L"name").value);
    EXPECT_EQ(0, map.Entries().at(L"name").type);
    EXPECT_EQ(L"Name", map.Entries().begin()->first) << "ordered by UTF-16 code units";
}

class PropertyIni : public testing::Test
{
protected:
    ScopedTempFolder temp{L"temp"};
};

TEST_F(PropertyIni, WritesTheKnownKeysOneLineEachAndTheMimetype)
{
    CPluginPropertyMap map;
    map.Add(L"ADOBE_TITLE", L"earlier", 1);
    map.Add(L"dc:title", L"Zeile 1\r\n[Properties]\r\nEVIL=1 = mit Gleich", 1);
    map.Add(L"pdf:Producer", L"Distiller \x03a9 \xD83D\xDE00", 1);
    map.Add(L"xap:CreateDate", L"15.06.2009 08:20:30", 1);
    map.Add(L"XAP:MODIFYDATE", L"16.06.2009 08:20:30", 1);
    map.Add(L"mimeType", L"application/pdf", 1);
    map.Add(L"dc:creator", L"not written", 1);

    char path[MAX_PATH];
    ASSERT_TRUE(WritePropertyIni(map, path));
    std::wstring widePath(path, path + strlen(path));
    EXPECT_EQ(0u, widePath.find(temp.Path())) << "in the temporary folder";

    // UTF-16 text behind its byte-order mark, [Mimetype] first, with its one
    // line, as the file holds it.
    std::string bytes = ReadFileBytes(widePath);
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    EXPECT_EQ(0u, text.find(L"\xFEFF[Mimetype]\r\napplication/pdf\r\n[Properties]\r\n"));
    wchar_t mimetype[256];
    GetPrivateProfileSectionW(L"Mimetype", mimetype, 256, widePath.c_str());
    EXPECT_EQ(std::wstring(L"application/pdf"), mimetype);
    EXPECT_EQ(L'\0', mimetype[wcslen(mimetype) + 1]) << "a single line";

    wchar_t properties[4096];
    GetPrivateProfileSectionW(L"Properties", properties, 4096, widePath.c_str());
    std::vector<std::wstring> lines;
    for (const wchar_t* line = properties; *line; line += wcslen(line) + 1)
        lines.push_back(line);
    // In the map's order, a key keeping the place of its first line; the
    // later "dc:title" replaces "ADOBE_TITLE".
    std::vector<std::wstring> expected = {L"ADOBE_TITLE=Zeile 1  [Properties]  EVIL=1 = mit Gleich",
                                          L"ADOBE_MODDATE=16.06.2009 08:20:30", L"ADOBE_PRODUCER=Distiller \x03a9 \xD83D\xDE00",
                                          L"ADOBE_CREATION_DATE=15.06.2009 08:20:30"};
    EXPECT_EQ(expected, lines);
    DeleteFileA(path);
}

TEST(VariantText, NamesValuesAndTypesAndClearsTheVariant)
{
    const struct {
        VARTYPE vt;
        LONG value;
        bool withType;
        const wchar_t* text;
    } cases[] = {
        {VT_EMPTY, 0, false, L"<empty>"},
        {VT_BOOL, VARIANT_TRUE, false, L"true"},
        {VT_BOOL, VARIANT_FALSE, true, L"false  (VT_BOOL)"},
        {VT_INT, -42, true, L"-42  (VT_INT)"},
        {VT_HRESULT, static_cast<LONG>(0x80004005), false, L"0x80004005"},
        {VT_I4, 7, false, L"<unknown type: 3>"},
    };
    for (const auto& c : cases) {
        VARIANT v;
        VariantInit(&v);
        v.vt = c.vt;
        v.lVal = c.value;
        if (c.vt == VT_BOOL)
            v.boolVal = static_cast<VARIANT_BOOL>(c.value);
        EXPECT_EQ(c.text, VariantToText(&v, c.withType));
        EXPECT_EQ(VT_EMPTY, v.vt);
    }
    VARIANT text;
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"Angebot");
    EXPECT_EQ(L"Angebot  (VT_BSTR)", VariantToText(&text, true));
    EXPECT_EQ(VT_EMPTY, text.vt);
}

TEST(TextSplit, SplitsAtDelimiterRunsAndTrimsUnlessOnlyDelimiters)
{
    const struct {
        const char* text;
        std::vector<std::string> tokens;
    } cases[] = {
        {",a,,b", {"", "a", "b"}},
        {",,a", {"", "a"}},
        {"a;b,,c;", {"a", "b", "c"}},
        {"abc", {"abc"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> tokens;
        SplitString(c.text, tokens, ",;");
        EXPECT_EQ(c.tokens, tokens) << c.text;
    }
    EXPECT_EQ("ab  ", TrimLeft(" \tab  ", " \t"));
    EXPECT_EQ(" \tab", TrimRight(" \tab  ", " \t"));
    EXPECT_EQ("   ", TrimLeft("   ", " "));
    EXPECT_EQ("   ", TrimRight("   ", " "));
}

// A clock that stands still.
DWORD g_heldTick = 0;
DWORD WINAPI HeldTick()
{
    return g_heldTick;
}

std::string InboxOf(const ScopedTempFolder& temp)
{
    return std::string(temp.Path().begin(), temp.Path().end()) + "kq_temp_inbox\\";
}

TEST(HandoffFolder, CommandsWithinOneTickGetTheNextFreeNumbersAtOnce)
{
    // Whatever bears a name, a folder or a file, the next number is taken
    // without waiting, and only a folder that the call made is returned.
    ScopedTempFolder temp(L"temp");
    const std::string inbox = InboxOf(temp);
    g_heldTick = 4711;
    InboxFolderNumbering numbering = {HeldTick, 65536, 0, false};
    char first[520];
    ASSERT_EQ(1, MakeInboxFolder(first, sizeof(first), &numbering));
    EXPECT_EQ(inbox + "kq_data_4711\\", first);
    TempDir::WriteLongPath(std::wstring(inbox.begin(), inbox.end()) + L"kq_data_4713", "a file");
    ASSERT_TRUE(CreateDirectoryA((inbox + "kq_data_4714").c_str(), nullptr));

    InboxFolderNumbering other = {HeldTick, 65536, 0, false};
    char next[3][520];
    DWORD start = GetTickCount();
    for (auto& folder : next)
        ASSERT_EQ(1, MakeInboxFolder(folder, sizeof(folder), &other));
    EXPECT_LT(GetTickCount() - start, 10u) << "no waiting for the clock";
    EXPECT_EQ(inbox + "kq_data_4712\\", next[0]);
    EXPECT_EQ(inbox + "kq_data_4715\\", next[1]);
    EXPECT_EQ(inbox + "kq_data_4716\\", next[2]);
    for (auto& folder : next)
        EXPECT_TRUE(DirExists(std::wstring(folder, folder + strlen(folder))));
    EXPECT_EQ("a file", ReadFileBytes(std::wstring(inbox.begin(), inbox.end()) + L"kq_data_4713"));
}

TEST(HandoffFolder, NoFolderOfItsOwnGivesZero)
{
    // The search gives up after the bound of names taken in a row, and at
    // once when no folder can be made at all (the inbox barred by a file).
    struct {
        const char* name;
        bool barred;
        const char* logLine;
    } cases[] = {{"all names taken", false, "[ERR] createXMLFile(): no free hand-off folder in "},
                 {"inbox barred by a file", true, "[ERR] createXMLFile(): can not create the hand-off folder "}};
    for (const auto& c : cases) {
        ScopedTempFolder temp(L"temp");
        const std::string inbox = InboxOf(temp);
        const std::wstring wideInbox(inbox.begin(), inbox.end());
        g_heldTick = 900;
        if (c.barred) {
            TempDir::WriteLongPath(wideInbox.substr(0, wideInbox.size() - 1), "not a folder");
        } else {
            ASSERT_TRUE(CreateDirectoryA(inbox.c_str(), nullptr));
            for (int n = 900; n < 903; ++n)
                ASSERT_TRUE(CreateDirectoryA((inbox + "kq_data_" + std::to_string(n)).c_str(), nullptr));
        }
        InboxFolderNumbering numbering = {HeldTick, 3, 0, false};
        const std::string log = std::string(temp.Path().begin(), temp.Path().end()) + "plugin.log";
        const int saved = g_PluginLog.GetLevel();
        const std::string original = g_PluginLog.FileName() ? g_PluginLog.FileName() : "";
        g_PluginLog.SetLevel(PLUGIN_LOG_OFF);
        g_PluginLog.SetFileNameAndOpen(log.c_str());
        g_PluginLog.SetLevel(PLUGIN_LOG_INFO);
        char folder[520] = "unchanged";
        EXPECT_EQ(0, MakeInboxFolder(folder, sizeof(folder), &numbering)) << c.name;
        g_PluginLog.SetLevel(PLUGIN_LOG_OFF);
        g_PluginLog.SetFileName(original.c_str());
        g_PluginLog.SetLevel(saved);
        EXPECT_NE(std::string::npos, ReadFileBytes(std::wstring(log.begin(), log.end())).find(c.logLine + inbox))
            << c.name;
        EXPECT_STREQ("unchanged", folder) << c.name;
        EXPECT_FALSE(DirExists(wideInbox + L"kq_data_903")) << c.name;
        if (c.barred)
            EXPECT_EQ("not a folder", ReadFileBytes(wideInbox.substr(0, wideInbox.size() - 1)));
    }
}

TEST(HandoffFolder, TwoCommandsInARowGetTwoFolders)
{
    ScopedTempFolder temp(L"temp");
    char first[520];
    char second[520];
    ASSERT_EQ(1, createXMLFile(first, sizeof(first)));
    ASSERT_EQ(1, createXMLFile(second, sizeof(second)));
    std::string inbox = std::string(temp.Path().begin(), temp.Path().end()) + "kq_temp_inbox\\kq_data_";
    EXPECT_EQ(0u, std::string(first).find(inbox)) << first;
    EXPECT_STRNE(first, second);
    EXPECT_EQ('\\', first[strlen(first) - 1]);
    EXPECT_TRUE(DirExists(std::wstring(first, first + strlen(first))));
    EXPECT_TRUE(DirExists(std::wstring(second, second + strlen(second))));
    char tooSmall[16];
    EXPECT_EQ(0, createXMLFile(tooSmall, sizeof(tooSmall)));
}

} // namespace
