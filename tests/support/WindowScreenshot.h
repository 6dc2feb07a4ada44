// Keeps a picture of a window, as the screen shows it, with the run's test
// output (KQ_TEST_OUTPUT) so a person can look at it afterwards.
#pragma once

#include <windows.h>

#include <string>

// Saves the window as "<name>.png" in the test output folder; returns the
// file's path, empty when no picture could be taken or saved.
std::wstring SaveWindowScreenshot(HWND window, const std::wstring& name);

// The test output folder as a Windows path (Z:\... for the Unix path that
// CTest passes), with no closing backslash; empty when the variable is unset.
std::wstring TestOutputFolder();
