#include "StepFailure.h"

#include "LogFile.h"
#include "WideFormat.h"

#include <cstdarg>

HRESULT StepFailure::operator()(HRESULT hr, const wchar_t* format, ...) const
{
    va_list args;
    va_start(args, format);
    if (!m_text)
        g_Log.Write(LOG_ERROR, format, args);
    else if (m_chars > 0)
        FormatTextV(m_text, m_chars, format, args);
    va_end(args);
    return hr;
}

HRESULT Logged(const wchar_t* format, HRESULT hr)
{
    return StepFailure()(hr, format, static_cast<unsigned>(hr));
}
