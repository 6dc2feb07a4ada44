#include "WalkerCalls.h"

#include "DialogWatcher.h"
#include "LogTail.h"
#include "RecordingConnector.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const wchar_t ERROR_CAPTION[] = L"Fehler bei der Dokumentablage";

// A CF_HDROP file list as the shell puts it into a drop.
class CDropList
{
public:
    explicit CDropList(const std::vector<std::wstring>& paths)
    {
        std::wstring joined;
        for (const std::wstring& p : paths)
            joined += p + L'\0';
        joined += L'\0';
        SIZE_T bytes = sizeof(DROPFILES) + joined.size() * sizeof(wchar_t);
        m_global = GlobalAlloc(GHND, bytes);
        auto* drop = static_cast<DROPFILES*>(GlobalLock(m_global));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        memcpy(drop + 1, joined.data(), joined.size() * sizeof(wchar_t));
        GlobalUnlock(m_global);
    }
    ~CDropList() { GlobalFree(m_global); }
    HDROP Get() const { return static_cast<HDROP>(m_global); }

private:
    HGLOBAL m_global;
};

DropHandoffOptions Options(int acceptAll, std::vector<std::wstring> extensions, int silent, int fileQuestion)
{
    DropHandoffOptions options;
    options.rules.acceptAll = acceptAll;
    options.rules.extensions = std::move(extensions);
    options.silent = silent;
    options.fileQuestion = fileQuestion;
    options.title = L"marvik dovrane droplet";
    return options;
}

class DroppedFiles : public testing::Test
{
protected:
    TempDir dir;
};

TEST_F(DroppedFiles, FolderWithARefusedFileHandsOffTheRestWithFourArguments)
{
    dir.WriteFile(L"drop\\a.pdf");
    dir.WriteFile(L"drop\\b.txt");
    RecordingConnector connector;
    DialogWatcher watcher;
    DropHandoffOptions options = Options(0, {L"pdf"}, 0, 1);
    options.uploadIni = dir / L"upload.ini"; // does not exist

    HandleDroppedFiles(CDropList({dir / L"drop"}).Get(), options);

    ASSERT_EQ(1u, watcher.Count());
    SeenDialog box = watcher.Seen()[0];
    EXPECT_EQ(ERROR_CAPTION, box.caption);
    EXPECT_NE(std::wstring::npos, box.text.find(L"Die Dateierweiterung der Datei wird nicht unterstützt."));
    EXPECT_NE(std::wstring::npos, box.text.find(dir / L"drop\\b.txt"));

    EXPECT_EQ(std::vector<std::wstring>{L"KQConnectorCOM.Run"}, connector.NamesAsked());
    ASSERT_EQ(1u, connector.Calls().size());
    const RecordedCall& run = connector.Calls()[0];
    std::wstring pdf = dir / L"drop\\a.pdf";
    EXPECT_EQ(4u, run.argCount);
    EXPECT_EQ(DISPATCH_METHOD | DISPATCH_PROPERTYGET, run.flags);
    EXPECT_EQ(0x400u, run.locale);
    EXPECT_EQ(VT_PTR, run.types[0]);
    EXPECT_EQ(VT_BSTR, run.types[1]);
    EXPECT_EQ(VT_INT, run.types[2]);
    EXPECT_EQ(VT_INT, run.types[3]);
    EXPECT_EQ(std::vector<std::wstring>{pdf}, run.paths);
    EXPECT_TRUE(run.listClosed);
    EXPECT_EQ(1, run.count);
    EXPECT_EQ(static_cast<int>(pdf.size()) + 2, run.length);
    EXPECT_FALSE(run.iniIsNull) << "an empty BSTR, not a null one";
    EXPECT_EQ(L"", run.iniPath);
}

