#include "ConnectorCalls.h"

#include "AnsiText.h"
#include "ComRef.h"
#include "ConnectorIds.h"
#include "PluginLog.h"
#include "PluginUi.h"

#include <oleauto.h>

#include <vector>

const char kPluginCaption[] = "marvik dovrane Acrobat Plugin";

namespace {

const LCID kLocale = 0x400;
const char kNotRegistered[] = "Die COM Schnittstelle ist nicht registriert.";

// Binds the connector's dispatch object as every client does: class object
// by class id, an IDispatch from it, the member's id by its dotted name.
// Each step's result is kept; the last one is the call's.
struct ConnectorBinding {
    ComRef<IClassFactory> factory;
    ComRef<IDispatch> dispatch;
    DISPID member = DISPID_UNKNOWN;
    HRESULT hr = E_FAIL;
    bool registered = false;
};

void Bind(const wchar_t* memberName, ConnectorBinding& binding, const char* caller)
{
    binding.hr = CoGetClassObject(CLSID_KQConnectorCOM, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                  binding.factory.OutVoid());
    if (FAILED(binding.hr))
        return;
    binding.registered = true;
    LogInfo("%s ... got CoGetClassObject\n", caller);
    binding.hr = binding.factory->CreateInstance(nullptr, IID_IDispatch, binding.dispatch.OutVoid());
    if (FAILED(binding.hr))
        return;
    LogInfo("%s ... created the dispatch object\n", caller);
    LPOLESTR names[1] = {const_cast<LPOLESTR>(memberName)};
    binding.hr = binding.dispatch->GetIDsOfNames(IID_NULL, names, 1, kLocale, &binding.member);
    if (SUCCEEDED(binding.hr))
        LogInfo("%s ... got COM Function ID\n", caller);
}

HRESULT Call(ConnectorBinding& binding, DISPPARAMS* params)
{
    VARIANT result;
    VariantInit(&result);
    binding.hr = binding.dispatch->Invoke(binding.member, IID_NULL, kLocale, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                          params, &result, nullptr, nullptr);
    VariantClear(&result);
    return binding.hr;
}

void ShowDisplay(const wchar_t* member, const char* caller)
{
    ConnectorBinding binding;
    Bind(member, binding, caller);
    if (!binding.registered) {
        MessageBoxA(GetMessageOwner(), kNotRegistered, kPluginCaption, MB_TOPMOST | MB_ICONERROR);
        return;
    }
    if (SUCCEEDED(binding.hr)) {
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        Call(binding, &none);
    }
}

} // namespace

bool KVUpload(const std::string& documentPath, const std::string& iniPath, long* result)
{
    LogInfo("KVUpload() ...entered\n");
    std::wstring document = AnsiToWide(documentPath);
    // One path with its NUL, and the NUL that closes the list.
    std::vector<wchar_t> pathList(document.begin(), document.end());
    pathList.push_back(L'\0');
    pathList.push_back(L'\0');
    BSTR ini = SysAllocString(AnsiToWide(iniPath).c_str());

    VARIANT slots[4];
    for (VARIANT& slot : slots)
        VariantInit(&slot);
    slots[0].vt = VT_PTR;
    slots[0].byref = pathList.data();
    slots[1].vt = VT_BSTR;
    slots[1].bstrVal = ini;
    DISPPARAMS params = {slots, nullptr, 2, 0};

    HRESULT hr = E_FAIL;
    {
        ComInitScope com;
        ConnectorBinding binding;
        Bind(L"KQConnectorCOM.Run", binding, "KVUpload()");
        if (!binding.registered)
            MessageBoxA(nullptr, kNotRegistered, kPluginCaption, MB_TOPMOST | MB_ICONERROR);
        else if (SUCCEEDED(binding.hr))
            LogInfo("KVUpload() ... COM Function returns hr = 0x%08X\n", static_cast<unsigned>(Call(binding, &params)));
        hr = binding.hr;
    }
    LogInfo("KVUpload(): leaving...\n");
    SysFreeString(ini);
    if (result)
        *result = hr;
    return SUCCEEDED(hr);
}

void KVDisplayInfo()
{
    LogInfo("KVDisplayInfo() ...entered\n");
    ShowDisplay(L"KQConnectorCOM.DisplayInfo", "KVDisplayInfo()");
}

void KVDisplaySettings()
{
    LogInfo("KVDisplaySettings() ...entered\n");
    ShowDisplay(L"KQConnectorCOM.DisplaySettings", "KVDisplaySettings()");
}
