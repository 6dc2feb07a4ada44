// What the program's log file (g_Log) received after a point: tests check
// the system's log lines without depending on what came before.
#pragma once

#include <string>

class LogTail
{
public:
    // Starts at the log's present end.
    LogTail();

    // The lines written since, as text.
    std::wstring Text() const;
    bool Contains(const std::wstring& text) const;
    // How often text occurs.
    int Count(const std::wstring& text) const;
    // Starts anew at the present end.
    void Mark();

private:
    size_t m_start;
};
