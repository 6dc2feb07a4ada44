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
