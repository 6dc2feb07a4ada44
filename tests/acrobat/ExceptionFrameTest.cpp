// Host exceptions: the test host's own checks of the frame contract, proved
// with guards written wrongly on purpose here; the plug-in's guard against
// the same host; and raises in the plug-in's menu and tooltip calls.
#include "OstrelleTestSupport.h"

#include "HostBinding.h"
#include "HostException.h"
#include "PluginUi.h"
#include "TempDir.h"

#include <setjmp.h>

#include <algorithm>

using namespace acrohost;

namespace {

const int32_t kRaised = 0x40000007;

HostTable g_core = nullptr;

void Push(void* environment, RestoreProc restore)
{
    reinterpret_cast<void(HOSTCB*)(void*, RestoreProc)>(g_core[core::ASPushExceptionFrame])(environment, restore);
}
void Pop()
{
    reinterpret_cast<void(HOSTCB*)(void)>(g_core[core::ASPopExceptionFrame])();
}
void HOSTCB Raise(int32_t code)
{
    reinterpret_cast<void(HOSTCB*)(int32_t)>(g_core[core::ASRaise])(code);
}

void HOSTCB Restore(void* environment)
{
    longjmp(*static_cast<jmp_buf*>(environment), 1);
}
void HOSTCB RestoreThatReturns(void*) {}

// Wrong guards, each a procedure the host runs.
void HOSTCB NoPopAtTheNormalEnd(void*)
{
    jmp_buf environment;
    Push(&environment, Restore);
    if (setjmp(environment) == 0)
        return;
    Pop();
}
void HOSTCB NoPopInTheHandler(void*)
{
    jmp_buf environment;
    Push(&environment, Restore);
    if (setjmp(environment) == 0) {
        Raise(kRaised);
        Pop();
    }
}
void HOSTCB PopWithoutPush(void*)
{
    Pop();
}
void HOSTCB RestoreProcedureReturns(void*)
{
    jmp_buf environment;
    Push(&environment, RestoreThatReturns);
    if (setjmp(environment) == 0)
        Raise(kRaised);
    Pop();
}
void HOSTCB RaiseWithoutFrame(void*)
{
    Raise(kRaised);
}

// The plug-in's guard around a raising call, run as a procedure.
struct GuardedRun {
    ASErrorCode raised;
    ASErrorCode quiet;
};
void HOSTCB PluginGuard(void* data)
{
    GuardedRun* run = static_cast<GuardedRun*>(data);
    run->raised = HostGuarded(&Raise, kRaised);
    ASAtom atom = 0;
    run->quiet = HostGuarded(&atom, &ASAtomFromString, "quiet");
}

bool Saw(const AcroTestHost& host, const std::string& text)
{
    std::vector<std::string> problems = host.Problems();
    return std::any_of(problems.begin(), problems.end(),
                       [&](const std::string& problem) { return problem.find(text) != std::string::npos; });
}

class HostFrames : public OstrelleHostTest
{
protected:
    void SetUp() override
    {
        OstrelleHostTest::SetUp();
        Bind();
    }
    void TearDown() override
    {
        g_core = nullptr;
        gCoreHFT = nullptr;
        OstrelleHostTest::TearDown();
    }
    void Bind()
    {
        g_core = host->Table(TABLE_CORE);
        gCoreHFT = reinterpret_cast<HFT>(g_core);
    }
};

TEST_F(HostFrames, HostReportsEveryWrongGuard)
{
    const struct {
        void(HOSTCB* proc)(void*);
        const char* problem;
    } cases[] = {
        {NoPopAtTheNormalEnd, "left an exception frame behind"},
        {NoPopInTheHandler, "left an exception frame behind"},
        {PopWithoutPush, "ASPopExceptionFrame without a frame that the plug-in pushed"},
        {RestoreProcedureReturns, "a restore procedure returned"},
        {RaiseWithoutFrame, "escaped the wrong guard"},
    };
    for (const auto& c : cases) {
        host.reset();
        host.reset(new AcroTestHost);
        Bind();
        host->RunProcedure(c.proc, nullptr, "the wrong guard");
        EXPECT_TRUE(Saw(*host, c.problem)) << c.problem;
        EXPECT_EQ(0u, host->Live().frames) << c.problem;
    }
    host.reset();
}

TEST_F(HostFrames, PluginGuardPopsOnBothWaysOutAndReadsTheCode)
{
    GuardedRun run = {0, -1};
    EXPECT_TRUE(host->RunProcedure(PluginGuard, &run, "the plug-in's guard"));
    EXPECT_EQ(kRaised, run.raised);
    EXPECT_EQ(0, run.quiet);
    EXPECT_EQ(1, host->RaisesCaught());
    // TearDown: no problem seen, no frame left.
}

class PluginRaises : public OstrelleHostTest
{
};

TEST_F(PluginRaises, RaiseInAVMenuNewLeavesTheMenuUnbuilt)
{
    host->RaiseIn(TABLE_ACROVIEW, view::AVMenuNew, kRaised);
    LoadPlugin();
    EXPECT_EQ(1, host->RaisesCaught());
    MenuView menu;
    EXPECT_FALSE(host->FindMenu("dovrane VX", &menu));
    EXPECT_NE(std::string::npos,
              ReadText(Temp() + L"Ostrelle.log").find("[ERR] KVAddUI(): failed to AVMenuNew()\n"));
}

// The calls that add the menu, an item, the button and the button to its
// toolbar raise when the host runs out of memory: that element is left out,
// the rest is built, and nothing the plug-in took is kept (the menu title's
// host buffer, the menu and items, a button that the toolbar did not take
// and its bitmap). The fixture's TearDown checks the same after the unload.
TEST_F(PluginRaises, RaiseWhileAddingLeavesThatElementOutAndGivesEverythingBack)
{
    const struct {
        unsigned selector;
        const char* log;
        bool menuInBar;
        std::vector<std::string> items;
        bool button;
    } cases[] = {
        {view::AVMenuAddMenuItem, "[ERR] KVAddUI(): failed to AVMenuAddMenuItem(); code = 0x40000007\n", true,
         {"&Einstellungen", "&Info"}, true},
        {view::AVMenubarAddMenu, "[ERR] KVAddUI(): failed to AVMenubarAddMenu(); code = 0x40000007\n", false, {}, true},
        {view::AVToolButtonNew, "[ERR] KVAddToolBar(): failed to AVToolButtonNew(); code = 0x40000007\n", true,
         {"Dokument ablegen", "&Einstellungen", "&Info"}, false},
        {view::AVToolBarAddButton, "[ERR] KVAddToolBar(): failed to AVToolBarAddButton(); code = 0x40000007\n", true,
         {"Dokument ablegen", "&Einstellungen", "&Info"}, false},
    };
    for (const auto& c : cases) {
        host.reset();
        host.reset(new AcroTestHost);
        host->RaiseIn(TABLE_ACROVIEW, c.selector, kRaised);
        EXPECT_EQ(LOAD_OK, host->Load(OstrelleApiPath())) << c.log;
        EXPECT_EQ(1, host->RaisesCaught()) << c.log;
        EXPECT_NE(std::string::npos, ReadText(Temp() + L"Ostrelle.log").find(c.log)) << c.log;

        MenuView menu;
        EXPECT_EQ(c.menuInBar, host->FindMenu("dovrane VX", &menu)) << c.log;
        std::vector<std::string> titles;
        for (const MenuItemView& item : menu.items)
            titles.push_back(item.title);
        EXPECT_EQ(c.items, titles) << c.log;
        EXPECT_EQ(c.button ? std::vector<std::string>{"marvik:40002"} : std::vector<std::string>{},
                  host->ToolBarButtons("dovrane VX"))
            << c.log;
        EXPECT_EQ(0u, host->Live().allocations) << c.log;
        EXPECT_EQ(0u, host->Live().frames) << c.log;
        if (!c.button) {
            EXPECT_EQ(0u, host->Live().buttons) << "a button not in the toolbar is destroyed";
            EXPECT_EQ(0u, host->Live().buttonIcons) << "the face of a button not in the toolbar is deleted";
        }
        if (!c.menuInBar) {
            EXPECT_EQ(0u, host->Live().pluginMenus) << "the menu the bar did not take is released";
        }

        host->Unload();
        ExpectCleanHost(*host);
        DeleteFileW((Temp() + L"Ostrelle.log").c_str());
    }
}

// A second initialisation finds its button in the toolbar: a raise while it
// is added again leaves that button where it is.
TEST_F(PluginRaises, RaiseWhileAddingAButtonFoundInTheToolbarKeepsIt)
{
    LoadPlugin();
    HBITMAP face = host->ButtonIcon("marvik:40002");
    host->RaiseIn(TABLE_ACROVIEW, view::AVToolBarAddButton, kRaised);
    ASSERT_TRUE(host->RunInit());
    EXPECT_EQ(1, host->RaisesCaught());
    EXPECT_EQ(std::vector<std::string>{"marvik:40002"}, host->ToolBarButtons("dovrane VX"));
    EXPECT_EQ(1u, host->Live().buttons);
    EXPECT_EQ(OBJ_BITMAP, static_cast<int>(GetObjectType(face))) << "the button's face stays";
    EXPECT_EQ(L"Dokument in marvik dovrane ablegen", host->ButtonTooltip("marvik:40002"));
}

TEST_F(PluginRaises, RaiseInTheTooltipsHostTextGivesAnEmptyText)
{
    LoadPlugin();
    host->RaiseIn(TABLE_ASEXTRA, extra::ASTextFromEncoded, kRaised);
    EXPECT_EQ(L"", host->ButtonTooltip("marvik:40002"));
    EXPECT_EQ(1, host->RaisesCaught());
    EXPECT_EQ(L"Dokument in marvik dovrane ablegen", host->ButtonTooltip("marvik:40002"));
}

struct ItemRun {
    HMENU popup;
    AVMenuItem item;
};
void HOSTCB CreateItem(void* data)
{
    ItemRun* run = static_cast<ItemRun*>(data);
    run->item = KVCreateMenuItem(run->popup, 0);
}

// KVCreateMenuItem linked into this program, bound through the linked
// PlugInMain, run as a procedure of the host.
TEST_F(PluginRaises, RaiseInTheSubmenusAVMenuNewLeavesTheItemWithoutSubmenu)
{
    ASSERT_EQ(LOAD_OK, host->AttachLinked(reinterpret_cast<AcroTestHost::PlugInMainProc>(&PlugInMain),
                                          GetModuleHandleW(nullptr)));
    HMENU popup = CreatePopupMenu();
    HMENU inner = CreatePopupMenu();
    AppendMenuA(inner, MF_STRING, 40011, "Eins");
    AppendMenuA(popup, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(inner), "Mehr");
    host->RaiseIn(TABLE_ACROVIEW, view::AVMenuNew, kRaised);
    ItemRun run = {popup, nullptr};
    EXPECT_TRUE(host->RunProcedure(CreateItem, &run, "KVCreateMenuItem"));
    DestroyMenu(popup);
    EXPECT_EQ(1, host->RaisesCaught());
    ASSERT_NE(nullptr, run.item);

    AVMenu menu = AVMenuNew("Test", "test", gExtensionID);
    AVMenuAddMenuItem(menu, run.item, 9999);
    AVMenuItemRelease(run.item);
    AVMenubarAddMenu(AVAppGetMenubar(), menu, 9999);
    AVMenuRelease(menu);
    MenuView view;
    ASSERT_TRUE(host->FindMenu("test", &view));
    ASSERT_EQ(1u, view.items.size());
    EXPECT_EQ("Mehr", view.items[0].title);
    EXPECT_EQ("", view.items[0].submenuName);
    AVMenu added = AVMenubarAcquireMenuByName(AVAppGetMenubar(), "test");
    AVMenuRemove(added);
    AVMenuRelease(added);
    host->Unload();
}

TEST_F(PluginRaises, ProceduresAreMadeCallbacksOnceAndDestroyedAtUnload)
{
    ASSERT_EQ(LOAD_OK, host->Attach(OstrelleApiPath()));
    size_t bound = host->Live().callbacks;
    ASSERT_TRUE(host->RunInit());
    size_t made = host->CallbacksMade();
    ASSERT_TRUE(host->RunInit());
    host->ButtonTooltip("marvik:40002");
    host->MenuItemEnabled("marvik:40002");
    EXPECT_EQ(made, host->CallbacksMade()) << "no new callbacks for the same procedures";
    host->Unload();
    EXPECT_EQ(bound, host->Live().callbacks) << "the menu's and button's callbacks are destroyed";
}

} // namespace
