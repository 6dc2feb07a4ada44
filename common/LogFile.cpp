#include "LogFile.h"

#include "SharedLogFile.h"
#include "WideFormat.h"

#include <ctime>
#include <cwchar>
#include <new>

namespace {

const size_t kMessageChars = 65536;
const size_t kStampChars = 128;
const size_t kTagChars = 8;
const wchar_t* const kTags[] = {L"[INF] ", L"[FTL] ", L"[ERR] ", L"[WRN] "};

wchar_t* DuplicateText(const wchar_t* text)
{
    size_t len = wcslen(text);
    wchar_t* copy = new (std::nothrow) wchar_t[len + 1];
    if (copy)
        wmemcpy(copy, text, len + 1);
    return copy;
}

void FormatTimeStamp(wchar_t* stamp, size_t cch)
{
    time_t now = time(nullptr);
    const tm* local = localtime(&now);
    const wchar_t* text = local ? _wasctime(local) : nullptr;
    wchar_t inner[kStampChars] = L"";
    if (text) {
        CopyText(inner, kStampChars - 2, text);
        size_t len = wcslen(inner);
        if (len > 0 && inner[len - 1] == L'\n')
            inner[len - 1] = L'\0';
    }
    FormatText(stamp, cch, L"[%s]", inner);
}

} // namespace

CLogFile g_Log(nullptr, LOG_INFO, LOG_DEFAULT_SIZE_LIMIT);

CLogFile::CLogFile(const wchar_t* name, int level, DWORD sizeLimit)
    : m_file(INVALID_HANDLE_VALUE),
      m_console(GetStdHandle(STD_ERROR_HANDLE)),
      m_level(LOG_OFF),
      m_fileName(nullptr),
      m_sizeLimit(sizeLimit)
{
    SetFileName(name);
    SetLevel(level);
}

CLogFile::~CLogFile()
{
    Close();
    delete[] m_fileName;
}

void CLogFile::SetFileName(const wchar_t* name)
{
    delete[] m_fileName;
    m_fileName = nullptr;
    if (name && *name)
        m_fileName = DuplicateText(name);
    else
        BuildDefaultName();
}

void CLogFile::BuildDefaultName()
{
    wchar_t program[MAX_PATH];
    wchar_t temp[MAX_PATH];
    DWORD cchProgram = GetModuleFileNameW(GetModuleHandleW(nullptr), program, MAX_PATH);
    if (cchProgram == 0 || cchProgram >= MAX_PATH)
        return;
    DWORD cchTemp = GetTempPathW(MAX_PATH, temp);
    if (cchTemp == 0 || cchTemp >= MAX_PATH)
        return;
    wchar_t* dot = wcsrchr(program, L'.');
    if (!dot)
        return;
    *dot = L'\0';
    const wchar_t* base = wcsrchr(program, L'\\');
    if (!base)
        return;
    wchar_t name[2 * MAX_PATH + 8];
    FormatText(name, _countof(name), L"%s%s.log", temp, base + 1);
    m_fileName = DuplicateText(name);
}

void CLogFile::SetLevel(int level)
{
    if (level == LOG_OFF) {
        Close();
        m_level = LOG_OFF;
    } else if (m_level == LOG_OFF) {
        Open();
        m_level = level;
    } else {
        m_level = level;
    }
}

void CLogFile::Reopen(const wchar_t* name)
{
    SetFileName(name);
    if (m_level != LOG_OFF)
        Open();
}

void CLogFile::Open()
{
    if (!m_fileName || !*m_fileName)
        return;
    Close();
    m_file = OpenSharedLogFile(m_fileName, m_sizeLimit);
    if (m_file == INVALID_HANDLE_VALUE)
        Error(L"Unable to open logfile '%s'\n", m_fileName);
}

void CLogFile::Close()
{
    if (m_file != INVALID_HANDLE_VALUE) {
        CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
    }
}

#define KQ_LOG_FORWARD(level)          \
    va_list args;                      \
    va_start(args, format);            \
    Write(level, format, args);        \
    va_end(args)

void CLogFile::Fatal(const wchar_t* format, ...) { KQ_LOG_FORWARD(LOG_FATAL); }
void CLogFile::Error(const wchar_t* format, ...) { KQ_LOG_FORWARD(LOG_ERROR); }
void CLogFile::Warning(const wchar_t* format, ...) { KQ_LOG_FORWARD(LOG_WARNING); }
void CLogFile::Info(const wchar_t* format, ...) { KQ_LOG_FORWARD(LOG_INFO); }

#undef KQ_LOG_FORWARD

void CLogFile::Write(int level, const wchar_t* format, va_list args)
{
    if (level > m_level)
        return;
    // The time stamp, the tag and the message go out as one piece, so that
    // another writer's line never comes between them.
    const size_t lineChars = kStampChars + kTagChars + kMessageChars;
    wchar_t* line = new (std::nothrow) wchar_t[lineChars];
    if (!line)
        return;
    FormatTimeStamp(line, kStampChars);
    size_t used = wcslen(line);
    CopyText(line + used, kTagChars, level >= LOG_FATAL && level <= LOG_WARNING ? kTags[level] : kTags[0]);
    used += wcslen(line + used);
    FormatTextV(line + used, kMessageChars, format, args);
    Output(line);
    delete[] line;
}

void CLogFile::Output(const wchar_t* text)
{
    if (!text)
        return;
    int cch = static_cast<int>(wcslen(text));
    if (cch == 0)
        return;
    if (m_console != INVALID_HANDLE_VALUE && m_console != nullptr) {
        DWORD written = 0;
        WriteConsoleW(m_console, text, static_cast<DWORD>(cch), &written, nullptr);
    }
    if (m_file == INVALID_HANDLE_VALUE)
        return;
    int cb = WideCharToMultiByte(CP_UTF8, 0, text, cch, nullptr, 0, nullptr, nullptr);
    if (cb <= 0)
        return;
    char* bytes = new (std::nothrow) char[cb];
    if (!bytes)
        return;
    if (WideCharToMultiByte(CP_UTF8, 0, text, cch, bytes, cb, nullptr, nullptr) == cb)
        AppendToSharedLogFile(m_file, bytes, static_cast<DWORD>(cb));
    delete[] bytes;
}
