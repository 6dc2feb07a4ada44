#include "XmlWriter.h"

#include <cwchar>
#include <string>

namespace {

bool IsHighSurrogate(wchar_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(wchar_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// XML 1.0 allows tab, LF, CR, U+0020 to U+D7FF, U+E000 to U+FFFD and the
// planes above (here: surrogate pairs).
bool IsXmlChar(wchar_t c)
{
    return c == L'\t' || c == L'\n' || c == L'\r' || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD);
}

const wchar_t* TextOf(const _bstr_t& text)
{
    return text.length() ? static_cast<const wchar_t*>(text) : L"";
}

} // namespace

size_t XmlCharUnits(const wchar_t* text)
{
    if (!text || !*text)
        return 0;
    if (IsHighSurrogate(text[0]) && IsLowSurrogate(text[1]))
        return 2;
    return IsXmlChar(text[0]) ? 1 : 0;
}

bool IsXmlText(const wchar_t* text)
{
    if (!text)
        return true;
    while (*text) {
        size_t units = XmlCharUnits(text);
        if (units == 0)
            return false;
        text += units;
    }
    return true;
}

CXmlWriter::CXmlWriter(const wchar_t* fileName)
    : m_fileName(fileName), m_depth(0)
{
}

CXmlWriter::~CXmlWriter()
{
    Close();
}

bool CXmlWriter::Open()
{
    if (m_file)
        return true;
    // Only ever a new file: one already at the name belongs to another hand-off
    // (or to someone else) and is left as it is. A new file is not truncated,
    // so closing it costs no extra write-back on Wine.
    HANDLE file = CreateFileW(TextOf(m_fileName), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = GetLastError();
    m_file.Reset(file);
    if (!m_file) {
        SetLastError(error);
        return false;
    }
    m_text.clear();
    return true;
}

bool CXmlWriter::Close()
{
    if (!m_file)
        return false;
    bool ok = WriteText();
    if (!CloseHandle(m_file.Detach()))
        ok = false;
    m_text.clear();
    return ok;
}

bool CXmlWriter::WriteText()
{
    // CR LF line ends and the byte-order mark, as a text-mode UTF-8 stream
    // writes them.
    std::wstring text;
    text.reserve(m_text.size() + m_text.size() / 16);
    for (wchar_t c : m_text) {
        if (c == L'\n')
            text += L'\r';
        text += c;
    }
    std::string bytes = "\xEF\xBB\xBF";
    if (!text.empty()) {
        int length = static_cast<int>(text.size());
        int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
        if (size <= 0)
            return false;
        bytes.resize(3 + static_cast<size_t>(size));
        if (WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &bytes[3], size, nullptr, nullptr) != size)
            return false;
    }
    DWORD written = 0;
    return WriteFile(m_file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

void CXmlWriter::Put(const wchar_t* text)
{
    if (m_file && text)
        m_text += text;
}

void CXmlWriter::PutEscaped(const wchar_t* text, TextKind kind)
{
    if (!text)
        return;
    std::wstring out;
    for (const wchar_t* p = text; *p; ++p) {
        wchar_t c = *p;
        if (IsHighSurrogate(c) && IsLowSurrogate(p[1])) {
            out += c;
            out += *++p;
            continue;
        }
        if (!IsXmlChar(c))
            c = L' ';
        if (c == L'\r' && p[1] == L'\n' && kind != TextKind::Attribute) {
            // Close turns the "\n" into CR LF already.
            continue;
        }
        switch (kind) {
        case TextKind::Attribute:
            // Attribute values are normalised by parsers: blanks that are
            // meant to stay must be references.
            switch (c) {
            case L'&': out += L"&amp;"; continue;
            case L'<': out += L"&lt;"; continue;
            case L'>': out += L"&gt;"; continue;
            case L'"': out += L"&quot;"; continue;
            case L'\t': out += L"&#9;"; continue;
            case L'\n': out += L"&#10;"; continue;
            case L'\r': out += L"&#13;"; continue;
            }
            break;
        case TextKind::Element:
            switch (c) {
            case L'&': out += L"&amp;"; continue;
            case L'<': out += L"&lt;"; continue;
            case L'>': out += L"&gt;"; continue;
            }
            break;
        case TextKind::CData:
            // "]]>" would end the section: split it between two sections.
            if (c == L']' && p[1] == L']' && p[2] == L'>') {
                out += L"]]]]><![CDATA[>";
                p += 2;
                continue;
            }
            break;
        case TextKind::Comment:
            // "--" may not stand inside a comment, nor "-" at its end.
            if (c == L'-' && (p[1] == L'-' || p[1] == L'\0')) {
                out += L"- ";
                continue;
            }
            break;
        }
        out += c;
    }
    Put(out.c_str());
}

void CXmlWriter::AddAttribute(const wchar_t* name, const wchar_t* value)
{
    m_attributes.push_back(_bstr_t(value ? value : L""));
    m_attributes.push_back(_bstr_t(name ? name : L""));
}

void CXmlWriter::BeginLine()
{
    Put(L"\n");
    for (int i = 0; i < m_depth; ++i)
        Put(L"\t");
}

void CXmlWriter::OpenTag(const wchar_t* name)
{
    BeginLine();
    Put(L"<");
    Put(name);
    while (m_attributes.size() >= 2) {
        _bstr_t attributeName = m_attributes.back();
        m_attributes.pop_back();
        _bstr_t value = m_attributes.back();
        m_attributes.pop_back();
        Put(L" ");
        Put(TextOf(attributeName));
        Put(L"=\"");
        PutEscaped(TextOf(value), TextKind::Attribute);
        Put(L"\"");
    }
    m_attributes.clear();
}

void CXmlWriter::StartElement(const wchar_t* name)
{
    OpenTag(name);
    Put(L">");
    m_open.push_back(_bstr_t(name));
    ++m_depth;
}

void CXmlWriter::WriteElement(const wchar_t* name, const wchar_t* text)
{
    OpenTag(name);
    Put(L">");
    PutEscaped(text, TextKind::Element);
    Put(L"</");
    Put(name);
    Put(L">");
}

void CXmlWriter::WriteCDataElement(const wchar_t* name, const wchar_t* text)
{
    OpenTag(name);
    Put(L"><![CDATA[");
    PutEscaped(text, TextKind::CData);
    Put(L"]]></");
    Put(name);
    Put(L">");
}

void CXmlWriter::EndElement()
{
    if (m_open.empty())
        return;
    --m_depth;
    BeginLine();
    Put(L"</");
    Put(TextOf(m_open.back()));
    Put(L">");
    m_open.pop_back();
}

void CXmlWriter::CloseAll()
{
    while (!m_open.empty())
        EndElement();
}

void CXmlWriter::WriteComment(const wchar_t* text)
{
    BeginLine();
    Put(L"<!--");
    PutEscaped(text, TextKind::Comment);
    Put(L"-->");
}
