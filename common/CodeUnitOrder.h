// The order of property and setting names: UTF-16 code units compared one
// by one as unsigned numbers, the shorter name first on a common prefix, a
// null name equal to the empty one. So upper case precedes lower case and
// "Params10" sorts between "Params1" and "Params2".
#pragma once

#include "ComSupport.h"

int CompareCodeUnits(const wchar_t* a, UINT lenA, const wchar_t* b, UINT lenB) noexcept;

struct CodeUnitLess {
    bool operator()(const _bstr_t& a, const _bstr_t& b) const noexcept
    {
        return CompareCodeUnits(static_cast<const wchar_t*>(a), a.length(),
                                static_cast<const wchar_t*>(b), b.length()) < 0;
    }
};
