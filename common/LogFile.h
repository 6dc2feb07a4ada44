// The diagnostic log of a module: UTF-8 lines of a time stamp, a level tag
// and the message, into a file in the user's temporary folder and to the
// console. The file is shared with every other writer of it (the other
// modules of the process, other processes of the program), each line
// appended whole. Nothing inside it ever stops the program.
#pragma once

#include <windows.h>
#include <cstdarg>

enum LogLevel {
    LOG_OFF = 0,
    LOG_FATAL = 1,
    LOG_ERROR = 2,
    LOG_WARNING = 3,
    LOG_INFO = 4,
};

const DWORD LOG_DEFAULT_SIZE_LIMIT = 0xA00000;

class CLogFile
{
public:
    CLogFile(const wchar_t* name, int level, DWORD sizeLimit);
    ~CLogFile();

    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    void SetFileName(const wchar_t* name);
    void SetLevel(int level);
    void Reopen(const wchar_t* name);
    void Open();
    void Close();

    void Fatal(const wchar_t* format, ...);
    void Error(const wchar_t* format, ...);
    void Warning(const wchar_t* format, ...);
    void Info(const wchar_t* format, ...);
    void Write(int level, const wchar_t* format, va_list args);
    void Output(const wchar_t* text);

    int GetLevel() const { return m_level; }
    const wchar_t* GetFileName() const { return m_fileName; }
    bool IsFileOpen() const { return m_file != INVALID_HANDLE_VALUE; }

private:
    void BuildDefaultName();

    HANDLE m_file;
    HANDLE m_console;
    int m_level;
    wchar_t* m_fileName;
    DWORD m_sizeLimit;
};

// The module's log, built at load with the default name and LOG_INFO.
extern CLogFile g_Log;
