#include "LogCapture.h"

#include "LogFile.h"
#include "TempDir.h"

namespace {

std::string LogText()
{
    const wchar_t* name = g_Log.GetFileName();
    return name ? ReadFileBytes(name) : std::string();
}

} // namespace

LogCapture::LogCapture() : m_start(LogText().size()) {}

std::string LogCapture::Added() const
{
    std::string text = LogText();
    return text.size() > m_start ? text.substr(m_start) : std::string();
}

std::vector<std::string> LogCapture::Lines() const
{
    std::vector<std::string> lines;
    std::string text = Added();
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        // "[time stamp][TAG] message": keep "[TAG] message".
        size_t stampEnd = line.find("][");
        if (line.size() > 1 && line[0] == '[' && stampEnd != std::string::npos)
            line = line.substr(stampEnd + 1);
        lines.push_back(line);
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return lines;
}

int LogCapture::Count(const std::string& text) const
{
    int n = 0;
    for (const std::string& line : Lines())
        if (line.find(text) != std::string::npos)
            ++n;
    return n;
}
