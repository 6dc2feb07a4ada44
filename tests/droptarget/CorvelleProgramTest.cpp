// Corvelle.exe run under Xvfb as a user runs it: window, menu commands,
// Escape, the per-user window values and a second start.
#include "ConnectorClient.h"
#include "CorvelleProcess.h"
#include "DialogWatcher.h"
#include "ModalDialogDriver.h"
#include "ModalLoopRequest.h"
#include "OberlaneStandin.h"
#include "RegistryFixture.h"
#include "ScreenShot.h"
#include "TempDir.h"
#include "TestDataObject.h"
#include "WindowScreenshot.h"

#include "DialogResource.h"
#include "DropletResource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <map>
#include <set>
#include <thread>

namespace {

const int SCREEN_W = 1280, SCREEN_H = 1024;

// The sample picture: 160 x 200 pixels.
const int PICTURE_W = 160, PICTURE_H = 200;

std::string IniText(const std::string& extra)
{
    return "[Icon]\r\ndroplet.png\r\n[Mimetype]\r\npdf\r\n[Multiupload]\r\nsilent=1\r\nfilequestion=0\r\n" + extra;
}

class CorvelleProgramTest : public RegistryTest
{
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), L"Loader", L"C:\\nowhere\\Oberlane.exe");
        std::wstring sample = WinePathFromEnv("KQ_SOURCE_DIR", L"/droptarget/sample/droplet.png");
        ASSERT_TRUE(CopyFileW(sample.c_str(), (dir / L"droplet.png").c_str(), FALSE));
    }

    void WriteIni(const std::string& text) { dir.WriteFile(L"Corvelle.ini", text); }
    void SetUserValue(const std::wstring& name, const std::wstring& text)
    {
        reg.SetText(HKEY_CURRENT_USER, RegistryFixture::UserKey(), name, text);
    }
    std::map<std::wstring, std::wstring> WindowValues() const
    {
        std::map<std::wstring, std::wstring> values;
        for (const wchar_t* name : {L"Corvelle.Size", L"Corvelle.Vordergrund", L"Corvelle.Fest", L"Corvelle.Align",
                                    L"Corvelle.X", L"Corvelle.Y"}) {
            std::wstring text;
            if (RegistryFixture::GetText(HKEY_CURRENT_USER, RegistryFixture::UserKey(), name, &text))
                values[name] = text;
        }
        return values;
    }

    TempDir dir;
};

void ExpectRect(const RECT& rect, int x, int y, int w, int h)
{
    EXPECT_EQ(x, rect.left);
    EXPECT_EQ(y, rect.top);
    EXPECT_EQ(w, rect.right - rect.left);
    EXPECT_EQ(h, rect.bottom - rect.top);
}

// The menu that a right click opens, as a window of the system's menu class.
HWND WaitForMenu(DWORD processId)
{
    for (int i = 0; i < 100; ++i) {
        HWND menu = nullptr;
        while ((menu = FindWindowExW(nullptr, menu, L"#32768", nullptr)) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(menu, &pid);
            if (pid == processId && IsWindowVisible(menu))
                return menu;
        }
        Sleep(50);
    }
    return nullptr;
}

// The first icon of the notification area: Wine's own tray window when no
// desktop shell is there.
bool FindTrayIcon(POINT* at)
{
    HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!tray || !IsWindowVisible(tray))
        tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
    RECT client;
    if (!tray || !GetClientRect(tray, &client) || client.right <= 0)
        return false;
    POINT centre = {GetSystemMetrics(SM_CXSMICON), (client.top + client.bottom) / 2};
    ClientToScreen(tray, &centre);
    *at = centre;
    return true;
}

void ClickAt(POINT at, DWORD down, DWORD up)
{
    SetCursorPos(at.x, at.y);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = down;
    inputs[1].mi.dwFlags = up;
    SendInput(2, inputs, sizeof(INPUT));
}

