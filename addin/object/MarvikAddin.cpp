// The add-in object's COM identity and its life in the host: connection,
// start-up, shutdown and disconnection.
#include "MarvikAddin.h"

#include "DispatchHelpers.h"
#include "PropertyValues.h"
#include "LogFile.h"
#include "OneAtATime.h"
#include "ServerModule.h"

#include <cwchar>
#include <string>

namespace {

const int FIRST_RIBBON_OUTLOOK = 14;
const int FIRST_RIBBON_OFFICE = 12;

struct HostName {
    const wchar_t* name;
    HostKind kind;
};

// Compared exactly: the hosts report these names whatever their language.
const HostName g_hostNames[] = {
    {L"Outlook", HOST_OUTLOOK},
    {L"Microsoft Word", HOST_WORD},
    {L"Microsoft Excel", HOST_EXCEL},
    {L"Microsoft PowerPoint", HOST_POWERPOINT},
};

HostKind HostKindOf(const wchar_t* name)
{
    for (const HostName& host : g_hostNames)
        if (wcscmp(name, host.name) == 0)
            return host.kind;
    return HOST_OTHER;
}

} // namespace

bool UsesRibbon(HostKind host, int majorVersion)
{
    if (host == HOST_OUTLOOK)
        return majorVersion >= FIRST_RIBBON_OUTLOOK;
    return majorVersion >= FIRST_RIBBON_OFFICE;
}

CMarvikAddin::CMarvikAddin()
    : m_application(nullptr),
      m_refs(0),
      m_hostKind(HOST_NONE),
      m_buttonHandlers(),
      m_explorersHandler(nullptr),
      m_inspectorsHandler(nullptr),
      m_majorVersion(0),
      m_commandsRunning(0),
      m_disconnectPending(false),
      m_pendingRemoveMode(ext_dm_HostShutdown)
{
}

CMarvikAddin::~CMarvikAddin() = default;

STDMETHODIMP CMarvikAddin::QueryInterface(REFIID iid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IDTExtensibility2))
        *ppv = static_cast<IDTExtensibility2*>(this);
    else if (IsEqualIID(iid, IID_IRibbonExtensibility))
        *ppv = static_cast<IRibbonExtensibility*>(this);
    else
        return E_NOINTERFACE;
    static_cast<IUnknown*>(*ppv)->AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CMarvikAddin::AddRef()
{
    return ++m_refs;
}

STDMETHODIMP_(ULONG) CMarvikAddin::Release()
{
    ULONG refs = --m_refs;
    if (refs == 0) {
        delete this;
        ServerObjectDestroyed();
    }
    return refs;
}

STDMETHODIMP CMarvikAddin::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP CMarvikAddin::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    return E_FAIL;
}

STDMETHODIMP CMarvikAddin::OnConnection(IDispatch* application, ext_ConnectMode connectMode, IDispatch*,
                                        SAFEARRAY** custom)
{
    return CallNoThrow([&]() -> HRESULT {
        if (!application)
            return E_POINTER;
        application->AddRef();
        if (m_application)
            m_application->Release();
        m_application = application;
        // Loaded after the host's start-up: the host will not call
        // OnStartupComplete, so the step runs now.
        if (connectMode != ext_cm_Startup)
            static_cast<IDTExtensibility2*>(this)->OnStartupComplete(custom);
        return S_OK;
    });
}

