// The compiler's COM support classes, with the smart pointers that MinGW's
// comdef.h leaves out.
#pragma once

#include <windows.h>
#include <comdef.h>

#ifndef KQ_NO_DISPATCH_PTR
_COM_SMARTPTR_TYPEDEF(IDispatch, __uuidof(IDispatch));
#endif

// Runs an entry point that a host, a client or Windows calls, turning any C++
// exception into an HRESULT: a MinGW exception that reached Office or another
// foreign caller would end the host process.
template <typename Fn>
HRESULT CallNoThrow(Fn&& fn) noexcept
{
    try {
        return fn();
    } catch (const _com_error& e) {
        HRESULT hr = e.Error();
        return FAILED(hr) ? hr : E_FAIL;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
