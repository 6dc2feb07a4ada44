// What the module's log (g_Log) received while the object lived: a test
// reads the lines the code under test wrote, in the log file's own text.
#pragma once

#include <string>
#include <vector>

class LogCapture
{
public:
    LogCapture();

    // The text added to the log file since construction (UTF-8).
    std::string Added() const;
    // The added lines without their time stamps ("[ERR] message").
    std::vector<std::string> Lines() const;
    // How many added lines contain text.
    int Count(const std::string& text) const;
    bool Contains(const std::string& text) const { return Count(text) > 0; }

private:
    size_t m_start;
};
