#include "PropertyCollection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Names(const CPropertyCollection& props)
{
    std::vector<std::wstring> names;
    for (const auto& entry : props)
        names.emplace_back(static_cast<const wchar_t*>(entry.first));
    return names;
}

TEST(PropertyCollectionTest, WalksNamesInCodeUnitOrder)
{
    CPropertyCollection props;
    for (const wchar_t* name : {L"b", L"B", L"a10", L"a9", L"\x00e4", L"Z"})
        props.Add(name, L"v", 1);
    EXPECT_EQ((std::vector<std::wstring>{L"B", L"Z", L"a10", L"a9", L"b", L"\x00e4"}), Names(props));
    props.Clear();
}

TEST(PropertyCollectionTest, ReplacesAndIgnores)
{
    CPropertyCollection props;
    EXPECT_EQ(1u, props.Add(L"Title", L"Offer", 1));
    EXPECT_EQ(1u, props.Add(L"Title", L"Order", 7));
    EXPECT_STREQ(L"Order", props.GetValue(L"Title"));
    EXPECT_EQ(7, props.GetType(L"Title"));
    EXPECT_EQ(2u, props.Add(L"title", L"", 0));
    EXPECT_STREQ(L"", props.GetValue(L"title"));

    EXPECT_EQ(0u, props.Add(L"Note", nullptr, 1));
    EXPECT_EQ(0u, props.Add(L"", L"x", 1));
    EXPECT_EQ(0u, props.Add(nullptr, L"x", 1));
    EXPECT_EQ(2u, props.Count());

    EXPECT_EQ(nullptr, props.GetValue(L"missing"));
    EXPECT_EQ(nullptr, props.GetValue(nullptr));
    EXPECT_EQ(0, props.GetType(L"missing"));
    EXPECT_EQ(0, props.GetType(L"title"));

    props.Remove(L"missing");
    props.Remove(nullptr);
    props.Remove(L"Title");
    EXPECT_EQ(1u, props.Count());
    props.Clear();
    EXPECT_EQ(0u, props.Count());
    props.Clear();
}

TEST(PropertyCollectionTest, DestructorFreesWhatClearDidNot)
{
    // Leaks would show under a checker; here it must at least not crash.
    auto* props = new CPropertyCollection;
    props->Add(L"a", L"1", 1);
    props->Add(L"a", L"2", 1);
    delete props;
    SUCCEED();
}

} // namespace
