#include "WideFormat.h"

#include <cwchar>

int FormatTextV(wchar_t* buf, size_t cch, const wchar_t* format, va_list args)
{
    if (!buf || cch == 0)
        return 0;
    buf[0] = L'\0';
    if (!format)
        return 0;
    // _vsnwprintf follows msvcrt: wide "%s", and no terminator on truncation.
    int written = _vsnwprintf(buf, cch - 1, format, args);
    buf[cch - 1] = L'\0';
    if (written < 0 || static_cast<size_t>(written) >= cch)
        written = static_cast<int>(wcslen(buf));
    else
        buf[written] = L'\0';
    return written;
}

int FormatText(wchar_t* buf, size_t cch, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    int written = FormatTextV(buf, cch, format, args);
    va_end(args);
    return written;
}

size_t CopyText(wchar_t* buf, size_t cch, const wchar_t* src)
{
    if (!buf || cch == 0)
        return 0;
    size_t n = 0;
    if (src) {
        while (n + 1 < cch && src[n] != L'\0') {
            buf[n] = src[n];
            ++n;
        }
    }
    buf[n] = L'\0';
    return n;
}
