// Size and date texts.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// "512 bytes", "1.50 KB", ... of a decimal byte count; returns buffer.
wchar_t* FormatSizeText(const wchar_t* byteCount, wchar_t* buffer, size_t cch);
// Parses "31.12.99", "010203", "1.2.2020"; returns the day of the week or
// 0 (0xFFFF in the record) when the text is no date.
WORD ParseDateText(SYSTEMTIME* date, const wchar_t* text);
// The date (null: today) with a separator (fewer than 2 characters), a
// GetDateFormatW picture, or null for the short date.
void GetDateText(const SYSTEMTIME* date, const wchar_t* separator, wchar_t* buffer, size_t cch);
BOOL DateToFileTime(const SYSTEMTIME* date, FILETIME* fileTime);
// 0 (Sunday) to 6, also stored into the record; 0xFFFF when no such date.
WORD GetDayOfWeek(SYSTEMTIME* date);

// The names joined by "\r\n", as many whole names as fit in maxChars
// characters; when some are left out the text ends with a line "..."
// (counted within maxChars).
std::wstring JoinNamesThatFit(const std::vector<std::wstring>& names, size_t maxChars);
