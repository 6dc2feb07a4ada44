// The connector's DeleteMail as the receiving program calls it, with two
// 8-bit texts, against an Outlook that COM starts out of process: the
// stand-in server registered as "Outlook.Application" for this test.
#include "ConnectorFixture.h"
#include "DialogWatcher.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>

std::unique_ptr<BrenmarkSetup> ConnectorTest::s_setup;

namespace {

const wchar_t SERVER_CLSID[] = L"{3B7C2E41-5D0A-4C6F-9E21-7A440D8B6C15}";
const char STORE[] = "0000000038A1BB1005E5101AA1BB08002B2A56C2";
const char ENTRY[] = "00000000A1B2C3D4";

std::wstring ServerPath()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring program(path, n);
    return program.substr(0, program.rfind(L'\\') + 1) + L"FakeOutlookServer.exe";
}

void SetDefault(const std::wstring& key, const std::wstring& value)
{
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
}

class DeleteMailTest : public ConnectorTest
{
protected:
    void TearDown() override
    {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Outlook.Application");
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + SERVER_CLSID).c_str());
        ConnectorTest::TearDown();
    }

    // Outlook registered as a local server whose store holds the item.
    void RegisterOutlook(const char* messageClass = "IPM.Note")
    {
        store.WriteFile(std::wstring(ENTRY, ENTRY + sizeof(ENTRY) - 1) + L".item",
                        std::string("store=") + STORE + "\nclass=" + messageClass + "\n");
        SetDefault(L"Outlook.Application\\CLSID", SERVER_CLSID);
        SetDefault(std::wstring(L"CLSID\\") + SERVER_CLSID + L"\\LocalServer32",
                   L"\"" + ServerPath() + L"\" /store \"" + store.Path() + L"\"");
    }

    bool ItemInStore() const { return FileExists(store / (std::wstring(ENTRY, ENTRY + sizeof(ENTRY) - 1) + L".item")); }

    // As the receiving program calls it: two 8-bit texts in the slots.
    HRESULT DeleteMail(const char* storeId, const char* entryId)
    {
        VARIANT slots[2];
        VariantInit(&slots[0]);
        VariantInit(&slots[1]);
        V_VT(&slots[0]) = VT_BSTR;
        slots[0].byref = const_cast<char*>(storeId);
        V_VT(&slots[1]) = VT_BSTR;
        slots[1].byref = const_cast<char*>(entryId);
        return client.Call(L"KQConnectorCOM.DeleteMail", slots, 2);
    }

    TempDir store;
};

TEST_F(DeleteMailTest, DeletesTheItemInOutlookOutOfProcess)
{
    RegisterOutlook();
    DialogWatcher watcher;
    EXPECT_EQ(DeleteMail(STORE, ENTRY), S_OK);
    EXPECT_FALSE(ItemInStore());
    EXPECT_EQ(watcher.Count(), 0u);
}

TEST_F(DeleteMailTest, AnItemOutlookDoesNotKnowStaysAndItsFailureIsReturned)
{
    RegisterOutlook();
    DialogWatcher watcher;
    EXPECT_EQ(DeleteMail(STORE, "00000000FFFFFFFF"), static_cast<HRESULT>(0x8004010F));
    EXPECT_EQ(DeleteMail("00", ENTRY), static_cast<HRESULT>(0x8004010F));
    EXPECT_TRUE(ItemInStore());
    EXPECT_EQ(watcher.Count(), 0u);
}

TEST_F(DeleteMailTest, WithoutOutlookTheFailureToStartItIsReturnedWithoutABox)
{
    DialogWatcher watcher;
    HRESULT hr = DeleteMail(STORE, ENTRY);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(hr, REGDB_E_CLASSNOTREG);
    Sleep(300);
    EXPECT_EQ(watcher.Count(), 0u);
}

} // namespace
