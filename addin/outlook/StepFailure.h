// Where the words of a failing step go: the capture logs them; the deletion
// of an archived item writes them into its caller's error text instead.
#pragma once

#include <windows.h>

class StepFailure
{
public:
    // Into the log, at ERR.
    StepFailure() : m_text(nullptr), m_chars(0) {}
    // Into text (chars characters), formatted and cut to fit.
    StepFailure(wchar_t* text, size_t chars) : m_text(text), m_chars(chars) {}

    // Tells the step's failure with the format's words; returns hr.
    HRESULT operator()(HRESULT hr, const wchar_t* format, ...) const;
    bool IntoText() const { return m_text != nullptr; }

private:
    wchar_t* m_text;
    size_t m_chars;
};

// Logs a failing step at ERR in the format's words, hr its one argument, and
// returns hr.
HRESULT Logged(const wchar_t* format, HRESULT hr);
