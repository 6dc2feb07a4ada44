#include "UserRegistry.h"

#include "RegistryFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const HKEY HKCU = HKEY_CURRENT_USER;
const wchar_t kScratch[] = L"Software\\marvik\\kqtest-registration";

TEST_F(RegistryTest, ReadUserValueReportsSizeLessTheTerminatorShare)
{
    reg.SetText(HKCU, RegistryFixture::UserKey(), L"Three", L"abc");
    const wchar_t multi[] = L"ab\0c\0";
    reg.SetRaw(HKCU, RegistryFixture::UserKey(), L"Multi", REG_MULTI_SZ, multi, sizeof(multi));
    reg.SetNumber(HKCU, RegistryFixture::UserKey(), L"Number", 42);

    wchar_t text[64] = L"";
    EXPECT_EQ(7, ReadUserRegValue(L"Three", text, sizeof(text)));
    EXPECT_STREQ(L"abc", text);
    EXPECT_EQ(static_cast<LONG>(sizeof(multi) - 2), ReadUserRegValue(L"Multi", text, sizeof(text)));
    DWORD number = 0;
    EXPECT_EQ(4, ReadUserRegValue(L"Number", &number, sizeof(number)));
    EXPECT_EQ(42u, number);
    EXPECT_EQ(0, ReadUserRegValue(L"Missing", text, sizeof(text)));
    // A value larger than the buffer cannot be read.
    EXPECT_EQ(0, ReadUserRegValue(L"Three", text, 4));
}

TEST_F(RegistryTest, ReadUserValueWithoutUserKeyIsZero)
{
    wchar_t text[16];
    EXPECT_EQ(0, ReadUserRegValue(L"LastOberlaneConfig", text, sizeof(text)));
}

TEST_F(RegistryTest, WriteUserValueByType)
{
    EXPECT_EQ(1, WriteUserRegString(L"Text", L"Ablage Süd"));
    const BYTE blob[] = {1, 2, 3};
    EXPECT_EQ(1, WriteUserRegValue(L"Blob", REG_BINARY, blob, sizeof(blob)));
    EXPECT_EQ(1, WriteUserRegValue(L"Number", REG_DWORD, nullptr, 1234));
    // Types the per-user key never holds are not written, and that is no failure.
    EXPECT_EQ(1, WriteUserRegValue(L"Expand", REG_EXPAND_SZ, L"x", 4));

    std::wstring text;
    ASSERT_TRUE(RegistryFixture::GetText(HKCU, RegistryFixture::UserKey(), L"Text", &text));
    EXPECT_EQ(L"Ablage Süd", text);
    DWORD number = 0;
    ASSERT_TRUE(RegistryFixture::GetNumber(HKCU, RegistryFixture::UserKey(), L"Number", &number));
    EXPECT_EQ(1234u, number);
    EXPECT_TRUE(RegistryFixture::ValueExists(HKCU, RegistryFixture::UserKey(), L"Blob"));
    EXPECT_FALSE(RegistryFixture::ValueExists(HKCU, RegistryFixture::UserKey(), L"Expand"));
}

class RegistrationKeysTest : public testing::Test
{
protected:
    void SetUp() override { RegistryFixture::DeleteTree(HKCU, kScratch); }
    void TearDown() override { RegistryFixture::DeleteTree(HKCU, kScratch); }
};

TEST_F(RegistrationKeysTest, CreateKeyWithAndWithoutText)
{
    EXPECT_EQ(1, CreateRegKeyValue(HKCU, kScratch, nullptr, nullptr));
    EXPECT_TRUE(RegistryFixture::KeyExists(HKCU, kScratch));
    EXPECT_FALSE(RegistryFixture::ValueExists(HKCU, kScratch, L""));

    EXPECT_EQ(1, CreateRegKeyValue(HKCU, kScratch, L"CLSID", L"{0000}"));
    std::wstring text;
    ASSERT_TRUE(RegistryFixture::GetText(HKCU, std::wstring(kScratch) + L"\\CLSID", L"", &text));
    EXPECT_EQ(L"{0000}", text);

    // A path that does not fit is refused rather than cut to another key.
    EXPECT_EQ(0, CreateRegKeyValue(HKCU, kScratch, std::wstring(1100, L'k').c_str(), nullptr));
}

TEST_F(RegistrationKeysTest, DeleteTreeRemovesEveryLevel)
{
    std::wstring root = kScratch;
    ASSERT_EQ(1, CreateRegKeyValue(HKCU, (root + L"\\a\\b\\c").c_str(), nullptr, L"deep"));
    ASSERT_EQ(1, CreateRegKeyValue(HKCU, (root + L"\\a\\d").c_str(), nullptr, nullptr));
    ASSERT_EQ(1, CreateRegKeyValue(HKCU, (root + L"\\e").c_str(), nullptr, nullptr));

    EXPECT_EQ(ERROR_SUCCESS, DeleteRegKeyTree(HKCU, kScratch));
    EXPECT_FALSE(RegistryFixture::KeyExists(HKCU, kScratch));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, DeleteRegKeyTree(HKCU, kScratch));
}

} // namespace
