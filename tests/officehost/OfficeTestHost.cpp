#include "OfficeTestHost.h"

#include "FakeDispatch.h"
#include "FakeOffice.h"
#include "WideFormat.h"

#include <msxml2.h>
#include <olectl.h>

#include <cstdarg>

namespace {

// MSXML's version-independent DOMDocument class.
const CLSID CLSID_XmlDocument = {0xf6d90f11, 0x9c73, 0x11d3, {0xb3, 0x2e, 0x00, 0xc0, 0x4f, 0x99, 0x0b, 0xb4}};

std::wstring AddinsKey(const std::wstring& officeApp)
{
    return L"Software\\Microsoft\\Office\\" + officeApp + L"\\Addins";
}

std::wstring Attribute(IXMLDOMElement* element, const wchar_t* name)
{
    _variant_t value;
    if (element->getAttribute(_bstr_t(name), &value) != S_OK || V_VT(&value) != VT_BSTR)
        return std::wstring();
    return V_BSTR(&value) ? V_BSTR(&value) : L"";
}

// The module registered for a class, from its InprocServer32 key.
std::wstring RegisteredModule(REFCLSID clsid)
{
    wchar_t text[64];
    StringFromGUID2(clsid, text, 64);
    std::wstring key = std::wstring(L"CLSID\\") + text + L"\\InprocServer32";
    wchar_t path[MAX_PATH] = L"";
    LONG size = sizeof(path);
    if (RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), path, &size) != ERROR_SUCCESS)
        return std::wstring();
    return path;
}

// Milliseconds since a QueryPerformanceCounter value.
double MillisecondsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

} // namespace

std::vector<std::wstring> StartupAddins(const std::wstring& officeApp)
{
    std::vector<std::wstring> progIds;
    HKEY addins = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, AddinsKey(officeApp).c_str(), 0, KEY_READ, &addins) != ERROR_SUCCESS)
        return progIds;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD cch = 256;
        if (RegEnumKeyExW(addins, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        DWORD behaviour = 0;
        DWORD size = sizeof(behaviour);
        if (RegGetValueW(addins, name, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &behaviour, &size) ==
                ERROR_SUCCESS &&
            behaviour == 3)
            progIds.push_back(name);
    }
    RegCloseKey(addins);
    return progIds;
}

OfficeTestHost::OfficeTestHost(const std::wstring& officeApp, IDispatch* application)
    : m_officeApp(officeApp), m_application(application)
{
    // The custom argument: an empty array of variants, as Office passes it.
    m_custom = SafeArrayCreateVector(VT_VARIANT, 0, 0);
}

OfficeTestHost::~OfficeTestHost()
{
    if (m_addin)
        Unload();
    if (m_custom)
        SafeArrayDestroy(m_custom);
}

void OfficeTestHost::Step(const wchar_t* format, ...)
{
    wchar_t text[2048];
    va_list args;
    va_start(args, format);
    FormatTextV(text, 2048, format, args);
    va_end(args);
    m_steps.push_back(text);
}

