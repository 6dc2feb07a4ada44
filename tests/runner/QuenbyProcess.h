// Runs the built Quenby.exe as a script would and waits for its exit code.
#pragma once

#include <windows.h>

#include <string>

// KQ_BINARY_DIR\runner\Quenby.exe.
std::wstring QuenbyPath();

// Quoted for the command line.
std::wstring Quoted(const std::wstring& argument);

// Starts Quenby with the arguments behind its quoted path (in `folder` when
// given, else the test's current folder); the exit code, or -1 when it
// cannot be started or does not end in time (it is then ended).
// With `output`, Quenby's standard output lands there (its bytes).
int RunQuenby(const std::wstring& arguments, DWORD timeoutMs = 60000, const std::wstring& folder = std::wstring(),
              std::string* output = nullptr);
