// The registered Brenmark loaded by the test host as Office loads it, in
// this program's bitness: the Addins keys that registration wrote, the
// ribbon and its pictures from the module's folder, the archive button
// handing the document to the stand-in receiving program, and an unload
// that leaves the module free to go and no host object alive.
#include "ConnectorClient.h"
#include "ConnectorIds.h"
#include "DialogWatcher.h"
#include "FakeOffice.h"
#include "OberlaneStandin.h"
#include "OfficeTestHost.h"
#include "RegisteredKeys.h"
#include "RegistryFixture.h"
#include "ScopedTempFolder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace doubles;

namespace {

const wchar_t LOCATION[] = L"label=\"Archiv\" appid=A1 configid=C1";

std::wstring ModuleFolder()
{
    std::wstring module = BrenmarkPath();
    return module.substr(0, module.rfind(L'\\'));
}

class OfficeHostTest : public RegistryTest
{
protected:
    static void SetUpTestSuite()
    {
        RemoveRegistration();
        s_setup.reset(new BrenmarkSetup("MSWord=yes\r\nMSExcel=yes\r\nMSPowerPoint=yes\r\nMSOutlook=yes\r\nCOM=yes\r\n"));
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
        // The settings as setup leaves them, with the stand-in as receiving
        // program; Dir is the module's folder, where its pictures lie.
        SetGlobal(L"Dir", ModuleFolder());
        SetGlobal(L"Loader", standin.Path());
        SetGlobal(L"Params1", LOCATION);
        reg.SetNumber(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Attachments", 1);
    }

    void TearDown() override
    {
        EXPECT_EQ(FakeObjectCount(), 0);
        RegistryTest::TearDown();
    }

    void SetGlobal(const wchar_t* name, const std::wstring& text)
    {
        reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), name, text);
    }

    // Unloads as Office does at its end and checks that nothing is left.
    void Unload(OfficeTestHost& office)
    {
        ULONG left = 99;
        EXPECT_EQ(office.Unload(&left), S_OK);
        EXPECT_EQ(left, 0u);
        EXPECT_EQ(office.CanUnloadNow(), S_OK);
    }

    static std::unique_ptr<BrenmarkSetup> s_setup;
    ScopedTempFolder temp;
    OberlaneStandin standin;
    TempDir documents;
};

std::unique_ptr<BrenmarkSetup> OfficeHostTest::s_setup;

TEST_F(OfficeHostTest, RegistrationListsTheAddinForEveryChosenHost)
{
    for (const wchar_t* host : {L"Word", L"Excel", L"PowerPoint", L"Outlook"})
        EXPECT_EQ(StartupAddins(host), std::vector<std::wstring>{PROGID_MARVIKADDIN}) << ToUtf8(host);
}

struct HostCase {
    OfficeApp app;
    const wchar_t* officeApp;
    const wchar_t* ribbonId;
    const wchar_t* fileName;
    int startapp;
};

class OfficeHostArchiveTest : public OfficeHostTest, public testing::WithParamInterface<HostCase>
{
};