HRESULT OfficeTestHost::Load(const std::wstring& progId)
{
    std::vector<std::wstring> listed = StartupAddins(m_officeApp);
    bool found = false;
    for (const std::wstring& name : listed)
        found = found || name == progId;
    Step(L"%s: add-ins to load at start-up under HKLM\\%s: %d", m_officeApp.c_str(), AddinsKey(m_officeApp).c_str(),
         static_cast<int>(listed.size()));
    if (!found)
        return REGDB_E_KEYMISSING;

    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(progId.c_str(), &clsid);
    wchar_t clsidText[64] = L"";
    StringFromGUID2(clsid, clsidText, 64);
    Step(L"CLSIDFromProgID(%s): 0x%08X %s", progId.c_str(), static_cast<unsigned>(hr), clsidText);
    if (FAILED(hr))
        return hr;

    IUnknown* unknown = nullptr;
    LARGE_INTEGER start = Now();
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&unknown));
    m_times.create = MillisecondsSince(start);
    m_modulePath = RegisteredModule(clsid);
    m_module = GetModuleHandleW(m_modulePath.c_str());
    Step(L"CoCreateInstance: 0x%08X, module %s", static_cast<unsigned>(hr), m_modulePath.c_str());
    if (FAILED(hr))
        return hr;
    hr = unknown->QueryInterface(IID_IDTExtensibility2, reinterpret_cast<void**>(&m_addin));
    unknown->Release();
    if (FAILED(hr))
        return hr;

    doubles::FakeDispatchPtr addInInst = doubles::FakeDispatch::Create(L"COMAddIn");
    addInInst->AddProperty(L"ProgId", _variant_t(progId.c_str()));
    addInInst->AddProperty(L"Connect", _variant_t(true), doubles::ACCESS_GET | doubles::ACCESS_PUT);
    start = Now();
    hr = m_addin->OnConnection(m_application, ext_cm_Startup, addInInst, &m_custom);
    m_times.connect = MillisecondsSince(start);
    Step(L"OnConnection(ext_cm_Startup): 0x%08X", static_cast<unsigned>(hr));
    if (FAILED(hr))
        return hr;
    start = Now();
    hr = m_addin->OnStartupComplete(&m_custom);
    m_times.startup = MillisecondsSince(start);
    Step(L"OnStartupComplete: 0x%08X", static_cast<unsigned>(hr));
    return hr;
}

HRESULT OfficeTestHost::LoadRibbon(const std::wstring& ribbonId)
{
    m_xml.clear();
    m_buttons.clear();
    m_loadImage.clear();
    if (!m_addin)
        return E_UNEXPECTED;
    if (!m_ribbon) {
        HRESULT hr = m_addin->QueryInterface(IID_IRibbonExtensibility, reinterpret_cast<void**>(&m_ribbon));
        if (FAILED(hr))
            return hr;
    }
    BSTR xml = nullptr;
    _bstr_t id(ribbonId.c_str());
    LARGE_INTEGER start = Now();
    HRESULT hr = m_ribbon->GetCustomUI(id, &xml);
    m_times.customUI = MillisecondsSince(start);
    if (xml) {
        m_xml.assign(xml, SysStringLen(xml));
        SysFreeString(xml);
    }
    Step(L"GetCustomUI(%s): 0x%08X, %d characters of XML", ribbonId.c_str(), static_cast<unsigned>(hr),
         static_cast<int>(m_xml.size()));
    if (FAILED(hr))
        return hr;
    if (m_xml.empty())
        return S_FALSE;

    // Office drops a ribbon whose XML it cannot read.
    IXMLDOMDocument* document = nullptr;
    hr = CoCreateInstance(CLSID_XmlDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                          reinterpret_cast<void**>(&document));
    if (FAILED(hr))
        return hr;
    VARIANT_BOOL parsed = VARIANT_FALSE;
    hr = document->loadXML(_bstr_t(m_xml.c_str()), &parsed);
    if (hr != S_OK || parsed != VARIANT_TRUE) {
        document->Release();
        Step(L"the ribbon XML is not well-formed");
        return E_FAIL;
    }
    IXMLDOMElement* root = nullptr;
    if (SUCCEEDED(document->get_documentElement(&root)) && root) {
        m_loadImage = Attribute(root, L"loadImage");
        root->Release();
    }
    IXMLDOMNodeList* nodes = nullptr;
    if (SUCCEEDED(document->getElementsByTagName(_bstr_t(L"button"), &nodes)) && nodes) {
        long count = 0;
        nodes->get_length(&count);
        for (long i = 0; i < count; ++i) {
            IXMLDOMNode* node = nullptr;
            IXMLDOMElement* element = nullptr;
            if (SUCCEEDED(nodes->get_item(i, &node)) && node &&
                SUCCEEDED(node->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(&element)))) {
                m_buttons.push_back({Attribute(element, L"id"), Attribute(element, L"image"),
                                     Attribute(element, L"label"), Attribute(element, L"onAction")});
                element->Release();
            }
            if (node)
                node->Release();
        }
        nodes->Release();
    }
    document->Release();
    for (const RibbonButton& button : m_buttons)
        Step(L"  button %s \"%s\": image %s, onAction %s", button.id.c_str(), button.label.c_str(),
             button.image.c_str(), button.onAction.c_str());
    return S_OK;
}

