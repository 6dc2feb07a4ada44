// A click on a legacy control reaches the command its Tag names: the twelve
// tags of the main window and the mail inspector, an unknown tag, a Tag that
// cannot be read and an active inspector that cannot be read. Outlook 12 is
// the host; the settings and info dialogs are cancelled as a user would.
#include "ButtonHandler.h"
#include "LegacyAddinFixture.h"

#include "DialogWatcher.h"

#include <gtest/gtest.h>

using namespace doubles;

namespace {

const wchar_t ARCHIVE[] = L"[INF] Outlook CMarvikAddin->OnArchive invoked\n";
const wchar_t ARCHIVE_SINGLE[] = L"[INF] Outlook CMarvikAddin->OnArchiveSingleOutlook invoked\n";
const wchar_t ATTACHMENT[] = L"[INF] Outlook CMarvikAddin->OnAttachment invoked\n";
const wchar_t ATTACHMENT_SINGLE[] = L"[INF] Outlook CMarvikAddin->OnAttachmentSingleOutlook invoked\n";
const wchar_t SETTINGS[] = L"[INF] Outlook CMarvikAddin->OnSettings invoked\n";
const wchar_t ABOUT[] = L"[INF] Outlook CMarvikAddin->OnAbout invoked\n";
const wchar_t* const COMMANDS[] = {ARCHIVE, ARCHIVE_SINGLE, ATTACHMENT, ATTACHMENT_SINGLE, SETTINGS, ABOUT};

struct ClickCase {
    const wchar_t* tag;
    // The command's first log line; null: none.
    const wchar_t* command;
    // The command shows a window: its dialog, or the message with which an
    // Outlook command ends in this Outlook, whose explorer has no selection
    // and whose mail no MAPI message.
    bool dialog;
};

class ButtonClickTest : public LegacyAddinTest
{
protected:
    void SetUp() override
    {
        LegacyAddinTest::SetUp();
        MakeOutlook();
        ASSERT_EQ(S_OK, Start(outlook->Application()));
        toolbar = outlook->MainExplorer()->commandBars->Bar(L"Formatting");
    }
    void TearDown() override
    {
        toolbar.reset();
        if (addin)
            Stop();
        LegacyAddinTest::TearDown();
    }

    // A button with the tag and a click sink of the add-in on it.
    std::shared_ptr<FakeControl> ButtonWithSink(const wchar_t* tag, CButtonHandler** sink)
    {
        auto button = outlook->MainExplorer()->commandBars->AddControl(toolbar->controls, FAKE_CONTROL_BUTTON, L"", tag);
        *sink = new CButtonHandler(object);
        (*sink)->AddRef();
        (*sink)->Advise(button->object);
        return button;
    }

    void LetGo(CButtonHandler* sink)
    {
        sink->Unadvise();
        EXPECT_EQ(0u, sink->Release());
    }

    std::shared_ptr<FakeBar> toolbar;
};

class ClickTableTest : public ButtonClickTest, public testing::WithParamInterface<ClickCase>
{
};

TEST_P(ClickTableTest, TagPicksTheCommand)
{
    const ClickCase& c = GetParam();
    FakeDispatchPtr mail = FakeOutlook::MakeItem(L"IPM.Note", true);
    auto inspector = outlook->OpenInspector(mail);
    mail = nullptr;
    CButtonHandler* sink = nullptr;
    auto button = ButtonWithSink(c.tag, &sink);
    // Office would fire the click to the main window's own controls of that
    // tag too; the table is about this one sink.
    for (const auto& other : outlook->MainExplorer()->commandBars->FindAll(c.tag))
        if (other != button)
            other->object->SetProperty(L"Tag", _variant_t(L"elsewhere"));
    log.Mark();
    DialogWatcher watcher({}, DialogAnswer{IDCANCEL});

    EXPECT_EQ(S_OK, button->Click());

    for (const wchar_t* command : COMMANDS) {
        bool runs = c.command && std::wstring(command) == c.command;
        // The opened mail's attachments command goes on as the attachments command.
        runs = runs || (c.command == ATTACHMENT_SINGLE && command == ATTACHMENT);
        EXPECT_EQ(runs ? 1 : 0, log.Count(command)) << command;
    }
    EXPECT_EQ(c.dialog ? 1u : 0u, watcher.Count());
    // An inspector's command reads the active inspector first.
    bool single = c.command == ARCHIVE_SINGLE || c.command == ATTACHMENT_SINGLE;
    EXPECT_EQ(single ? 1 : 0, outlook->Application()->CallCount(L"ActiveInspector"));
    LetGo(sink);
    outlook->Close(inspector);
}

INSTANTIATE_TEST_SUITE_P(
    Tags, ClickTableTest,
    testing::Values(ClickCase{L"KVPMBTVX2_0003", ABOUT, true}, ClickCase{L"KVPMBTSVX2_0003", ABOUT, true},
                    ClickCase{L"KVPMBTVX2_0002", SETTINGS, true}, ClickCase{L"KVPMBTSVX2_0002", SETTINGS, true},
                    ClickCase{L"KVCBBTVX2_0002", ATTACHMENT, true}, ClickCase{L"KVPMBTVX2_0004", ATTACHMENT, true},
                    ClickCase{L"KVCBBTVX2_0001", ARCHIVE, true}, ClickCase{L"KVPMBTVX2_0001", ARCHIVE, true},
                    ClickCase{L"KVCBBTSVX2_0002", ATTACHMENT_SINGLE, true},
                    ClickCase{L"KVPMBTSVX2_0004", ATTACHMENT_SINGLE, true},
                    ClickCase{L"KVCBBTSVX2_0001", ARCHIVE_SINGLE, true},
                    ClickCase{L"KVPMBTSVX2_0001", ARCHIVE_SINGLE, true},
                    // Neither another case nor the popup's own tag is a command.
                    ClickCase{L"kvpmbtvx2_0001", nullptr, false}, ClickCase{L"KVPMVX2_0001", nullptr, false},
                    ClickCase{L"", nullptr, false}),
    [](const testing::TestParamInfo<ClickCase>& info) {
        std::string name = "Tag_";
        for (const wchar_t* p = info.param.tag; *p; ++p)
            name += isalnum(*p) ? static_cast<char>(*p) : '_';
        return name + "_" + std::to_string(info.index);
    });

TEST_F(ButtonClickTest, UnreadableTagOrActiveInspectorStartsNothingAndStillAnswersOk)
{
    CButtonHandler* sink = nullptr;
    auto archive = ButtonWithSink(L"KVCBBTVX2_0001", &sink);
    CButtonHandler* inspectorSink = nullptr;
    auto inspectorArchive = ButtonWithSink(L"KVCBBTSVX2_0001", &inspectorSink);
    archive->object->FailInvoke(L"Tag", 0, E_FAIL);
    log.Mark();

    EXPECT_EQ(S_OK, archive->Click());
    // No inspector open: ActiveInspector gives Nothing.
    EXPECT_EQ(S_OK, inspectorArchive->Click());
    outlook->Application()->FailInvoke(L"ActiveInspector", 0, E_FAIL);
    EXPECT_EQ(S_OK, inspectorArchive->Click());

    for (const wchar_t* command : COMMANDS)
        EXPECT_EQ(0, log.Count(command)) << command;
    EXPECT_EQ(2, outlook->Application()->CallCount(L"ActiveInspector"));
    LetGo(sink);
    LetGo(inspectorSink);
}

} // namespace
