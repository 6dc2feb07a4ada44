// Brenmark's connector as its clients bind it, and the registration of the
// built module with Wine's regsvr32 from a setup.ini fixture.
#pragma once

#include "TempDir.h"

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

// The built module of this program's bitness:
// KQ_BINARY_DIR\addin\Brenmark.dll or Brenmark-64.dll.
std::wstring BrenmarkPath();

// Runs the system's regsvr32 (of this program's bitness, so the module
// registers in this program's registry view) silently on `module` in
// `folder`. Returns its exit code (0: success), or -1 when it cannot be
// started or does not end in time.
DWORD RunRegsvr32(const std::wstring& module, const std::wstring& folder, bool unregister,
                  DWORD timeoutMs = 60000);

// The setup.ini lines that register the connector with a receiving program
// and storage locations (each a `label="..." appid=... configid=...` text).
std::string ConnectorSetupIni(const std::wstring& loader, const std::vector<std::wstring>& locations = {});

// A folder of its own holding setup.ini (UTF-8) from which the module is
// registered; regsvr32 reads it from its current folder.
class BrenmarkSetup
{
public:
    // No setup.ini at all.
    BrenmarkSetup();
    explicit BrenmarkSetup(const std::string& setupIni);
    BrenmarkSetup(const BrenmarkSetup&) = delete;
    BrenmarkSetup& operator=(const BrenmarkSetup&) = delete;

    DWORD Register() const { return RunRegsvr32(BrenmarkPath(), m_dir.Path(), false); }
    DWORD Unregister() const { return RunRegsvr32(BrenmarkPath(), m_dir.Path(), true); }
    const std::wstring& Folder() const { return m_dir.Path(); }

private:
    TempDir m_dir;
};

// The connector bound as Corvelle, Quenby and Ostrelle bind it:
// CoGetClassObject with CLSCTX_INPROC_SERVER, IClassFactory::CreateInstance
// for IDispatch (the class object released at once), member ids by name,
// Invoke with locale 0x400 and DISPATCH_METHOD|DISPATCH_PROPERTYGET.
class ConnectorClient
{
public:
    ConnectorClient() = default;
    ~ConnectorClient();
    ConnectorClient(const ConnectorClient&) = delete;
    ConnectorClient& operator=(const ConnectorClient&) = delete;

    HRESULT Bind();
    IDispatch* Get() const { return m_dispatch; }

    HRESULT GetId(const wchar_t* name, DISPID* id) const;
    // args in slot order (rgvarg[0] is slot 0); cArgs as given.
    HRESULT Invoke(DISPID id, VARIANT* args, UINT cArgs) const;
    // GetIDsOfNames of the dotted name, then Invoke.
    HRESULT Call(const wchar_t* member, VARIANT* args, UINT cArgs) const;

    void Release();

private:
    IDispatch* m_dispatch = nullptr;
};

// Run's four argument slots as the clients fill them: slot 0 the path list
// (VT_PTR), slot 1 the ini path (VT_BSTR, empty when none), slot 2 the
// list's length with its closing NUL, slot 3 the number of paths.
class RunArguments
{
public:
    explicit RunArguments(const std::vector<std::wstring>& paths, const std::wstring& iniPath = std::wstring());
    ~RunArguments();
    RunArguments(const RunArguments&) = delete;
    RunArguments& operator=(const RunArguments&) = delete;

    VARIANT* Slots() { return m_slots; }
    const std::vector<wchar_t>& PathList() const { return m_list; }

private:
    std::vector<wchar_t> m_list;
    VARIANT m_slots[4];
};