TEST_F(CorvelleProgramTest, WindowMenuCommandsEscapeAndSecondStart)
{
    WriteIni(IniText("[Tray]\r\nshowtray=1\r\nshowtaskbar=1\r\n[Size]\r\n0.5\r\n"));
    SetUserValue(L"Corvelle.X", L"100");
    SetUserValue(L"Corvelle.Y", L"50");
    {
        CorvelleProcess corvelle(dir);
        ASSERT_TRUE(corvelle.Start());
        // The ini file's size and the stored position.
        ExpectRect(corvelle.WindowRect(), 100, 50, PICTURE_W / 2, PICTURE_H / 2);
        LONG_PTR ex = corvelle.ExStyle();
        EXPECT_TRUE(ex & WS_EX_LAYERED);
        EXPECT_TRUE(ex & WS_EX_ACCEPTFILES);
        EXPECT_FALSE(ex & WS_EX_TOPMOST);
        EXPECT_FALSE(ex & WS_EX_TOOLWINDOW);
        wchar_t title[64] = L"";
        GetWindowTextW(corvelle.Window(), title, 64);
        EXPECT_STREQ(L"marvik dovrane droplet", title);
        Sleep(300);
        RECT shot = {0, 0, 400, 400};
        EXPECT_FALSE(SaveScreenShot(L"corvelle-window.png", &shot).empty());

        // The menu at the cursor over the window, closed again with Escape.
        SetCursorPos(140, 100);
        PostMessageW(corvelle.Window(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, 50));
        HWND menu = WaitForMenu(corvelle.ProcessId());
        ASSERT_NE(nullptr, menu);
        Sleep(300);
        EXPECT_FALSE(SaveScreenShot(L"corvelle-menu.png", &shot).empty());
        PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        for (int i = 0; i < 100 && IsWindowVisible(menu); ++i)
            Sleep(50);
        EXPECT_FALSE(IsWindowVisible(menu));

        // A right click on the notification-area icon reaches the droplet,
        // which opens the same menu.
        POINT icon;
        ASSERT_TRUE(FindTrayIcon(&icon));
        ClickAt(icon, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
        menu = WaitForMenu(corvelle.ProcessId());
        ASSERT_NE(nullptr, menu);
        PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        for (int i = 0; i < 100 && IsWindowVisible(menu); ++i)
            Sleep(50);

        corvelle.Command(ID_DROPLET_SIZE_100);
        ExpectRect(corvelle.WindowRect(), 100, 50, PICTURE_W, PICTURE_H);
        corvelle.Command(ID_DROPLET_ALIGN_RIGHT);
        ExpectRect(corvelle.WindowRect(), SCREEN_W - PICTURE_W, 50, PICTURE_W, PICTURE_H);
        // Docked to the right edge, a smaller size keeps it there.
        corvelle.Command(ID_DROPLET_SIZE_25);
        ExpectRect(corvelle.WindowRect(), SCREEN_W - PICTURE_W / 4, 50, PICTURE_W / 4, PICTURE_H / 4);
        corvelle.Command(ID_DROPLET_SIZE_75);
        ExpectRect(corvelle.WindowRect(), SCREEN_W - 120, 50, 120, 150);

        corvelle.Command(ID_DROPLET_TOPMOST);
        EXPECT_TRUE(corvelle.ExStyle() & WS_EX_TOPMOST);
        EXPECT_TRUE(corvelle.ExStyle() & WS_EX_TOOLWINDOW);
        corvelle.Command(ID_DROPLET_TOPMOST);
        EXPECT_FALSE(corvelle.ExStyle() & WS_EX_TOPMOST);
        EXPECT_FALSE(corvelle.ExStyle() & WS_EX_TOOLWINDOW);
        corvelle.Command(ID_DROPLET_TOPMOST);
        corvelle.Command(ID_DROPLET_FIXED);
        // Unused ids change nothing.
        corvelle.Command(40003);
        corvelle.Command(40010);

        corvelle.PressEscape();
        EXPECT_EQ(0u, corvelle.WaitForExit());
    }
    std::map<std::wstring, std::wstring> expected = {
        {L"Corvelle.Size", L"0.75"}, {L"Corvelle.Vordergrund", L"1"}, {L"Corvelle.Fest", L"1"},
        {L"Corvelle.Align", L"rechts"}, {L"Corvelle.X", L"1160"}, {L"Corvelle.Y", L"50"},
    };
    EXPECT_EQ(expected, WindowValues());

    // A second start takes the stored values up; "Beenden" ends it.
    CorvelleProcess again(dir);
    ASSERT_TRUE(again.Start());
    ExpectRect(again.WindowRect(), SCREEN_W - 120, 50, 120, 150);
    EXPECT_TRUE(again.ExStyle() & WS_EX_TOPMOST);
    // Choosing "Oben" twice leaves it at the top, with no alignment.
    again.Command(ID_DROPLET_ALIGN_TOP);
    again.Command(ID_DROPLET_ALIGN_TOP);
    ExpectRect(again.WindowRect(), SCREEN_W - 120, 0, 120, 150);
    again.Command(ID_DROPLET_EXIT);
    EXPECT_EQ(0u, again.WaitForExit());
    std::map<std::wstring, std::wstring> values = WindowValues();
    EXPECT_EQ(L"", values[L"Corvelle.Align"]);
    EXPECT_EQ(L"0", values[L"Corvelle.Y"]);
}

// Presses the left button at `from`, moves in steps to `to` and lets go.
void DragMouse(POINT from, POINT to)
{
    SetCursorPos(from.x, from.y);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &input, sizeof(input));
    Sleep(100);
    for (int step = 1; step <= 10; ++step) {
        SetCursorPos(from.x + (to.x - from.x) * step / 10, from.y + (to.y - from.y) * step / 10);
        Sleep(50);
    }
    input.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof(input));
    Sleep(200);
}

TEST_F(CorvelleProgramTest, DraggingMovesTheWindowUnlessFixedAndDockedOnlyAlongItsEdge)
{
    WriteIni(IniText("[Tray]\r\nshowtray=0\r\n[Size]\r\n0.5\r\n"));
    SetUserValue(L"Corvelle.X", L"100");
    SetUserValue(L"Corvelle.Y", L"100");
    CorvelleProcess corvelle(dir);
    ASSERT_TRUE(corvelle.Start());
    DragMouse({140, 150}, {340, 250});
    ExpectRect(corvelle.WindowRect(), 300, 200, 80, 100);

    // Dropped partly off the desktop, it comes back to the edge.
    DragMouse({340, 250}, {40, 250});
    ExpectRect(corvelle.WindowRect(), 0, 200, 80, 100);

    corvelle.Command(ID_DROPLET_FIXED);
    DragMouse({40, 250}, {240, 350});
    ExpectRect(corvelle.WindowRect(), 0, 200, 80, 100);
    corvelle.Command(ID_DROPLET_FIXED);

    // Docked to the bottom: only sideways.
    corvelle.Command(ID_DROPLET_ALIGN_BOTTOM);
    ExpectRect(corvelle.WindowRect(), 0, SCREEN_H - 100, 80, 100);
    DragMouse({40, SCREEN_H - 50}, {240, SCREEN_H - 120});
    ExpectRect(corvelle.WindowRect(), 200, SCREEN_H - 100, 80, 100);

    corvelle.PressEscape();
    EXPECT_EQ(0u, corvelle.WaitForExit());
    std::map<std::wstring, std::wstring> values = WindowValues();
    EXPECT_EQ(L"unten", values[L"Corvelle.Align"]);
    EXPECT_EQ(L"200", values[L"Corvelle.X"]);
    EXPECT_EQ(std::to_wstring(SCREEN_H - 100), values[L"Corvelle.Y"]);
    EXPECT_EQ(L"0.50", values[L"Corvelle.Size"]);
}

