#include "PluginLog.h"

#include "SharedLogFile.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>
#include <vector>

namespace {

const size_t kInitialBuffer = 1024;
const size_t kStampChars = 100;
const size_t kModuleMessageChars = 8192;
const char* const kTags[] = {"[INF] ", "[FTL] ", "[ERR] ", "[WRN] "};

char* DuplicateText(const char* text)
{
    size_t len = strlen(text);
    char* copy = new (std::nothrow) char[len + 1];
    if (copy)
        memcpy(copy, text, len + 1);
    return copy;
}

} // namespace

CPluginLog g_PluginLog(nullptr, PLUGIN_LOG_INFO, PLUGIN_LOG_SIZE_LIMIT);

CPluginLog::CPluginLog(const char* fileName, int level, DWORD sizeLimit)
    : m_file(INVALID_HANDLE_VALUE),
      m_console(GetStdHandle(STD_ERROR_HANDLE)),
      m_level(PLUGIN_LOG_OFF),
      m_fileName(nullptr),
      m_sizeLimit(sizeLimit),
      m_buffer(nullptr),
      m_bufferSize(0)
{
    SetFileName(fileName);
    SetLevel(level);
    m_buffer = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kInitialBuffer));
    if (m_buffer)
        m_bufferSize = kInitialBuffer;
}

CPluginLog::~CPluginLog()
{
    Close();
    delete[] m_fileName;
    if (m_buffer)
        HeapFree(GetProcessHeap(), 0, m_buffer);
}

void CPluginLog::SetFileName(const char* name)
{
    delete[] m_fileName;
    m_fileName = nullptr;
    if (name && *name)
        m_fileName = DuplicateText(name);
    else
        BuildDefaultName();
}

void CPluginLog::BuildDefaultName()
{
    char program[MAX_PATH];
    char temp[MAX_PATH];
    DWORD cchProgram = GetModuleFileNameA(nullptr, program, MAX_PATH);
    if (cchProgram == 0 || cchProgram >= MAX_PATH)
        return;
    DWORD cchTemp = GetTempPathA(MAX_PATH, temp);
    if (cchTemp == 0 || cchTemp >= MAX_PATH)
        return;
    char* dot = strrchr(program, '.');
    if (!dot)
        return;
    *dot = '\0';
    const char* base = strrchr(program, '\\');
    if (!base)
        return;
    std::string name = std::string(temp) + (base + 1) + ".log";
    m_fileName = DuplicateText(name.c_str());
}

void CPluginLog::Open()
{
    if (!m_fileName || !*m_fileName)
        return;
    Close();
    // The file functions' own code page, as CreateFileA would take the name.
    const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    int cch = MultiByteToWideChar(codePage, 0, m_fileName, -1, nullptr, 0);
    wchar_t* wide = cch > 0 ? new (std::nothrow) wchar_t[cch] : nullptr;
    if (wide && MultiByteToWideChar(codePage, 0, m_fileName, -1, wide, cch) == cch)
        m_file = OpenSharedLogFile(wide, m_sizeLimit);
    delete[] wide;
    if (m_file == INVALID_HANDLE_VALUE)
        Error("Unable to open logfile '%s'\n", m_fileName);
}

void CPluginLog::Close()
{
    if (m_file != INVALID_HANDLE_VALUE) {
        CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
    }
}

void CPluginLog::SetLevel(int level)
{
    if (level == PLUGIN_LOG_OFF) {
        Close();
        m_level = PLUGIN_LOG_OFF;
        return;
    }
    if (m_level == PLUGIN_LOG_OFF)
        Open();
    m_level = level;
}

void CPluginLog::SetFileNameAndOpen(const char* name)
{
    SetFileName(name);
    if (m_level == PLUGIN_LOG_OFF)
        Open();
}

