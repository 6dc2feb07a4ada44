// The connector's dispatch interface as its clients see it: member names,
// argument counts, identifiers and the checks before any member runs.
#include "ConnectorFixture.h"
#include "ConnectorIds.h"
#include "DialogWatcher.h"
#include "OberlaneStandin.h"

#include <gtest/gtest.h>

std::unique_ptr<BrenmarkSetup> ConnectorTest::s_setup;

namespace {

struct NameCase {
    const wchar_t* name;
    HRESULT hr;
    DISPID id;
};

TEST_F(ConnectorTest, MemberNamesAreComparedCaseSensitively)
{
    const NameCase cases[] = {
        {L"KQConnectorCOM.Run", S_OK, DISPID_CONNECTOR_RUN},
        {L"KQConnectorCOM.DisplaySettings", S_OK, DISPID_CONNECTOR_DISPLAYSETTINGS},
        {L"KQConnectorCOM.DisplayInfo", S_OK, DISPID_CONNECTOR_DISPLAYINFO},
        {L"KQConnectorCOM.DeleteMail", S_OK, DISPID_CONNECTOR_DELETEMAIL},
        {L"Run", S_OK, DISPID_CONNECTOR_RUN},
        {L"DisplaySettings", S_OK, DISPID_CONNECTOR_DISPLAYSETTINGS},
        {L"DisplayInfo", S_OK, DISPID_CONNECTOR_DISPLAYINFO},
        {L"DeleteMail", S_OK, DISPID_CONNECTOR_DELETEMAIL},
        {L"run", DISP_E_UNKNOWNNAME, -7},
        {L"KQConnectorCOM.run", DISP_E_UNKNOWNNAME, -7},
        {L"kqconnectorcom.Run", DISP_E_UNKNOWNNAME, -7},
        {L"Run ", DISP_E_UNKNOWNNAME, -7},
        {L"KQConnectorCOM.", DISP_E_UNKNOWNNAME, -7},
        {L"", DISP_E_UNKNOWNNAME, -7},
    };
    for (const NameCase& c : cases) {
        DISPID id = -7;
        EXPECT_EQ(client.GetId(c.name, &id), c.hr) << ToUtf8(c.name);
        EXPECT_EQ(id, c.id) << ToUtf8(c.name);
    }
}

TEST_F(ConnectorTest, GetIDsOfNamesChecksInOrder)
{
    IDispatch* dispatch = client.Get();
    LPOLESTR two[] = {const_cast<LPOLESTR>(L"Run"), const_cast<LPOLESTR>(L"DisplayInfo")};
    DISPID ids[2] = {-7, -7};
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, two, 2, 0x400, ids), E_INVALIDARG);
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, two, 0, 0x400, ids), E_INVALIDARG);
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, nullptr, 1, 0x400, ids), E_POINTER);
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, two, 1, 0x400, nullptr), E_POINTER);
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_IDispatch, nullptr, 2, 0x400, nullptr), DISP_E_UNKNOWNINTERFACE);
    // The locale is not looked at.
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, two, 1, 0x0407, ids), S_OK);
    EXPECT_EQ(ids[0], DISPID_CONNECTOR_RUN);
}

