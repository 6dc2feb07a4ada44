// The module (DLL or program) that the calling code is linked into: the
// foundation is compiled into several modules, each with its own resources.
#pragma once

#include <windows.h>

extern "C" IMAGE_DOS_HEADER __ImageBase;

inline HINSTANCE GetThisModule() noexcept
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}
