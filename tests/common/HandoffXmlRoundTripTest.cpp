// Hand-off files with hostile property names and values, read back by Wine's
// MSXML: whatever the texts hold, the receiving program must be able to read
// every name, value and path back.
#include "HandoffFile.h"

#include "ComSupport.h"
#include "ScopedTempFolder.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <msxml2.h>

#include <random>
#include <string>
#include <vector>

// MinGW's msxml2.h leaves these two interface ids undeclared for __uuidof.
__CRT_UUID_DECL(IXMLDOMDocument, 0x2933BF81, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMElement, 0x2933BF86, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)

namespace {

// The version-independent MSXML DOM document class.
const CLSID kDomDocument = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};

_COM_SMARTPTR_TYPEDEF(IXMLDOMDocument, __uuidof(IXMLDOMDocument));
_COM_SMARTPTR_TYPEDEF(IXMLDOMNodeList, __uuidof(IXMLDOMNodeList));
_COM_SMARTPTR_TYPEDEF(IXMLDOMNode, __uuidof(IXMLDOMNode));
_COM_SMARTPTR_TYPEDEF(IXMLDOMElement, __uuidof(IXMLDOMElement));

bool IsHigh(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// What a parser must read back: characters XML does not allow become
// blanks; in element content line ends arrive as LF (XML's own
// normalisation), attribute values keep them.
std::wstring ExpectedText(const std::wstring& text, bool attribute)
{
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (IsHigh(c) && i + 1 < text.size() && IsLow(text[i + 1])) {
            out += c;
            out += text[++i];
            continue;
        }
        bool allowed = c == L'\t' || c == L'\n' || c == L'\r' || (c >= 0x20 && c <= 0xD7FF) ||
                       (c >= 0xE000 && c <= 0xFFFD);
        if (!allowed)
            c = L' ';
        if (!attribute && c == L'\r') {
            if (i + 1 < text.size() && text[i + 1] == L'\n')
                continue;
            c = L'\n';
        }
        out += c;
    }
    return out;
}

// Pieces that break naive XML, mixed with ordinary text.
std::wstring HostileText(std::mt19937& rng, size_t maxPieces)
{
    static const std::vector<std::wstring> pieces = {
        L"&", L"<", L">", L"\"", L"'", L"]]>", L"]]", L"]", L"<![CDATA[", L"-->", L"&amp;", L"&#0;",
        L"\r\n", L"\r", L"\n", L"\t", L" ", L"  ", L"ä", L"ß", L"€", L"\xD83D\xDE00", std::wstring(1, 0xD800),
        std::wstring(1, 0xDC00), L"\x01", L"\x1F", L"\x0B", std::wstring(1, 0xFFFE), std::wstring(1, 0xFFFF),
        L"Angebot", L"kq_data_1", L"C:\\x\\y", L"%s", L"%d", L"=", L"/>"};
    std::uniform_int_distribution<size_t> count(0, maxPieces);
    std::uniform_int_distribution<size_t> pick(0, pieces.size());
    std::uniform_int_distribution<int> bmp(0x20, 0xD7FF);
    std::wstring text;
    for (size_t n = count(rng); n > 0; --n) {
        size_t i = pick(rng);
        text += i < pieces.size() ? pieces[i] : std::wstring(1, static_cast<wchar_t>(bmp(rng)));
    }
    return text;
}

std::wstring NodeText(IXMLDOMNode* node)
{
    BSTR text = nullptr;
    if (FAILED(node->get_text(&text)))
        return L"<unreadable>";
    std::wstring out = text ? text : L"";
    SysFreeString(text);
    return out;
}

std::wstring Printable(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[16];
            snprintf(hex, sizeof(hex), "\\u%04X", static_cast<unsigned>(c));
            out += hex;
        }
    }
    return FromUtf8(out);
}

// The hand-off file parsed by MSXML; null when it is not well-formed.
IXMLDOMDocumentPtr LoadHandoffFile(const std::wstring& file)
{
    IXMLDOMDocumentPtr doc;
    if (FAILED(doc.CreateInstance(kDomDocument, nullptr, CLSCTX_INPROC_SERVER)))
        return nullptr;
    doc->put_async(VARIANT_FALSE);
    doc->put_preserveWhiteSpace(VARIANT_TRUE);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (doc->load(_variant_t(file.c_str()), &loaded) != S_OK || loaded != VARIANT_TRUE)
        return nullptr;
    return doc;
}

std::wstring SingleText(IXMLDOMDocument* doc, const wchar_t* xpath)
{
    IXMLDOMNodePtr node;
    doc->selectSingleNode(_bstr_t(xpath), &node);
    return node ? NodeText(node) : L"<missing>";
}

// The bytes a text-mode UTF-8 stream of the runtime writes for the text.
std::string TextModeBytes(const std::wstring& text, const std::wstring& scratch)
{
    FILE* f = _wfopen(scratch.c_str(), L"w, ccs=UTF-8");
    if (!f)
        return "<no scratch file>";
    fputws(text.c_str(), f);
    fclose(f);
    return ReadFileBytes(scratch);
}