void CPluginLog::Output(const char* text)
{
    if (!text)
        return;
    DWORD len = static_cast<DWORD>(strlen(text));
    if (len == 0)
        return;
    DWORD written = 0;
    if (m_console != INVALID_HANDLE_VALUE)
        WriteConsoleA(m_console, text, len, &written, nullptr);
    if (m_file != INVALID_HANDLE_VALUE)
        AppendToSharedLogFile(m_file, text, len);
}

void CPluginLog::Write(int level, const char* format, va_list args)
{
    if (level > m_level)
        return;
    char stamp[kStampChars + 2] = "";
    time_t now = time(nullptr);
    const tm* local = localtime(&now);
    const char* text = local ? asctime(local) : nullptr;
    std::string inner = text ? text : "";
    if (!inner.empty() && inner.back() == '\n')
        inner.pop_back();
    snprintf(stamp, sizeof(stamp), "[%.*s]", static_cast<int>(kStampChars - 2), inner.c_str());
    const char* tag = level >= PLUGIN_LOG_FATAL && level <= PLUGIN_LOG_WARNING ? kTags[level] : kTags[0];

    if (m_buffer) {
        for (;;) {
            va_list copy;
            va_copy(copy, args);
            int result = vsnprintf(m_buffer, m_bufferSize, format, copy);
            va_end(copy);
            // This runtime's vsnprintf reports the length it needs; -1 is a
            // formatting error that no larger buffer mends.
            if (result < 0 || static_cast<size_t>(result) < m_bufferSize - 1)
                break;
            char* grown =
                static_cast<char*>(HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, m_buffer, m_bufferSize * 2));
            if (!grown)
                break;
            m_buffer = grown;
            m_bufferSize *= 2;
        }
    }
    // The time stamp, the tag and the message go out as one piece, so that
    // another writer's line never comes between them.
    try {
        std::string line = std::string(stamp) + tag + (m_buffer ? m_buffer : "");
        Output(line.c_str());
    } catch (...) {
        // No memory for the line: it is dropped, as the log drops any failure.
    }
}

#define PLUGIN_LOG_FORWARD(level)   \
    va_list args;                   \
    va_start(args, format);         \
    Write(level, format, args);     \
    va_end(args)

void CPluginLog::Info(const char* format, ...) { PLUGIN_LOG_FORWARD(PLUGIN_LOG_INFO); }
void CPluginLog::Warning(const char* format, ...) { PLUGIN_LOG_FORWARD(PLUGIN_LOG_WARNING); }
void CPluginLog::Error(const char* format, ...) { PLUGIN_LOG_FORWARD(PLUGIN_LOG_ERROR); }

#undef PLUGIN_LOG_FORWARD

namespace {

void LogAt(int level, const char* format, va_list args)
{
    std::vector<char> message(kModuleMessageChars, '\0');
    vsnprintf(message.data(), message.size(), format, args);
    switch (level) {
    case PLUGIN_LOG_ERROR:
        g_PluginLog.Error("%s", message.data());
        break;
    case PLUGIN_LOG_WARNING:
        g_PluginLog.Warning("%s", message.data());
        break;
    default:
        g_PluginLog.Info("%s", message.data());
        break;
    }
}

} // namespace

void LogInfo(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    LogAt(PLUGIN_LOG_INFO, format, args);
    va_end(args);
}

void LogWarning(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    LogAt(PLUGIN_LOG_WARNING, format, args);
    va_end(args);
}

void LogError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    LogAt(PLUGIN_LOG_ERROR, format, args);
    va_end(args);
}

void Trace(const char*, ...) {}

std::string FormatString(const char* format, ...)
{
    std::vector<char> buffer(4096, '\0');
    for (;;) {
        va_list args;
        va_start(args, format);
        int result = vsnprintf(buffer.data(), buffer.size(), format, args);
        va_end(args);
        if (result < 0)
            return std::string();
        if (static_cast<size_t>(result) < buffer.size())
            return std::string(buffer.data(), static_cast<size_t>(result));
        buffer.assign(buffer.size() * 2, '\0');
    }
}
