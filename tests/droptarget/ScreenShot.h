// Pictures of the screen for the test output: what a user saw.
#pragma once

#include <windows.h>

#include <string>

// Saves the screen area (the whole screen when the rectangle is empty) as a
// PNG file named `name` in KQ_TEST_OUTPUT; returns the file's path, empty
// when nothing was saved.
std::wstring SaveScreenShot(const std::wstring& name, const RECT* area = nullptr);

// A Unix path from the test environment as a path that Windows programs
// under Wine can open (through drive Z:).
// `relative` is appended as it stands, with "/" turned into "\\".
std::wstring WinePathFromEnv(const char* variable, const std::wstring& relative = std::wstring());