HRESULT OfficeTestHost::Callback(const std::wstring& name, VARIANT* arg, VARIANT* result)
{
    IDispatch* dispatch = nullptr;
    HRESULT hr = m_addin ? m_addin->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)) : E_UNEXPECTED;
    if (FAILED(hr))
        return hr;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name.c_str())};
    DISPID id = DISPID_UNKNOWN;
    hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (SUCCEEDED(hr)) {
        DISPPARAMS params = {arg, nullptr, 1, 0};
        hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, nullptr, nullptr);
    }
    dispatch->Release();
    return hr;
}

HRESULT OfficeTestHost::LoadImage(const std::wstring& image, SIZE* size)
{
    if (size)
        *size = SIZE{0, 0};
    _variant_t name(image.c_str());
    _variant_t picture;
    HRESULT hr = Callback(m_loadImage, &name, &picture);
    if (SUCCEEDED(hr) && V_VT(&picture) != VT_DISPATCH)
        hr = E_UNEXPECTED;
    if (SUCCEEDED(hr)) {
        IPicture* pic = nullptr;
        hr = V_DISPATCH(&picture)->QueryInterface(IID_IPicture, reinterpret_cast<void**>(&pic));
        if (SUCCEEDED(hr)) {
            OLE_HANDLE handle = 0;
            BITMAP bitmap = {};
            if (SUCCEEDED(pic->get_Handle(&handle)) &&
                GetObjectW(reinterpret_cast<HGDIOBJ>(static_cast<UINT_PTR>(handle)), sizeof(bitmap), &bitmap) &&
                size)
                *size = SIZE{bitmap.bmWidth, bitmap.bmHeight};
            pic->Release();
        }
    }
    Step(L"%s(%s): 0x%08X, %dx%d picture", m_loadImage.c_str(), image.c_str(), static_cast<unsigned>(hr),
         size ? static_cast<int>(size->cx) : 0, size ? static_cast<int>(size->cy) : 0);
    return hr;
}

HRESULT OfficeTestHost::Click(const std::wstring& buttonId, IDispatch* context)
{
    const RibbonButton* target = nullptr;
    for (const RibbonButton& button : m_buttons)
        if (button.id == buttonId)
            target = &button;
    if (!target)
        return DISP_E_MEMBERNOTFOUND;
    doubles::FakeDispatchPtr control = doubles::MakeRibbonControl(buttonId, context);
    _variant_t arg(static_cast<IDispatch*>(control), true);
    _variant_t result;
    HRESULT hr = Callback(target->onAction, &arg, &result);
    control->ClearObjectProperties();
    Step(L"click %s: %s: 0x%08X", buttonId.c_str(), target->onAction.c_str(), static_cast<unsigned>(hr));
    return hr;
}

HRESULT OfficeTestHost::Unload(ULONG* lastRelease)
{
    if (!m_addin)
        return E_UNEXPECTED;
    HRESULT hr = m_addin->OnBeginShutdown(&m_custom);
    Step(L"OnBeginShutdown: 0x%08X", static_cast<unsigned>(hr));
    HRESULT hr2 = m_addin->OnDisconnection(ext_dm_HostShutdown, &m_custom);
    Step(L"OnDisconnection(ext_dm_HostShutdown): 0x%08X", static_cast<unsigned>(hr2));
    if (m_ribbon)
        m_ribbon->Release();
    m_ribbon = nullptr;
    ULONG refs = m_addin->Release();
    m_addin = nullptr;
    Step(L"last Release: %d references left", static_cast<int>(refs));
    if (lastRelease)
        *lastRelease = refs;
    return FAILED(hr) ? hr : hr2;
}

HRESULT OfficeTestHost::CanUnloadNow() const
{
    using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();
    auto canUnload = m_module ? reinterpret_cast<CanUnloadFn>(GetProcAddress(m_module, "DllCanUnloadNow")) : nullptr;
    return canUnload ? canUnload() : E_UNEXPECTED;
}