TEST_F(CorvelleProgramTest, SettingsWithoutARegisteredConnectorSayThatTheInterfaceIsMissing)
{
    WriteIni(IniText("[Tray]\r\nshowtray=0\r\n"));
    CorvelleProcess corvelle(dir);
    ASSERT_TRUE(corvelle.Start());
    DialogWatcher watcher({}, DialogAnswer(), true);
    PostMessageW(corvelle.Window(), WM_COMMAND, ID_DROPLET_SETTINGS, 0);
    ASSERT_TRUE(watcher.WaitFor(1));
    EXPECT_EQ(L"Fehler bei der Dokumentablage", watcher.Seen()[0].caption);
    EXPECT_EQ(L"Die COM Schnittstelle ist nicht registriert.", watcher.Seen()[0].text);
    corvelle.PressEscape();
    EXPECT_EQ(0u, corvelle.WaitForExit());
}

struct StartCase {
    const char* name;
    const char* ini;
    std::map<std::wstring, std::wstring> userValues;
    int pictureW, pictureH; // 0: the sample picture
    RECT expected;          // left, top, width, height
    bool toolWindow;
    bool topmost;
};

class CorvelleStartTest : public CorvelleProgramTest, public testing::WithParamInterface<StartCase>
{
};

TEST_P(CorvelleStartTest, PlacesTheWindow)
{
    const StartCase& c = GetParam();
    std::string ini = IniText(c.ini);
    if (c.pictureW) {
        WriteBmpFile(dir, L"other.bmp", c.pictureW, c.pictureH);
        ini = "[Icon]\r\nother.bmp\r\n" + std::string(c.ini);
    }
    WriteIni(ini);
    for (const auto& value : c.userValues)
        SetUserValue(value.first, value.second);
    CorvelleProcess corvelle(dir);
    ASSERT_TRUE(corvelle.Start());
    ExpectRect(corvelle.WindowRect(), c.expected.left, c.expected.top, c.expected.right, c.expected.bottom);
    EXPECT_EQ(c.toolWindow, (corvelle.ExStyle() & WS_EX_TOOLWINDOW) != 0);
    EXPECT_EQ(c.topmost, (corvelle.ExStyle() & WS_EX_TOPMOST) != 0);
    corvelle.PressEscape();
    EXPECT_EQ(0u, corvelle.WaitForExit());
}

const std::map<std::wstring, std::wstring> AT_10_20 = {{L"Corvelle.X", L"10"}, {L"Corvelle.Y", L"20"}};

INSTANTIATE_TEST_SUITE_P(
    Cases, CorvelleStartTest,
    testing::Values(
        // A stored X of -5 centres the window at the size it has.
        StartCase{"NegativeX", "[Size]\r\n0.5\r\n", {{L"Corvelle.X", L"-5"}, {L"Corvelle.Y", L"20"}}, 0, 0,
                  {(SCREEN_W - 80) / 2, 20, 80, 100}, false, false},
        // The window that the shorter side's 32 px make larger than the scale.
        StartCase{"FirstStartSmallestSide", "[Size]\r\n0.25\r\n", {}, 40, 200,
                  {(SCREEN_W - 32) / 2, (SCREEN_H - 160) / 2, 32, 160}, false, false},
        StartCase{"XBeyondRightEdge", "", {{L"Corvelle.X", L"1200"}, {L"Corvelle.Y", L"20"}}, 0, 0,
                  {(SCREEN_W - PICTURE_W) / 2, 20, 160, 200}, false, false},
        // No stored position: the centre.
        StartCase{"FirstStart", "", {}, 0, 0, {(SCREEN_W - 160) / 2, (SCREEN_H - 200) / 2, 160, 200}, false, false},
        // Docked to the bottom whatever Y is stored.
        StartCase{"AlignBottom", "", {{L"Corvelle.X", L"10"}, {L"Corvelle.Y", L"20"}, {L"Corvelle.Align", L"unten"}},
                  0, 0, {10, SCREEN_H - 200, 160, 200}, false, false},
        StartCase{"AlignFromIni", "[Align]\r\nRechts\r\n", AT_10_20, 0, 0, {SCREEN_W - 160, 20, 160, 200}, false,
                  false},
        // A size that is no number, or 0, is 1.0; 0.40 is used as stored.
        StartCase{"SizeNoNumber", "", {{L"Corvelle.Size", L"abc"}, {L"Corvelle.X", L"10"}, {L"Corvelle.Y", L"20"}},
                  0, 0, {10, 20, 160, 200}, false, false},
        StartCase{"SizeZero", "[Size]\r\n0\r\n", AT_10_20, 0, 0, {10, 20, 160, 200}, false, false},
        StartCase{"SizeStored", "[Size]\r\n0.5\r\n",
                  {{L"Corvelle.Size", L"0.40"}, {L"Corvelle.X", L"10"}, {L"Corvelle.Y", L"20"}}, 0, 0,
                  {10, 20, 64, 80}, false, false},
        // The shorter side stays at 32 px at least.
        StartCase{"TallPictureSmall", "[Size]\r\n0.25\r\n", AT_10_20, 40, 200, {10, 20, 32, 160}, false, false},
        StartCase{"WidePictureSmall", "[Size]\r\n0.25\r\n", AT_10_20, 200, 40, {10, 20, 160, 32}, false, false},
        // A picture larger than the desktop starts at its edge.
        StartCase{"PictureLargerThanDesktop", "", {}, 1400, 1100, {0, 0, 1400, 1100}, false, false},
        StartCase{"TrayWithoutTaskbarButton", "[Tray]\r\nshowtray=1\r\nshowtaskbar=0\r\n", AT_10_20, 0, 0,
                  {10, 20, 160, 200}, true, false},
        StartCase{"TopmostFromIni", "[Tray]\r\nshowtray=0\r\n[Vordergrund]\r\n1\r\n", AT_10_20, 0, 0,
                  {10, 20, 160, 200}, true, true},
        StartCase{"TopmostStoredOff", "[Vordergrund]\r\n1\r\n",
                  {{L"Corvelle.Vordergrund", L"0"}, {L"Corvelle.X", L"10"}, {L"Corvelle.Y", L"20"}}, 0, 0,
                  {10, 20, 160, 200}, false, false}),
    [](const testing::TestParamInfo<StartCase>& info) { return std::string(info.param.name); });

