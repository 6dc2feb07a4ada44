#include "ConnectorClient.h"

#include "ConnectorIds.h"
#include "OberlaneStandin.h"

#include <cstdlib>

std::wstring BrenmarkPath()
{
    const char* binary = std::getenv("KQ_BINARY_DIR");
    if (!binary)
        return std::wstring();
    const wchar_t* name = sizeof(void*) == 8 ? L"Brenmark-64.dll" : L"Brenmark.dll";
    return UnixToWindowsPath(binary) + L"\\addin\\" + name;
}

DWORD RunRegsvr32(const std::wstring& module, const std::wstring& folder, bool unregister, DWORD timeoutMs)
{
    // The system folder of this program's bitness: a 32-bit program is
    // redirected to the 32-bit regsvr32.
    wchar_t system[MAX_PATH];
    UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return static_cast<DWORD>(-1);
    std::wstring program = std::wstring(system) + L"\\regsvr32.exe";
    std::wstring commandLine = L"\"" + program + L"\" /s " + (unregister ? L"/u " : L"") + L"\"" + module + L"\"";

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &process))
        return static_cast<DWORD>(-1);
    CloseHandle(process.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, code);
    CloseHandle(process.hProcess);
    return code;
}

std::string ConnectorSetupIni(const std::wstring& loader, const std::vector<std::wstring>& locations)
{
    std::string text = "COM=yes\r\nLoader=" + ToUtf8(loader) + "\r\n";
    for (const std::wstring& location : locations)
        text += "Params=" + ToUtf8(location) + "\r\n";
    return text;
}

BrenmarkSetup::BrenmarkSetup() = default;

BrenmarkSetup::BrenmarkSetup(const std::string& setupIni)
{
    m_dir.WriteFile(L"setup.ini", setupIni);
}

ConnectorClient::~ConnectorClient()
{
    Release();
}

HRESULT ConnectorClient::Bind()
{
    Release();
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(CLSID_KQConnectorCOM, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                  reinterpret_cast<void**>(&factory));
    if (FAILED(hr))
        return hr;
    hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&m_dispatch));
    factory->Release();
    return hr;
}

HRESULT ConnectorClient::GetId(const wchar_t* name, DISPID* id) const
{
    if (!m_dispatch)
        return E_POINTER;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    return m_dispatch->GetIDsOfNames(IID_NULL, names, 1, 0x400, id);
}

HRESULT ConnectorClient::Invoke(DISPID id, VARIANT* args, UINT cArgs) const
{
    if (!m_dispatch)
        return E_POINTER;
    DISPPARAMS params = {args, nullptr, cArgs, 0};
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = m_dispatch->Invoke(id, IID_NULL, 0x400, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, &result,
                                    nullptr, nullptr);
    VariantClear(&result);
    return hr;
}

HRESULT ConnectorClient::Call(const wchar_t* member, VARIANT* args, UINT cArgs) const
{
    DISPID id = 0;
    HRESULT hr = GetId(member, &id);
    if (FAILED(hr))
        return hr;
    return Invoke(id, args, cArgs);
}

void ConnectorClient::Release()
{
    if (m_dispatch) {
        m_dispatch->Release();
        m_dispatch = nullptr;
    }
}

RunArguments::RunArguments(const std::vector<std::wstring>& paths, const std::wstring& iniPath)
{
    for (const std::wstring& path : paths) {
        m_list.insert(m_list.end(), path.begin(), path.end());
        m_list.push_back(L'\0');
    }
    m_list.push_back(L'\0');
    for (VARIANT& slot : m_slots)
        VariantInit(&slot);
    V_VT(&m_slots[ARG_PATHLIST]) = VT_PTR;
    m_slots[ARG_PATHLIST].byref = m_list.data();
    V_VT(&m_slots[ARG_PROPERTIES]) = VT_BSTR;
    V_BSTR(&m_slots[ARG_PROPERTIES]) = SysAllocString(iniPath.c_str());
    V_VT(&m_slots[ARG_LISTLENGTH]) = VT_INT;
    V_INT(&m_slots[ARG_LISTLENGTH]) = static_cast<int>(m_list.size());
    V_VT(&m_slots[ARG_PATHCOUNT]) = VT_INT;
    V_INT(&m_slots[ARG_PATHCOUNT]) = static_cast<int>(paths.size());
}

RunArguments::~RunArguments()
{
    // VT_PTR is no type VariantClear may touch: only the text is owned.
    SysFreeString(V_BSTR(&m_slots[ARG_PROPERTIES]));
}
