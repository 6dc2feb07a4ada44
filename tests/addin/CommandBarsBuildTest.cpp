// The legacy menu and toolbar buttons as the host holds them after the
// add-in's start-up: where the popup lands, its entries, the toolbar
// buttons with their faces, what an earlier run left, protected bars, a
// window without "Standard", and a failing host call that ends the build.
#include "DialogWatcher.h"
#include "LegacyAddinFixture.h"

#include <gtest/gtest.h>

#include <functional>

using namespace doubles;

namespace {

using Strings = std::vector<std::wstring>;

Strings TagsOf(const std::vector<std::shared_ptr<FakeControl>>& controls)
{
    Strings tags;
    for (const auto& control : controls)
        tags.push_back(control->Tag());
    return tags;
}

Strings CaptionsOf(const std::vector<std::shared_ptr<FakeControl>>& controls)
{
    Strings captions;
    for (const auto& control : controls)
        captions.push_back(control->Caption());
    return captions;
}

// Every control of the window that has a click sink.
int SinkedControls(const FakeCommandBars& bars, const Strings& tags)
{
    int sinked = 0;
    for (const std::wstring& tag : tags)
        for (const auto& control : bars.FindAll(tag))
            sinked += control->type == FAKE_CONTROL_BUTTON && control->ClickSinks() > 0;
    return sinked;
}

const Strings MAIN_TAGS = {L"KVPMVX2_0001",   L"KVPMBTVX2_0001", L"KVPMBTVX2_0002", L"KVPMBTVX2_0003",
                           L"KVPMBTVX2_0004", L"KVCBBTVX2_0001", L"KVCBBTVX2_0002"};

void ExpectTransparentFace(const FakeControl& button)
{
    EXPECT_TRUE(button.hasFace);
    EXPECT_FALSE(button.faceFromPlainBitmap);
    EXPECT_FALSE(button.maskBytes.empty());
}

class CommandBarsBuildTest : public LegacyAddinTest
{
};

struct OfficeCase {
    const char* name;
    OfficeApp app;
};

class FreshOfficeWindowTest : public CommandBarsBuildTest, public testing::WithParamInterface<OfficeCase>
{
};

TEST_P(FreshOfficeWindowTest, PopupInFrontOfLastMenuEntriesAndStandardButton)
{
    SetSetting(L"Attachments", 1); // Outlook only: no attachment controls here
    MakeOffice(GetParam().app, 11);
    ASSERT_EQ(S_OK, Start(office->Application())) << log.Text().c_str();

    auto menuBar = bars->MenuBar();
    EXPECT_EQ((Strings{L"Datei", L"Bearbeiten", L"Ansicht", L"dovrane VX", L"?"}), menuBar->Captions());
    auto popup = menuBar->Controls()[3];
    EXPECT_EQ(FAKE_CONTROL_POPUP, popup->type);
    EXPECT_EQ(L"KVPMVX2_0001", popup->Tag());
    EXPECT_TRUE(popup->temporary);
    EXPECT_EQ(4, popup->before);
    EXPECT_EQ((Strings{L"Dokument ablegen", L"Einstellungen", L"Info"}), CaptionsOf(popup->Entries()));
    EXPECT_EQ((Strings{L"KVPMBTVX2_0001", L"KVPMBTVX2_0002", L"KVPMBTVX2_0003"}), TagsOf(popup->Entries()));
    for (const auto& entry : popup->Entries()) {
        EXPECT_TRUE(entry->temporary);
        EXPECT_EQ(1, entry->ClickSinks());
    }

    auto standard = bars->Bar(L"Standard")->Controls();
    ASSERT_EQ(1u, standard.size());
    EXPECT_EQ(L"KVCBBTVX2_0001", standard[0]->Tag());
    EXPECT_EQ(L"Dokument ablegen", standard[0]->Tooltip());
    EXPECT_EQ(1, standard[0]->Style());
    EXPECT_TRUE(standard[0]->temporary);
    ExpectTransparentFace(*standard[0]);
    EXPECT_EQ(1, standard[0]->ClickSinks());
    EXPECT_TRUE(bars->Bar(L"Formatting")->Controls().empty());

    if (GetParam().app == OfficeApp::Word) {
        // Set after the buttons changed the template, so Word does not ask.
        _variant_t saved = Template()->Property(L"Saved");
        EXPECT_EQ(VT_I2, V_VT(&saved));
        EXPECT_EQ(-1, V_I2(&saved));
    }

    Stop();
    EXPECT_EQ(0, SinkedControls(*bars, MAIN_TAGS));
}

INSTANTIATE_TEST_SUITE_P(Hosts, FreshOfficeWindowTest,
                         testing::Values(OfficeCase{"Word", OfficeApp::Word}, OfficeCase{"Excel", OfficeApp::Excel},
                                         OfficeCase{"PowerPoint", OfficeApp::PowerPoint}),
                         [](const testing::TestParamInfo<OfficeCase>& info) { return std::string(info.param.name); });

bool TemplateSaved(FakeDispatch* normal)
{
    _variant_t saved = normal->Property(L"Saved");
    return SUCCEEDED(VariantChangeType(&saved, &saved, 0, VT_BOOL)) && V_BOOL(&saved) != VARIANT_FALSE;
}

// Loaded from the COM Add-ins dialog while Word runs: the user may have
// changed the template already. Only a template that had no changes of the
// user's is marked saved after the buttons changed it; the user's own would
// be discarded at Word's exit.
TEST_F(CommandBarsBuildTest, WordTemplateIsMarkedSavedOnlyWhenItWasSavedBefore)
{
    for (bool savedBefore : {true, false}) {
        MakeOffice(OfficeApp::Word, 11);
        Template()->SetProperty(L"Saved", _variant_t(savedBefore));
        ASSERT_EQ(addin->OnConnection(office->Application(), ext_cm_AfterStartup, nullptr, &custom), S_OK);
        EXPECT_EQ(1u, bars->FindAll(L"KVCBBTVX2_0001").size()) << savedBefore;
        EXPECT_EQ(savedBefore, TemplateSaved(Template())) << savedBefore;
        EXPECT_EQ(addin->OnDisconnection(ext_dm_UserClosed, &custom), S_OK);
        ReleaseHost();
    }
}

struct EntriesCase {
    const char* name;
    bool outlook;
    DWORD attachments;
    DWORD noSettings;
    Strings entries;
    Strings buttons;
};

class EntriesTest : public CommandBarsBuildTest, public testing::WithParamInterface<EntriesCase>
{
};

TEST_P(EntriesTest, AttachmentEntriesOnlyInOutlookAndSettingsOnlyWhenAllowed)
{
    const EntriesCase& c = GetParam();
    SetSetting(L"Attachments", c.attachments);
    SetSetting(L"Nosettings", c.noSettings);
    FakeCommandBars* window = nullptr;
    if (c.outlook) {
        MakeOutlook();
        window = outlook->MainExplorer()->commandBars.get();
        ASSERT_EQ(S_OK, Start(outlook->Application())) << log.Text().c_str();
    } else {
        MakeOffice(OfficeApp::Word, 11);
        window = bars.get();
        ASSERT_EQ(S_OK, Start(office->Application())) << log.Text().c_str();
    }

    auto popup = window->Find(L"KVPMVX2_0001");
    ASSERT_TRUE(popup);
    EXPECT_EQ(c.entries, TagsOf(popup->Entries()));
    EXPECT_EQ(c.buttons, TagsOf(window->Bar(L"Standard")->Controls()));
    // One click sink for each entry and button, none for anything else.
    EXPECT_EQ(static_cast<int>(c.entries.size() + c.buttons.size()), SinkedControls(*window, MAIN_TAGS));
    if (c.buttons.size() == 2) {
        EXPECT_EQ(L"Anhänge ablegen", window->Bar(L"Standard")->Controls()[1]->Tooltip());
    }
    Stop();
    EXPECT_EQ(0, SinkedControls(*window, MAIN_TAGS));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, EntriesTest,
    testing::Values(
        EntriesCase{"OutlookWithAttachments", true, 1, 0,
                    {L"KVPMBTVX2_0001", L"KVPMBTVX2_0004", L"KVPMBTVX2_0002", L"KVPMBTVX2_0003"},
                    {L"KVCBBTVX2_0001", L"KVCBBTVX2_0002"}},
        EntriesCase{"OutlookNoSettingsNoAttachments", true, 0, 1, {L"KVPMBTVX2_0001", L"KVPMBTVX2_0003"},
                    {L"KVCBBTVX2_0001"}},
        EntriesCase{"WordWithAttachmentsAndNoSettings", false, 1, 1, {L"KVPMBTVX2_0001", L"KVPMBTVX2_0003"},
                    {L"KVCBBTVX2_0001"}}),
    [](const testing::TestParamInfo<EntriesCase>& info) { return std::string(info.param.name); });

TEST_F(CommandBarsBuildTest, EarlierRunsPopupAndArchiveButtonAreReplacedItsAttachmentButtonIsReused)
{
    SetSetting(L"Attachments", 1);
    MakeOutlook();
    FakeCommandBars& window = *outlook->MainExplorer()->commandBars;
    auto oldPopup = window.AddControl(window.MenuBar()->controls, FAKE_CONTROL_POPUP, L"dovrane VX", L"KVPMVX2_0001");
    auto standard = window.Bar(L"Standard");
    auto oldArchive = window.AddControl(standard->controls, FAKE_CONTROL_BUTTON, L"", L"KVCBBTVX2_0001");
    auto oldAttachment = window.AddControl(standard->controls, FAKE_CONTROL_BUTTON, L"", L"KVCBBTVX2_0002");

    ASSERT_EQ(S_OK, Start(outlook->Application())) << log.Text().c_str();

    EXPECT_TRUE(oldPopup->deleted);
    auto popups = window.FindAll(L"KVPMVX2_0001");
    ASSERT_EQ(1u, popups.size());
    EXPECT_NE(oldPopup, popups[0]);
    EXPECT_EQ(4u, popups[0]->Entries().size());

    EXPECT_TRUE(oldArchive->deleted);
    auto archive = window.FindAll(L"KVCBBTVX2_0001");
    ASSERT_EQ(1u, archive.size());
    ExpectTransparentFace(*archive[0]);
    EXPECT_EQ(1, archive[0]->ClickSinks());

    auto attachment = window.FindAll(L"KVCBBTVX2_0002");
    ASSERT_EQ(1u, attachment.size());
    EXPECT_EQ(oldAttachment, attachment[0]);
    EXPECT_FALSE(oldAttachment->deleted);
    EXPECT_EQ(0, oldAttachment->pasteCalls);
    EXPECT_EQ(1, oldAttachment->ClickSinks());

    EXPECT_EQ(1, log.Count(L"[INF] pPopupMenu->Delete\n"));
    EXPECT_EQ(1, log.Count(L"[INF] ToolbarButton found, try to delete\n"));
    Stop();
}

TEST_F(CommandBarsBuildTest, ArchiveButtonThatCannotBeDeletedIsKeptAndTheBuildGoesOn)
{
    MakeOffice(OfficeApp::Excel, 11);
    auto oldArchive = bars->AddControl(bars->Bar(L"Standard")->controls, FAKE_CONTROL_BUTTON, L"", L"KVCBBTVX2_0001");
    oldArchive->object->FailInvoke(L"Delete", 0, E_ACCESSDENIED);

    ASSERT_EQ(S_OK, Start(office->Application())) << log.Text().c_str();

    EXPECT_EQ(1, log.Count(L"[ERR] Error: can't delete ToolbarButton! hr = 0x80070005\n"));
    auto archive = bars->FindAll(L"KVCBBTVX2_0001");
    ASSERT_EQ(1u, archive.size());
    EXPECT_EQ(oldArchive, archive[0]);
    EXPECT_EQ(0, oldArchive->pasteCalls);
    EXPECT_EQ(1, oldArchive->ClickSinks());
    Stop();
}

struct ProtectionCase {
    const char* name;
    long before;
    long after;
};

class ProtectionTest : public CommandBarsBuildTest, public testing::WithParamInterface<ProtectionCase>
{
};

TEST_P(ProtectionTest, OnlyANoCustomizeMenuBarIsUnprotectedAndTheMenuIsBuilt)
{
    MakeOffice(OfficeApp::PowerPoint, 11);
    bars->MenuBar()->object->SetProperty(L"Protection", _variant_t(GetParam().before));

    ASSERT_EQ(S_OK, Start(office->Application())) << log.Text().c_str();

    EXPECT_EQ(GetParam().after, bars->MenuBar()->Protection());
    EXPECT_TRUE(bars->Find(L"KVPMVX2_0001"));
    EXPECT_EQ(GetParam().before == 1 ? 1 : 0,
              log.Count(L"[ERR] Active menu bar is protected! Try to remove protection\n"));
    Stop();
}

INSTANTIATE_TEST_SUITE_P(Values, ProtectionTest,
                         testing::Values(ProtectionCase{"NoCustomize", 1, 0}, ProtectionCase{"None", 0, 0},
                                         ProtectionCase{"NoMove", 4, 4}),
                         [](const testing::TestParamInfo<ProtectionCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(CommandBarsBuildTest, WindowWithoutStandardToolbarGetsTheMenuOnly)
{
    office = std::make_unique<OfficeHostDouble>(OfficeApp::Excel, 11);
    bars = std::make_unique<FakeCommandBars>();
    bars->AddMenuBar(L"Worksheet Menu Bar", {L"Datei", L"?"});
    bars->AddToolbar(L"Formatting");
    office->Application()->SetProperty(L"CommandBars", DispatchVariant(bars->Object()));

    ASSERT_EQ(S_OK, Start(office->Application())) << log.Text().c_str();

    auto popup = bars->Find(L"KVPMVX2_0001");
    ASSERT_TRUE(popup);
    EXPECT_EQ(3u, popup->Entries().size());
    EXPECT_TRUE(bars->Bar(L"Formatting")->Controls().empty());
    EXPECT_FALSE(bars->Find(L"KVCBBTVX2_0001"));
    EXPECT_EQ(3, SinkedControls(*bars, MAIN_TAGS));
    Stop();
}

TEST_F(CommandBarsBuildTest, StandardIsFoundByExactNamePastBarsThatFail)
{
    office = std::make_unique<OfficeHostDouble>(OfficeApp::Excel, 11);
    bars = std::make_unique<FakeCommandBars>();
    bars->AddMenuBar(L"Worksheet Menu Bar", {L"Datei", L"?"});
    bars->AddToolbar(L"standard");
    auto broken = bars->AddToolbar(L"Broken");
    auto standard = bars->AddToolbar(L"Standard");
    auto second = bars->AddToolbar(L"Standard");
    broken->object->FailInvoke(L"Name", 0, E_FAIL);
    // Item(2) fails; the search goes on.
    bars->Object()->FailInvoke(L"Item", 2, DISP_E_BADINDEX);
    office->Application()->SetProperty(L"CommandBars", DispatchVariant(bars->Object()));

    ASSERT_EQ(S_OK, Start(office->Application())) << log.Text().c_str();

    EXPECT_EQ((Strings{L"KVCBBTVX2_0001"}), TagsOf(standard->Controls()));
    EXPECT_TRUE(second->Controls().empty());
    EXPECT_TRUE(bars->Bar(L"standard")->Controls().empty());
    EXPECT_EQ(1, log.Count(L"[INF] Toolbar Worksheet Menu Bar was found\n"));
    EXPECT_EQ(0, log.Count(L"[INF] Toolbar standard was found\n"));
    EXPECT_EQ(1, log.Count(L"[INF] Toolbar Standard was found\n"));
    EXPECT_EQ(1, log.Count(L"[INF] Standard toolbar is detected!"));
    Stop();
}

struct FailureCase {
    const char* name;
    std::function<void(FakeCommandBars&)> script;
    const wchar_t* logged;
    // The popup was added before the failure and stays.
    bool popupStays;
};

const HRESULT HOST_FAILURE = 0x800A01A8;

class FailingCallTest : public CommandBarsBuildTest, public testing::WithParamInterface<FailureCase>
{
};

TEST_P(FailingCallTest, EndsTheBuildWithItsResultAndNoClickSink)
{
    const FailureCase& c = GetParam();
    MakeOffice(OfficeApp::Excel, 11);
    c.script(*bars);

    EXPECT_EQ(HOST_FAILURE, Start(office->Application()));

    EXPECT_EQ(1, log.Count(std::wstring(L"[ERR] ") + c.logged + L" hr = 0x800A01A8\n")) << log.Text().c_str();
    EXPECT_EQ(0, SinkedControls(*bars, MAIN_TAGS));
    EXPECT_EQ(c.popupStays, bars->Find(L"KVPMVX2_0001") != nullptr);
    Stop();
}

std::shared_ptr<FakeBar> Standard(FakeCommandBars& bars)
{
    return bars.Bar(L"Standard");
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FailingCallTest,
    testing::Values(
        FailureCase{"Count", [](FakeCommandBars& b) { b.Object()->FailInvoke(L"Count", 1, HOST_FAILURE); },
                    L"Failed to call CommandBars->get_Count!", false},
        FailureCase{"ActiveMenuBar",
                    [](FakeCommandBars& b) { b.Object()->FailInvoke(L"ActiveMenuBar", 1, HOST_FAILURE); },
                    L"Failed to call CommandBars->get_ActiveMenuBar!", false},
        FailureCase{"ProtectionRead",
                    [](FakeCommandBars& b) { b.MenuBar()->object->FailInvoke(L"Protection", 1, HOST_FAILURE); },
                    L"Failed to call pActiveMenuBar->get_Protection!", false},
        FailureCase{"ProtectionWrite",
                    [](FakeCommandBars& b) {
                        b.MenuBar()->object->SetProperty(L"Protection", _variant_t(1L));
                        b.MenuBar()->object->FailInvoke(L"Protection", 2, HOST_FAILURE);
                    },
                    L"Failed to call pActiveMenuBar->put_Protection!", false},
        FailureCase{"PopupSearch",
                    [](FakeCommandBars& b) { b.MenuBar()->object->FailInvoke(L"FindControl", 1, HOST_FAILURE); },
                    L"Failed to call pActiveMenuBar->FindControl!", false},
        FailureCase{"PopupDelete",
                    [](FakeCommandBars& b) {
                        auto old = b.AddControl(b.MenuBar()->controls, FAKE_CONTROL_POPUP, L"alt", L"KVPMVX2_0001");
                        old->object->FailInvoke(L"Delete", 1, HOST_FAILURE);
                    },
                    L"Failed to call pPopupMenu->Delete!", true},
        FailureCase{"SecondCount", [](FakeCommandBars& b) { b.Object()->FailInvoke(L"Count", 2, HOST_FAILURE); },
                    L"Failed to call ((_CommandBars*)pCmdBars)->get_Count!", false},
        FailureCase{"ArchiveButtonSearchBeforeTheMenu",
                    [](FakeCommandBars& b) { Standard(b)->object->FailInvoke(L"FindControl", 1, HOST_FAILURE); },
                    L"Error in pCommandBar->FindControl!", false},
        FailureCase{"MenuBarControls",
                    [](FakeCommandBars& b) { b.MenuBar()->object->FailInvoke(L"Controls", 1, HOST_FAILURE); },
                    L"Failed to call pActiveMenuBar->get_Controls!", false},
        FailureCase{"MenuCount",
                    [](FakeCommandBars& b) { b.MenuBar()->controls->object->FailInvoke(L"Count", 1, HOST_FAILURE); },
                    L"Failed to call pPopupMenus->get_Count!", false},
        FailureCase{"PopupAdd",
                    [](FakeCommandBars& b) { b.MenuBar()->controls->object->FailInvoke(L"Add", 1, HOST_FAILURE); },
                    L"Failed to call pPopupMenus->Add!", false},
        FailureCase{"PopupControls",
                    [](FakeCommandBars& b) { b.FailOnNew(L"CommandBarPopup", L"Controls", 1, HOST_FAILURE); },
                    L"Failed to call pPopupMenu->get_Controls!", true},
        FailureCase{"EntryAdd",
                    [](FakeCommandBars& b) { b.FailOnNew(L"CommandBarControls", L"Add", 2, HOST_FAILURE); },
                    L"Failed to call pPopupMenuButtons->Add!", true},
        FailureCase{"ArchiveButtonSearchAfterTheMenu",
                    [](FakeCommandBars& b) { Standard(b)->object->FailInvoke(L"FindControl", 2, HOST_FAILURE); },
                    L"Error in pCommandBar->FindControl!", true},
        FailureCase{"ToolbarControls",
                    [](FakeCommandBars& b) { Standard(b)->object->FailInvoke(L"Controls", 1, HOST_FAILURE); },
                    L"Failed to call m_pCommandBar->get_Controls!", true},
        FailureCase{"ButtonAdd",
                    [](FakeCommandBars& b) { Standard(b)->controls->object->FailInvoke(L"Add", 1, HOST_FAILURE); },
                    L"Failed to call pCommandBarButtons->Add!", true}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// Word's start-up reports a failed build even when the template it changed is
// marked saved afterwards; a template that refuses the mark is reported on
// its own line, and is the result only when the build went well.
TEST_F(CommandBarsBuildTest, WordReportsAFailedBuildWhateverBecomesOfTheTemplatesSavedFlag)
{
    struct Case {
        const char* name;
        bool buildFails;
        bool savedRefused;
        HRESULT result;
    };
    const Case cases[] = {
        {"build fails, template marked", true, false, HOST_FAILURE},
        {"build fails, template refuses", true, true, HOST_FAILURE},
        {"build succeeds, template refuses", false, true, E_ACCESSDENIED},
    };
    const wchar_t buildLine[] = L"[ERR] Failed to call pCommandBarButtons->Add! hr = 0x800A01A8\n";
    const wchar_t savedLine[] = L"[ERR] Failed to set saved flag of the current word template! hr = 0x80070005\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.Mark();
        MakeOffice(OfficeApp::Word, 11);
        Template()->SetProperty(L"Saved", _variant_t(true));
        if (c.buildFails)
            Standard(*bars)->controls->object->FailInvoke(L"Add", 1, HOST_FAILURE);
        // The first call reads the flag, the second one puts it.
        if (c.savedRefused)
            Template()->FailInvoke(L"Saved", 2, E_ACCESSDENIED);

        EXPECT_EQ(c.result, Start(office->Application())) << log.Text().c_str();
        EXPECT_EQ(c.buildFails ? 1 : 0, log.Count(buildLine));
        EXPECT_EQ(c.savedRefused ? 1 : 0, log.Count(savedLine));
        // The popup was added before the failure: Word does not ask for it.
        EXPECT_EQ(!c.savedRefused, TemplateSaved(Template()));
        Stop();
        ReleaseHost();
    }
}

TEST_F(CommandBarsBuildTest, MailInspectorGetsItsOwnTagsAndTheMainWindowKeepsItsOwn)
{
    SetSetting(L"Attachments", 1);
    MakeOutlook();
    ASSERT_EQ(S_OK, Start(outlook->Application())) << log.Text().c_str();
    FakeDispatchPtr mail = FakeOutlook::MakeItem(L"IPM.Note", true);
    auto inspector = outlook->OpenInspector(mail);
    mail = nullptr;

    FakeCommandBars& window = *inspector->commandBars;
    auto popup = window.Find(L"KVPMSVX2_0001");
    ASSERT_TRUE(popup);
    EXPECT_EQ((Strings{L"KVPMBTSVX2_0001", L"KVPMBTSVX2_0004", L"KVPMBTSVX2_0002", L"KVPMBTSVX2_0003"}),
              TagsOf(popup->Entries()));
    EXPECT_EQ((Strings{L"KVCBBTSVX2_0001", L"KVCBBTSVX2_0002"}), TagsOf(window.Bar(L"Standard")->Controls()));
    for (const std::wstring& tag : MAIN_TAGS)
        EXPECT_FALSE(window.Find(tag)) << tag.c_str();
    EXPECT_TRUE(outlook->MainExplorer()->commandBars->Find(L"KVPMVX2_0001"));
    EXPECT_FALSE(outlook->MainExplorer()->commandBars->Find(L"KVPMSVX2_0001"));
    // The window's own sinks reach the inspector's commands (each ends with
    // its message: this mail has no MAPI message).
    DialogWatcher watcher;
    EXPECT_EQ(S_OK, window.Find(L"KVCBBTSVX2_0001")->Click());
    EXPECT_EQ(S_OK, window.Find(L"KVPMBTSVX2_0004")->Click());
    EXPECT_EQ(2u, watcher.Count());
    EXPECT_EQ(1, log.Count(L"[INF] Outlook CMarvikAddin->OnArchiveSingleOutlook invoked\n"));
    EXPECT_EQ(1, log.Count(L"[INF] Outlook CMarvikAddin->OnAttachmentSingleOutlook invoked\n"));

    outlook->Close(inspector);
    Stop();
}

} // namespace