TEST_F(CorvelleProgramTest, WithoutATaskbarButtonTurningTopmostOffKeepsTheToolWindowStyle)
{
    WriteIni(IniText("[Tray]\r\nshowtray=1\r\nshowtaskbar=0\r\n[Vordergrund]\r\n1\r\n"));
    CorvelleProcess corvelle(dir);
    ASSERT_TRUE(corvelle.Start());
    EXPECT_TRUE(corvelle.ExStyle() & WS_EX_TOPMOST);
    corvelle.Command(ID_DROPLET_TOPMOST);
    EXPECT_FALSE(corvelle.ExStyle() & WS_EX_TOPMOST);
    EXPECT_TRUE(corvelle.ExStyle() & WS_EX_TOOLWINDOW);
    corvelle.PressEscape();
    EXPECT_EQ(0u, corvelle.WaitForExit());
    std::wstring text;
    ASSERT_TRUE(RegistryFixture::GetText(HKEY_CURRENT_USER, RegistryFixture::UserKey(), L"Corvelle.Vordergrund", &text));
    EXPECT_EQ(L"0", text);
}

TEST_F(CorvelleProgramTest, AnotherNameGivesTheTitleAndTheValuePrefix)
{
    WriteIni(IniText("[Anwendungsname]\r\nAblage Nord\r\n"));
    CorvelleProcess corvelle(dir);
    ASSERT_TRUE(corvelle.Start());
    wchar_t title[64] = L"";
    GetWindowTextW(corvelle.Window(), title, 64);
    EXPECT_STREQ(L"Ablage Nord", title);
    // Closing the window (as Alt+F4 does) ends the loop and writes back too.
    PostMessageW(corvelle.Window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, corvelle.WaitForExit());
    std::wstring text;
    EXPECT_TRUE(RegistryFixture::GetText(HKEY_CURRENT_USER, RegistryFixture::UserKey(), L"Ablage Nord.Size", &text));
    EXPECT_EQ(L"1.00", text);
    EXPECT_TRUE(RegistryFixture::GetText(HKEY_CURRENT_USER, RegistryFixture::UserKey(), L"Ablage Nord.X", &text));
    EXPECT_EQ(std::to_wstring((SCREEN_W - PICTURE_W) / 2), text);
    EXPECT_FALSE(RegistryFixture::ValueExists(HKEY_CURRENT_USER, RegistryFixture::UserKey(), L"Corvelle.Size"));
}

struct FailureCase {
    const char* name;
    const char* ini; // null: no ini file
    bool globalKey;
    bool iconBox;
};

class CorvelleFailureTest : public CorvelleProgramTest, public testing::WithParamInterface<FailureCase>
{
};

