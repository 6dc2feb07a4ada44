// The add-in object's identity and its life in a host: which host and
// version take the ribbon road, how connection and disconnection modes run
// the start-up and the shutdown, and how a failing start-up is reported.
#include "AddinFixture.h"
#include "FakeOffice.h"
#include "TempDir.h"
#include "commandbars/FakeCommandBars.h"
#include "outlook/FakeOutlookWindows.h"

#include <gtest/gtest.h>
#include <olectl.h>

#include <string>

using namespace doubles;

namespace {

const wchar_t RIBBON_START[] = L"[INF] cancel OnStartupComplete, we want to use Ribbons!";
// The command-bar road has begun to build the window's menu and buttons.
const wchar_t LEGACY_START[] = L"[INF] try to find standard toolbar...\n";
const wchar_t RIBBON_SHUTDOWN[] = L"[INF] cancel OnBeginShutdown, we used Ribbons!";

class LifecycleTest : public AddinTest
{
protected:
    void ReleaseHost() override
    {
        if (application)
            application->ClearObjectProperties();
        application = nullptr;
        outlook.reset();
        bars.reset();
    }

    FakeDispatchPtr application;
    // The legacy road's host: Outlook with its windows, or a window's bars.
    std::unique_ptr<FakeOutlook> outlook;
    std::unique_ptr<FakeCommandBars> bars;
};

struct StartupCase {
    const char* label;
    const wchar_t* name;
    const wchar_t* version;
    HostKind kind;
    int major;
    bool ribbon;
};

std::ostream& operator<<(std::ostream& os, const StartupCase& c)
{
    return os << c.label;
}

class StartupTableTest : public LifecycleTest, public testing::WithParamInterface<StartupCase>
{
};

// Outlook's Application has no CommandBars: reading them there would fail
// the start-up, so the table also shows that Outlook never reads them.
TEST_P(StartupTableTest, HostKindVersionAndRoad)
{
    const StartupCase& c = GetParam();
    bool isOutlook = std::wstring(c.name) == L"Outlook";
    if (isOutlook && !c.ribbon) {
        outlook = std::make_unique<FakeOutlook>(c.version);
        application = outlook->Application();
    } else {
        application = MakeHostApplication(c.name, c.version, !isOutlook);
        if (!c.ribbon) {
            bars = std::make_unique<FakeCommandBars>();
            bars->AddTypicalBars();
            application->SetProperty(L"CommandBars", DispatchVariant(bars->Object()));
            // Word's template, which the legacy buttons change.
            FakeDispatchPtr normal = FakeDispatch::Create(L"Template");
            normal->AddProperty(L"Saved", _variant_t(true), ACCESS_GET | ACCESS_PUT);
            application->AddProperty(L"CustomizationContext", DispatchVariant(normal));
        }
    }

    EXPECT_EQ(Start(application), S_OK) << ToUtf8(log.Text());
    EXPECT_EQ(object->GetHostKind(), c.kind);
    EXPECT_EQ(object->GetMajorVersion(), c.major);
    EXPECT_EQ(log.Count(RIBBON_START), c.ribbon ? 1 : 0);
    EXPECT_EQ(log.Count(LEGACY_START), c.ribbon ? 0 : 1);
    EXPECT_TRUE(log.Contains(std::wstring(L"[INF] Office Application ") + c.name + L"\n"));
    std::wstring major = std::to_wstring(c.major);
    EXPECT_TRUE(log.Contains(std::wstring(c.name) + L" Version: " + major + L" (" + c.version + L")\n"));
    EXPECT_EQ(application->CallCount(L"CommandBars"), isOutlook ? 0 : 1);

    Stop();
    EXPECT_EQ(log.Count(RIBBON_SHUTDOWN), c.ribbon ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, StartupTableTest,
    testing::Values(StartupCase{"Outlook12", L"Outlook", L"12.0.6600.1000", HOST_OUTLOOK, 12, false},
                    StartupCase{"Outlook13", L"Outlook", L"13.0", HOST_OUTLOOK, 13, false},
                    StartupCase{"Outlook14", L"Outlook", L"14.0.7268.5000", HOST_OUTLOOK, 14, true},
                    StartupCase{"Word11", L"Microsoft Word", L"11.0", HOST_WORD, 11, false},
                    StartupCase{"Word12", L"Microsoft Word", L"12.0", HOST_WORD, 12, true},
                    StartupCase{"Word16", L"Microsoft Word", L"16.0", HOST_WORD, 16, true},
                    StartupCase{"Excel11", L"Microsoft Excel", L"11.0", HOST_EXCEL, 11, false},
                    StartupCase{"Excel12", L"Microsoft Excel", L"12.0", HOST_EXCEL, 12, true},
                    StartupCase{"Excel16", L"Microsoft Excel", L"16.0", HOST_EXCEL, 16, true},
                    StartupCase{"PowerPoint11", L"Microsoft PowerPoint", L"11.0", HOST_POWERPOINT, 11, false},
                    StartupCase{"PowerPoint12", L"Microsoft PowerPoint", L"12.0", HOST_POWERPOINT, 12, true},
                    StartupCase{"PowerPoint16", L"Microsoft PowerPoint", L"16.0", HOST_POWERPOINT, 16, true},
                    StartupCase{"LowerCaseOutlook", L"outlook", L"14.0", HOST_OTHER, 14, true},
                    StartupCase{"OtherHost12", L"Microsoft Visio", L"12.0", HOST_OTHER, 12, true},
                    StartupCase{"OtherHost11", L"Microsoft Visio", L"11.0", HOST_OTHER, 11, false}),
    [](const testing::TestParamInfo<StartupCase>& info) { return std::string(info.param.label); });

TEST_F(LifecycleTest, StartupModeRunsTheStepOnlyWhenTheHostCompletesIt)
{
    application = MakeHostApplication(L"Microsoft Word", L"16.0");
    ASSERT_EQ(addin->OnConnection(application, ext_cm_Startup, nullptr, &custom), S_OK);
    EXPECT_EQ(application->CallCount(L"Name"), 0);
    EXPECT_EQ(object->GetHostKind(), HOST_NONE);
    EXPECT_EQ(application->RefCount(), 2u);

    ASSERT_EQ(addin->OnStartupComplete(&custom), S_OK);
    EXPECT_EQ(object->GetHostKind(), HOST_WORD);
    Stop();
    EXPECT_EQ(application->RefCount(), 1u);
    EXPECT_TRUE(log.Contains(L"[INF] Addin is being unloaded on shutdown.\n"));
}

// Loaded by hand after the host's start: the host will not call
// OnStartupComplete, so OnConnection runs it, and reports success even
// when it fails.
TEST_F(LifecycleTest, LoadAfterStartupRunsTheStepAtOnce)
{
    application = MakeHostApplication(L"Microsoft Excel", L"16.0");
    ASSERT_EQ(addin->OnConnection(application, ext_cm_AfterStartup, nullptr, &custom), S_OK);
    EXPECT_EQ(object->GetHostKind(), HOST_EXCEL);
    EXPECT_EQ(log.Count(RIBBON_START), 1);
    EXPECT_EQ(addin->OnDisconnection(ext_dm_UserClosed, &custom), S_OK);

    ReleaseAddin();
    application->ClearObjectProperties();
    application = MakeHostApplication(L"Microsoft Excel", L"16.0");
    application->FailInvoke(L"Version", 0, RPC_E_SERVERFAULT);
    IClassFactory* factory = new CMarvikAddinCF;
    factory->AddRef();
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDTExtensibility2, reinterpret_cast<void**>(&addin)), S_OK);
    factory->Release();
    object = static_cast<CMarvikAddin*>(addin);
    EXPECT_EQ(addin->OnConnection(application, ext_cm_AfterStartup, nullptr, &custom), S_OK);
    EXPECT_EQ(object->GetHostKind(), HOST_NONE);
    EXPECT_EQ(addin->OnDisconnection(ext_dm_UserClosed, &custom), S_OK);
}

