#include "AnsiText.h"

#include <windows.h>

std::wstring AnsiToWide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int cch = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (cch <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(cch), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], cch);
    return wide;
}

std::string WideToAnsi(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int cb = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                 nullptr);
    if (cb <= 0)
        return std::string();
    std::string ansi(static_cast<size_t>(cb), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &ansi[0], cb, nullptr, nullptr);
    return ansi;
}

std::string WideToAnsi(const wchar_t* text)
{
    return text ? WideToAnsi(std::wstring(text)) : std::string();
}

const char* FileNamePart(const char* path)
{
    // By characters, not bytes: in a double-byte code page a character's
    // second byte may have the value of "\" (0x5C).
    const char* afterBackslash = nullptr;
    const char* afterSlash = nullptr;
    for (const char* p = path; *p; p = CharNextA(p)) {
        if (*p == '\\')
            afterBackslash = p + 1;
        else if (*p == '/')
            afterSlash = p + 1;
    }
    return afterBackslash ? afterBackslash : afterSlash ? afterSlash : path;
}
