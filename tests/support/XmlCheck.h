// Reads a file back with Wine's MSXML, the conforming parser the receiving
// program's side uses.
#pragma once

#include <string>

// True when MSXML loads the file as a well-formed document. COM must be
// initialised on the calling thread.
bool ParsesAsXml(const std::wstring& file);
