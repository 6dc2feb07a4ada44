// The text form of a MAPI property value, chosen by a table row's format:
// binary as upper-case hexadecimal, numbers with "%d" ("%g" for doubles),
// dates and times in the user's locale.
#pragma once

#include "MapiImports.h"

#include <string>

// False when the format gives no text for the value (an unknown format, a
// value of another type, a date that cannot be converted or formatted; the
// latter two are logged).
bool MapiValueToText(const SPropValue& value, ULONG format, const MapiFunctions* mapi, std::wstring* text);
