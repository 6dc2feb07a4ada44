// The plug-in's menu, toolbar button, log file and unload in the test host.
#include "OstrelleTestSupport.h"

#include "DialogWatcher.h"
#include "HostBinding.h"
#include "PluginUi.h"
#include "TempDir.h"

#include <vector>

using namespace acrohost;

namespace {

const std::vector<std::string> kHostMenus = {"File", "Edit", "View", "Window", "Help"};

class OstrelleMenu : public OstrelleHostTest
{
};

TEST_F(OstrelleMenu, AddsItsMenuBeforeWindowWithThreeItems)
{
    LoadPlugin();
    std::vector<std::string> expected = {"File", "Edit", "View", "dovrane VX", "Window", "Help"};
    EXPECT_EQ(expected, host->MenubarNames());
    MenuView menu;
    ASSERT_TRUE(host->FindMenu("dovrane VX", &menu));
    EXPECT_EQ("marvik", menu.title);
    ASSERT_EQ(3u, menu.items.size());
    const struct {
        const char* title;
        const char* name;
        uintptr_t command;
    } items[] = {{"Dokument ablegen", "marvik:40002", 40002}, {"&Einstellungen", "marvik:40003", 40003},
                 {"&Info", "marvik:40001", 40001}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(items[i].title, menu.items[i].title);
        EXPECT_EQ(items[i].name, menu.items[i].name);
        EXPECT_TRUE(menu.items[i].hasExecute && menu.items[i].hasEnabled) << items[i].name;
        EXPECT_EQ(items[i].command, reinterpret_cast<uintptr_t>(menu.items[i].clientData));
    }
}

TEST_F(OstrelleMenu, AppendsItsMenuWhenTheHostHasNoWindowMenu)
{
    host->RemoveHostMenu("Window");
    LoadPlugin();
    std::vector<std::string> expected = {"File", "Edit", "View", "Help", "dovrane VX"};
    EXPECT_EQ(expected, host->MenubarNames());
}

TEST_F(OstrelleMenu, AddsOneButtonToAToolbarOfItsOwnWithTooltipFaceAndPosition)
{
    LoadPlugin();
    ASSERT_TRUE(host->HasToolBar("dovrane VX"));
    EXPECT_EQ("marvik", host->ToolBarTitle("dovrane VX"));
    EXPECT_EQ(std::vector<std::string>{"marvik:40002"}, host->ToolBarButtons("dovrane VX"));
    EXPECT_EQ(L"Dokument in marvik dovrane ablegen", host->ButtonTooltip("marvik:40002"));
    EXPECT_EQ(OBJ_BITMAP, static_cast<int>(GetObjectType(host->ButtonIcon("marvik:40002"))));
    EXPECT_GE(host->ButtonUpdates(), 1);

    ASSERT_EQ(1u, host->Positions().size());
    const PositionRecord& position = host->Positions()[0];
    EXPECT_EQ("dovrane VX", position.toolBarName);
    EXPECT_FALSE(position.external);
    EXPECT_EQ(1, position.record.inDoc);
    EXPECT_EQ(0, position.record.dockPosition);
    // Read by the host through the pointer it kept, after set-up returned.
    EXPECT_EQ("marvik", position.floatingWindowName);
    EXPECT_EQ(-1, position.record.stackNum);
    EXPECT_EQ(0x7FFFFFFF, position.record.offset);
    EXPECT_EQ(0, position.record.order);
    EXPECT_EQ(0, position.record.frameLeft | position.record.frameTop | position.record.frameRight |
                     position.record.frameBottom | position.record.layout | position.record.hidden |
                     position.record.windowHidden);
}

TEST_F(OstrelleMenu, TooltipIsMadeInTheHostsEncoding)
{
    host->SetHostEncoding(EASTEUROPE_CHARSET);
    LoadPlugin();
    EXPECT_EQ(L"Dokument in marvik dovrane ablegen", host->ButtonTooltip("marvik:40002", false));
    // The host's problems (another encoding passed) are checked at the end.
}

TEST_F(OstrelleMenu, ArchiveIsEnabledOnlyWithAnActiveDocument)
{
    LoadPlugin();
    EXPECT_FALSE(host->MenuItemEnabled("marvik:40002"));
    EXPECT_FALSE(host->ButtonEnabled("marvik:40002"));
    EXPECT_TRUE(host->MenuItemEnabled("marvik:40003"));
    EXPECT_TRUE(host->MenuItemEnabled("marvik:40001"));

    int doc = host->OpenDocument(DocumentSpec());
    EXPECT_TRUE(host->MenuItemEnabled("marvik:40002"));
    EXPECT_TRUE(host->ButtonEnabled("marvik:40002"));
    host->CloseDocument(doc);
    EXPECT_FALSE(host->ButtonEnabled("marvik:40002"));
}

TEST_F(OstrelleMenu, UnloadLeavesNoMenuButtonOrBitmapBehind)
{
    LoadPlugin();
    HBITMAP face = host->ButtonIcon("marvik:40002");
    ASSERT_NE(nullptr, face);
    host->Unload();
    EXPECT_EQ(kHostMenus, host->MenubarNames());
    EXPECT_TRUE(host->ToolBarButtons("dovrane VX").empty());
    EXPECT_EQ(0, static_cast<int>(GetObjectType(face))) << "the button's bitmap is deleted";
    // TearDown checks that no menu or item of the plug-in is alive.
}

TEST_F(OstrelleMenu, SecondInitialisationReusesToolbarAndButton)
{
    LoadPlugin();
    ASSERT_TRUE(host->RunInit());
    EXPECT_EQ(std::vector<std::string>{"marvik:40002"}, host->ToolBarButtons("dovrane VX"));
    host->Unload();
    EXPECT_EQ(kHostMenus, host->MenubarNames());
}

TEST_F(OstrelleMenu, LogIsNamedAfterTheHostUntilInitialisationNamesItAfterThePlugin)
{
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring hostName = program;
    hostName = hostName.substr(hostName.find_last_of(L'\\') + 1);
    hostName = hostName.substr(0, hostName.find_last_of(L'.')) + L".log";

    ASSERT_EQ(LOAD_OK, host->Attach(OstrelleApiPath()));
    EXPECT_TRUE(FileExists(Temp() + hostName)) << "opened when the plug-in was loaded";
    EXPECT_FALSE(FileExists(Temp() + L"Ostrelle.log"));

    ASSERT_TRUE(host->RunInit());
    ASSERT_TRUE(FileExists(Temp() + L"Ostrelle.log"));
    {
        DialogWatcher watcher({}, DialogAnswer{IDOK});
        ASSERT_TRUE(host->RunMenuItem("marvik:40001"));
    }
    std::string log = ReadText(Temp() + L"Ostrelle.log");
    EXPECT_NE(std::string::npos, log.find("[INF] KVDisplayInfo() ...entered\n")) << log;
    EXPECT_EQ(std::string::npos, ReadText(Temp() + hostName).find("KVDisplayInfo")) << "nothing after the rename";
}

TEST_F(OstrelleMenu, SettingsAndInfoWithoutTheConnectorSayItIsNotRegistered)
{
    LoadPlugin();
    int doc = host->OpenDocument(DocumentSpec());
    for (const char* item : {"marvik:40003", "marvik:40001"}) {
        DialogWatcher watcher({}, DialogAnswer{IDOK});
        ASSERT_TRUE(host->RunMenuItem(item)) << item;
        std::vector<SeenDialog> seen = watcher.Seen();
        ASSERT_EQ(1u, seen.size()) << item;
        EXPECT_EQ(L"marvik dovrane Acrobat Plugin", seen[0].caption);
        EXPECT_EQ(L"Die COM Schnittstelle ist nicht registriert.", seen[0].text);
        EXPECT_TRUE(seen[0].hasOwner) << "owned by the document's window";
    }
    host->CloseDocument(doc);
}

// A popup inside the menu resource: KVCreateMenuItem linked into this
// program, bound to the test host through the linked PlugInMain.
TEST_F(OstrelleMenu, PopupInTheMenuResourceBecomesASubmenuNamedMarsub)
{
    ASSERT_EQ(LOAD_OK, host->AttachLinked(reinterpret_cast<AcroTestHost::PlugInMainProc>(&PlugInMain),
                                          GetModuleHandleW(nullptr)));
    HMENU popup = CreatePopupMenu();
    HMENU inner = CreatePopupMenu();
    AppendMenuA(inner, MF_STRING, 40011, "Eins");
    AppendMenuA(inner, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(inner, MF_STRING, 40012, "Zwei");
    AppendMenuA(popup, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(inner), "Mehr");

    AVMenuItem item = KVCreateMenuItem(popup, 0);
    ASSERT_NE(nullptr, item);
    AVMenu menu = AVMenuNew("Test", "test", gExtensionID);
    AVMenuAddMenuItem(menu, item, 9999);
    AVMenuItemRelease(item);
    AVMenubarAddMenu(AVAppGetMenubar(), menu, 9999);
    AVMenuRelease(menu);
    DestroyMenu(popup);

    MenuView view;
    ASSERT_TRUE(host->FindMenu("test", &view));
    ASSERT_EQ(1u, view.items.size());
    const MenuItemView& more = view.items[0];
    EXPECT_EQ("Mehr", more.title);
    EXPECT_EQ("marsub", more.submenuName);
    EXPECT_EQ("marsub", more.submenuTitle);
    ASSERT_EQ(3u, more.submenu.size());
    EXPECT_EQ("marvik:40011", more.submenu[0].name);
    EXPECT_EQ("-", more.submenu[1].name);
    EXPECT_EQ("-", more.submenu[1].title);
    EXPECT_EQ("marvik:40012", more.submenu[2].name);

    AVMenu added = AVMenubarAcquireMenuByName(AVAppGetMenubar(), "test");
    AVMenuRemove(added);
    AVMenuRelease(added);
    EXPECT_EQ(0u, host->Live().pluginMenus) << "the submenu goes with its item";
    EXPECT_EQ(0u, host->Live().pluginItems);
    host->Unload();
}

} // namespace
