// One MAPI property value as the doubles keep it: the tag and the value in
// its own form, turned into SPropValue memory (with a MAPI allocator) when
// a caller asks for it, and back.
#pragma once

#include "MapiDoubleIds.h"

#include <ostream>
#include <string>
#include <vector>

namespace doubles {

struct PropValue {
    ULONG tag = PR_NULL;
    std::wstring text;       // PT_UNICODE
    std::string text8;       // PT_STRING8
    std::vector<BYTE> bytes; // PT_BINARY
    LONG l = 0;              // PT_LONG, PT_ERROR (the SCODE)
    short i = 0;             // PT_I2
    unsigned short b = 0;    // PT_BOOLEAN
    double dbl = 0;          // PT_DOUBLE
    FILETIME ft = {0, 0};    // PT_SYSTIME
    LONGLONG li = 0;         // PT_I8

    ULONG Type() const { return PROP_TYPE(tag); }
    ULONG Id() const { return PROP_ID(tag); }
    bool operator==(const PropValue& other) const;
};

PropValue TextProp(ULONG tag, const std::wstring& text);
PropValue Text8Prop(ULONG tag, const std::string& text);
PropValue BinaryProp(ULONG tag, const std::vector<BYTE>& bytes);
PropValue LongProp(ULONG tag, LONG value);
PropValue I2Prop(ULONG tag, short value);
PropValue BoolProp(ULONG tag, bool value);
PropValue DoubleProp(ULONG tag, double value);
PropValue TimeProp(ULONG tag, const FILETIME& value);
// A FILETIME from a UTC date and time.
FILETIME UtcFileTime(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0);
PropValue ErrorProp(ULONG tag, SCODE error);

// Copies value into out; the data of variable-length values is allocated
// with allocateMore, tied to base.
SCODE CopyToSPropValue(const PropValue& value, SPropValue* out, LPALLOCATEMORE allocateMore, void* base);
PropValue FromSPropValue(const SPropValue& value);

// The value's bytes as a MAPI stream holds them (texts without terminator);
// false for types that have no stream form.
bool StreamBytes(const PropValue& value, std::vector<BYTE>* bytes);

// A readable form for test messages.
std::string Describe(const PropValue& value);
inline void PrintTo(const PropValue& value, std::ostream* out)
{
    *out << Describe(value);
}

// A named property: its set and numeric id.
struct NamedId {
    GUID set;
    LONG lid;
    bool operator<(const NamedId& other) const;
    bool operator==(const NamedId& other) const;
};

} // namespace doubles