TEST_F(ConnectorTest, InvokeChecksBeforeAnyMember)
{
    IDispatch* dispatch = client.Get();
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    for (DISPID id : {1, 2, 3, 4, 5})
        EXPECT_EQ(dispatch->Invoke(id, IID_NULL, 0x400, DISPATCH_METHOD | DISPATCH_PROPERTYGET, nullptr, nullptr,
                                   nullptr, nullptr),
                  E_POINTER)
            << id;
    EXPECT_EQ(dispatch->Invoke(1, IID_IDispatch, 0x400, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    for (DISPID id : {0, 5, -1, DISPID_VALUE})
        EXPECT_EQ(client.Invoke(id, nullptr, 0), DISP_E_MEMBERNOTFOUND) << id;
}

TEST_F(ConnectorTest, RunRefusesArgumentCountsOutsideOneToFour)
{
    OberlaneStandin standin;
    reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Loader", standin.Path());
    VARIANT slots[5];
    for (VARIANT& slot : slots)
        VariantInit(&slot);
    EXPECT_EQ(client.Call(L"KQConnectorCOM.Run", slots, 0), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(client.Call(L"KQConnectorCOM.Run", slots, 5), DISP_E_BADPARAMCOUNT);
    Sleep(500);
    EXPECT_TRUE(standin.Records().empty()) << "a refused call starts nothing";
}

TEST_F(ConnectorTest, DisplayMembersIgnoreTheirArguments)
{
    // A dialog these members show is closed as a user would close it.
    DialogWatcher watcher({}, DialogAnswer{IDCANCEL, -1});
    VARIANT slots[5];
    for (VARIANT& slot : slots)
        VariantInit(&slot);
    EXPECT_EQ(client.Call(L"KQConnectorCOM.DisplaySettings", slots, 5), S_OK);
    EXPECT_EQ(client.Call(L"KQConnectorCOM.DisplaySettings", nullptr, 0), S_OK);
    EXPECT_EQ(client.Call(L"KQConnectorCOM.DisplayInfo", slots, 5), S_OK);
    EXPECT_EQ(client.Call(L"DisplayInfo", nullptr, 0), S_OK);
}

TEST_F(ConnectorTest, DisplaySettingsFailsWithoutSettings)
{
    RegistryFixture::DeleteAllSettings();
    EXPECT_EQ(client.Call(L"KQConnectorCOM.DisplaySettings", nullptr, 0), E_FAIL);
}

TEST_F(ConnectorTest, DeleteMailChecksItsTwoTexts)
{
    char storeId[] = "0000000038A1BB1005E5101AA1BB08002B2A56C2";
    char entryId[] = "00000000A1B2C3D4";
    VARIANT slots[4];
    for (VARIANT& slot : slots)
        VariantInit(&slot);
    V_VT(&slots[0]) = VT_BSTR;
    slots[0].byref = storeId;
    V_VT(&slots[1]) = VT_BSTR;
    slots[1].byref = entryId;

    EXPECT_EQ(client.Call(L"DeleteMail", slots, 1), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(client.Call(L"DeleteMail", slots, 3), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(client.Call(L"DeleteMail", nullptr, 0), DISP_E_BADPARAMCOUNT);

    slots[1].byref = nullptr;
    EXPECT_EQ(client.Call(L"DeleteMail", slots, 2), E_INVALIDARG);
    slots[1].byref = entryId;
    slots[0].byref = nullptr;
    EXPECT_EQ(client.Call(L"KQConnectorCOM.DeleteMail", slots, 2), E_INVALIDARG);
    slots[0].byref = storeId;

    // Without Outlook the result is the failure to create it, and nothing is shown.
    CLSID outlook = CLSID_NULL;
    CLSIDFromProgID(L"Outlook.Application", &outlook);
    IDispatch* app = nullptr;
    HRESULT expected =
        CoCreateInstance(outlook, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, reinterpret_cast<void**>(&app));
    ASSERT_TRUE(FAILED(expected)) << "this machine has an Outlook";
    DialogWatcher watcher;
    EXPECT_EQ(client.Call(L"KQConnectorCOM.DeleteMail", slots, 2), expected);
    Sleep(300);
    EXPECT_EQ(watcher.Count(), 0u);
}

TEST_F(ConnectorTest, QueryInterfaceAndTypeInfo)
{
    IDispatch* dispatch = client.Get();
    for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &CLSID_KQConnectorCOM}) {
        void* out = nullptr;
        ASSERT_EQ(dispatch->QueryInterface(*iid, &out), S_OK);
        EXPECT_EQ(out, static_cast<void*>(dispatch));
        static_cast<IUnknown*>(out)->Release();
    }
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(dispatch->QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(dispatch->QueryInterface(IID_IDispatch, nullptr), E_POINTER);

    UINT count = 9;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(dispatch->GetTypeInfoCount(nullptr), E_POINTER);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(dispatch->GetTypeInfo(0, 0x400, &info), E_FAIL);
    EXPECT_EQ(info, nullptr);
    EXPECT_EQ(dispatch->GetTypeInfo(0, 0x400, nullptr), E_POINTER);
}

} // namespace
