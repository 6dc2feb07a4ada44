#include "PluginProperties.h"

#include "AcroAppDriver.h"
#include "AnsiText.h"
#include "ComRef.h"
#include "HostException.h"
#include "PluginLog.h"
#include "VariantText.h"
#include "XmpDate.h"

#include <msxml2.h>

#include <cstring>

namespace {

// The version-independent MSXML DOM document class (MSXML2.DOMDocument),
// which MinGW's uuid library leaves out.
const CLSID CLSID_XmpDomDocument = {0xf6d90f11, 0x9c73, 0x11d3, {0xb3, 0x2e, 0x00, 0xc0, 0x4f, 0x99, 0x0b, 0xb4}};
const DWORD kDomContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
// IXMLDOMDocument2, for setProperty; not in MinGW's uuid library either.
const IID IID_XmpDomDocument2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

using Scratch = std::map<std::wstring, std::wstring>;

class ScopedBstr
{
public:
    explicit ScopedBstr(const wchar_t* text) : m_text(SysAllocString(text)) {}
    ScopedBstr() = default;
    ~ScopedBstr() { SysFreeString(m_text); }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    BSTR Get() const { return m_text; }
    BSTR* Out()
    {
        SysFreeString(m_text);
        m_text = nullptr;
        return &m_text;
    }
    std::wstring Text() const { return m_text ? std::wstring(m_text, SysStringLen(m_text)) : std::wstring(); }

private:
    BSTR m_text = nullptr;
};

std::wstring NodeName(IXMLDOMNode* node)
{
    ScopedBstr name;
    if (FAILED(node->get_nodeName(name.Out())))
        return std::wstring();
    return name.Text();
}

DOMNodeType NodeType(IXMLDOMNode* node)
{
    DOMNodeType type = NODE_INVALID;
    if (FAILED(node->get_nodeType(&type)))
        return NODE_INVALID;
    return type;
}

bool FirstChild(IXMLDOMNode* node, ComRef<IXMLDOMNode>& child)
{
    return SUCCEEDED(node->get_firstChild(child.Out())) && child;
}

void ReadAttributes(IXMLDOMNode* description, Scratch& scratch)
{
    ComRef<IXMLDOMNamedNodeMap> attributes;
    if (FAILED(description->get_attributes(attributes.Out())) || !attributes)
        return;
    long count = 0;
    if (FAILED(attributes->get_length(&count)))
        return;
    for (long i = 0; i < count; ++i) {
        ComRef<IXMLDOMNode> attribute;
        if (FAILED(attributes->get_item(i, attribute.Out())) || !attribute)
            continue;
        VARIANT value;
        VariantInit(&value);
        if (FAILED(attribute->get_nodeValue(&value)))
            continue;
        scratch[NodeName(attribute.Get())] = VariantToText(&value, false);
    }
}

// A property element's text: its text child, or the text of the first entry
// of an rdf:Alt, rdf:Bag or rdf:Seq in it. Document input: anything missing
// on the way is no value.
bool ReadPropertyText(IXMLDOMNode* element, std::wstring& text)
{
    ComRef<IXMLDOMNode> node;
    if (!FirstChild(element, node))
        return false;
    if (NodeType(node.Get()) == NODE_ELEMENT) {
        std::wstring container = NodeName(node.Get());
        if (container == L"rdf:Alt" || container == L"rdf:Bag" || container == L"rdf:Seq") {
            ComRef<IXMLDOMNode> entry;
            if (!FirstChild(node.Get(), entry) || NodeName(entry.Get()) != L"rdf:li")
                return false;
            if (!FirstChild(entry.Get(), node))
                return false;
        }
    }
    if (NodeType(node.Get()) != NODE_TEXT)
        return false;
    ScopedBstr value;
    if (FAILED(node->get_text(value.Out())))
        return false;
    text = value.Text();
    return true;
}

void ReadChildren(IXMLDOMNode* description, Scratch& scratch)
{
    ComRef<IXMLDOMNodeList> children;
    if (FAILED(description->get_childNodes(children.Out())) || !children)
        return;
    long count = 0;
    if (FAILED(children->get_length(&count)))
        return;
    for (long i = 0; i < count; ++i) {
        ComRef<IXMLDOMNode> child;
        if (FAILED(children->get_item(i, child.Out())) || !child || NodeType(child.Get()) != NODE_ELEMENT)
            continue;
        std::wstring name = NodeName(child.Get());
        if (scratch.count(name))
            continue;
        std::wstring text;
        if (ReadPropertyText(child.Get(), text))
            scratch[name] = text;
    }
}

bool EndsWithDate(const std::wstring& name)
{
    return name.size() > 3 && lstrcmpiW(name.c_str() + name.size() - 4, L"date") == 0;
}

// The ini key of a property name, or NULL for names the archive does not take.
const char* IniKeyOf(const std::wstring& name)
{
    std::string ansi = WideToAnsi(name);
    if (lstrcmpiA(ansi.c_str(), "pdf:Producer") == 0 || lstrcmpiA(ansi.c_str(), "ADOBE_PRODUCER") == 0)
        return "ADOBE_PRODUCER";
    if (lstrcmpiA(ansi.c_str(), "dc:title") == 0 || lstrcmpiA(ansi.c_str(), "ADOBE_TITLE") == 0)
        return "ADOBE_TITLE";
    if (lstrcmpiA(ansi.c_str(), "xap:CreateDate") == 0 || lstrcmpiA(ansi.c_str(), "ADOBE_CREATION_DATE") == 0)
        return "ADOBE_CREATION_DATE";
    if (lstrcmpiA(ansi.c_str(), "xap:ModifyDate") == 0 || lstrcmpiA(ansi.c_str(), "ADOBE_MODDATE") == 0)
        return "ADOBE_MODDATE";
    return nullptr;
}

// An ini value is one line: line breaks from the document become blanks.
std::wstring IniValue(const std::wstring& value)
{
    std::wstring text = value;
    for (wchar_t& c : text) {
        if (c == L'\r' || c == L'\n')
            c = L' ';
    }
    return text;
}

// Windows reads a profile section of at most 32,767 characters; the four
// keys with values of this length stay well within it.
const size_t kMaxIniValueChars = 8000;

// A value longer than the bound loses its end, never half of a surrogate
// pair; the log names the property.
std::wstring BoundedIniValue(const std::wstring& name, const char* key, const std::wstring& value)
{
    if (value.size() <= kMaxIniValueChars)
        return value;
    size_t keep = kMaxIniValueChars;
    if (IS_HIGH_SURROGATE(value[keep - 1]))
        --keep;
    LogWarning("WritePropertyIni(): %s (%s) has %lu characters; handed off are its first %lu\n",
               WideToAnsi(name).c_str(), key, static_cast<unsigned long>(value.size()),
               static_cast<unsigned long>(keep));
    return value.substr(0, keep);
}

// The packet comes from the document: MSXML 3 would otherwise fetch external
// definitions it names (a DTD or schema on a share or a web server) and
// expand the entities of a DTD while parsing. XMP carries no DTD at all.
void ParseDocumentInputOnly(IXMLDOMDocument* document)
{
    document->put_resolveExternals(VARIANT_FALSE);
    ComRef<IXMLDOMDocument2> document2;
    if (FAILED(document->QueryInterface(IID_XmpDomDocument2, document2.OutVoid())) || !document2)
        return;
    ScopedBstr name(L"ProhibitDTD");
    VARIANT prohibit;
    VariantInit(&prohibit);
    prohibit.vt = VT_BOOL;
    prohibit.boolVal = VARIANT_TRUE;
    document2->setProperty(name.Get(), prohibit);
}

bool HasDtd(IXMLDOMDocument* document)
{
    ComRef<IXMLDOMDocumentType> doctype;
    return SUCCEEDED(document->get_doctype(doctype.Out())) && doctype;
}

// The file begins with a UTF-16LE byte-order mark, so that the profile
// functions write and the connector reads every value character for
// character, whatever the ANSI code page. Section data for
// WritePrivateProfileSection has the form key=value, and Wine drops a line
// without "=": the [Mimetype] line goes into the new, empty file as text,
// ahead of the [Properties] that the profile functions add.
bool WriteMimetypeSection(const wchar_t* path)
{
    static const wchar_t kSection[] = L"\xFEFF[Mimetype]\r\napplication/pdf\r\n";
    const DWORD bytes = sizeof(kSection) - sizeof(wchar_t);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, kSection, bytes, &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes;
}

} // namespace