TEST_P(CorvelleFailureTest, EndsWithExitCodeOne)
{
    const FailureCase& c = GetParam();
    if (c.ini)
        WriteIni(c.ini);
    if (!c.globalKey)
        RegistryFixture::DeleteAllSettings();
    dir.MakeDir(L"folder.png");
    DialogWatcher watcher({}, DialogAnswer(), true);
    CorvelleProcess corvelle(dir);
    EXPECT_FALSE(corvelle.Start());
    EXPECT_EQ(1u, corvelle.WaitForExit());
    if (c.iconBox) {
        ASSERT_TRUE(watcher.WaitFor(1));
        EXPECT_EQ(L"Fehler bei der Dokumentablage", watcher.Seen()[0].caption);
        EXPECT_EQ(L"Das Icon konnte nicht geladen werden.", watcher.Seen()[0].text);
    } else {
        EXPECT_EQ(0u, watcher.Count());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CorvelleFailureTest,
    testing::Values(FailureCase{"NoSettings", "[Icon]\r\ndroplet.png\r\n", false, false},
                    FailureCase{"NoIniFile", nullptr, true, true},
                    FailureCase{"PictureMissing", "[Icon]\r\nmissing.png\r\n", true, true},
                    FailureCase{"PictureIsAFolder", "[Icon]\r\nfolder.png\r\n", true, true},
                    FailureCase{"PictureNotLoadable", "[Icon]\r\nCorvelle.ini\r\n", true, false}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// A drag source that lets go once the drag has been over the droplet for a
// few rounds of the drag loop, as a user's mouse button would.
class TestDropSource : public IDropSource
{
public:
    explicit TestDropSource(HWND over) : m_over(over) {}
    virtual ~TestDropSource() = default;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IDropSource) {
            *ppv = static_cast<IDropSource*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override { return --m_refs; }
    STDMETHODIMP QueryContinueDrag(BOOL escape, DWORD) override
    {
        if (escape || ++m_rounds > 200)
            return DRAGDROP_S_CANCEL;
        POINT cursor;
        GetCursorPos(&cursor);
        if (WindowFromPoint(cursor) == m_over && ++m_roundsOver > 5)
            return DRAGDROP_S_DROP;
        return S_OK;
    }
    STDMETHODIMP GiveFeedback(DWORD effect) override
    {
        feedback.push_back(effect);
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }
    std::vector<DWORD> feedback;

private:
    ULONG m_refs = 1;
    HWND m_over;
    int m_rounds = 0;
    int m_roundsOver = 0;
};

TEST_F(CorvelleProgramTest, AFileDraggedOntoTheWindowReachesTheReceivingProgram)
{
    OberlaneStandin oberlane;
    BrenmarkSetup setup(ConnectorSetupIni(oberlane.Path()));
    ASSERT_EQ(0u, setup.Register());
    WriteIni(IniText("[Tray]\r\nshowtray=0\r\n"));
    SetUserValue(L"Corvelle.X", L"300");
    SetUserValue(L"Corvelle.Y", L"300");
    CorvelleProcess corvelle(dir);
    ASSERT_TRUE(corvelle.Start());
    RECT rect = corvelle.WindowRect();
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);

    DialogWatcher watcher({}, DialogAnswer(), true);
    TestDataObject* data = new TestDataObject;
    std::wstring document = dir.WriteFile(L"docs\\Angebot.pdf", "%PDF-1.4");
    data->SetFileList({document});
    TestDropSource source(corvelle.Window());
    DWORD effect = DROPEFFECT_NONE;
    HRESULT hr = DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    data->Release();
    EXPECT_EQ(DRAGDROP_S_DROP, hr);
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), effect);
    // The droplet showed the copy cursor while the file was over it.
    EXPECT_NE(source.feedback.end(), std::find(source.feedback.begin(), source.feedback.end(), DROPEFFECT_COPY));
    // The connector class was found and called: no binding message.
    for (const SeenDialog& box : watcher.Seen())
        ADD_FAILURE() << ToUtf8(box.caption) << ": " << ToUtf8(box.text);
    // Run in Corvelle's process started the receiving program with one
    // hand-off folder and the connector's source code.
    ASSERT_TRUE(oberlane.WaitForRecords(1));
    std::vector<StandinRecord> records = oberlane.Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_NE(std::wstring::npos, records[0].parameters.find(L" files=kq_data_")) << ToUtf8(records[0].parameters);
    EXPECT_EQ(std::wstring::npos, records[0].parameters.find(L","));
    EXPECT_NE(std::wstring::npos, records[0].parameters.find(L" startapp=6"));

    corvelle.PressEscape();
    EXPECT_EQ(0u, corvelle.WaitForExit());
    EXPECT_EQ(0u, setup.Unregister());
}

TEST_F(CorvelleProgramTest, RequestsWhileTheSettingsDialogIsOpenLeaveItAloneAndItsOkSavesWhatWasTyped)
{
    OberlaneStandin oberlane;
    BrenmarkSetup setup(ConnectorSetupIni(oberlane.Path()));
    ASSERT_EQ(0u, setup.Register());
    // With the tray icon; the window away from the centred dialog.
    WriteIni(IniText("[Tray]\r\nshowtray=1\r\n"));
    SetUserValue(L"Corvelle.X", L"20");
    SetUserValue(L"Corvelle.Y", L"20");
    CorvelleProcess corvelle(dir);
    ASSERT_TRUE(corvelle.Start());

    // "Einstellungen" from the droplet's menu.
    PostMessageW(corvelle.Window(), WM_COMMAND, ID_DROPLET_SETTINGS, 0);
    HWND dialog = WaitForDialogWindow(L"Einstellungen");
    ASSERT_TRUE(dialog);
    const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);

    // Inside its modal loop: the menu's command again, a right click on the
    // tray icon, and the tray menu's command.
    PostMessageW(corvelle.Window(), WM_COMMAND, ID_DROPLET_SETTINGS, 0);
    PostMessageW(corvelle.Window(), WM_DROPLET_TRAY, ID_DROPLET_TRAY_ICON, WM_RBUTTONDOWN);
    PostMessageW(corvelle.Window(), WM_COMMAND, ID_DROPLET_SETTINGS, 0);
    HWND menu = WaitForMenu(corvelle.ProcessId());
    if (menu)
        PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(nullptr, menu) << "a menu opened inside the dialog's loop";

    // A file dropped meanwhile is refused and handed nowhere.
    RECT rect = corvelle.WindowRect();
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    TestDataObject* data = new TestDataObject;
    data->SetFileList({dir.WriteFile(L"docs\\Angebot.pdf", "%PDF-1.4")});
    TestDropSource source(corvelle.Window());
    DWORD effect = DROPEFFECT_COPY;
    DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    data->Release();
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), effect);

    int dialogs = CountThreadDialogs(thread, L"Einstellungen");
    EXPECT_EQ(1, dialogs);
    if (dialogs == 1) {
        TypeInto(dialog, IDC_SETTINGS_LOADER, L"D:\\Neu\\Oberlane.exe");
        SaveWindowScreenshot(dialog, L"corvelle-settings-dialog");
        ClickButton(dialog, IDOK);
    } else {
        CancelThreadDialogs(thread);
    }
    corvelle.PressEscape();
    EXPECT_EQ(0u, corvelle.WaitForExit());
    std::wstring loader;
    EXPECT_TRUE(RegistryFixture::GetText(HKEY_CURRENT_USER, RegistryFixture::UserKey(), L"Loader", &loader));
    EXPECT_EQ(L"D:\\Neu\\Oberlane.exe", loader);
    EXPECT_FALSE(oberlane.WaitForRecords(1, 1500));
    EXPECT_EQ(0u, setup.Unregister());
}

