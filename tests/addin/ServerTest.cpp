// The module's exports and class objects, loaded directly (no registration
// needed): the class-object error table and the unload counts.
#include "ConnectorClient.h"
#include "ConnectorIds.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();

class ServerTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_module = LoadLibraryW(BrenmarkPath().c_str());
        ASSERT_NE(s_module, nullptr) << "error " << GetLastError();
    }
    static void TearDownTestSuite() { FreeLibrary(s_module); }

    void SetUp() override
    {
        ASSERT_NE(s_module, nullptr);
        getClassObject = reinterpret_cast<GetClassObjectFn>(GetProcAddress(s_module, "DllGetClassObject"));
        canUnload = reinterpret_cast<CanUnloadFn>(GetProcAddress(s_module, "DllCanUnloadNow"));
        ASSERT_NE(getClassObject, nullptr);
        ASSERT_NE(canUnload, nullptr);
    }

    IClassFactory* Factory(REFCLSID clsid)
    {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        return factory;
    }

    static HMODULE s_module;
    GetClassObjectFn getClassObject = nullptr;
    CanUnloadFn canUnload = nullptr;
};

HMODULE ServerTest::s_module = nullptr;

TEST_F(ServerTest, ExportsCarryPlainNames)
{
    for (const char* name : {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"})
        EXPECT_NE(GetProcAddress(s_module, name), nullptr) << name;
}

TEST_F(ServerTest, GetClassObjectErrorTable)
{
    EXPECT_EQ(getClassObject(CLSID_KQConnectorCOM, IID_IClassFactory, nullptr), E_POINTER);

    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(IID_IDispatch, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);

    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(CLSID_KQConnectorCOM, IID_IDispatch, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);

    for (const CLSID* clsid : {&CLSID_KQConnectorCOM, &CLSID_MarvikAddin}) {
        IUnknown* unknown = nullptr;
        ASSERT_EQ(getClassObject(*clsid, IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
        IClassFactory* factory = nullptr;
        EXPECT_EQ(unknown->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        EXPECT_EQ(unknown->QueryInterface(IID_IClassFactory, nullptr), E_POINTER);
        void* other = reinterpret_cast<void*>(1);
        EXPECT_EQ(unknown->QueryInterface(IID_IDispatch, &other), E_NOINTERFACE);
        EXPECT_EQ(other, nullptr);
        factory->Release();
        EXPECT_EQ(unknown->Release(), 0u);
    }
    // Each call makes a class object of its own.
    IClassFactory* first = Factory(CLSID_KQConnectorCOM);
    IClassFactory* second = Factory(CLSID_KQConnectorCOM);
    EXPECT_NE(first, second);
    first->Release();
    second->Release();
    EXPECT_EQ(canUnload(), S_OK) << "class objects do not count";
}

TEST_F(ServerTest, CreateInstanceErrorTable)
{
    IClassFactory* factory = Factory(CLSID_KQConnectorCOM);
    ASSERT_NE(factory, nullptr);

    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, nullptr), E_POINTER);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory), IID_IUnknown, &out),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(canUnload(), S_OK) << "a refused object must not stay counted";
    factory->Release();

    // The add-in object as a host asks for it, counted until its last
    // release; an interface it lacks leaves nothing counted.
    IClassFactory* addin = Factory(CLSID_MarvikAddin);
    ASSERT_NE(addin, nullptr);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(addin->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(canUnload(), S_OK);
    ASSERT_EQ(addin->CreateInstance(nullptr, IID_IDispatch, &out), S_OK);
    addin->Release();
    EXPECT_EQ(canUnload(), S_FALSE);
    EXPECT_EQ(static_cast<IUnknown*>(out)->Release(), 0u);
    EXPECT_EQ(canUnload(), S_OK);
}

TEST_F(ServerTest, CanUnloadNowFollowsObjectsAndLocks)
{
    EXPECT_EQ(canUnload(), S_OK);
    IClassFactory* factory = Factory(CLSID_KQConnectorCOM);
    ASSERT_NE(factory, nullptr);

    IDispatch* first = nullptr;
    IDispatch* second = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&first)), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&second)), S_OK);
    EXPECT_EQ(canUnload(), S_FALSE);
    EXPECT_EQ(first->AddRef(), 2u);
    EXPECT_EQ(first->Release(), 1u);
    EXPECT_EQ(first->Release(), 0u);
    EXPECT_EQ(canUnload(), S_FALSE) << "one object still lives";
    EXPECT_EQ(second->Release(), 0u);
    EXPECT_EQ(canUnload(), S_OK);

    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    EXPECT_EQ(canUnload(), S_FALSE) << "the lock outlives its class object";
    IClassFactory* other = Factory(CLSID_MarvikAddin);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->LockServer(FALSE), S_OK);
    other->Release();
    EXPECT_EQ(canUnload(), S_OK);
}

} // namespace