size_t CPluginPropertyMap::Add(const wchar_t* name, const wchar_t* value, int type)
{
    if (!name || !*name || !value)
        return 0;
    m_entries[name] = PluginProperty{value, type};
    return m_entries.size();
}

void KVSetDocProps(PDDoc doc, CPluginPropertyMap& map)
{
    ASText text = nullptr;
    ASErrorCode error = HostGuarded(&text, &PDDocGetXAPMetadata, doc);
    if (error != 0) {
        // The document itself is saved; it goes without its properties.
        LogWarning("KVSetDocProps(): failed to PDDocGetXAPMetadata(); code = 0x%08lx; no properties\n",
                   static_cast<unsigned long>(error));
        return;
    }
    if (!text)
        return;
    const ASUTF16Val* content = ASTextGetUnicode(text);
    if (content) {
        std::wstring xmp(reinterpret_cast<const wchar_t*>(content));
        KVMXAddProps(xmp.c_str(), map);
    }
    ASTextDestroy(text);
}

void KVMXAddProps(const wchar_t* xmp, CPluginPropertyMap& map)
{
    ComInitScope com;
    ComRef<IXMLDOMDocument> document;
    if (FAILED(CoCreateInstance(CLSID_XmpDomDocument, nullptr, kDomContext, IID_IXMLDOMDocument,
                                document.OutVoid())) ||
        !document)
        return;
    document->put_async(VARIANT_FALSE);
    ParseDocumentInputOnly(document.Get());
    ScopedBstr text(xmp);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (FAILED(document->loadXML(text.Get(), &loaded)) || loaded != VARIANT_TRUE)
        return;
    // Where MSXML does not honour ProhibitDTD, the packet is refused here.
    if (HasDtd(document.Get()))
        return;
    ScopedBstr query(L"//rdf:Description");
    ComRef<IXMLDOMNodeList> descriptions;
    if (FAILED(document->selectNodes(query.Get(), descriptions.Out())) || !descriptions)
        return;
    long count = 0;
    descriptions->get_length(&count);

    Scratch scratch;
    for (long i = 0; i < count; ++i) {
        ComRef<IXMLDOMNode> description;
        if (FAILED(descriptions->get_item(i, description.Out())) || !description)
            continue;
        ReadAttributes(description.Get(), scratch);
        ReadChildren(description.Get(), scratch);
        if (scratch.count(L"dc:format"))
            break;
        scratch.clear();
    }
    if (scratch.empty())
        return;

    map.Add(L"mimeType", scratch[L"dc:format"].c_str(), 1);
    for (const auto& entry : scratch) {
        std::wstring value = entry.second;
        if (EndsWithDate(entry.first)) {
            std::string ansi = WideToAnsi(value);
            std::string formatted = FormatXmpDate(ansi);
            if (formatted != ansi)
                value = AnsiToWide(formatted);
        }
        map.Add(entry.first.c_str(), value.c_str(), 1);
    }
}