// The program the user drags from, on a thread of its own: its DoDragDrop
// returns only when the droplet's Drop has returned.
class DragSourceThread
{
public:
    DragSourceThread(HWND window, std::function<void(TestDataObject*)> fill)
    {
        m_returned = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_thread = std::thread([this, window, fill]() {
            OleInitialize(nullptr);
            TestDataObject* data = new TestDataObject;
            fill(data);
            TestDropSource source(window);
            DWORD effect = DROPEFFECT_NONE;
            hr = DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
            this->effect = effect;
            data->Release();
            OleUninitialize();
            SetEvent(m_returned);
        });
    }
    ~DragSourceThread()
    {
        m_thread.join();
        CloseHandle(m_returned);
    }
    bool WaitForReturn(DWORD timeoutMs) const { return WaitForSingleObject(m_returned, timeoutMs) == WAIT_OBJECT_0; }

    std::atomic<HRESULT> hr{E_PENDING};
    std::atomic<DWORD> effect{DROPEFFECT_NONE};

private:
    HANDLE m_returned = nullptr;
    std::thread m_thread;
};

// The texts of a dialog's static controls, one after another.
std::wstring StaticTexts(HWND dialog)
{
    std::wstring texts;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = L"", text[1024] = L"";
        if (GetClassNameW(child, name, 16) && lstrcmpiW(name, L"Static") == 0 && GetWindowTextW(child, text, 1024))
            texts += std::wstring(text) + L"\n";
    }
    return texts;
}

std::set<std::wstring> InboxFolders()
{
    std::vector<std::wstring> names = FolderNames(TempPath() + L"kq_temp_inbox\\kq_data_*");
    return std::set<std::wstring>(names.begin(), names.end());
}

// The hand-off folders made since `before` whose files name `needle`
// (a hand-off file that names the document, or the saved item itself).
std::vector<std::wstring> NewFoldersWith(const std::set<std::wstring>& before, const std::wstring& needle)
{
    std::vector<std::wstring> found;
    for (const std::wstring& folder : InboxFolders()) {
        if (before.count(folder))
            continue;
        std::wstring path = TempPath() + L"kq_temp_inbox\\" + folder + L"\\";
        bool named = FileExists(path + needle);
        std::wstring xml = FromUtf8(ReadFileBytes(path + folder + L".xml"));
        if (named || xml.find(needle) != std::wstring::npos)
            found.push_back(folder);
    }
    return found;
}

class CorvelleDropTest : public CorvelleProgramTest
{
protected:
    // Registers the connector with two storage locations and starts the
    // droplet with the cursor over it.
    void StartWithTwoLocations(const std::string& extraIni = std::string(),
                               const std::string& multiupload = "silent=1\r\nfilequestion=0\r\n")
    {
        setup.reset(new BrenmarkSetup(ConnectorSetupIni(
            oberlane.Path(), {L"label=\"Rechnungen\" appid=1 configid=1", L"label=\"Vertr\u00e4ge\" appid=2 configid=2"})));
        ASSERT_EQ(0u, setup->Register());
        Launch(extraIni, multiupload);
    }
    void Launch(const std::string& extraIni, const std::string& multiupload = "silent=1\r\nfilequestion=0\r\n")
    {
        WriteIni("[Icon]\r\ndroplet.png\r\n[Mimetype]\r\npdf\r\n[Multiupload]\r\n" + multiupload +
                 "[Tray]\r\nshowtray=0\r\n" + extraIni);
        SetUserValue(L"Corvelle.X", L"300");
        SetUserValue(L"Corvelle.Y", L"300");
        corvelle.reset(new CorvelleProcess(dir));
        ASSERT_TRUE(corvelle->Start());
        RECT rect = corvelle->WindowRect();
        SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    }
    void TearDown() override
    {
        if (corvelle) {
            corvelle->PressEscape();
            EXPECT_EQ(0u, corvelle->WaitForExit());
            corvelle.reset();
        }
        if (setup) {
            EXPECT_EQ(0u, setup->Unregister());
        }
        CorvelleProgramTest::TearDown();
    }

    OberlaneStandin oberlane;
    std::unique_ptr<BrenmarkSetup> setup;
    std::unique_ptr<CorvelleProcess> corvelle;
};

