// The add-in object created as its class object creates it for a host, in
// this program, against host doubles; every test ends with the object and
// every host double gone.
#pragma once

#include "ClassFactory.h"
#include "FakeDispatch.h"
#include "LogTail.h"
#include "MarvikAddin.h"
#include "RegistryFixture.h"
#include "ServerModule.h"

#include <gtest/gtest.h>

class AddinTest : public RegistryTest
{
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        // The global key as setup leaves it; tests add what they need.
        reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Loader", L"C:\\nowhere\\Oberlane.exe");
        IClassFactory* factory = new CMarvikAddinCF;
        factory->AddRef();
        HRESULT hr = factory->CreateInstance(nullptr, IID_IDTExtensibility2, reinterpret_cast<void**>(&addin));
        factory->Release();
        ASSERT_EQ(hr, S_OK);
        object = static_cast<CMarvikAddin*>(addin);
    }

    void TearDown() override
    {
        ReleaseAddin();
        EXPECT_TRUE(ServerCanUnload());
        ReleaseHost();
        EXPECT_EQ(doubles::FakeObjectCount(), 0);
        RegistryTest::TearDown();
    }

    // The host's last Release.
    void ReleaseAddin()
    {
        if (addin) {
            EXPECT_EQ(addin->Release(), 0u);
        }
        addin = nullptr;
        object = nullptr;
    }

    // Lets go of the test's host doubles; tests override it for theirs.
    virtual void ReleaseHost() {}

    // Connects as a host that loads the add-in at its start, then completes
    // the start-up.
    HRESULT Start(IDispatch* application)
    {
        HRESULT hr = addin->OnConnection(application, ext_cm_Startup, nullptr, &custom);
        if (FAILED(hr))
            return hr;
        return addin->OnStartupComplete(&custom);
    }

    // The host's end: OnBeginShutdown, then OnDisconnection on shutdown.
    void Stop()
    {
        EXPECT_EQ(addin->OnBeginShutdown(&custom), S_OK);
        EXPECT_EQ(addin->OnDisconnection(ext_dm_HostShutdown, &custom), S_OK);
    }

    IDTExtensibility2* addin = nullptr;
    CMarvikAddin* object = nullptr;
    SAFEARRAY* custom = nullptr;
    LogTail log;
};
