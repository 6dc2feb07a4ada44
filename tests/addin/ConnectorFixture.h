// The connector registered by regsvr32 from a setup.ini fixture once per
// suite, and bound afresh, with cleared settings, for every test.
#pragma once

#include "ConnectorClient.h"
#include "RegisteredKeys.h"
#include "RegistryFixture.h"

#include <gtest/gtest.h>

#include <memory>

class ConnectorTest : public RegistryTest
{
protected:
    static void SetUpTestSuite()
    {
        RemoveRegistration();
        s_setup.reset(new BrenmarkSetup("COM=yes\r\n"));
        ASSERT_EQ(s_setup->Register(), 0u);
    }
    static void TearDownTestSuite()
    {
        RemoveRegistration();
        s_setup.reset();
    }

    void SetUp() override
    {
        RegistryTest::SetUp();
        // The settings key as setup leaves it, without a receiving program.
        reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Dir", s_setup->Folder());
        ASSERT_EQ(client.Bind(), S_OK);
    }
    void TearDown() override
    {
        client.Release();
        RegistryTest::TearDown();
    }

    static std::unique_ptr<BrenmarkSetup> s_setup;
    ConnectorClient client;
};