TEST_P(OfficeHostArchiveTest, LoadsShowsItsRibbonArchivesAndUnloads)
{
    const HostCase& c = GetParam();
    {
        OfficeHostDouble host(c.app, 16, "document for the archive");
        host.Document().OpenFile(documents / c.fileName);
        host.Document().SetBuiltInProperties({{L"Title", _variant_t(L"Quartal")}});
        OfficeTestHost office(c.officeApp, host.Application());

        ASSERT_EQ(office.Load(PROGID_MARVIKADDIN), S_OK);
        EXPECT_EQ(_wcsicmp(office.ModulePath().c_str(), BrenmarkPath().c_str()), 0) << ToUtf8(office.ModulePath());
        ASSERT_EQ(office.LoadRibbon(c.ribbonId), S_OK);
        EXPECT_EQ(office.LoadImageCallback(), L"MarvikAddin.GetImage");
        ASSERT_EQ(office.Buttons().size(), 3u);
        for (const RibbonButton& button : office.Buttons()) {
            SIZE size = {};
            EXPECT_EQ(office.LoadImage(button.image, &size), S_OK) << ToUtf8(button.image);
            EXPECT_EQ(size.cx, 32);
            EXPECT_EQ(size.cy, 32);
        }

        EXPECT_EQ(office.Click(L"KVPMBTVX2_0001"), S_OK);
        ASSERT_TRUE(standin.WaitForRecords(1));
        std::vector<std::wstring> ids = FilesParameter(standin.Records()[0].parameters);
        ASSERT_EQ(ids.size(), 1u);
        EXPECT_EQ(standin.Records()[0].parameters,
                  std::wstring(LOCATION) + L" files=" + ids[0] + L" startapp=" + std::to_wstring(c.startapp));
        std::wstring folder = temp.Path() + L"kq_temp_inbox\\" + ids[0] + L"\\";
        std::wstring xml = FromUtf8(ReadFileBytes(folder + ids[0] + L".xml"));
        EXPECT_NE(xml.find(L"<property name=\"MSO_TITLE\"><![CDATA[Quartal]]></property>"), std::wstring::npos);
        EXPECT_NE(xml.find(L"<path>" + folder + c.fileName + L"</path>"), std::wstring::npos);
        EXPECT_EQ(ReadFileBytes(folder + c.fileName), host.Document().FileBytes());

        Unload(office);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, OfficeHostArchiveTest,
    testing::Values(HostCase{OfficeApp::Word, L"Word", L"Microsoft.Word.Document", L"Bericht.docx", 2},
                    HostCase{OfficeApp::Excel, L"Excel", L"Microsoft.Excel.Workbook", L"Budget.xlsx", 3},
                    HostCase{OfficeApp::PowerPoint, L"PowerPoint", L"Microsoft.PowerPoint.Presentation",
                             L"Vortrag.pptx", 4}),
    [](const testing::TestParamInfo<HostCase>& info) { return ToUtf8(info.param.officeApp); });

// Outlook from 14 asks for a ribbon per window kind; the opened mail's
// buttons call the single-mail commands, with the mail's window as Context.
TEST_F(OfficeHostTest, OutlookGetsItsExplorerAndMailRibbons)
{
    FakeDispatchPtr application = MakeHostApplication(L"Outlook", L"16.0.5000.1000", false);
    {
        OfficeTestHost office(L"Outlook", application);
        ASSERT_EQ(office.Load(PROGID_MARVIKADDIN), S_OK);

        ASSERT_EQ(office.LoadRibbon(L"Microsoft.Outlook.Explorer"), S_OK);
        ASSERT_EQ(office.Buttons().size(), 4u);
        EXPECT_EQ(office.Buttons()[1].id, L"KVPMBTVX2_0004");
        EXPECT_EQ(office.Buttons()[1].onAction, L"MarvikAddin.Attachment");

        ASSERT_EQ(office.LoadRibbon(L"Microsoft.Outlook.Mail.Read"), S_OK);
        ASSERT_EQ(office.Buttons().size(), 4u);
        EXPECT_EQ(office.Buttons()[0].onAction, L"MarvikAddin.ArchiveSingleOutlook");
        EXPECT_EQ(office.Buttons()[1].onAction, L"MarvikAddin.AttachmentSingleOutlook");
        FakeDispatchPtr inspector = FakeDispatch::Create(L"Inspector");
        // An inspector without a current item: the command says so.
        DialogWatcher watcher({}, DialogAnswer{IDOK});
        EXPECT_EQ(office.Click(L"KVPMBTVX2_0001", inspector), S_OK);
        EXPECT_EQ(watcher.Count(), 1u);

        EXPECT_EQ(office.LoadRibbon(L"Microsoft.Outlook.Mail.Compose"), S_FALSE);
        Unload(office);
    }
    application = nullptr;
}

TEST_F(OfficeHostTest, InfoButtonShowsTheInfoDialog)
{
    OfficeHostDouble host(OfficeApp::Excel, 16);
    {
        OfficeTestHost office(L"Excel", host.Application());
        ASSERT_EQ(office.Load(PROGID_MARVIKADDIN), S_OK);
        ASSERT_EQ(office.LoadRibbon(L"Microsoft.Excel.Workbook"), S_OK);
        DialogWatcher watcher;
        EXPECT_EQ(office.Click(L"KVPMBTVX2_0003"), S_OK);
        ASSERT_EQ(watcher.Count(), 1u);
        EXPECT_EQ(watcher.Seen()[0].caption, L"Info");
        Unload(office);
    }
    host.Release();
}

} // namespace