TEST_F(DroppedFiles, SilentWithOnlyRefusedFilesShowsOnlyTheNothingLeftMessage)
{
    dir.WriteFile(L"drop\\b.txt");
    dir.WriteFile(L"drop\\c.doc");
    RecordingConnector connector;
    DialogWatcher watcher;

    HandleDroppedFiles(CDropList({dir / L"drop", dir / L"x.txt"}).Get(), Options(0, {L"pdf"}, 1, 1));

    ASSERT_EQ(1u, watcher.Count());
    EXPECT_EQ(L"Die ausgewählten Dateien sind nicht zur Archivierung vorgesehen.", watcher.Seen()[0].text);
    EXPECT_TRUE(connector.Calls().empty());
}

// A dropped pending hand-off: its files are left out, each with a log line,
// and unless silent each with the message that names it.
TEST_F(DroppedFiles, FilesTheHandoffRefusesGetALineAndAMessageUnlessSilent)
{
    const std::wstring inbox = TempPath() + L"kq_temp_inbox\\";
    const std::wstring pendingId = L"kq_data_" + std::to_wstring(GetTickCount() + 9200000);
    std::wstring mail = TempDir::WriteLongPath(inbox + pendingId + L"\\a.msg", "mail");
    std::wstring pendingFile = TempDir::WriteLongPath(inbox + pendingId + L"\\" + pendingId + L".xml", "<files/>");
    std::wstring pdf = dir.WriteFile(L"other.pdf");
    const std::wstring intro = L"Das Dokument konnte nicht abgelegt werden.\r\nEs trat ein schwerwiegender Fehler auf."
                               L"\r\n\r\nFehler:\r\n";
    for (int silent : {0, 1}) {
        RecordingConnector connector;
        DialogWatcher watcher;
        LogTail log;
        HandleDroppedFiles(CDropList({inbox + pendingId, pdf}).Get(), Options(1, {}, silent, 0));

        for (const std::wstring& path : {mail, pendingFile})
            EXPECT_EQ(1, log.Count(L"[WRN] Not handed off, it belongs to a pending hand-off, skipped: " + path) +
                             log.Count(L"[WRN] Not handed off, it is the hand-off file of its folder, skipped: " + path))
                << silent << "\n" << ToUtf8(log.Text());
        std::vector<std::wstring> named;
        for (const SeenDialog& box : watcher.Seen()) {
            EXPECT_EQ(ERROR_CAPTION, box.caption);
            ASSERT_EQ(0, box.text.compare(0, intro.size(), intro)) << ToUtf8(box.text);
            named.push_back(box.text.substr(intro.size()));
        }
        std::sort(named.begin(), named.end());
        std::vector<std::wstring> expected;
        if (!silent)
            expected = {mail, pendingFile};
        EXPECT_EQ(expected, named) << silent;
        ASSERT_EQ(1u, connector.Calls().size()) << silent;
        EXPECT_EQ(std::vector<std::wstring>{pdf}, connector.Calls()[0].paths);
    }
    EXPECT_EQ("mail", ReadFileBytes(mail));
    EXPECT_EQ("<files/>", ReadFileBytes(pendingFile));
    RemoveTree(inbox + pendingId);
}

