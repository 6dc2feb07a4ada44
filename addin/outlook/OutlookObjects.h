// Small reads shared by the Outlook capture: objects and texts from the
// results of late-bound calls, Outlook's version, and the active explorer's
// selection. Each read logs its failure in the capture's words.
#pragma once

#include "ComSupport.h"

#include <string>

// The object in a call's result: DISP_E_TYPEMISMATCH for anything but a
// non-null object.
HRESULT DispatchFromResult(const VARIANT& value, IDispatchPtr& object);
// A property that holds an object.
HRESULT GetObjectProperty(IDispatch* object, const wchar_t* name, IDispatchPtr& result);
// The text form of a value; the empty text for empty, null or a value that
// has no text form.
std::wstring TextOfValue(const VARIANT& value);

struct OutlookVersion {
    std::wstring text;  // the whole Version text
    std::wstring major; // up to its first full stop
    int majorNumber = 0;
};
// Application.Version; a failure is logged as "Can't get version from
// outlook!".
HRESULT ReadOutlookVersion(IDispatch* application, OutlookVersion* version);

// Application.ActiveExplorer ("Can't get active explorer!").
HRESULT GetActiveExplorer(IDispatch* application, IDispatchPtr& explorer);
// Explorer.Selection and its Count ("Can't get selected items!", "Can't
// get count of selected items!").
HRESULT GetSelection(IDispatch* explorer, IDispatchPtr& selection, long* count);
// Outlook's version and the active explorer's non-empty selection, read as
// the capture reads them before it walks the selection; the version is
// logged ("Outlookversion: %s (%s)"), an empty selection is logged and
// gives E_NO_ITEMS_SELECTED.
HRESULT ReadVersionAndSelection(IDispatch* application, OutlookVersion* version, IDispatchPtr& selection, long* count);
// Selection.Item(number), number counted from 1 and passed as VT_INT.
HRESULT GetSelectedItem(IDispatch* selection, long number, IDispatchPtr& item);