void GetPortfolioProps(const CIacPDDoc& doc, CPluginPropertyMap& map)
{
    static const struct {
        const wchar_t* info;
        const wchar_t* key;
    } kInfo[] = {
        {L"Title", L"ADOBE_TITLE"},
        {L"Producer", L"ADOBE_PRODUCER"},
        {L"Created", L"ADOBE_CREATION_DATE"},
        {L"Modified", L"ADOBE_MODDATE"},
    };
    for (const auto& item : kInfo)
        map.Add(item.key, doc.GetInfo(item.info).c_str(), 0);
}

bool WritePropertyIni(const CPluginPropertyMap& map, char (&path)[MAX_PATH])
{
    path[0] = '\0';
    char temp[MAX_PATH];
    DWORD cch = GetTempPathA(MAX_PATH, temp);
    if (cch == 0 || cch >= MAX_PATH || !GetTempFileNameA(temp, "tmp", 0, path)) {
        path[0] = '\0';
        return false;
    }
    std::wstring widePath = AnsiToWide(path);
    if (!WriteMimetypeSection(widePath.c_str())) {
        DeleteFileA(path);
        path[0] = '\0';
        return false;
    }
    for (const auto& entry : map.Entries()) {
        const char* key = IniKeyOf(entry.first);
        if (!key)
            continue;
        std::wstring value = BoundedIniValue(entry.first, key, IniValue(entry.second.value));
        if (!WritePrivateProfileStringW(L"Properties", AnsiToWide(key).c_str(), value.c_str(), widePath.c_str()))
            LogWarning("WritePropertyIni(): failed to write %s; code = 0x%08lx\n", key, GetLastError());
    }
    return true;
}
