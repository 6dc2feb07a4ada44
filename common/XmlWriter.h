// A small XML writer: one element per line, indented by tabs, in a UTF-8
// file with byte-order mark and CR LF line ends, without declaration. The
// text is kept until Close, which converts and writes it in one piece.
// Texts are escaped so that any parser reads back what was given; characters
// that XML 1.0 does not allow become blanks.
#pragma once

#include "ComSupport.h"
#include "ScopedHandles.h"

#include <string>
#include <vector>

// The number of code units of the XML 1.0 character at `text` (2 for a
// surrogate pair), or 0 when XML cannot hold it: U+FFFE, U+FFFF, an unpaired
// surrogate, a control character other than tab, LF and CR, or the end.
size_t XmlCharUnits(const wchar_t* text);
// True when every character of the text is one that XML 1.0 can hold.
bool IsXmlText(const wchar_t* text);

class CXmlWriter
{
public:
    explicit CXmlWriter(const wchar_t* fileName);
    // Closes the file without writing end tags: call CloseAll first.
    ~CXmlWriter();
    CXmlWriter(const CXmlWriter&) = delete;
    CXmlWriter& operator=(const CXmlWriter&) = delete;

    // Creates the file new; false when it cannot, also when a file or folder
    // of that name exists (the last error then says so).
    bool Open();
    // Queues an attribute for the next element (the pair added last comes first).
    void AddAttribute(const wchar_t* name, const wchar_t* value);
    void StartElement(const wchar_t* name);
    void WriteElement(const wchar_t* name, const wchar_t* text);
    void WriteCDataElement(const wchar_t* name, const wchar_t* text);
    void EndElement();
    void CloseAll();
    void WriteComment(const wchar_t* text);
    // Closes the file; true when everything written reached it.
    bool Close();

private:
    enum class TextKind { Element, Attribute, CData, Comment };

    void Put(const wchar_t* text);
    bool WriteText();
    void PutEscaped(const wchar_t* text, TextKind kind);
    void BeginLine();
    void OpenTag(const wchar_t* name);

    _bstr_t m_fileName;
    std::vector<_bstr_t> m_attributes;
    CFileHandle m_file;
    // Everything written since Open, with "\n" line ends.
    std::wstring m_text;
    int m_depth;
    std::vector<_bstr_t> m_open;
};