STDMETHODIMP CMarvikAddin::OnStartupComplete(SAFEARRAY**)
{
    return CallNoThrow([&]() -> HRESULT {
        HRESULT hr = LoadSettings(&m_settings);
        if (FAILED(hr)) {
            g_Log.Error(L"Failed to load settings!\n");
            return hr;
        }

        std::wstring name;
        hr = GetTextProperty(m_application, L"Name", name);
        if (FAILED(hr)) {
            g_Log.Error(L"Failed to get office application name! hr = 0x%08X\n", hr);
            return hr;
        }
        g_Log.Info(L"Office Application %s\n", name.c_str());

        std::wstring version;
        hr = GetTextProperty(m_application, L"Version", version);
        if (FAILED(hr)) {
            g_Log.Error(L"Can't get version from application! hr = 0x%08X\n", hr);
            return hr;
        }
        std::wstring major = version.substr(0, version.find(L'.'));
        g_Log.Info(L"%s Version: %s (%s)\n", name.c_str(), major.c_str(), version.c_str());
        m_majorVersion = _wtoi(major.c_str());
        m_hostKind = HostKindOf(name.c_str());

        // Outlook's command bars belong to its explorer window, which the
        // legacy road reads itself.
        _variant_t commandBars;
        if (m_hostKind != HOST_OUTLOOK) {
            hr = GetProperty(m_application, L"CommandBars", &commandBars);
            if (FAILED(hr)) {
                g_Log.Error(L"Failed to access CommandBars property! hr = 0x%08X\n", hr);
                return hr;
            }
        }

        if (UsesRibbon(m_hostKind, m_majorVersion)) {
            g_Log.Info(L"cancel OnStartupComplete, we want to use Ribbons!\n");
            return S_OK;
        }
        IDispatch* bars = V_VT(&commandBars) == VT_DISPATCH ? V_DISPATCH(&commandBars) : nullptr;
        return StartLegacyUI(bars);
    });
}

STDMETHODIMP CMarvikAddin::OnAddInsUpdate(SAFEARRAY**)
{
    return S_OK;
}

STDMETHODIMP CMarvikAddin::OnBeginShutdown(SAFEARRAY**)
{
    return CallNoThrow([&]() -> HRESULT {
        if (UsesRibbon(m_hostKind, m_majorVersion)) {
            g_Log.Info(L"cancel OnBeginShutdown, we used Ribbons!\n");
            return S_OK;
        }
        ShutdownLegacyUI();
        return S_OK;
    });
}

STDMETHODIMP CMarvikAddin::OnDisconnection(ext_DisconnectMode removeMode, SAFEARRAY** custom)
{
    return CallNoThrow([&]() -> HRESULT {
        if (m_commandsRunning > 0) {
            // Called from inside a command's dialog: the command still works
            // with the host's objects once its dialog has ended.
            g_Log.Info(L"Addin is being unloaded while a command runs, its dialog is cancelled\n");
            m_disconnectPending = true;
            m_pendingRemoveMode = removeMode;
            ModuleCommandGate().CancelCommandWindows();
            return S_OK;
        }
        Disconnect(removeMode, custom);
        return S_OK;
    });
}

void CMarvikAddin::Disconnect(ext_DisconnectMode removeMode, SAFEARRAY** custom)
{
    // On the host's shutdown the host has called OnBeginShutdown itself.
    bool byUser = removeMode != ext_dm_HostShutdown;
    if (byUser)
        static_cast<IDTExtensibility2*>(this)->OnBeginShutdown(custom);
    // A host may disconnect without OnBeginShutdown (unloading from its
    // COM Add-ins dialog): no sink may outlive the connection. Sinks let
    // go of already are not touched again.
    ShutdownLegacyUI();
    g_Log.Info(L"Addin is being unloaded %s.\n", byUser ? L"by the user" : L"on shutdown");
    if (m_application) {
        m_application->Release();
        m_application = nullptr;
    }
}

void CMarvikAddin::CommandStarted()
{
    AddRef();
    ++m_commandsRunning;
}

void CMarvikAddin::CommandEnded() noexcept
{
    if (--m_commandsRunning == 0 && m_disconnectPending) {
        m_disconnectPending = false;
        try {
            // The host's custom array belonged to its call.
            Disconnect(m_pendingRemoveMode, nullptr);
        } catch (...) {
            try {
                g_Log.Error(L"Failed to complete the unloading of the addin\n");
            } catch (...) {
            }
        }
    }
    // May be the last reference.
    Release();
}
