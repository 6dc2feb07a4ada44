#include "TextHelpers.h"

#include "WideFormat.h"

#include <cmath>
#include <cwchar>
#include <cwctype>

namespace {

const WORD NO_DAY_OF_WEEK = 0xFFFF;
const size_t DATE_TEXT_CHARS = 260;

bool HasNonDigit(const wchar_t* text)
{
    for (; *text; ++text)
        if (*text < L'0' || *text > L'9')
            return true;
    return false;
}

} // namespace

wchar_t* FormatSizeText(const wchar_t* byteCount, wchar_t* buffer, size_t cch)
{
    if (!buffer || cch == 0)
        return buffer;
    static const wchar_t* const formats[] = {L"%.2lf KB", L"%.2lf MB", L"%.2lf GB", L"%.2lf TB"};
    long bytes = byteCount ? wcstol(byteCount, nullptr, 10) : 0;
    double value = static_cast<double>(bytes);
    size_t unit = 0;
    // Two decimals, cut at every step (never rounded up to the next unit).
    while (value >= 1024 && unit < _countof(formats)) {
        value = std::trunc(value * 100 / 1024) / 100;
        ++unit;
    }
    if (unit == 0) {
        FormatText(buffer, cch, L"%d bytes", static_cast<int>(bytes));
        return buffer;
    }
    FormatText(buffer, cch, formats[unit - 1], value);
    return buffer;
}

WORD ParseDateText(SYSTEMTIME* date, const wchar_t* text)
{
    if (!date)
        return 0;
    *date = SYSTEMTIME();
    date->wDayOfWeek = NO_DAY_OF_WEEK;
    if (!text)
        return 0;

    unsigned short day = 0, month = 0, year = 0;
    int yearStart = 0, yearEnd = 0;
    int numbers;
    if (HasNonDigit(text))
        numbers = swscanf(text, L"%hu%*[^0-9]%hu%*[^0-9]%n%hu%n", &day, &month, &yearStart, &year, &yearEnd);
    else
        numbers = swscanf(text, L"%2hu%2hu%n%hu%n", &day, &month, &yearStart, &year, &yearEnd);
    date->wDay = day;
    date->wMonth = month;
    if (numbers < 3) {
        date->wYear = 0;
        return 0;
    }
    int yearChars = yearEnd - yearStart;
    // A two-digit 20 would be ambiguous with a cut-off 2020 and is refused.
    bool accepted = (yearChars == 2 && year != 20) || yearChars == 4;
    if (!accepted) {
        date->wYear = 0;
        return 0;
    }
    if (year < 100)
        year = static_cast<unsigned short>(year < 20 ? 2000 + year : 1900 + year);
    date->wYear = year;
    return GetDayOfWeek(date);
}

void GetDateText(const SYSTEMTIME* date, const wchar_t* separator, wchar_t* buffer, size_t cch)
{
    if (!buffer || cch == 0)
        return;
    SYSTEMTIME today;
    if (!date) {
        GetLocalTime(&today);
        date = &today;
    }
    wchar_t text[DATE_TEXT_CHARS] = L"";
    if (date->wDay >= 1 && date->wDay <= 31) {
        if (separator && wcslen(separator) < 2) {
            FormatText(text, DATE_TEXT_CHARS, L"%02d%s%02d%s%d", date->wDay, separator, date->wMonth, separator,
                       date->wYear);
        } else if (!GetDateFormatW(LOCALE_USER_DEFAULT, separator ? 0 : DATE_SHORTDATE, date, separator, text,
                                   DATE_TEXT_CHARS)) {
            text[0] = L'\0';
        }
    } else if (date->wMonth >= 1 && date->wMonth <= 12) {
        FormatText(text, DATE_TEXT_CHARS, L"%02d/%d", date->wMonth, date->wYear);
    } else if (date->wYear >= 1 && date->wYear <= 9999) {
        FormatText(text, DATE_TEXT_CHARS, L"%d", date->wYear);
    }
    CopyText(buffer, cch, text);
}

BOOL DateToFileTime(const SYSTEMTIME* date, FILETIME* fileTime)
{
    SYSTEMTIME day;
    if (date)
        day = *date;
    else
        GetLocalTime(&day);
    day.wHour = 0;
    day.wMinute = 0;
    day.wSecond = 0;
    day.wMilliseconds = 0;
    return SystemTimeToFileTime(&day, fileTime);
}

WORD GetDayOfWeek(SYSTEMTIME* date)
{
    FILETIME fileTime;
    SYSTEMTIME checked;
    WORD result = NO_DAY_OF_WEEK;
    if (DateToFileTime(date, &fileTime) && FileTimeToSystemTime(&fileTime, &checked)) {
        // Some runtimes roll 29 February of a common year over into March
        // instead of failing: a date that does not come back does not exist.
        if (!date || (checked.wYear == date->wYear && checked.wMonth == date->wMonth && checked.wDay == date->wDay))
            result = checked.wDayOfWeek;
    }
    if (date)
        date->wDayOfWeek = result;
    return result;
}

std::wstring JoinNamesThatFit(const std::vector<std::wstring>& names, size_t maxChars)
{
    const std::wstring separator = L"\r\n";
    const std::wstring more = L"...";
    std::wstring text;
    for (size_t i = 0; i < names.size(); ++i) {
        std::wstring next = text.empty() ? names[i] : text + separator + names[i];
        // A name taken must leave room for the "..." line of those that follow.
        size_t room = i + 1 < names.size() ? next.size() + separator.size() + more.size() : next.size();
        if (room > maxChars) {
            // What was taken left room for this line.
            std::wstring cut = text.empty() ? more : text + separator + more;
            return cut.size() <= maxChars ? cut : std::wstring();
        }
        text.swap(next);
    }
    return text;
}
