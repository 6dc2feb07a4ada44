// The plug-in's binding to the host: PlugInMain's answer, the handshake, the
// import of the function tables and the callbacks, against the test host.
#include "OstrelleTestSupport.h"

#include "HostBinding.h"

#include <utility>
#include <vector>

using namespace acrohost;

namespace {

using Requests = std::vector<std::pair<std::string, Version>>;

class OstrelleBinding : public OstrelleHostTest
{
protected:
    // A fresh host for each case of a table.
    void Renew()
    {
        host->Unload();
        ExpectCleanHost(*host);
        host.reset();
        host.reset(new AcroTestHost);
    }
};

TEST_F(OstrelleBinding, ImportsEveryTableInOrderAndRegistersItsCallbacks)
{
    ASSERT_EQ(LOAD_OK, host->Load(OstrelleApiPath()));
    EXPECT_EQ(0x20000u, host->AnsweredHandshake());
    EXPECT_EQ("marvik:Ostrelle", host->ExtensionName());
    Requests expected = {{"AcroSupport", 0x60000}, {"AcroSupport", 0x80000}, {"Core", 0x50000},
                         {"Cos", 0x60000},         {"PDModel", 0x60000},     {"PDFEditWrite", 0x60000},
                         {"PDFEditRead", 0x60000}, {"PDSysFont", 0x40000},   {"PagePDEContent", 0x60000},
                         {"AcroView", 0x60000},    {"PDSWrite", 0x60000},    {"PDSRead", 0x60000},
                         {"Win", 0x50000},         {"ASExtra", 0x60000},     {"PDMetadata", 0x60000},
                         {"AcroColorHFT", 0x60000}};
    EXPECT_EQ(expected, host->TableRequests());
}

TEST_F(OstrelleBinding, AnswersTheHandshakeVersionItSpeaksAndRefusesOlderOnes)
{
    const struct {
        uint32_t offered;
        uint32_t answered;
        LoadResult result;
    } cases[] = {
        {0x30000, 0x20000, LOAD_OK},
        {0x20000, 0x20000, LOAD_OK},
        {0x10000, 0x10000, LOAD_REFUSED_BY_SETUP},
    };
    for (const auto& c : cases) {
        Renew();
        host->SetOfferedHandshake(c.offered);
        EXPECT_EQ(c.result, host->Load(OstrelleApiPath())) << std::hex << c.offered;
        EXPECT_EQ(c.answered, host->AnsweredHandshake()) << std::hex << c.offered;
        EXPECT_EQ(c.result == LOAD_OK, host->Loaded()) << std::hex << c.offered;
    }
}

TEST_F(OstrelleBinding, AnyMissingTableRefusesTheLoad)
{
    for (int table = TABLE_CORE; table < TABLE_COUNT; ++table) {
        Renew();
        host->WithdrawTable(static_cast<TableId>(table));
        EXPECT_EQ(LOAD_REFUSED_BY_SETUP, host->Load(OstrelleApiPath())) << kTableNames[table];
        EXPECT_EQ(0u, host->Live().pluginMenus) << kTableNames[table];
    }
}

TEST_F(OstrelleBinding, TablesAreTakenAtTheRequestedVersionOrNewer)
{
    const struct {
        TableId table;
        Version offered;
        LoadResult result;
    } cases[] = {
        {TABLE_ACROVIEW, 0x5FFFF, LOAD_REFUSED_BY_SETUP},
        {TABLE_ACROVIEW, 0x60000, LOAD_OK},
        {TABLE_PDSYSFONT, 0x40000, LOAD_OK},
        // AcroSupport is bound at 0x80000 only.
        {TABLE_ACROSUPPORT, 0x7FFFF, LOAD_REFUSED_BY_SETUP},
    };
    for (const auto& c : cases) {
        Renew();
        host->OfferTable(c.table, c.offered);
        EXPECT_EQ(c.result, host->Load(OstrelleApiPath())) << kTableNames[c.table] << std::hex << " " << c.offered;
    }
}

// An AcroSupport that reports a version below 0x60000 cannot be asked for a
// version directly; the fallback versions all lie below the 0x80000 that
// AcroSupport is bound at, so the load is refused without another request.
TEST_F(OstrelleBinding, AcroSupportReportingAnOldVersionRefusesTheLoad)
{
    host->ReportVersion(TABLE_ACROSUPPORT, 0x50000);
    EXPECT_EQ(LOAD_REFUSED_BY_SETUP, host->Load(OstrelleApiPath()));
    Requests expected = {{"AcroSupport", 0x60000}};
    EXPECT_EQ(expected, host->TableRequests());
}

// ImportHFT itself, linked into this program and bound to the test host's
// tables by hand, so that the fallback road of an old AcroSupport is seen.
class ImportHftTest : public OstrelleHostTest
{
protected:
    void SetUp() override
    {
        OstrelleHostTest::SetUp();
        gCoreHFT = reinterpret_cast<HFT>(host->Table(TABLE_CORE));
        gAcroSupportHFT = reinterpret_cast<HFT>(host->Table(TABLE_ACROSUPPORT));
    }
    void TearDown() override
    {
        gCoreHFT = nullptr;
        gAcroSupportHFT = nullptr;
        gAcroSupportVersion = 0;
        OstrelleHostTest::TearDown();
    }
};

TEST_F(ImportHftTest, OldAcroSupportTakesTheFirstFallbackVersionAtOrAboveTheRequest)
{
    gAcroSupportVersion = 0x50000;
    host->OfferTable(TABLE_PDSYSFONT, 0x40005);

    ASVersion version = 1;
    HFT table = nullptr;
    EXPECT_TRUE(ImportHFT("PDSysFont", 0x40000, &version, &table));
    EXPECT_EQ(0x40005u, version);
    EXPECT_EQ(reinterpret_cast<HFT>(host->Table(TABLE_PDSYSFONT)), table);
    Requests tried = {{"PDSysFont", 0x50001}, {"PDSysFont", 0x50000}, {"PDSysFont", 0x40005}};
    EXPECT_EQ(tried, host->TableRequests());

    // No fallback version reaches 0x60000 or 0x80000.
    EXPECT_FALSE(ImportHFT("Cos", 0x60000, &version, &table));
    EXPECT_EQ(0u, version);
    EXPECT_EQ(nullptr, table);
    EXPECT_FALSE(ImportHFT("AcroSupport", 0x80000, &version, &table));
    EXPECT_EQ(tried, host->TableRequests()) << "nothing asked for versions below the request";
}

TEST_F(ImportHftTest, NewAcroSupportAsksDirectlyAndReadsTheTablesVersion)
{
    gAcroSupportVersion = 0x80000;
    host->OfferTable(TABLE_PDSYSFONT, 0x40005);

    ASVersion version = 0;
    HFT table = nullptr;
    EXPECT_TRUE(ImportHFT("PDSysFont", 0x40000, &version, &table));
    EXPECT_EQ(0x40005u, version);
    EXPECT_TRUE(ImportHFT("AcroSupport", 0x80000, &version, &table));
    EXPECT_EQ(0x80000u, version);
    Requests asked = {{"PDSysFont", 0x40000}, {"AcroSupport", 0x80000}};
    EXPECT_EQ(asked, host->TableRequests());
}

} // namespace
