#include "FormatFields.h"

#include <cwchar>

std::vector<std::wstring> FormatFieldsOf(const wchar_t* format)
{
    std::vector<std::wstring> fields;
    if (!format)
        return fields;
    for (const wchar_t* p = format; *p; ++p) {
        if (*p != L'%')
            continue;
        if (p[1] == L'%') {
            ++p;
            continue;
        }
        // wvsprintfW reads: flags "-", "#", "0"; a width; "." and a precision;
        // a size prefix "h", "l" or "I64"/"I32" ("w" reads as "l"); the type.
        const wchar_t* start = p++;
        while (*p == L'-' || *p == L'#' || *p == L'0')
            ++p;
        while (*p >= L'0' && *p <= L'9')
            ++p;
        if (*p == L'.') {
            ++p;
            while (*p >= L'0' && *p <= L'9')
                ++p;
        }
        if (*p == L'l' || *p == L'h' || *p == L'w')
            ++p;
        else if (*p == L'I' && ((p[1] == L'6' && p[2] == L'4') || (p[1] == L'3' && p[2] == L'2')))
            p += 3;
        // The type character, whatever it is: an unknown one still belongs to
        // the field, and a "%" at the very end is a field of its own.
        if (*p) {
            fields.emplace_back(start, static_cast<size_t>(p - start + 1));
        } else {
            fields.emplace_back(start);
            break;
        }
    }
    return fields;
}

bool SameFormatFields(const wchar_t* a, const wchar_t* b)
{
    return FormatFieldsOf(a) == FormatFieldsOf(b);
}