TEST(HandoffXmlRoundTrip, HostileTextsReadBackExactly)
{
    ScopedTempFolder temp;
    std::mt19937 rng(20261210);
    const int files = 40;
    const int propertiesPerFile = 8;
    int compared = 0;
    for (int f = 0; f < files; ++f) {
        wchar_t folder[2048];
        ASSERT_EQ(1, CreateInboxDataFolder(folder, _countof(folder)));
        std::wstring document = std::wstring(folder) + L"Dok & <" + std::to_wstring(f) + L"> ]]>.msg";
        CPropertyCollection props;
        for (int p = 0; p < propertiesPerFile; ++p) {
            std::wstring name = HostileText(rng, 6) + L"#" + std::to_wstring(p);
            props.Add(name.c_str(), HostileText(rng, 12).c_str(), 0);
        }
        HandoffIdList ids;
        ASSERT_EQ(1, WriteHandoffFile(document.c_str(), folder, &props, ids, (f % 2) != 0));
        std::wstring id = static_cast<const wchar_t*>(ids[0]);
        std::wstring file = std::wstring(folder) + id + L".xml";

        IXMLDOMDocumentPtr doc = LoadHandoffFile(file);
        ASSERT_TRUE(doc) << "file " << f << " is not well-formed";

        IXMLDOMNodeListPtr nodes;
        ASSERT_EQ(S_OK, doc->selectNodes(_bstr_t(L"/files/file/property"), &nodes));
        long length = 0;
        nodes->get_length(&length);
        ASSERT_EQ(static_cast<long>(props.Count()), length);
        long index = 0;
        for (const auto& entry : props) {
            IXMLDOMNodePtr node;
            ASSERT_EQ(S_OK, nodes->get_item(index++, &node));
            IXMLDOMElementPtr element = node;
            ASSERT_TRUE(element);
            _variant_t name;
            ASSERT_EQ(S_OK, element->getAttribute(_bstr_t(L"name"), &name));
            std::wstring wantName = ExpectedText(static_cast<const wchar_t*>(entry.first), true);
            std::wstring wantValue = ExpectedText(
                entry.second->GetValue().length() ? static_cast<const wchar_t*>(entry.second->GetValue()) : L"",
                false);
            EXPECT_EQ(Printable(wantName), Printable(static_cast<const wchar_t*>(_bstr_t(name))));
            EXPECT_EQ(Printable(wantValue), Printable(NodeText(node)));
            ++compared;
        }
        struct Single {
            const wchar_t* xpath;
            std::wstring want;
        } singles[] = {
            {L"/files/file/path", ExpectedText(document, false)},
            {L"/files/file/deletefile", std::wstring(folder).substr(0, wcslen(folder) - 1)},
            {L"/files/file/id", id},
            {L"/files/file/deletemail", (f % 2) ? L"1" : L""},
        };
        for (const Single& s : singles) {
            IXMLDOMNodePtr node;
            doc->selectSingleNode(_bstr_t(s.xpath), &node);
            EXPECT_EQ(s.want, node ? NodeText(node) : L"") << ToUtf8(s.xpath);
        }
    }
    EXPECT_EQ(files * propertiesPerFile, compared);
}

TEST(HandoffXmlRoundTrip, CharactersOutsideTheBasicPlaneSurviveEveryChunkEdge)
{
    // 60 emoji shifted by one code unit at a time across a 256-unit edge of
    // the conversion, in a property value and in the document's path.
    ScopedTempFolder temp;
    std::wstring emoji;
    for (int i = 0; i < 60; ++i)
        emoji += L"\xD83D\xDE00";
    for (int offset = 0; offset < 258; ++offset) {
        wchar_t folder[2048];
        ASSERT_EQ(1, CreateInboxDataFolder(folder, _countof(folder)));
        std::wstring value = std::wstring(static_cast<size_t>(offset), L'v') + emoji;
        std::wstring document = std::wstring(folder) + std::wstring(static_cast<size_t>(offset % 128), L'p') + emoji;
        CPropertyCollection props;
        props.Add(L"OTL_SUBJECT", value.c_str(), 0);
        HandoffIdList ids;
        ASSERT_EQ(1, WriteHandoffFile(document.c_str(), folder, &props, ids, false));
        std::wstring file = std::wstring(folder) + static_cast<const wchar_t*>(ids[0]) + L".xml";

        EXPECT_EQ(std::string::npos, ReadFileBytes(file).find("\xEF\xBF\xBD")) << "U+FFFD at offset " << offset;
        IXMLDOMDocumentPtr doc = LoadHandoffFile(file);
        ASSERT_TRUE(doc) << "offset " << offset;
        EXPECT_EQ(Printable(value), Printable(SingleText(doc, L"/files/file/property"))) << "offset " << offset;
        EXPECT_EQ(Printable(document), Printable(SingleText(doc, L"/files/file/path"))) << "offset " << offset;
    }
}

