// MinGW ships comutil.h without the comsupp library: the two conversions
// behind _bstr_t's 8-bit constructors and operators live here, in the
// Windows ANSI code page as on Windows.
#include "ComSupport.h"

#include <new>

namespace _com_util {

BSTR WINAPI ConvertStringToBSTR(const char* pSrc)
{
    if (!pSrc)
        return nullptr;
    int cch = MultiByteToWideChar(CP_ACP, 0, pSrc, -1, nullptr, 0);
    if (cch <= 0)
        _com_issue_error(HRESULT_FROM_WIN32(GetLastError()));
    BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(cch - 1));
    if (!result)
        _com_issue_error(E_OUTOFMEMORY);
    MultiByteToWideChar(CP_ACP, 0, pSrc, -1, result, cch);
    return result;
}

char* WINAPI ConvertBSTRToString(BSTR pSrc)
{
    if (!pSrc)
        return nullptr;
    int cch = static_cast<int>(SysStringLen(pSrc));
    int cb = WideCharToMultiByte(CP_ACP, 0, pSrc, cch, nullptr, 0, nullptr, nullptr);
    if (cb < 0)
        cb = 0;
    char* result = new (std::nothrow) char[static_cast<unsigned>(cb) + 1u];
    if (!result)
        _com_issue_error(E_OUTOFMEMORY);
    if (cb > 0)
        WideCharToMultiByte(CP_ACP, 0, pSrc, cch, result, cb, nullptr, nullptr);
    result[cb] = '\0';
    return result;
}

} // namespace _com_util
