#include "MapiValueText.h"

#include "AnsiCodePage.h"
#include "LogFile.h"
#include "OutlookPropertyTables.h"
#include "WideFormat.h"

#include <climits>
#include <new>
#include <vector>

namespace {

const size_t NUMBER_CHARS = 260;
const size_t DOUBLE_CHARS = 128;

// The property type a row's format reads.
ULONG ValueTypeOfFormat(ULONG format)
{
    return format == FORMAT_DATE_ONLY ? PT_SYSTIME : format;
}

bool BinaryToText(const SBinary& bin, const MapiFunctions* mapi, std::wstring* text)
{
    text->clear();
    if (bin.cb == 0)
        return true;
    if (!bin.lpb)
        return false;
    // Two digits a byte and the terminator must fit HexFromBin's int count
    // and the conversion's int length.
    if (bin.cb > (INT_MAX - 1) / 2) {
        g_Log.Warning(L"Binary MAPI value of %u bytes is too large for its text!\n", static_cast<unsigned>(bin.cb));
        return false;
    }
    size_t chars = static_cast<size_t>(bin.cb) * 2 + 1;
    std::vector<char> hex;
    try {
        hex.resize(chars);
        mapi->HexFromBin(bin.lpb, static_cast<int>(bin.cb), hex.data());
        hex[chars - 1] = '\0';
        // The digits are ASCII in every ANSI code page.
        if (!AnsiToWide(hex.data(), text))
            return false;
    } catch (const std::bad_alloc&) {
        g_Log.Warning(L"No memory for the text of a binary MAPI value of %u bytes!\n", static_cast<unsigned>(bin.cb));
        text->clear();
        return false;
    }
    return true;
}

// GetDateFormatW or GetTimeFormatW into text, sized by a first call.
template <typename Formatter>
bool FormatSized(Formatter format, std::wstring* text)
{
    int chars = format(nullptr, 0);
    if (chars <= 0)
        return false;
    std::vector<wchar_t> buffer(static_cast<size_t>(chars));
    if (format(buffer.data(), chars) <= 0)
        return false;
    text->assign(buffer.data());
    return true;
}

bool TimeToText(const FILETIME& utc, bool dateOnly, std::wstring* text)
{
    SYSTEMTIME st;
    if (!FileTimeToSystemTime(&utc, &st))
        return false;
    // TIME_ZONE_ID_UNKNOWN is a zone without daylight saving (Tokyo, Beijing,
    // Mumbai), whose bias holds all the same; only INVALID means no zone.
    TIME_ZONE_INFORMATION zone;
    if (GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID) {
        SYSTEMTIME local;
        if (SystemTimeToTzSpecificLocalTime(&zone, &st, &local))
            st = local;
    }
    const DWORD flags = LOCALE_NOUSEROVERRIDE;
    std::wstring date;
    bool dated = FormatSized(
        [&](wchar_t* buffer, int cch) { return GetDateFormatW(LOCALE_USER_DEFAULT, flags, &st, nullptr, buffer, cch); },
        &date);
    if (!dated) {
        g_Log.Warning(L"Failed to format date value!\n");
        return false;
    }
    if (dateOnly) {
        *text = date;
        return true;
    }
    std::wstring time;
    bool timed = FormatSized(
        [&](wchar_t* buffer, int cch) { return GetTimeFormatW(LOCALE_USER_DEFAULT, flags, &st, nullptr, buffer, cch); },
        &time);
    if (!timed) {
        g_Log.Warning(L"Failed to format time value!\n");
        return false;
    }
    *text = date + L" " + time;
    return true;
}

} // namespace

bool MapiValueToText(const SPropValue& value, ULONG format, const MapiFunctions* mapi, std::wstring* text)
{
    ULONG type = PROP_TYPE(value.ulPropTag);
    // An error value carries an SCODE, not the row's value; a value of
    // another type would be read from the wrong member of the union.
    if (type == PT_ERROR || type != ValueTypeOfFormat(format))
        return false;
    wchar_t number[NUMBER_CHARS];
    switch (format) {
    case PT_BINARY:
        return BinaryToText(value.Value.bin, mapi, text);
    case PT_UNICODE:
        text->assign(value.Value.lpszW ? value.Value.lpszW : L"");
        return true;
    case PT_LONG:
        FormatText(number, NUMBER_CHARS, L"%d", static_cast<int>(value.Value.l));
        text->assign(number);
        return true;
    case PT_I2:
        FormatText(number, NUMBER_CHARS, L"%d", static_cast<int>(value.Value.i));
        text->assign(number);
        return true;
    case PT_BOOLEAN:
        FormatText(number, NUMBER_CHARS, L"%d", static_cast<int>(static_cast<unsigned short>(value.Value.b)));
        text->assign(number);
        return true;
    case PT_DOUBLE:
        FormatText(number, DOUBLE_CHARS, L"%g", value.Value.dbl);
        text->assign(number);
        return true;
    case PT_SYSTIME:
        return TimeToText(value.Value.ft, false, text);
    case FORMAT_DATE_ONLY:
        return TimeToText(value.Value.ft, true, text);
    default:
        return false;
    }
}