TEST_F(LifecycleTest, NullApplicationIsRefused)
{
    EXPECT_EQ(addin->OnConnection(nullptr, ext_cm_Startup, nullptr, &custom), E_POINTER);
    EXPECT_EQ(object->GetApplication(), nullptr);
}

struct RemoveCase {
    const char* label;
    ext_DisconnectMode mode;
    bool hostCallsBeginShutdown;
    const wchar_t* line;
};

class RemoveModeTest : public LifecycleTest, public testing::WithParamInterface<RemoveCase>
{
};

// The shutdown step runs exactly once, whether the host ran it (shutdown)
// or the user unloads the add-in; Application is let go of either way.
TEST_P(RemoveModeTest, ShutdownRunsOnceAndApplicationIsReleased)
{
    const RemoveCase& c = GetParam();
    application = MakeHostApplication(L"Microsoft PowerPoint", L"16.0");
    ASSERT_EQ(Start(application), S_OK);
    if (c.hostCallsBeginShutdown) {
        EXPECT_EQ(addin->OnBeginShutdown(&custom), S_OK);
    }
    EXPECT_EQ(addin->OnDisconnection(c.mode, &custom), S_OK);
    EXPECT_EQ(log.Count(RIBBON_SHUTDOWN), 1);
    EXPECT_TRUE(log.Contains(c.line));
    EXPECT_EQ(object->GetApplication(), nullptr);
    EXPECT_EQ(application->RefCount(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, RemoveModeTest,
    testing::Values(RemoveCase{"HostShutdown", ext_dm_HostShutdown, true, L"Addin is being unloaded on shutdown.\n"},
                    RemoveCase{"UserClosed", ext_dm_UserClosed, false, L"Addin is being unloaded by the user.\n"}),
    [](const testing::TestParamInfo<RemoveCase>& info) { return std::string(info.param.label); });

struct FailureCase {
    const char* label;
    const wchar_t* member; // null: the settings cannot be loaded
    HRESULT hr;
    const wchar_t* line;
    HostKind kind;
};

class StartupFailureTest : public LifecycleTest, public testing::WithParamInterface<FailureCase>
{
};

TEST_P(StartupFailureTest, IsLoggedWithItsWordsAndReturned)
{
    const FailureCase& c = GetParam();
    application = MakeHostApplication(L"Microsoft Word", L"16.0");
    if (c.member)
        application->FailInvoke(c.member, 0, c.hr);
    else
        RegistryFixture::DeleteAllSettings();

    ASSERT_EQ(addin->OnConnection(application, ext_cm_Startup, nullptr, &custom), S_OK);
    EXPECT_EQ(addin->OnStartupComplete(&custom), c.hr);
    EXPECT_TRUE(log.Contains(c.line)) << ToUtf8(log.Text());
    EXPECT_EQ(object->GetHostKind(), c.kind);
    EXPECT_EQ(log.Count(RIBBON_START), 0);
    Stop();
}

INSTANTIATE_TEST_SUITE_P(
    Steps, StartupFailureTest,
    testing::Values(
        FailureCase{"Settings", nullptr, E_ACCESSDENIED, L"[ERR] Failed to load settings!\n", HOST_NONE},
        FailureCase{"Name", L"Name", RPC_E_SERVERFAULT,
                    L"[ERR] Failed to get office application name! hr = 0x80010105\n", HOST_NONE},
        FailureCase{"Version", L"Version", DISP_E_EXCEPTION,
                    L"[ERR] Can't get version from application! hr = 0x80020009\n", HOST_NONE},
        FailureCase{"CommandBars", L"CommandBars", E_NOINTERFACE,
                    L"[ERR] Failed to access CommandBars property! hr = 0x80004002\n", HOST_WORD}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.label); });

struct InterfaceCase {
    const char* label;
    IID iid;
    int base; // 1: the IDTExtensibility2 base, 2: the IRibbonExtensibility base, 0: none
};

class QueryInterfaceTest : public AddinTest, public testing::WithParamInterface<InterfaceCase>
{
};

TEST_P(QueryInterfaceTest, AnswersTheFourInterfacesWithTheirBase)
{
    const InterfaceCase& c = GetParam();
    void* out = reinterpret_cast<void*>(0x1234);
    HRESULT hr = addin->QueryInterface(c.iid, &out);
    if (c.base == 0) {
        EXPECT_EQ(hr, E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
        return;
    }
    ASSERT_EQ(hr, S_OK);
    void* expected = c.base == 1 ? static_cast<void*>(static_cast<IDTExtensibility2*>(object))
                                 : static_cast<void*>(static_cast<IRibbonExtensibility*>(object));
    EXPECT_EQ(out, expected);
    // The reference was taken: two releases bring the count back to the
    // test's own one.
    EXPECT_EQ(static_cast<IUnknown*>(out)->Release(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Interfaces, QueryInterfaceTest,
    testing::Values(InterfaceCase{"IUnknown", IID_IUnknown, 1}, InterfaceCase{"IDispatch", IID_IDispatch, 1},
                    InterfaceCase{"IDTExtensibility2", IID_IDTExtensibility2, 1},
                    InterfaceCase{"IRibbonExtensibility", IID_IRibbonExtensibility, 2},
                    InterfaceCase{"IClassFactory", IID_IClassFactory, 0},
                    InterfaceCase{"IConnectionPointContainer", IID_IConnectionPointContainer, 0},
                    InterfaceCase{"IPictureDisp", IID_IPictureDisp, 0}),
    [](const testing::TestParamInfo<InterfaceCase>& info) { return std::string(info.param.label); });

TEST_F(AddinTest, QueryInterfaceWithoutOutPointerIsRefused)
{
    EXPECT_EQ(addin->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

// The module counts the object from its creation to its last Release.
TEST_F(AddinTest, LastReleaseLetsTheModuleUnload)
{
    EXPECT_FALSE(ServerCanUnload());
    IRibbonExtensibility* ribbon = nullptr;
    ASSERT_EQ(addin->QueryInterface(IID_IRibbonExtensibility, reinterpret_cast<void**>(&ribbon)), S_OK);
    EXPECT_EQ(addin->Release(), 1u);
    addin = nullptr;
    object = nullptr;
    EXPECT_FALSE(ServerCanUnload());
    EXPECT_EQ(ribbon->Release(), 0u);
    EXPECT_TRUE(ServerCanUnload());
}

} // namespace