TEST_F(CorvelleDropTest, AFileListDropReturnsBeforeItsQuestionsWhichThenFollowInTheirOrder)
{
    // A refusal box for each refused file and the question before several.
    StartWithTwoLocations("", "silent=0\r\nfilequestion=1\r\n");
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    const std::set<std::wstring> before = InboxFolders();
    const std::vector<std::wstring> documents = {dir.WriteFile(L"docs\\Angebot.pdf", "%PDF-1.4"),
                                                 dir.WriteFile(L"docs\\Notiz.txt", "x"),
                                                 dir.WriteFile(L"docs\\Auftrag.pdf", "%PDF-1.4")};
    DragSourceThread drag(corvelle->Window(), [&](TestDataObject* data) { data->SetFileList(documents); });

    // Nothing answers the boxes: the drag source must be free before them.
    const bool returned = drag.WaitForReturn(15000);
    EXPECT_TRUE(returned) << "the drag source waited for the questions";
    if (returned) {
        EXPECT_EQ(DRAGDROP_S_DROP, drag.hr.load());
        EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), drag.effect.load());
    }
    struct Step {
        const wchar_t* caption;
        const wchar_t* text; // the start of the box's text
        int button;
    } steps[] = {
        {L"Fehler bei der Dokumentablage", L"Die Datei kann nicht archiviert werden.", IDOK},
        {L"marvik dovrane droplet", L"Sie haben 2 Dateien ausgew\u00e4hlt.", IDYES},
        {L"Dokument ablegen", L"W\u00e4hlen Sie einen Ablageort:", IDCANCEL},
    };
    for (const Step& step : steps) {
        HWND box = WaitForDialogWindow(step.caption);
        ASSERT_TRUE(box) << ToUtf8(step.caption);
        EXPECT_NE(std::wstring::npos, StaticTexts(box).find(step.text)) << ToUtf8(StaticTexts(box));
        if (step.button == IDCANCEL)
            SaveWindowScreenshot(box, L"corvelle-choice-after-drop");
        ClickButton(box, step.button);
        for (int i = 0; i < 100 && IsWindow(box); ++i)
            Sleep(50);
    }
    ASSERT_TRUE(drag.WaitForReturn(15000));

    // The window answers again once the choice is gone: the work has ended.
    DWORD_PTR answer = 0;
    EXPECT_TRUE(SendMessageTimeoutW(corvelle->Window(), WM_NULL, 0, 0, SMTO_BLOCK, 5000, &answer));
    // The connector asks before it writes: nothing of the documents is left.
    for (const std::wstring& document : documents)
        EXPECT_TRUE(NewFoldersWith(before, document).empty());
    EXPECT_FALSE(oberlane.WaitForRecords(1, 1500));
}

TEST_F(CorvelleDropTest, AMailIsSavedBeforeTheDropReturnsAndMarkedWhenTheChoiceIsCancelled)
{
    StartWithTwoLocations();
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    const std::set<std::wstring> before = InboxFolders();
    DragSourceThread drag(corvelle->Window(), [](TestDataObject* data) {
        data->SetDescriptor({L"Angebot-4711.msg"});
        data->AddStorage(CreateMailStorage());
    });

    const bool returned = drag.WaitForReturn(15000);
    EXPECT_TRUE(returned) << "the drag source waited for the storage-location choice";
    // Saved when DoDragDrop returned, as a compound file.
    std::vector<std::wstring> folders = NewFoldersWith(before, L"Angebot-4711.msg");
    if (returned) {
        EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), drag.effect.load());
        ASSERT_EQ(1u, folders.size());
        std::wstring mail = TempPath() + L"kq_temp_inbox\\" + folders[0] + L"\\Angebot-4711.msg";
        EXPECT_EQ(S_OK, StgIsStorageFile(mail.c_str()));
    }
    HWND choice = WaitForDialogWindow(L"Dokument ablegen");
    ASSERT_TRUE(choice);
    ClickButton(choice, IDCANCEL);
    ASSERT_TRUE(drag.WaitForReturn(15000));

    DWORD_PTR answer = 0;
    EXPECT_TRUE(SendMessageTimeoutW(corvelle->Window(), WM_NULL, 0, 0, SMTO_BLOCK, 5000, &answer));
    folders = NewFoldersWith(before, L"Angebot-4711.msg");
    ASSERT_EQ(1u, folders.size());
    const std::wstring folder = TempPath() + L"kq_temp_inbox\\" + folders[0] + L"\\";
    // Its hand-off file was written before the choice, then the marker.
    for (int i = 0; i < 50 && !FileExists(folder + L"__freetodelete__.bin"); ++i)
        Sleep(100);
    EXPECT_TRUE(FileExists(folder + L"__freetodelete__.bin"));
    EXPECT_TRUE(FileExists(folder + folders[0] + L".xml"));
    EXPECT_FALSE(oberlane.WaitForRecords(1, 1500));
}

