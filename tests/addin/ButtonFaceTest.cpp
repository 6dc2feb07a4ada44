// Button faces through the clipboard against a host whose PasteFace and
// CopyFace behave as documented: the button ends with a transparent face
// (the host's face format with a 1-bit mask), its Tag and tooltip, and the
// user's clipboard as it was.
#include "ButtonFace.h"
#include "ButtonFaceIds.h"
#include "ClipboardOpen.h"
#include "ClipboardOwner.h"
#include "ScopedHandles.h"
#include "commandbars/FakeCommandBars.h"

#include "ConnectorClient.h"
#include "LogTail.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace doubles;

namespace {

const wchar_t USER_TEXT[] = L"Notiz für später";
const wchar_t USER_FORMAT[] = L"KQ User Format";
const std::string USER_BYTES("\x05\x00\x07 user bytes", 13);

HGLOBAL MakeBlock(const void* data, size_t size)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(h), data, size);
    GlobalUnlock(h);
    return h;
}

std::string ClipboardBytes(UINT format)
{
    CClipboardOpen clipboard(nullptr);
    HANDLE data = clipboard.IsOpen() ? GetClipboardData(format) : nullptr;
    if (!data)
        return std::string();
    CGlobalLock<char> bytes(data);
    return std::string(bytes.Get(), bytes.Size());
}

// What the user had on the clipboard before the add-in came.
void PutUserClipboard()
{
    CClipboardOpen clipboard(nullptr);
    ASSERT_TRUE(clipboard.IsOpen());
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, MakeBlock(USER_TEXT, sizeof(USER_TEXT)));
    SetClipboardData(RegisterClipboardFormatW(USER_FORMAT), MakeBlock(USER_BYTES.data(), USER_BYTES.size()));
}

void ExpectUserClipboardBack(const FaceFormats& faces)
{
    std::string text = ClipboardBytes(CF_UNICODETEXT);
    ASSERT_GE(text.size(), sizeof(USER_TEXT));
    EXPECT_EQ(0, std::memcmp(text.data(), USER_TEXT, sizeof(USER_TEXT)));
    std::string custom = ClipboardBytes(RegisterClipboardFormatW(USER_FORMAT));
    ASSERT_GE(custom.size(), USER_BYTES.size());
    EXPECT_EQ(USER_BYTES, custom.substr(0, USER_BYTES.size()));
    for (const FaceFormat& format : faces.copied)
        EXPECT_FALSE(IsClipboardFormatAvailable(RegisterClipboardFormatW(format.name.c_str()))) << format.name.c_str();
    EXPECT_FALSE(IsClipboardFormatAvailable(RegisterClipboardFormatW(faces.face.c_str())));
    EXPECT_FALSE(IsClipboardFormatAvailable(RegisterClipboardFormatW(faces.mask.c_str())));
}

const BITMAPINFOHEADER* Header(const std::string& dib)
{
    return dib.size() >= sizeof(BITMAPINFOHEADER) ? reinterpret_cast<const BITMAPINFOHEADER*>(dib.data())
                                                   : nullptr;
}

// A pixel of a 1-bit bottom-up DIB (header and two colours, then the bits);
// x and y counted from the top left.
int MaskBit(const std::string& mask, int x, int y)
{
    const BITMAPINFOHEADER* header = Header(mask);
    int stride = ((header->biWidth + 31) / 32) * 4;
    size_t offset = sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD) + (header->biHeight - 1 - y) * stride + x / 8;
    return (static_cast<unsigned char>(mask[offset]) >> (7 - x % 8)) & 1;
}

// A transparent 16 by 16 face: the picture under the host's face format, a
// 1-bit mask under its mask format, white (transparent) where the picture
// has its background (the corner) and black on its outline.
void ExpectTransparentFace(const FakeControl& button)
{
    ASSERT_TRUE(button.hasFace);
    EXPECT_FALSE(button.faceFromPlainBitmap);
    const BITMAPINFOHEADER* face = Header(button.faceBytes);
    const BITMAPINFOHEADER* mask = Header(button.maskBytes);
    ASSERT_TRUE(face && mask);
    EXPECT_EQ(16, face->biWidth);
    EXPECT_EQ(16, face->biHeight);
    EXPECT_GT(face->biBitCount, 1);
    EXPECT_EQ(16, mask->biWidth);
    EXPECT_EQ(1, mask->biBitCount);
    EXPECT_EQ(1, MaskBit(button.maskBytes, 0, 0));
    EXPECT_EQ(1, MaskBit(button.maskBytes, 15, 15));
    // The archive face's outline starts at (3, 1).
    EXPECT_EQ(0, MaskBit(button.maskBytes, 3, 1));
}

class ButtonFaceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        PutUserClipboard();
        ASSERT_TRUE(owner.Create());
    }
    void TearDown() override
    {
        button.reset();
        host.reset();
        EXPECT_EQ(FakeObjectCount(), 0);
    }

    void SetFace(WORD bitmapId, const wchar_t* tag, const wchar_t* caption)
    {
        SetButtonFace(button->object, bitmapId, tag, caption, owner.Handle());
    }

    void MakeHost(const FaceFormats& faces)
    {
        host = std::make_unique<FakeCommandBars>(faces);
        host->AddTypicalBars();
        button = host->AddControl(host->Bar(L"Standard")->controls, FAKE_CONTROL_BUTTON, L"", L"");
    }

    std::unique_ptr<FakeCommandBars> host;
    std::shared_ptr<FakeControl> button;
    LogTail log;
    CClipboardOwnerWindow owner;
};

struct FaceCase {
    const char* name;
    FaceFormats faces;
    // The names the add-in must learn, in the order the host put them.
    std::vector<std::wstring> logged;
};

class ButtonFaceFormatTest : public ButtonFaceTest, public testing::WithParamInterface<FaceCase>
{
};

TEST_P(ButtonFaceFormatTest, HostGetsTransparentFaceTagTooltipAndUserClipboardComesBack)
{
    const FaceCase& c = GetParam();
    MakeHost(c.faces);

    SetFace(IDB_ARCHIVE_FACE, L"KVCBBTVX2_0001", L"Dokument ablegen");

    ExpectTransparentFace(*button);
    EXPECT_EQ(L"KVCBBTVX2_0001", button->Tag());
    EXPECT_EQ(L"Dokument ablegen", button->Tooltip());
    EXPECT_EQ(1, button->Style());
    ExpectUserClipboardBack(c.faces);
    // The face and the given-back clipboard were put there by the owner
    // window, as Windows requires.
    EXPECT_EQ(owner.Handle(), button->faceOwner);
    EXPECT_EQ(owner.Handle(), GetClipboardOwner());
    for (const std::wstring& name : c.logged)
        EXPECT_EQ(1, log.Count(L"[INF] get clipboardformat: " + name + L"\n")) << log.Text().c_str();
    EXPECT_EQ(1, log.Count(L"[INF] pButton->PasteFace() successful\n"));
    EXPECT_FALSE(log.Contains(L"Try again"));
}

INSTANTIATE_TEST_SUITE_P(
    HostFormats, ButtonFaceFormatTest,
    testing::Values(
        FaceCase{"OfficePresets", OfficeFaceFormats(), {L"Toolbar Button Face", L"Toolbar Button Mask"}},
        // Names the presets do not know: only what CopyFace shows can work.
        FaceCase{"OtherNamesFaceFirst",
                 {L"KQ Host Face", L"KQ Host Mask", {{L"KQ Host Face", 900}, {L"KQ Host Mask", 120}}},
                 {L"KQ Host Face", L"KQ Host Mask"}},
        FaceCase{"OtherNamesMaskFirst",
                 {L"KQ Host Face", L"KQ Host Mask", {{L"KQ Host Mask", 120}, {L"KQ Host Face", 900}}},
                 {L"KQ Host Mask", L"KQ Host Face"}},
        // With equal sizes the second format is the face.
        FaceCase{"EqualSizes", {L"KQ Second", L"KQ First", {{L"KQ First", 300}, {L"KQ Second", 300}}},
                 {L"KQ First", L"KQ Second"}},
        // One named format: the face; the mask keeps its preset name.
        FaceCase{"OnlyOneName", {L"KQ Single Face", L"Toolbar Button Mask", {{L"KQ Single Face", 500}}},
                 {L"KQ Single Face"}}),
    [](const testing::TestParamInfo<FaceCase>& info) { return std::string(info.param.name); });

TEST_F(ButtonFaceTest, FirstPasteFailingIsTriedOnceMoreAndSucceeds)
{
    MakeHost(OfficeFaceFormats());
    // The first paste is the one after the plain picture; the second the
    // transparent face.
    button->object->FailInvoke(L"PasteFace", 2, E_FAIL);

    SetFace(IDB_ARCHIVE_FACE, L"KVCBBTVX2_0001", L"Dokument ablegen");

    EXPECT_EQ(3, button->object->CallCount(L"PasteFace"));
    ExpectTransparentFace(*button);
    EXPECT_EQ(1, log.Count(L"[WRN] Failed to set button face hr = 0x80004005. Try again\n"));
    EXPECT_FALSE(log.Contains(L"Again failed"));
    EXPECT_EQ(1, log.Count(L"[INF] pButton->PasteFace() successful\n"));
    ExpectUserClipboardBack(OfficeFaceFormats());
}

