#include "WindowsCodePage.h"

#include "AnsiCodePage.h"

namespace {

UINT g_ansiCodePage = 1252;
int g_refused = 0;
const CodePageConversions* g_previous = nullptr;

UINT Actual(UINT codePage)
{
    return codePage == CP_ACP ? g_ansiCodePage : codePage;
}

// The code pages whose conversions take no flag at all (Windows'
// documentation of both functions).
bool TakesNoFlags(UINT codePage)
{
    return codePage == 50220 || codePage == 50221 || codePage == 50222 || codePage == 50225 || codePage == 50227 ||
           codePage == 50229 || (codePage >= 57002 && codePage <= 57011) || codePage == CP_UTF7 || codePage == 42;
}

bool TakesOnlyTheInvalidFlag(UINT codePage)
{
    return codePage == CP_UTF8 || codePage == 54936;
}

int Refuse(DWORD error)
{
    ++g_refused;
    SetLastError(error);
    return 0;
}

int WINAPI ToWide(UINT codePage, DWORD flags, LPCCH text, int bytes, LPWSTR wide, int chars)
{
    UINT actual = Actual(codePage);
    if ((TakesNoFlags(actual) && flags != 0) ||
        (TakesOnlyTheInvalidFlag(actual) && (flags & ~static_cast<DWORD>(MB_ERR_INVALID_CHARS)) != 0))
        return Refuse(ERROR_INVALID_FLAGS);
    return MultiByteToWideChar(actual, flags, text, bytes, wide, chars);
}

int WINAPI ToAnsi(UINT codePage, DWORD flags, LPCWCH text, int chars, LPSTR ansi, int bytes, LPCCH defaultChar,
                  LPBOOL usedDefault)
{
    UINT actual = Actual(codePage);
    if ((TakesNoFlags(actual) && flags != 0) ||
        (TakesOnlyTheInvalidFlag(actual) && (flags & ~static_cast<DWORD>(WC_ERR_INVALID_CHARS)) != 0) ||
        (!TakesOnlyTheInvalidFlag(actual) && (flags & WC_ERR_INVALID_CHARS) != 0))
        return Refuse(ERROR_INVALID_FLAGS);
    if ((actual == CP_UTF8 || actual == CP_UTF7) && (defaultChar || usedDefault))
        return Refuse(ERROR_INVALID_PARAMETER);
    return WideCharToMultiByte(actual, flags, text, chars, ansi, bytes, defaultChar, usedDefault);
}

const CodePageConversions STRICT_CONVERSIONS = {ToWide, ToAnsi};

} // namespace

WindowsCodePage::WindowsCodePage(UINT ansiCodePage)
{
    g_ansiCodePage = ansiCodePage;
    g_refused = 0;
    g_previous = ReplaceCodePageConversions(&STRICT_CONVERSIONS);
}

WindowsCodePage::~WindowsCodePage()
{
    ReplaceCodePageConversions(g_previous);
}

int WindowsCodePage::Refused()
{
    return g_refused;
}
