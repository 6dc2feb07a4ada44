#include "LogTail.h"

#include "LogFile.h"
#include "TempDir.h"

namespace {

std::string LogBytes()
{
    const wchar_t* name = g_Log.GetFileName();
    return name ? ReadFileBytes(name) : std::string();
}

} // namespace

LogTail::LogTail() : m_start(LogBytes().size()) {}

std::wstring LogTail::Text() const
{
    std::string bytes = LogBytes();
    return bytes.size() > m_start ? FromUtf8(bytes.substr(m_start)) : std::wstring();
}

bool LogTail::Contains(const std::wstring& text) const
{
    return Text().find(text) != std::wstring::npos;
}

int LogTail::Count(const std::wstring& text) const
{
    std::wstring all = Text();
    int n = 0;
    for (size_t pos = all.find(text); pos != std::wstring::npos; pos = all.find(text, pos + text.size()))
        ++n;
    return n;
}

void LogTail::Mark()
{
    m_start = LogBytes().size();
}
