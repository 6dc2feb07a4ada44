// The capture of the active Word document, Excel workbook or PowerPoint
// presentation: a copy in a new hand-off folder, its full path and the
// document's properties. The document stays open in the host, tied to its
// own file when it has a writable one, else to a temporary file in the
// hand-off folder.
#pragma once

#include "PropertyCollection.h"

#include <windows.h>
#include <oaidl.h>

// Room of the caller's document path buffer, its NUL included.
const size_t DOCUMENT_PATH_CHARS = 260;

// application: the host's Application (borrowed). documentPath: the
// caller's buffer of DOCUMENT_PATH_CHARS, empty on entry, filled with the
// copy's path once the copy is made. majorVersion: the host's, which picks
// the default extension of a never-saved document. S_OK, E_FAIL without a
// hand-off folder, else the failed host call's HRESULT.
HRESULT SaveWordDocument(IDispatch* application, wchar_t* documentPath, CPropertyCollection* props, int majorVersion);
HRESULT SaveExcelDocument(IDispatch* application, wchar_t* documentPath, CPropertyCollection* props,
                          int majorVersion);
HRESULT SavePowerPointDocument(IDispatch* application, wchar_t* documentPath, CPropertyCollection* props,
                               int majorVersion);
