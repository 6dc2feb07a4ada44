// The conversions between UTF-16 and 8-bit code pages as Windows checks
// their arguments, with an ANSI code page of the test's choice, in place of
// the capture's for the life of the object. Wine accepts any flags; Windows
// refuses, for UTF-8 (65001) and GB18030 (54936), every flag but the
// invalid-characters one and, for UTF-8 and UTF-7, any default-character
// argument, and for a few other code pages every flag.
#pragma once

#include <windows.h>

class WindowsCodePage
{
public:
    explicit WindowsCodePage(UINT ansiCodePage);
    ~WindowsCodePage();
    WindowsCodePage(const WindowsCodePage&) = delete;
    WindowsCodePage& operator=(const WindowsCodePage&) = delete;

    // Calls refused as Windows refuses them (ERROR_INVALID_FLAGS or
    // ERROR_INVALID_PARAMETER).
    static int Refused();
};