TEST_F(ButtonFaceTest, PasteFailingTwiceIsNotTriedAThirdTimeAndTheButtonStillGetsItsTag)
{
    MakeHost(OfficeFaceFormats());
    button->object->FailInvoke(L"PasteFace", 0, E_ACCESSDENIED);

    SetFace(IDB_ATTACHMENT_FACE, L"KVCBBTVX2_0002", L"Anhänge ablegen");

    EXPECT_EQ(3, button->object->CallCount(L"PasteFace"));
    EXPECT_FALSE(button->hasFace);
    EXPECT_EQ(1, log.Count(L"[WRN] Failed to set button face hr = 0x80070005. Try again\n"));
    EXPECT_EQ(1, log.Count(L"[WRN] Again failed to set button face hr = 0x80070005\n"));
    EXPECT_FALSE(log.Contains(L"PasteFace() successful"));
    EXPECT_EQ(L"KVCBBTVX2_0002", button->Tag());
    EXPECT_EQ(L"Anhänge ablegen", button->Tooltip());
    ExpectUserClipboardBack(OfficeFaceFormats());
}

TEST_F(ButtonFaceTest, MissingBitmapLeavesClipboardAloneButSetsTagAndTooltip)
{
    MakeHost(OfficeFaceFormats());
    DWORD sequence = GetClipboardSequenceNumber();

    SetFace(4711, L"KVCBBTSVX2_0001", L"Dokument ablegen");

    EXPECT_EQ(sequence, GetClipboardSequenceNumber());
    EXPECT_EQ(0, button->object->CallCount(L"PasteFace"));
    EXPECT_EQ(L"KVCBBTSVX2_0001", button->Tag());
    EXPECT_EQ(L"Dokument ablegen", button->Tooltip());
}

// Run in a child process of its own: holds the clipboard open until told
// to let go, as another program of the user's desktop might.
TEST(ClipboardHolderProcess, HoldsTheClipboard)
{
    wchar_t names[2][64];
    if (!GetEnvironmentVariableW(L"KQ_CLIPBOARD_HELD", names[0], 64) ||
        !GetEnvironmentVariableW(L"KQ_CLIPBOARD_RELEASE", names[1], 64))
        GTEST_SKIP() << "only as the helper process of ClipboardHeldByAnotherProgramIsNotTakenOver";
    CKernelHandle held(OpenEventW(EVENT_MODIFY_STATE, FALSE, names[0]));
    CKernelHandle release(OpenEventW(SYNCHRONIZE, FALSE, names[1]));
    ASSERT_TRUE(held && release);
    // Programs open the clipboard with a window of theirs.
    HWND window = CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    ASSERT_TRUE(OpenClipboard(window));
    SetEvent(held);
    wchar_t holdMs[16];
    if (GetEnvironmentVariableW(L"KQ_CLIPBOARD_HOLD_MS", holdMs, 16))
        Sleep(static_cast<DWORD>(_wtoi(holdMs)));
    else
        WaitForSingleObject(release, 30000);
    CloseClipboard();
    DestroyWindow(window);
}

// Starts this program as the clipboard holder; held is set once it holds the
// clipboard. holdMs 0: until release is set.
class ClipboardHolder
{
public:
    explicit ClipboardHolder(DWORD holdMs)
        : m_held(CreateEventW(nullptr, TRUE, FALSE, L"KQButtonFaceClipboardHeld")),
          m_release(CreateEventW(nullptr, TRUE, FALSE, L"KQButtonFaceClipboardRelease"))
    {
        SetEnvironmentVariableW(L"KQ_CLIPBOARD_HELD", L"KQButtonFaceClipboardHeld");
        SetEnvironmentVariableW(L"KQ_CLIPBOARD_RELEASE", L"KQButtonFaceClipboardRelease");
        SetEnvironmentVariableW(L"KQ_CLIPBOARD_HOLD_MS", holdMs ? std::to_wstring(holdMs).c_str() : nullptr);
        wchar_t program[MAX_PATH];
        GetModuleFileNameW(nullptr, program, MAX_PATH);
        std::wstring commandLine = std::wstring(L"\"") + program + L"\" --gtest_filter=ClipboardHolderProcess.*";
        STARTUPINFOW startup = {sizeof(startup)};
        PROCESS_INFORMATION process = {};
        if (CreateProcessW(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &process)) {
            m_child.Reset(process.hProcess);
            CloseHandle(process.hThread);
        }
        SetEnvironmentVariableW(L"KQ_CLIPBOARD_HELD", nullptr);
        SetEnvironmentVariableW(L"KQ_CLIPBOARD_RELEASE", nullptr);
        SetEnvironmentVariableW(L"KQ_CLIPBOARD_HOLD_MS", nullptr);
    }
    // True once the holder holds the clipboard.
    bool WaitHeld() const { return m_child && WaitForSingleObject(m_held, 30000) == WAIT_OBJECT_0; }
    // Lets go (when held until told) and waits for the holder's end; its
    // exit code.
    DWORD Finish()
    {
        SetEvent(m_release);
        if (!m_child || WaitForSingleObject(m_child, 30000) != WAIT_OBJECT_0)
            return 1;
        DWORD exitCode = 1;
        GetExitCodeProcess(m_child, &exitCode);
        return exitCode;
    }

private:
    CKernelHandle m_held;
    CKernelHandle m_release;
    CKernelHandle m_child;
};

