#include "SafeFileName.h"

#include "FileHelpers.h"
#include "XmlWriter.h"

#include <cwchar>

namespace {

const wchar_t FALLBACK_FILE_NAME[] = L"Dokument";

const wchar_t* const RESERVED_NAMES[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
const wchar_t* const NUMBERED_DEVICES[] = {L"COM", L"LPT"};

bool EqualsIgnoringCase(const std::wstring& a, const wchar_t* b)
{
    return _wcsicmp(a.c_str(), b) == 0;
}

// The digits 0 to 9 and the superscripts 1, 2 and 3, which Windows also
// takes as port numbers.
bool IsPortDigit(wchar_t c)
{
    return (c >= L'0' && c <= L'9') || c == 0x00B9 || c == 0x00B2 || c == 0x00B3;
}

} // namespace

bool IsReservedDeviceName(const std::wstring& name)
{
    // Windows looks at the part before the first dot, without trailing blanks.
    std::wstring base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ')
        base.pop_back();
    for (const wchar_t* reserved : RESERVED_NAMES)
        if (EqualsIgnoringCase(base, reserved))
            return true;
    if (base.size() == 4 && IsPortDigit(base[3])) {
        for (const wchar_t* device : NUMBERED_DEVICES)
            if (EqualsIgnoringCase(base.substr(0, 3), device))
                return true;
    }
    return false;
}

std::wstring MakeSafeFileName(const wchar_t* name)
{
    std::wstring text = name ? name : L"";
    // Only the last part of a path is the file's name; a drive goes with it.
    size_t cut = text.find_last_of(L"\\/:");
    if (cut != std::wstring::npos)
        text.erase(0, cut + 1);
    std::wstring plain;
    for (const wchar_t* p = text.c_str(); *p;) {
        wchar_t c = *p;
        if (c < 32 || wcschr(L"\\/:*?\"<>|", c)) {
            ++p;
            continue;
        }
        // The hand-off file must name the very file saved: what XML cannot
        // carry is replaced, not left for the writer to turn into another name.
        size_t units = XmlCharUnits(p);
        if (units == 0) {
            plain += L'_';
            ++p;
            continue;
        }
        plain.append(p, units);
        p += units;
    }
    // Windows drops trailing dots and blanks, so "..", "." and " " name the
    // folder itself or nothing.
    while (!plain.empty() && (plain.back() == L'.' || plain.back() == L' '))
        plain.pop_back();
    if (plain.empty())
        return FALLBACK_FILE_NAME;
    // The deletion marker's name would mark the folder of a name from
    // outside as deletable.
    if (IsReservedDeviceName(plain) || EqualsIgnoringCase(plain, MARKER_FILE_NAME))
        plain.insert(0, L"_");
    return plain;
}
