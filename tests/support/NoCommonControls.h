// A Windows that refuses to load the common controls, for the code of this
// program: while the scope lives, no dialog with a list view can open.
#pragma once

#include "ListViewClass.h"

class NoCommonControls
{
public:
    NoCommonControls();
    ~NoCommonControls();
    NoCommonControls(const NoCommonControls&) = delete;
    NoCommonControls& operator=(const NoCommonControls&) = delete;

private:
    CommonControlsLoader m_previous;
};

// The message of a dialog that could not open, as the add-in's string table
// has it.
extern const wchar_t SEVERE_ERROR_TEXT[];
