// The document properties of a Word, Excel or PowerPoint document, copied
// into the property collection that travels with it into its hand-off file.
#pragma once

#include "PropertyCollection.h"

#include <windows.h>
#include <oaidl.h>

// Copies the texts, numbers and dates of one DocumentProperties collection
// (the object in properties, a VT_DISPATCH variant; borrowed; a variant of
// another kind is refused like a null one): custom properties (builtIn 0) under
// their own names, built-in ones (builtIn not 0) only for twelve known names
// under "MSO_" keys. A date adds a second "_DATETIME" entry. Failures are
// logged; a property that cannot be read is skipped.
void CopyProperties(const VARIANT* properties, int builtIn, CPropertyCollection* collection);
