#include "AnsiCodePage.h"

#include <vector>

namespace {

const CodePageConversions WINDOWS_CONVERSIONS = {MultiByteToWideChar, WideCharToMultiByte};
const CodePageConversions* g_conversions = &WINDOWS_CONVERSIONS;

} // namespace

const CodePageConversions* ReplaceCodePageConversions(const CodePageConversions* conversions)
{
    const CodePageConversions* previous = g_conversions;
    g_conversions = conversions ? conversions : &WINDOWS_CONVERSIONS;
    return previous == &WINDOWS_CONVERSIONS ? nullptr : previous;
}

bool AnsiToWide(const char* text, std::wstring* wide)
{
    wide->clear();
    if (!text)
        return false;
    int chars = g_conversions->toWide(CP_ACP, 0, text, -1, nullptr, 0);
    if (chars <= 0)
        return false;
    std::vector<wchar_t> buffer(static_cast<size_t>(chars));
    if (g_conversions->toWide(CP_ACP, 0, text, -1, buffer.data(), chars) != chars)
        return false;
    wide->assign(buffer.data(), static_cast<size_t>(chars - 1));
    return true;
}

bool WideToAnsiExact(const wchar_t* text, std::string* ansi)
{
    ansi->clear();
    if (!text)
        return false;
    int bytes = g_conversions->toAnsi(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return false;
    std::vector<char> buffer(static_cast<size_t>(bytes));
    if (g_conversions->toAnsi(CP_ACP, 0, text, -1, buffer.data(), bytes, nullptr, nullptr) != bytes)
        return false;
    std::wstring back;
    // A best fit ("a" for alpha) or the default character reads back as
    // another text.
    if (!AnsiToWide(buffer.data(), &back) || back != text)
        return false;
    ansi->assign(buffer.data(), static_cast<size_t>(bytes - 1));
    return true;
}
