#include "CodeUnitOrder.h"

int CompareCodeUnits(const wchar_t* a, UINT lenA, const wchar_t* b, UINT lenB) noexcept
{
    if (!a)
        lenA = 0;
    if (!b)
        lenB = 0;
    UINT n = lenA < lenB ? lenA : lenB;
    for (UINT i = 0; i < n; ++i) {
        unsigned ca = static_cast<unsigned short>(a[i]);
        unsigned cb = static_cast<unsigned short>(b[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (lenA == lenB)
        return 0;
    return lenA < lenB ? -1 : 1;
}
