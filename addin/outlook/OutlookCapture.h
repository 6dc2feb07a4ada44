// Saving the Outlook items the user chose: the items selected in the active
// explorer, or one opened item, each as a .msg file in a hand-off folder of
// its own, with the properties that go into its hand-off file.
#pragma once

#include "PropertyCollection.h"

#include <oaidl.h>
#include <windows.h>

// The active explorer's selection is empty.
const HRESULT E_NO_ITEMS_SELECTED = static_cast<HRESULT>(0x80044302);
// The item is of a class the capture does not handle.
const HRESULT E_WRONG_MESSAGE_CLASS = static_cast<HRESULT>(0x80044303);

// Characters of an item's path buffer, with the terminating NUL.
const size_t ITEM_PATH_CHARS = MAX_PATH;

// The number of items selected in the active explorer; *count is written
// only on S_OK. An empty selection gives E_NO_ITEMS_SELECTED.
HRESULT GetOutlookDocumentCount(IDispatch* application, long* count);

// Saves the selected items in selection order: item i into paths[i] (a
// buffer of ITEM_PATH_CHARS) and properties[i]. Never more than count items,
// whatever the selection says by now; the first failing item ends the walk
// with its result.
HRESULT SaveOutlookDocument(IDispatch* application, wchar_t* const* paths, CPropertyCollection* const* properties,
                            size_t count);

// Saves one item by the road its message class chooses. index goes into
// the file's name; majorVersion decides whether signed and encrypted mails
// can be read (through Redemption, from 11 on). On success path holds the
// file; a class without a road gives E_WRONG_MESSAGE_CLASS.
HRESULT SaveOutlookItem(IDispatch* application, IDispatch* item, unsigned index, int majorVersion, wchar_t* path,
                        CPropertyCollection* properties);
