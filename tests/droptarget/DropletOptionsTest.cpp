#include "DropletOptions.h"

#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

class DropletOptionsTest : public testing::Test
{
protected:
    DropletOptions Load(const std::string& ini, bool* named = nullptr)
    {
        dir.WriteFile(L"Corvelle.ini", ini);
        DropletOptions options;
        bool result = LoadDropletOptions(dir.Path() + L"\\", &options);
        if (named)
            *named = result;
        return options;
    }
    TempDir dir;
};

struct MimeCase {
    const char* lines;
    bool acceptAll;
    std::vector<std::wstring> extensions;
};

class MimetypeTest : public DropletOptionsTest, public testing::WithParamInterface<MimeCase>
{
};

TEST_P(MimetypeTest, ReadsTheAcceptedExtensions)
{
    DropletOptions o = Load("[Icon]\r\nd.png\r\n" + std::string(GetParam().lines));
    EXPECT_EQ(GetParam().acceptAll, o.rules.acceptAll != 0);
    EXPECT_EQ(GetParam().extensions, o.rules.extensions);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MimetypeTest,
    testing::Values(MimeCase{"", true, {}}, MimeCase{"[Mimetype]\r\n", true, {}},
                    MimeCase{"[Mimetype]\r\npdf\r\n*\r\n", true, {L"pdf"}},
                    MimeCase{"[Mimetype]\r\n*.\r\ndoc\r\n", true, {L"doc"}},
                    MimeCase{"[Mimetype]\r\n*.*\r\n", true, {}},
                    MimeCase{"[Mimetype]\r\npdf\r\ndoc\r\n", false, {L"pdf", L"doc"}},
                    // Longer than "*.*" is no beginning of it.
                    MimeCase{"[Mimetype]\r\n*.*x\r\n", false, {L"*.*x"}}));

TEST_F(DropletOptionsTest, DefaultsWithOnlyAPicture)
{
    bool named = false;
    DropletOptions o = Load("[Icon]\r\npictures\\d.png\r\n", &named);
    EXPECT_TRUE(named);
    EXPECT_EQ(dir.Path() + L"\\pictures\\d.png", o.picturePath);
    EXPECT_EQ(dir.Path() + L"\\upload.ini", o.uploadIni);
    EXPECT_EQ(1, o.silent);
    EXPECT_EQ(1, o.fileQuestion);
    EXPECT_EQ(1, o.showTray);
    EXPECT_EQ(1, o.showTaskbar);
    EXPECT_EQ(1, o.forceProgress);
    EXPECT_EQ(L"marvik dovrane droplet", o.title);
    EXPECT_EQ(L"Corvelle", o.valuePrefix);
}

TEST_F(DropletOptionsTest, FlagsNameAndMissingPicture)
{
    bool named = true;
    DropletOptions o = Load("[Multiupload]\r\nsilent=0\r\nfilequestion=no\r\nforceprogress=2\r\n"
                            "[Tray]\r\nshowtray=0\r\nshowtaskbar=0\r\n[Anwendungsname]\r\nAblage Nord\r\nzweite\r\n",
                            &named);
    EXPECT_FALSE(named);
    EXPECT_EQ(0, o.silent);
    // A text that is no number reads as 0.
    EXPECT_EQ(0, o.fileQuestion);
    EXPECT_EQ(1, o.forceProgress);
    EXPECT_EQ(0, o.showTray);
    EXPECT_EQ(0, o.showTaskbar);
    EXPECT_EQ(L"Ablage Nord", o.title);
    EXPECT_EQ(L"Ablage Nord", o.valuePrefix);
}

} // namespace
