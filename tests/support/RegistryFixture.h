// Registry state for a test: keys and values written under HKLM and HKCU and
// removed again when the fixture ends, so each test starts from nothing.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

class RegistryFixture
{
public:
    RegistryFixture();
    ~RegistryFixture();

    // The global settings key and the current user's settings key.
    static std::wstring GlobalKey();
    static std::wstring UserKey();

    void SetText(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& text);
    void SetNumber(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value);
    // Raw bytes of any type, for values that the system must not trust.
    void SetRaw(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type, const void* data,
                DWORD cb);
    void CreateKey(HKEY root, const std::wstring& key);

    // Reads back; a missing value gives nullopt-like false.
    static bool GetText(HKEY root, const std::wstring& key, const std::wstring& name, std::wstring* text);
    static bool GetNumber(HKEY root, const std::wstring& key, const std::wstring& name, DWORD* value);
    static bool KeyExists(HKEY root, const std::wstring& key);
    static bool ValueExists(HKEY root, const std::wstring& key, const std::wstring& name);
    // The value names of a key, in enumeration order.
    static std::vector<std::wstring> ValueNames(HKEY root, const std::wstring& key);

    // Removes a key tree now (also one the test's code under test created).
    static void DeleteTree(HKEY root, const std::wstring& key);
    // Removes the whole "Software\marvik" tree in both hives.
    static void DeleteAllSettings();

private:
    struct Written {
        HKEY root;
        std::wstring key;
    };
    std::vector<Written> m_written;
};

// A gtest fixture that clears the settings keys before and after each test.
class RegistryTest : public testing::Test
{
protected:
    void SetUp() override { RegistryFixture::DeleteAllSettings(); }
    void TearDown() override { RegistryFixture::DeleteAllSettings(); }
    RegistryFixture reg;
};
