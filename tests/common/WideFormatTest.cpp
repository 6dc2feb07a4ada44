#include "ComSupport.h"
#include "WideFormat.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(WideFormatTest, ReadsPercentSAsWideText)
{
    wchar_t buf[64];
    EXPECT_EQ(21, FormatText(buf, 64, L"%s=%d hr = 0x%08X", L"ab", -5, 0x80004005u));
    EXPECT_STREQ(L"ab=-5 hr = 0x80004005", buf);
}

TEST(WideFormatTest, CutsAndTerminates)
{
    wchar_t buf[6];
    wmemset(buf, L'#', 6);
    EXPECT_EQ(5, FormatText(buf, 6, L"%s", L"abcdefgh"));
    EXPECT_STREQ(L"abcde", buf);
    EXPECT_EQ(0, FormatText(buf, 6, nullptr));
    EXPECT_STREQ(L"", buf);
}

TEST(WideFormatTest, CopyTextCutsAndTerminates)
{
    wchar_t buf[4];
    EXPECT_EQ(3u, CopyText(buf, 4, L"abcdef"));
    EXPECT_STREQ(L"abc", buf);
    EXPECT_EQ(0u, CopyText(buf, 4, nullptr));
    EXPECT_STREQ(L"", buf);
}

TEST(ComSupportTest, BstrConvertsEightBitTexts)
{
    _bstr_t fromNarrow("abc");
    EXPECT_STREQ(L"abc", static_cast<const wchar_t*>(fromNarrow));
    _bstr_t fromWide(L"xyz");
    EXPECT_STREQ("xyz", static_cast<const char*>(fromWide));
    _bstr_t null(static_cast<const wchar_t*>(nullptr));
    EXPECT_EQ(nullptr, static_cast<const char*>(null));
}

TEST(ComSupportTest, CallNoThrowTurnsExceptionsIntoResults)
{
    EXPECT_EQ(E_OUTOFMEMORY, CallNoThrow([]() -> HRESULT { throw std::bad_alloc(); }));
    EXPECT_EQ(DISP_E_TYPEMISMATCH, CallNoThrow([]() -> HRESULT { _com_issue_error(DISP_E_TYPEMISMATCH); return S_OK; }));
    EXPECT_EQ(S_FALSE, CallNoThrow([]() -> HRESULT { return S_FALSE; }));
}

} // namespace