TEST(HandoffXmlRoundTrip, TextsInsideTheBasicPlaneKeepTheirBytes)
{
    // Without characters outside the basic plane a hand-off file holds the
    // very bytes that the runtime's text-mode UTF-8 stream wrote for it.
    ScopedTempFolder temp;
    TempDir scratch;
    std::wstring longMixed;
    for (int i = 0; i < 90; ++i)
        longMixed += L"\u00e4\u20ac\u6f22";
    const std::wstring values[] = {
        L"",
        L"Angebot f\u00fcr K\u00f6ln",
        longMixed,
        std::wstring(255, L'x') + L"\u00df" + std::wstring(300, L'\u00fc'),
        L"one\r\ntwo\nthree\rfour\tfive",
        L"\uFFFD\uE000\uD7FF &<>\"' ]]>",
    };
    for (const std::wstring& value : values) {
        wchar_t folder[2048];
        ASSERT_EQ(1, CreateInboxDataFolder(folder, _countof(folder)));
        std::wstring document = std::wstring(folder) + L"Bericht " + value.substr(0, 120) + L".pdf";
        CPropertyCollection props;
        props.Add((L"Name " + value.substr(0, 40)).c_str(), value.c_str(), 0);
        props.Add(L"MSO_TITLE", value.c_str(), 0);
        HandoffIdList ids;
        ASSERT_EQ(1, WriteHandoffFile(document.c_str(), folder, &props, ids, true));
        std::wstring file = std::wstring(folder) + static_cast<const wchar_t*>(ids[0]) + L".xml";
        std::string bytes = ReadFileBytes(file);
        ASSERT_EQ(0u, bytes.find("\xEF\xBB\xBF\r\n<files>"));

        // The text the file holds, with the writer's own "\n" line ends.
        std::wstring text = FromUtf8(bytes.substr(3));
        std::wstring lines;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
                continue;
            lines += text[i];
        }
        EXPECT_EQ(TextModeBytes(lines, scratch / L"reference.xml"), bytes) << ToUtf8(value.substr(0, 40));
        EXPECT_TRUE(LoadHandoffFile(file)) << ToUtf8(value.substr(0, 40));
    }
}

TEST(HandoffXmlRoundTrip, PathsThatXmlCannotCarryAreSkippedNeverRenamed)
{
    // "a\uFFFEb.txt" once became "a b.txt" in its hand-off file: one
    // document archived twice, the other never.
    ScopedTempFolder temp;
    TempDir dir;
    struct {
        const char* name;
        std::wstring unsafe;
    } cases[] = {
        {"U+FFFE", L"a\xFFFE" L"b.txt"},
        {"U+FFFF", L"c\xFFFF" L"d.txt"},
    };
    for (const auto& c : cases) {
        std::wstring unsafe = dir.WriteFile(c.unsafe, "unsafe");
        ASSERT_EQ("unsafe", ReadFileBytes(unsafe)) << c.name << ": the file system cannot hold the name";
        // The name the writer would have made of it, as a document of its own.
        std::wstring blanked = c.unsafe;
        for (wchar_t& ch : blanked)
            if (ch == 0xFFFE || ch == 0xFFFF || (ch >= 0xD800 && ch <= 0xDFFF))
                ch = L' ';
        std::wstring lookalike = dir.WriteFile(blanked, "lookalike");
        std::wstring list = unsafe + L'\0' + lookalike + L'\0' + L'\0';
        HandoffIdList ids;
        std::vector<std::wstring> notHandedOff;
        ASSERT_EQ(1, WriteHandoffFileList(list.c_str(), 2, nullptr, ids, false, &notHandedOff)) << c.name;
        ASSERT_EQ(1u, ids.size()) << c.name;
        std::wstring id = static_cast<const wchar_t*>(ids[0]);
        IXMLDOMDocumentPtr doc = LoadHandoffFile(temp.Path() + L"kq_temp_inbox\\" + id + L"\\" + id + L".xml");
        ASSERT_TRUE(doc) << c.name;
        EXPECT_EQ(lookalike, SingleText(doc, L"/files/file/path")) << c.name;
        EXPECT_EQ(std::vector<std::wstring>{unsafe}, notHandedOff) << c.name;
        EXPECT_EQ("unsafe", ReadFileBytes(unsafe));
    }
    // Wine's file system holds no unpaired surrogate (Windows' does): a
    // capture that named such a file gets no hand-off file that names
    // another one.
    for (const wchar_t* name : {L"e\xD800" L"f.txt", L"g\xDC00" L"h.txt", L"i\xDC00\xD800.txt"}) {
        wchar_t folder[2048];
        ASSERT_EQ(1, CreateInboxDataFolder(folder, _countof(folder)));
        std::wstring document = std::wstring(folder) + name;
        HandoffIdList ids;
        EXPECT_EQ(0, WriteHandoffFile(document.c_str(), folder, nullptr, ids, false));
        EXPECT_TRUE(ids.empty()) << "nothing to hand over";
        std::wstring folderName = std::wstring(folder).substr(0, wcslen(folder) - 1);
        folderName = folderName.substr(folderName.rfind(L'\\') + 1);
        EXPECT_FALSE(FileExists(std::wstring(folder) + folderName + L".xml"));
        EXPECT_EQ(HANDOFF_NOT_XML, CheckHandoffDocument(document.c_str()));
    }
}

} // namespace