TEST_F(CorvelleDropTest, TheWindowAnswersThroughoutALargeHandoff)
{
    const int FOLDERS = 30, PER_FOLDER = 100;
    for (int f = 0; f < FOLDERS; ++f)
        for (int i = 0; i < PER_FOLDER; ++i)
            dir.WriteFile(L"viele\\Ordner" + std::to_wstring(f) + L"\\Dokument" + std::to_wstring(i) + L".pdf", "x");
    setup.reset(new BrenmarkSetup(ConnectorSetupIni(oberlane.Path())));
    ASSERT_EQ(0u, setup->Register());
    Launch("");
    ASSERT_FALSE(testing::Test::HasFatalFailure());

    const std::wstring folder = dir / L"viele";
    DialogWatcher watcher({}, DialogAnswer(), true);
    const DWORD start = GetTickCount();
    DragSourceThread drag(corvelle->Window(), [&](TestDataObject* data) { data->SetFileList({folder}); });
    // Probes as Windows makes them before it calls a window not responding,
    // until every document has reached the receiving program.
    int probes = 0, unanswered = 0;
    DWORD longest = 0, silentSince = 0;
    std::set<std::wstring> ids;
    size_t delivered = 0;
    while (GetTickCount() - start < 240000) {
        const DWORD before = GetTickCount();
        DWORD_PTR answer = 0;
        ++probes;
        if (SendMessageTimeoutW(corvelle->Window(), WM_NULL, 0, 0, SMTO_BLOCK, 1000, &answer)) {
            silentSince = 0;
        } else {
            ++unanswered;
            if (!silentSince)
                silentSince = before;
            longest = std::max<DWORD>(longest, GetTickCount() - silentSince);
        }
        delivered = 0;
        for (const StandinRecord& record : oberlane.Records()) {
            std::vector<std::wstring> files = FilesParameter(record.parameters);
            delivered += files.size();
            ids.insert(files.begin(), files.end());
        }
        if (delivered >= static_cast<size_t>(FOLDERS * PER_FOLDER) && drag.WaitForReturn(0))
            break;
        Sleep(100);
    }
    const DWORD took = GetTickCount() - start;
    EXPECT_TRUE(drag.WaitForReturn(1000));
    EXPECT_EQ(0, unanswered) << "longest unanswered stretch " << longest << " ms of " << took << " ms";
    // Each document once.
    EXPECT_EQ(static_cast<size_t>(FOLDERS * PER_FOLDER), delivered);
    EXPECT_EQ(delivered, ids.size());
    // The probes covered a hand-off that lasted.
    EXPECT_GT(probes, 5) << took << " ms";
    RecordProperty("HandoffMs", static_cast<int>(took));
    for (const SeenDialog& box : watcher.Seen())
        ADD_FAILURE() << ToUtf8(box.caption) << ": " << ToUtf8(box.text);
}

TEST_F(CorvelleProgramTest, TheSessionsEndWritesTheWindowValues)
{
    WriteIni(IniText("[Tray]\r\nshowtray=0\r\n[Size]\r\n0.5\r\n"));
    SetUserValue(L"Corvelle.X", L"100");
    SetUserValue(L"Corvelle.Y", L"50");
    {
        CorvelleProcess corvelle(dir);
        ASSERT_TRUE(corvelle.Start());
        corvelle.Command(ID_DROPLET_SIZE_25);
        corvelle.Command(ID_DROPLET_FIXED);
        DWORD_PTR answer = 0;
        ASSERT_TRUE(SendMessageTimeoutW(corvelle.Window(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK,
                                        5000, &answer));
        EXPECT_TRUE(answer);
        ASSERT_TRUE(SendMessageTimeoutW(corvelle.Window(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000,
                                        &answer));
        // Windows ends the process once every window has had WM_ENDSESSION:
        // the CorvelleProcess ends it here without its loop ending.
    }
    std::map<std::wstring, std::wstring> expected = {
        {L"Corvelle.Size", L"0.25"}, {L"Corvelle.Vordergrund", L"0"}, {L"Corvelle.Fest", L"1"},
        {L"Corvelle.Align", L""},    {L"Corvelle.X", L"100"},       {L"Corvelle.Y", L"50"},
    };
    EXPECT_EQ(expected, WindowValues());
}

TEST_F(CorvelleProgramTest, BeendenWhileTheSettingsDialogIsOpenEndsTheProgramOnceItCloses)
{
    OberlaneStandin oberlane;
    BrenmarkSetup setup(ConnectorSetupIni(oberlane.Path()));
    ASSERT_EQ(0u, setup.Register());
    WriteIni(IniText("[Tray]\r\nshowtray=1\r\n[Size]\r\n0.5\r\n"));
    SetUserValue(L"Corvelle.X", L"20");
    SetUserValue(L"Corvelle.Y", L"20");
    {
        CorvelleProcess corvelle(dir);
        ASSERT_TRUE(corvelle.Start());
        corvelle.Command(ID_DROPLET_SIZE_75);
        PostMessageW(corvelle.Window(), WM_COMMAND, ID_DROPLET_SETTINGS, 0);
        HWND dialog = WaitForDialogWindow(L"Einstellungen");
        ASSERT_TRUE(dialog);
        // "Beenden" as the tray's menu sends it.
        PostMessageW(corvelle.Window(), WM_COMMAND, ID_DROPLET_EXIT, 0);
        EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), corvelle.WaitForExit(1500)) << "ended inside the dialog";
        EXPECT_TRUE(IsWindow(dialog));
        ClickButton(dialog, IDCANCEL);
        EXPECT_EQ(0u, corvelle.WaitForExit());
    }
    EXPECT_EQ(L"0.75", WindowValues()[L"Corvelle.Size"]);
    EXPECT_FALSE(oberlane.WaitForRecords(1, 500));
    EXPECT_EQ(0u, setup.Unregister());
}

TEST_F(CorvelleProgramTest, TheFirstStartAtHalfSizeIsCentredOnTheScreen)
{
    WriteIni(IniText("[Tray]\r\nshowtray=0\r\n[Size]\r\n0.5\r\n"));
    CorvelleProcess corvelle(dir);
    ASSERT_TRUE(corvelle.Start());
    ExpectRect(corvelle.WindowRect(), (SCREEN_W - 80) / 2, (SCREEN_H - 100) / 2, 80, 100);
    Sleep(300);
    EXPECT_FALSE(SaveScreenShot(L"corvelle-first-start-half-size.png").empty());
    corvelle.PressEscape();
    EXPECT_EQ(0u, corvelle.WaitForExit());
}

} // namespace
