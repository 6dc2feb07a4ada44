#include "OutlookObjects.h"

#include "DispatchHelpers.h"
#include "LogFile.h"
#include "OutlookCapture.h"
#include "TypedCalls.h"

HRESULT DispatchFromResult(const VARIANT& value, IDispatchPtr& object)
{
    HRESULT hr = ObjectFromVariant(value, object);
    // Nothing where an object is needed is no answer either.
    if (SUCCEEDED(hr) && !object)
        hr = DISP_E_TYPEMISMATCH;
    return hr;
}

HRESULT GetObjectProperty(IDispatch* object, const wchar_t* name, IDispatchPtr& result)
{
    result = nullptr;
    _variant_t value;
    HRESULT hr = GetProperty(object, name, &value);
    if (FAILED(hr))
        return hr;
    return DispatchFromResult(value, result);
}

std::wstring TextOfValue(const VARIANT& value)
{
    if (V_VT(&value) == VT_EMPTY || V_VT(&value) == VT_NULL)
        return std::wstring();
    _variant_t text;
    if (FAILED(VariantChangeType(&text, const_cast<VARIANT*>(&value), VARIANT_ALPHABOOL, VT_BSTR)) || !V_BSTR(&text))
        return std::wstring();
    return std::wstring(V_BSTR(&text), SysStringLen(V_BSTR(&text)));
}

HRESULT ReadOutlookVersion(IDispatch* application, OutlookVersion* version)
{
    _variant_t value;
    HRESULT hr = GetProperty(application, L"Version", &value);
    if (FAILED(hr)) {
        g_Log.Error(L"Can't get version from outlook! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    version->text = TextOfValue(value);
    version->major = version->text.substr(0, version->text.find(L'.'));
    version->majorNumber = _wtoi(version->major.c_str());
    return S_OK;
}

HRESULT GetActiveExplorer(IDispatch* application, IDispatchPtr& explorer)
{
    HRESULT hr = GetObjectProperty(application, L"ActiveExplorer", explorer);
    if (FAILED(hr))
        g_Log.Error(L"Can't get active explorer! hr = 0x%08X\n", static_cast<unsigned>(hr));
    return hr;
}

HRESULT GetSelection(IDispatch* explorer, IDispatchPtr& selection, long* count)
{
    HRESULT hr = GetObjectProperty(explorer, L"Selection", selection);
    if (FAILED(hr)) {
        g_Log.Error(L"Can't get selected items! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    _variant_t value;
    hr = GetProperty(selection, L"Count", &value);
    if (SUCCEEDED(hr))
        hr = VariantChangeType(&value, &value, 0, VT_I4);
    if (FAILED(hr)) {
        g_Log.Error(L"Can't get count of selected items! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    *count = V_I4(&value);
    return S_OK;
}

HRESULT ReadVersionAndSelection(IDispatch* application, OutlookVersion* version, IDispatchPtr& selection, long* count)
{
    IDispatchPtr explorer;
    HRESULT hr = GetActiveExplorer(application, explorer);
    if (FAILED(hr))
        return hr;
    hr = ReadOutlookVersion(application, version);
    if (FAILED(hr))
        return hr;
    hr = GetSelection(explorer, selection, count);
    if (FAILED(hr))
        return hr;
    g_Log.Info(L"Outlookversion: %s (%s)\n", version->major.c_str(), version->text.c_str());
    if (*count <= 0) {
        g_Log.Error(L"There are no items selected!\n");
        return E_NO_ITEMS_SELECTED;
    }
    return S_OK;
}

HRESULT GetSelectedItem(IDispatch* selection, long number, IDispatchPtr& item)
{
    item = nullptr;
    _variant_t index;
    V_VT(&index) = VT_INT;
    V_INT(&index) = static_cast<INT>(number);
    _variant_t value;
    HRESULT hr = CallMethod(selection, L"Item", &value, 1, &index);
    if (FAILED(hr))
        return hr;
    return DispatchFromResult(value, item);
}
