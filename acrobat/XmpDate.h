// XMP dates (ISO form with a time zone) rewritten as day.month.year
// hours:minutes:seconds in UTC, as the archive expects them.
#pragma once

#include <string>

// "2009-06-15T10:20:30+02:00" -> "15.06.2009 08:20:30". Any text that is
// not a complete, valid date of that form (a zone of Z or within +-14:59)
// comes back unchanged.
std::string FormatXmpDate(const std::string& text);

// 1 to 12; February has 29 days in leap years. 0 for any other month.
int DaysInMonth(int month, int year);