TEST_F(DroppedFiles, QuestionForSeveralFilesDecidesTheHandOff)
{
    std::wstring one = dir.WriteFile(L"one.pdf");
    std::wstring two = dir.WriteFile(L"two.pdf");
    std::wstring ini = dir.WriteFile(L"upload.ini", "[Properties]\r\nA=1\r\n");
    CDropList list({one, two});
    DropHandoffOptions options = Options(1, {}, 1, 1);
    options.uploadIni = ini;
    const std::wstring question = L"Sie haben 2 Dateien ausgewählt. Möchten Sie alle Dateien archivieren?";
    {
        RecordingConnector connector;
        DialogWatcher watcher(std::vector<DialogAnswer>{DialogAnswer{IDNO}});
        HandleDroppedFiles(list.Get(), options);
        ASSERT_EQ(1u, watcher.Count());
        EXPECT_EQ(question, watcher.Seen()[0].text);
        EXPECT_EQ(L"marvik dovrane droplet", watcher.Seen()[0].caption);
        EXPECT_TRUE(connector.Calls().empty());
    }
    {
        RecordingConnector connector;
        DialogWatcher watcher(std::vector<DialogAnswer>{DialogAnswer{IDYES}});
        HandleDroppedFiles(list.Get(), options);
        EXPECT_EQ(1u, watcher.Count());
        ASSERT_EQ(1u, connector.Calls().size());
        const RecordedCall& run = connector.Calls()[0];
        EXPECT_EQ((std::vector<std::wstring>{one, two}), run.paths);
        EXPECT_EQ(2, run.count);
        EXPECT_EQ(static_cast<int>(one.size() + two.size()) + 3, run.length);
        EXPECT_EQ(ini, run.iniPath);
    }
    {
        // Without the question the files go at once.
        RecordingConnector connector;
        DialogWatcher watcher;
        options.fileQuestion = 0;
        HandleDroppedFiles(list.Get(), options);
        EXPECT_EQ(0u, watcher.Count());
        EXPECT_EQ(1u, connector.Calls().size());
    }
}

TEST_F(DroppedFiles, OnlyYesToTheQuestionHandsOff)
{
    std::wstring one = dir.WriteFile(L"one.pdf");
    std::wstring two = dir.WriteFile(L"two.pdf");
    CDropList list({one, two});
    struct Case {
        const char* name;
        int button;   // what the user presses (IDCANCEL: Escape)
        HWND owner;   // a window that is gone: the box fails
        bool shown;
    } cases[] = {
        {"No", IDNO, nullptr, true},
        {"Escape", IDCANCEL, nullptr, true},
        {"BoxFails", IDYES, reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7ffe1234)), false},
    };
    for (const Case& c : cases) {
        DropHandoffOptions options = Options(1, {}, 1, 1);
        options.window = c.owner;
        RecordingConnector connector;
        DialogWatcher watcher(std::vector<DialogAnswer>{DialogAnswer{c.button}}, DialogAnswer{IDYES});
        HandleDroppedFiles(list.Get(), options);
        EXPECT_EQ(c.shown ? 1u : 0u, watcher.Count()) << c.name;
        EXPECT_TRUE(connector.Calls().empty()) << c.name;
    }
}

TEST_F(DroppedFiles, UnregisteredConnectorGetsItsMessage)
{
    std::wstring file = dir.WriteFile(L"a.pdf");
    DialogWatcher watcher;
    std::wstring list = file + L'\0' + L'\0';
    EXPECT_EQ(0, UploadFiles(list.c_str(), static_cast<int>(list.size()), 1, L""));
    EXPECT_EQ(1, DisplayConnectorSettings(nullptr));
    ASSERT_EQ(2u, watcher.Count());
    for (const SeenDialog& box : watcher.Seen()) {
        EXPECT_EQ(ERROR_CAPTION, box.caption);
        EXPECT_EQ(L"Die COM Schnittstelle ist nicht registriert.", box.text);
    }
}

TEST_F(DroppedFiles, FailedRunShowsNothingAndSettingsCallTheirMember)
{
    std::wstring file = dir.WriteFile(L"a.pdf");
    RecordingConnector connector(E_FAIL);
    DialogWatcher watcher;
    std::wstring list = file + L'\0' + L'\0';
    EXPECT_EQ(1, UploadFiles(list.c_str(), static_cast<int>(list.size()), 1, nullptr));
    EXPECT_EQ(1, DisplayConnectorSettings(nullptr));
    EXPECT_EQ(0u, watcher.Count());
    EXPECT_EQ((std::vector<std::wstring>{L"KQConnectorCOM.Run", L"KQConnectorCOM.DisplaySettings"}),
              connector.NamesAsked());
    ASSERT_EQ(2u, connector.Calls().size());
    EXPECT_EQ(0u, connector.Calls()[1].argCount);
}

} // namespace
