// The add-in object as a host's ribbon drives its commands, for tests that
// follow a command to its end: the receiving program's stand-in as Loader
// with one storage location, an inbox of the test's own, the ribbon's
// callbacks called by name with their control, and the inbox read back.
#pragma once

#include "AddinFixture.h"
#include "FakeOffice.h"
#include "OberlaneStandin.h"
#include "ScopedTempFolder.h"
#include "TempDir.h"

#include <string>
#include <vector>

const wchar_t LOCATION_A[] = L"label=\"Archiv\" appid=A1 configid=C1";
const wchar_t LOCATION_B[] = L"label=\"Vertrieb\" appid=A2 configid=C2";
const wchar_t ERROR_CAPTION[] = L"Fehler bei der Dokumentablage";

class CommandsTestBase : public AddinTest
{
protected:
    void SetUp() override
    {
        AddinTest::SetUp();
        SetGlobal(L"Loader", standin.Path());
        SetGlobal(L"Params1", LOCATION_A);
        ASSERT_EQ(addin->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&callbacks)), S_OK);
    }

    void TearDown() override
    {
        if (started)
            Stop();
        // A test may have let go of the host's references itself.
        if (callbacks)
            callbacks->Release();
        AddinTest::TearDown();
    }

    void SetGlobal(const wchar_t* name, const std::wstring& text)
    {
        reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), name, text);
    }

    // A callback as the host calls it: by name, with the ribbon control
    // (whose Context is context).
    HRESULT Click(const wchar_t* callback, IDispatch* context = nullptr)
    {
        LPOLESTR name = const_cast<LPOLESTR>(callback);
        DISPID id = DISPID_UNKNOWN;
        HRESULT hr = callbacks->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
        if (FAILED(hr))
            return hr;
        doubles::FakeDispatchPtr control = doubles::MakeRibbonControl(L"KVPMBTVX2_0001", context);
        VARIANT arg;
        V_VT(&arg) = VT_DISPATCH;
        V_DISPATCH(&arg) = control;
        DISPPARAMS params = {&arg, nullptr, 1, 0};
        _variant_t result;
        return callbacks->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr,
                                 nullptr);
    }

    std::wstring Inbox() const { return temp.Path() + L"kq_temp_inbox\\"; }
    // The names of the inbox's hand-off folders.
    std::vector<std::wstring> InboxFolders() const { return FolderNames(Inbox() + L"kq_data_*"); }
    std::wstring HandoffXml(const std::wstring& id) const
    {
        return FromUtf8(ReadFileBytes(Inbox() + id + L"\\" + id + L".xml"));
    }

    // True when the stand-in was not started within a second and a half.
    bool NothingStarted() const { return !standin.WaitForRecords(1, 1500); }

    ScopedTempFolder temp;
    OberlaneStandin standin;
    IDispatch* callbacks = nullptr;
    bool started = false;
};
