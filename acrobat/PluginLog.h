// The plug-in's log file: 8-bit lines in the ANSI code page, each a bracketed
// time stamp, a level tag and the message, written to the console's
// standard error and to a file in the temporary folder. Until the plug-in's
// initialisation names it after the plug-in, the file is named after the
// host program.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <string>

enum PluginLogLevel {
    PLUGIN_LOG_OFF = 0,
    PLUGIN_LOG_FATAL = 1,
    PLUGIN_LOG_ERROR = 2,
    PLUGIN_LOG_WARNING = 3,
    PLUGIN_LOG_INFO = 4,
};

const DWORD PLUGIN_LOG_SIZE_LIMIT = 0xA00000;

class CPluginLog
{
public:
    CPluginLog(const char* fileName, int level, DWORD sizeLimit);
    ~CPluginLog();
    CPluginLog(const CPluginLog&) = delete;
    CPluginLog& operator=(const CPluginLog&) = delete;

    void Close();
    void Output(const char* text);
    void Write(int level, const char* format, va_list args);
    void Info(const char* format, ...);
    void Warning(const char* format, ...);
    void Error(const char* format, ...);

    // NULL or empty: the host program's name with ".log" in the temporary
    // folder.
    void SetFileName(const char* name);
    void Open();
    // 0 closes the file; another level opens it when the log was off.
    void SetLevel(int level);
    int GetLevel() const { return m_level; }
    // Opens the new file only while the level is 0, so that a caller can
    // switch names at level 0 and then restore its level.
    void SetFileNameAndOpen(const char* name);

    const char* FileName() const { return m_fileName; }

private:
    void BuildDefaultName();

    HANDLE m_file;
    HANDLE m_console;
    int m_level;
    char* m_fileName;
    DWORD m_sizeLimit;
    char* m_buffer;
    size_t m_bufferSize;
};

extern CPluginLog g_PluginLog;

void LogInfo(const char* format, ...);
void LogWarning(const char* format, ...);
void LogError(const char* format, ...);
// Progress traces: kept in the code for reading, written nowhere.
void Trace(const char* format, ...);
std::string FormatString(const char* format, ...);
