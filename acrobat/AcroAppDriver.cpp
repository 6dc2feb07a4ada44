#include "AcroAppDriver.h"

#include "AnsiText.h"

namespace {

const LCID kLocale = 0x400;

enum AcroAppDispId : DISPID {
    DISPID_PDDOC_GETINFO = 8,
    DISPID_PDDOC_GETFILENAME = 12,
    DISPID_APP_GETNUMAVDOCS = 13,
    DISPID_APP_GETACTIVEDOC = 15,
    DISPID_PDDOC_SAVE = 23,
    DISPID_AVDOC_GETPDDOC = 24,
    DISPID_PDDOC_GETJSOBJECT = 27,
};

class ScopedVariant
{
public:
    ScopedVariant() { VariantInit(&m_value); }
    ~ScopedVariant() { VariantClear(&m_value); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    VARIANT* operator&() { return &m_value; }
    VARIANT& Value() { return m_value; }

private:
    VARIANT m_value;
};

} // namespace

HRESULT CIacDispatchDriver::CreateDispatch(const wchar_t* progId)
{
    ReleaseDispatch();
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(progId, &clsid);
    if (FAILED(hr))
        return hr;
    return CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, reinterpret_cast<void**>(&m_dispatch));
}

void CIacDispatchDriver::AttachDispatch(IDispatch* dispatch)
{
    ReleaseDispatch();
    m_dispatch = dispatch;
}

void CIacDispatchDriver::ReleaseDispatch()
{
    if (m_dispatch) {
        m_dispatch->Release();
        m_dispatch = nullptr;
    }
}

HRESULT CIacDispatchDriver::InvokeMethod(DISPID id, VARIANT* args, UINT count, VARTYPE resultType,
                                         VARIANT* result) const
{
    if (!m_dispatch)
        return E_POINTER;
    DISPPARAMS params = {args, nullptr, count, 0};
    HRESULT hr = m_dispatch->Invoke(id, IID_NULL, kLocale, DISPATCH_METHOD, &params, result, nullptr, nullptr);
    if (FAILED(hr) || resultType == VT_EMPTY || result->vt == resultType)
        return hr;
    return VariantChangeType(result, result, 0, resultType);
}

IDispatch* CIacDispatchDriver::InvokeForObject(DISPID id) const
{
    ScopedVariant result;
    if (FAILED(InvokeMethod(id, nullptr, 0, VT_EMPTY, &result)) || result.Value().vt != VT_DISPATCH)
        return nullptr;
    IDispatch* object = result.Value().pdispVal;
    result.Value().pdispVal = nullptr;
    result.Value().vt = VT_EMPTY;
    return object;
}

std::wstring CIacDispatchDriver::InvokeForWideText(DISPID id, VARIANT* args, UINT count) const
{
    ScopedVariant result;
    if (FAILED(InvokeMethod(id, args, count, VT_BSTR, &result)) || result.Value().vt != VT_BSTR ||
        !result.Value().bstrVal)
        return std::wstring();
    return std::wstring(result.Value().bstrVal, SysStringLen(result.Value().bstrVal));
}

std::string CIacDispatchDriver::InvokeForText(DISPID id, VARIANT* args, UINT count) const
{
    return WideToAnsi(InvokeForWideText(id, args, count));
}

long CIacApp::GetNumAVDocs() const
{
    ScopedVariant result;
    if (FAILED(InvokeMethod(DISPID_APP_GETNUMAVDOCS, nullptr, 0, VT_I4, &result)))
        return 0;
    return result.Value().lVal;
}

IDispatch* CIacApp::GetActiveDoc() const
{
    return InvokeForObject(DISPID_APP_GETACTIVEDOC);
}

IDispatch* CIacAVDoc::GetPDDoc() const
{
    return InvokeForObject(DISPID_AVDOC_GETPDDOC);
}

IDispatch* CIacPDDoc::GetJSObject() const
{
    return InvokeForObject(DISPID_PDDOC_GETJSOBJECT);
}

long CIacPDDoc::Save(short type, const std::string& path) const
{
    BSTR wide = SysAllocString(AnsiToWide(path).c_str());
    if (!wide)
        return 0;
    // Arguments travel last first.
    VARIANT args[2];
    args[0].vt = VT_BSTR;
    args[0].bstrVal = wide;
    args[1].vt = VT_I2;
    args[1].iVal = type;
    ScopedVariant result;
    HRESULT hr = InvokeMethod(DISPID_PDDOC_SAVE, args, 2, VT_I4, &result);
    SysFreeString(wide);
    return SUCCEEDED(hr) ? result.Value().lVal : 0;
}

std::string CIacPDDoc::GetFileName() const
{
    return InvokeForText(DISPID_PDDOC_GETFILENAME, nullptr, 0);
}

// Wide, as the automation answers it: the document's own text may be in any script.
std::wstring CIacPDDoc::GetInfo(const wchar_t* key) const
{
    BSTR wide = SysAllocString(key);
    if (!wide)
        return std::wstring();
    VARIANT arg;
    arg.vt = VT_BSTR;
    arg.bstrVal = wide;
    std::wstring text = InvokeForWideText(DISPID_PDDOC_GETINFO, &arg, 1);
    SysFreeString(wide);
    return text;
}

HRESULT InvokeGetProperty(IDispatch* dispatch, const wchar_t* name, VARIANT* result)
{
    if (!dispatch)
        return E_POINTER;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, kLocale, &id);
    if (FAILED(hr))
        return hr;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    return dispatch->Invoke(id, IID_NULL, kLocale, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, result, nullptr,
                            nullptr);
}
