// A document's title, producer and dates as properties of the hand-off: read
// from the XMP metadata of a PDF (through MSXML) or from a portfolio's
// document information, and written into a temporary properties ini file
// whose [Properties] section the connector's Run takes over.
#pragma once

#include "HostInterface.h"

#include <map>
#include <string>

class CIacPDDoc;

struct PluginProperty {
    std::wstring value;
    int type;
};

// Ordered by UTF-16 code units of the names.
class CPluginPropertyMap
{
public:
    // Adds or replaces; a NULL or empty name or a NULL value adds nothing.
    // The number of entries, or 0 when nothing was added.
    size_t Add(const wchar_t* name, const wchar_t* value, int type);
    const std::map<std::wstring, PluginProperty>& Entries() const { return m_entries; }
    size_t Size() const { return m_entries.size(); }

private:
    std::map<std::wstring, PluginProperty> m_entries;
};

// The document's XMP metadata, when it has any, into the map. Metadata the
// host cannot give (it raised) is no metadata: the map stays as it is.
void KVSetDocProps(PDDoc doc, CPluginPropertyMap& map);
// The properties of the first rdf:Description that holds dc:format, with
// "mimeType" beside them; dates rewritten by FormatXmpDate.
void KVMXAddProps(const wchar_t* xmp, CPluginPropertyMap& map);
// Title, producer and dates of a portfolio's document information.
void GetPortfolioProps(const CIacPDDoc& doc, CPluginPropertyMap& map);
// A new temporary ini file with [Mimetype] and the [Properties] that the
// archive knows (ADOBE_PRODUCER, ADOBE_TITLE, ADOBE_CREATION_DATE,
// ADOBE_MODDATE), as UTF-16 text; a value longer than 8,000 characters is
// cut to them with a warning in the log. False when no file could be made;
// path is then empty.
bool WritePropertyIni(const CPluginPropertyMap& map, char (&path)[MAX_PATH]);