TEST_F(ButtonFaceTest, ClipboardHeldByAnotherProgramIsNotTakenOver)
{
    MakeHost(OfficeFaceFormats());
    ClipboardHolder holder(0);
    ASSERT_TRUE(holder.WaitHeld());

    SetFace(IDB_ARCHIVE_FACE, L"KVCBBTVX2_0001", L"Dokument ablegen");

    EXPECT_EQ(0u, holder.Finish());
    EXPECT_FALSE(button->hasFace);
    EXPECT_EQ(0, button->object->CallCount(L"PasteFace"));
    EXPECT_EQ(L"KVCBBTVX2_0001", button->Tag());
    EXPECT_EQ(L"Dokument ablegen", button->Tooltip());
    EXPECT_TRUE(log.Contains(L"[WRN] Failed to save the clipboard, the button gets no face\n"));
    ExpectUserClipboardBack(OfficeFaceFormats());
}

struct GiveBackCase {
    const char* name;
    DWORD holdMs; // 0: longer than the give-back waits
    bool givenBack;
};

class GiveBackTest : public ButtonFaceTest, public testing::WithParamInterface<GiveBackCase>
{
};

// Another program holds the clipboard just when it is to be given back: for
// a moment, and the give-back waits for it and the user's clipboard comes
// back whole; or for longer, and the log tells that it was given up.
TEST_P(GiveBackTest, WaitsAMomentForAnotherProgramThatHoldsTheClipboard)
{
    const GiveBackCase& c = GetParam();
    MakeHost(OfficeFaceFormats());
    std::unique_ptr<ClipboardHolder> holder;
    FakeControl* pasted = button.get();
    // The second paste is the last host call before the give-back.
    button->afterPaste = [&holder, pasted, &c] {
        if (pasted->pasteCalls == 2) {
            holder.reset(new ClipboardHolder(c.holdMs));
            EXPECT_TRUE(holder->WaitHeld());
        }
    };

    SetFace(IDB_ARCHIVE_FACE, L"KVCBBTVX2_0001", L"Dokument ablegen");

    button->afterPaste = nullptr;
    ASSERT_TRUE(holder);
    EXPECT_EQ(0u, holder->Finish());
    ExpectTransparentFace(*button);
    const wchar_t givenUp[] = L"[WRN] Failed to give the clipboard back, it is held by another program, error: ";
    EXPECT_EQ(c.givenBack ? 0 : 1, log.Count(givenUp));
    if (c.givenBack) {
        ExpectUserClipboardBack(OfficeFaceFormats());
        EXPECT_EQ(owner.Handle(), GetClipboardOwner());
    }
}

INSTANTIATE_TEST_SUITE_P(Holders, GiveBackTest,
                         testing::Values(GiveBackCase{"ForAMoment", 100, true}, GiveBackCase{"Longer", 0, false}),
                         [](const testing::TestParamInfo<GiveBackCase>& info) { return std::string(info.param.name); });

// The built module of this program's bitness carries both faces as the
// buttons need them: 16 by 16 pixels, 4 bits per pixel, uncompressed.
TEST(BrenmarkButtonFaces, ModuleCarriesBothBitmaps)
{
    HMODULE module = LoadLibraryExW(BrenmarkPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module) << GetLastError();
    for (WORD id : {IDB_ARCHIVE_FACE, IDB_ATTACHMENT_FACE}) {
        HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(2)); // RT_BITMAP
        ASSERT_TRUE(resource) << id;
        const BITMAPINFOHEADER* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, resource)));
        ASSERT_TRUE(header);
        EXPECT_EQ(16, header->biWidth);
        EXPECT_EQ(16, header->biHeight);
        EXPECT_EQ(4, header->biBitCount);
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), header->biCompression);
    }
    FreeLibrary(module);
}

} // namespace
