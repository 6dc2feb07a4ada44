#include "XmpDate.h"

#include <cstdio>

int DaysInMonth(int month, int year)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0))
        return 29;
    return days[month - 1];
}

std::string FormatXmpDate(const std::string& text)
{
    if (text.size() < 20)
        return text;
    std::string datePart = text.substr(0, 10);
    std::string rest = text.substr(10);
    if (rest[0] != 'T')
        return text;
    rest.erase(0, 1);

    int sign = 0;
    int offsetHours = 0;
    int offsetMinutes = 0;
    if (rest.size() > 8 && rest[8] == 'Z') {
        rest.erase(8);
    } else {
        std::string zone = rest.size() > 8 ? rest.substr(8) : std::string();
        if (!zone.empty() && zone[0] == '+') {
            sign = -1;
            zone.erase(0, 1);
        } else if (!zone.empty() && zone[0] == '-') {
            sign = 1;
            zone.erase(0, 1);
        } else {
            zone.clear();
        }
        if (sscanf(zone.c_str(), "%d:%d", &offsetHours, &offsetMinutes) < 1)
            return text;
    }
    if (offsetHours < 0 || offsetHours > 14 || offsetMinutes < 0 || offsetMinutes > 59)
        return text;

    int year, month, day, hour, minute, second;
    if (sscanf((datePart + " " + rest).c_str(), "%d-%d-%d %d:%d:%d", &year, &month, &day, &hour, &minute,
               &second) < 6)
        return text;
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(month, year) ||
        hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return text;

    minute += sign * offsetMinutes;
    hour += sign * offsetHours;
    if (minute < 0) {
        minute += 60;
        --hour;
    } else if (minute >= 60) {
        minute -= 60;
        ++hour;
    }
    if (hour < 0) {
        hour += 24;
        if (--day == 0) {
            if (--month == 0) {
                month = 12;
                --year;
            }
            day = DaysInMonth(month, year);
        }
    } else if (hour > 23) {
        hour -= 24;
        if (++day > DaysInMonth(month, year)) {
            day = 1;
            if (++month == 13) {
                month = 1;
                ++year;
            }
        }
    }
    if (year < 1 || year > 9999)
        return text;

    char result[32];
    snprintf(result, sizeof(result), "%02d.%02d.%04d %02d:%02d:%02d", day, month, year, hour, minute, second);
    return result;
}
