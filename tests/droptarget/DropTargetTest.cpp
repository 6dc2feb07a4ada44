// The drop target called as OLE calls it, with data objects built here.
#include "DropTarget.h"

#include "DialogWatcher.h"
#include "OberlaneStandin.h"
#include "RecordingConnector.h"
#include "RegistryFixture.h"
#include "ScopedTempFolder.h"
#include "TempDir.h"
#include "TestDataObject.h"
#include "WalkerCalls.h"
#include "XmlCheck.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <set>

namespace {

const POINTL NOWHERE = {0, 0};

std::wstring InboxPath()
{
    return TempPath() + L"kq_temp_inbox\\";
}

// The hand-off folders of the inbox.
std::set<std::wstring> InboxFolders()
{
    std::vector<std::wstring> names = FolderNames(InboxPath() + L"kq_data_*");
    return std::set<std::wstring>(names.begin(), names.end());
}

std::set<std::wstring> FilesIn(const std::wstring& folder)
{
    std::vector<std::wstring> names = FileNames(folder + L"\\*");
    return std::set<std::wstring>(names.begin(), names.end());
}

// The drop's work, held until the test runs it as the droplet does once the
// message that Drop posted arrives.
class HeldWork : public IDropWorkQueue
{
public:
    bool Reserve() override
    {
        EXPECT_FALSE(reserved) << "reserved twice";
        if (busy)
            return false;
        reserved = true;
        return true;
    }
    void Post(DropWork posted) override
    {
        EXPECT_TRUE(reserved) << "posted without a reservation";
        EXPECT_FALSE(work) << "posted twice";
        work = std::move(posted);
    }
    void Unreserve() override
    {
        EXPECT_TRUE(reserved);
        reserved = false;
    }
    // Runs the posted work; false when there is none.
    bool RunPosted()
    {
        if (!work)
            return false;
        DropWork posted = std::move(work);
        work = nullptr;
        posted();
        reserved = false;
        return true;
    }

    bool busy = false;
    bool reserved = false;
    DropWork work;
};

class DropTargetTest : public RegistryTest
{
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        RemoveTree(InboxPath());
        target = new CDropTarget(&settings, &queue);
        target->AddRef();
        target->SetFormats(TestDataObject::DescriptorFormat(), TestDataObject::ContentsFormat());
        data = new TestDataObject;
        settings.SetValue(SZ_LOADER, new CSettingValue(oberlane.Path().c_str(), SETTING_STRING));
    }
    void TearDown() override
    {
        // Every drop gave its reservation back or handed it to its work.
        EXPECT_FALSE(queue.reserved);
        data->Release();
        target->Release();
        RemoveTree(InboxPath());
        RegistryTest::TearDown();
    }

    void SetAttachments(bool on) { settings.SetValue(SZ_ATTACHMENTS, new CSettingValue(on)); }
    void AddLocation(int n, const wchar_t* label)
    {
        wchar_t name[32], text[256];
        wsprintfW(name, L"Params%d", n);
        wsprintfW(text, L"label=\"%s\" appid=%d configid=%d", label, n, n);
        settings.SetValue(name, new CSettingValue(text, SETTING_PARAM));
    }

    // DragEnter, DragOver and Drop as one drag, then the work the drop
    // posted; the effect of each.
    struct Effects {
        DWORD enter, over, drop;
    };
    Effects Drag(DWORD offered = DROPEFFECT_COPY | DROPEFFECT_MOVE)
    {
        Effects e = {offered, offered, offered};
        EXPECT_EQ(S_OK, target->DragEnter(data, MK_LBUTTON, NOWHERE, &e.enter));
        EXPECT_EQ(S_OK, target->DragOver(MK_LBUTTON, NOWHERE, &e.over));
        EXPECT_EQ(S_OK, target->Drop(data, 0, NOWHERE, &e.drop));
        queue.RunPosted();
        return e;
    }

    // The parameters of the receiving program's one start.
    std::wstring LaunchParameters() const
    {
        if (!oberlane.WaitForRecords(1))
            return L"<not started>";
        std::vector<StandinRecord> records = oberlane.Records();
        return records.size() == 1 ? records[0].parameters : L"<started more than once>";
    }

    OberlaneStandin oberlane;
    CKQCSettings settings;
    HeldWork queue;
    CDropTarget* target = nullptr;
    TestDataObject* data = nullptr;
    TempDir dir;
};

struct KindCase {
    const char* name;
    bool fileList, descriptor, storages, streams, attachments;
    DWORD offered;
    DropKind kind;
};

class DropKindTest : public DropTargetTest, public testing::WithParamInterface<KindCase>
{
};

TEST_P(DropKindTest, DragEnterDecidesAndDragOverKeepsTheCursor)
{
    const KindCase& c = GetParam();
    if (c.fileList)
        data->SetFileList({dir.WriteFile(L"a.pdf", "x")});
    if (c.descriptor)
        data->SetDescriptor({L"Mail.msg"});
    if (c.storages)
        data->AddStorage(CreateMailStorage());
    if (c.streams)
        data->AddStream([] { return CreateEndingStream("x", 1024); });
    SetAttachments(c.attachments);

    DWORD effect = c.offered;
    ASSERT_EQ(S_OK, target->DragEnter(data, MK_LBUTTON, NOWHERE, &effect));
    DWORD expected = c.kind == DROP_NONE ? DROPEFFECT_NONE : DROPEFFECT_COPY;
    EXPECT_EQ(expected, effect);
    EXPECT_EQ(c.kind, target->GetKind());
    for (int i = 0; i < 2; ++i) {
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        EXPECT_EQ(S_OK, target->DragOver(0, NOWHERE, &effect));
        EXPECT_EQ(expected, effect);
    }
    EXPECT_EQ(S_OK, target->DragLeave());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DropKindTest,
    testing::Values(KindCase{"FileList", true, false, false, false, false, DROPEFFECT_COPY, DROP_HDROP},
                    KindCase{"FileListMoveOnly", true, false, false, false, false, DROPEFFECT_MOVE, DROP_NONE},
                    KindCase{"Mails", false, true, true, false, false, DROPEFFECT_COPY | DROPEFFECT_MOVE, DROP_STORAGE},
                    KindCase{"AttachmentsOff", false, true, false, true, false, DROPEFFECT_COPY, DROP_NONE},
                    KindCase{"AttachmentsOn", false, true, false, true, true, DROPEFFECT_COPY, DROP_STREAM},
                    KindCase{"DescriptorWithoutContents", false, true, false, false, true, DROPEFFECT_COPY, DROP_NONE},
                    KindCase{"Nothing", false, false, false, false, true, DROPEFFECT_COPY, DROP_NONE}),
    [](const testing::TestParamInfo<KindCase>& info) { return std::string(info.param.name); });

TEST_F(DropTargetTest, NullArgumentsAreRefused)
{
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(E_INVALIDARG, target->DragEnter(nullptr, 0, NOWHERE, &effect));
    EXPECT_EQ(E_INVALIDARG, target->DragEnter(data, 0, NOWHERE, nullptr));
    EXPECT_EQ(E_INVALIDARG, target->Drop(nullptr, 0, NOWHERE, &effect));
    EXPECT_EQ(E_INVALIDARG, target->Drop(data, 0, NOWHERE, nullptr));
    IUnknown* unknown = nullptr;
    EXPECT_EQ(S_OK, target->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    unknown->Release();
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, target->QueryInterface(IID_IDataObject, &other));
    EXPECT_EQ(nullptr, other);
}

TEST_F(DropTargetTest, MailsAreSavedAsDocfilesEachInItsOwnHandoffFolder)
{
    data->SetDescriptor({L"Angebot.msg", L"Auftrag.msg"});
    data->AddStorage(CreateMailStorage());
    data->AddStorage(CreateMailStorage());
    Effects e = Drag();
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), e.drop);

    std::set<std::wstring> folders = InboxFolders();
    ASSERT_EQ(2u, folders.size());
    std::set<std::wstring> mails;
    for (const std::wstring& folder : folders) {
        std::set<std::wstring> files = FilesIn(InboxPath() + folder);
        // The mail and the hand-off file named after the folder.
        ASSERT_EQ(2u, files.size()) << folder;
        EXPECT_EQ(1u, files.count(folder + L".xml"));
        for (const std::wstring& file : files) {
            if (file == folder + L".xml")
                continue;
            mails.insert(file);
            std::wstring path = InboxPath() + folder + L"\\" + file;
            EXPECT_EQ(S_OK, StgIsStorageFile(path.c_str())) << file;
            // The whole dropped storage was copied.
            IStorage* saved = nullptr;
            ASSERT_EQ(S_OK, StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &saved));
            IStorage* inner = nullptr;
            EXPECT_EQ(S_OK, saved->OpenStorage(L"A", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &inner));
            if (inner)
                inner->Release();
            IStream* stream = nullptr;
            EXPECT_EQ(S_OK, saved->OpenStream(L"BBBB", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream));
            if (stream)
                stream->Release();
            saved->Release();
        }
    }
    EXPECT_EQ((std::set<std::wstring>{L"Angebot.msg", L"Auftrag.msg"}), mails);

    // One start for both, with their ids in the order they were saved.
    std::wstring parameters = LaunchParameters();
    auto first = folders.begin(), second = std::next(first);
    EXPECT_TRUE(parameters == L" files=" + *first + L"," + *second + L" startapp=5" ||
                parameters == L" files=" + *second + L"," + *first + L" startapp=5")
        << ToUtf8(parameters);
}

TEST_F(DropTargetTest, AMailStorageWhoseFirstElementIsAStreamIsNotSaved)
{
    data->SetDescriptor({L"Notiz.msg"});
    data->AddStorage(CreateMailStorage(true));
    Effects e = Drag();
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), e.drop);
    for (const std::wstring& folder : InboxFolders())
        EXPECT_EQ(0u, FilesIn(InboxPath() + folder).count(L"Notiz.msg"));
}

// Every byte that Read returns is written, also those that come with S_FALSE.
TEST_F(DropTargetTest, AttachmentsAreSavedWholeWhenTheSettingIsOn)
{
    SetAttachments(true);
    std::string big(2500, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 31 + 7);
    const std::string small = "kurz";
    data->SetDescriptor({L"Rechnung.pdf", L"Notiz.txt"});
    data->AddStream([big] { return CreateEndingStream(big, 1024); });
    // One block that ends the stream: S_FALSE with the bytes.
    data->AddStream([small] { return CreateEndingStream(small, 1024); });
    Effects e = Drag();
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), e.drop);

    std::set<std::wstring> folders = InboxFolders();
    ASSERT_EQ(2u, folders.size());
    std::set<std::string> contents;
    for (const std::wstring& folder : folders) {
        std::set<std::wstring> files = FilesIn(InboxPath() + folder);
        EXPECT_EQ(1u, files.count(folder + L".xml"));
        for (const std::wstring& file : files)
            if (file != folder + L".xml")
                contents.insert(ReadFileBytes(InboxPath() + folder + L"\\" + file));
    }
    EXPECT_EQ((std::set<std::string>{big, small}), contents);
    EXPECT_NE(std::wstring::npos, LaunchParameters().find(L" startapp=5"));
}

TEST_F(DropTargetTest, AttachmentsAreRefusedWhenTheSettingIsOff)
{
    SetAttachments(false);
    data->SetDescriptor({L"Rechnung.pdf"});
    data->AddStream([] { return CreateEndingStream("bytes", 1024); });
    Effects e = Drag();
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), e.enter);
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), e.over);
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), e.drop);
    EXPECT_TRUE(InboxFolders().empty());
}

TEST_F(DropTargetTest, AttachmentsSwitchedOffDuringTheDragAreNotTaken)
{
    SetAttachments(true);
    data->SetDescriptor({L"Rechnung.pdf"});
    data->AddStream([] { return CreateEndingStream("bytes", 1024); });
    DWORD effect = DROPEFFECT_COPY;
    ASSERT_EQ(S_OK, target->DragEnter(data, 0, NOWHERE, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), effect);
    SetAttachments(false);
    ASSERT_EQ(S_OK, target->Drop(data, 0, NOWHERE, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), effect);
    EXPECT_TRUE(InboxFolders().empty());
}

TEST_F(DropTargetTest, ADescriptorCountBeyondItsBlockIsHeldToTheBlock)
{
    SetAttachments(true);
    data->SetDescriptor({L"Rechnung.pdf"}, 100000);
    data->AddStream([] { return CreateEndingStream("bytes", 1024); });
    Effects e = Drag();
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), e.drop);
    EXPECT_EQ(1u, InboxFolders().size());
    // Only item 0 was asked for.
    for (const FORMATETC& request : data->requests) {
        if (request.cfFormat == TestDataObject::ContentsFormat()) {
            EXPECT_EQ(0, request.lindex);
        }
    }
}

TEST_F(DropTargetTest, ADescriptorTooShortForItsCountGivesNothing)
{
    SetAttachments(true);
    data->SetDescriptorBlock({5, 0, 0, 0, 'x', 'y'});
    data->AddStream([] { return CreateEndingStream("bytes", 1024); });
    Effects e = Drag();
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), e.drop);
    EXPECT_TRUE(InboxFolders().empty());
}

TEST_F(DropTargetTest, NamesArePlainFileNamesInsideTheirHandoffFolder)
{
    SetAttachments(true);
    data->SetDescriptor({L"..\\..\\..\\evil.txt", L"C:\\Windows\\win.ini", L"..", L"a/b:c*?.txt"});
    for (int i = 0; i < 4; ++i)
        data->AddStream([] { return CreateEndingStream("bytes", 1024); });
    Effects e = Drag();
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), e.drop);
    EXPECT_FALSE(FileExists(TempPath() + L"evil.txt"));
    EXPECT_FALSE(FileExists(InboxPath() + L"evil.txt"));
    std::set<std::wstring> saved;
    for (const std::wstring& folder : InboxFolders())
        for (const std::wstring& file : FilesIn(InboxPath() + folder))
            if (file != folder + L".xml")
                saved.insert(file);
    EXPECT_EQ((std::set<std::wstring>{L"evil.txt", L"win.ini", L"Dokument", L"c.txt"}), saved);
}

TEST_F(DropTargetTest, DeviceNamesAreSavedAsFilesInTheirHandoffFolders)
{
    // Such a name opens the device in any folder: the item would be written
    // to nowhere and still handed off.
    struct {
        const wchar_t* dropped;
        const wchar_t* saved;
    } cases[] = {{L"CON", L"_CON"}, {L"com1.txt", L"_com1.txt"}, {L"LPT1", L"_LPT1"}, {L"Nul .tar.gz", L"_Nul .tar.gz"}};
    SetAttachments(true);
    std::vector<std::wstring> names;
    for (const auto& c : cases) {
        names.push_back(c.dropped);
        data->AddStream([] { return CreateEndingStream("bytes", 1024); });
    }
    data->SetDescriptor(names);
    Effects e = Drag();
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), e.drop);

    std::set<std::wstring> saved;
    for (const std::wstring& folder : InboxFolders()) {
        for (const std::wstring& file : FilesIn(InboxPath() + folder)) {
            if (file == folder + L".xml")
                continue;
            saved.insert(file);
            std::wstring path = InboxPath() + folder + L"\\" + file;
            EXPECT_EQ("bytes", ReadFileBytes(path)) << ToUtf8(path);
            std::wstring xmlFile = InboxPath() + folder + L"\\" + folder + L".xml";
            std::wstring xml = FromUtf8(ReadFileBytes(xmlFile));
            EXPECT_NE(std::wstring::npos, xml.find(L"<path>" + path + L"</path>")) << ToUtf8(xml);
            EXPECT_TRUE(ParsesAsXml(xmlFile));
        }
    }
    std::set<std::wstring> expected;
    for (const auto& c : cases)
        expected.insert(c.saved);
    EXPECT_EQ(expected, saved);
    EXPECT_EQ(static_cast<size_t>(_countof(cases)), FilesParameter(LaunchParameters()).size());
}

TEST_F(DropTargetTest, NamesXmlCannotCarryAreSavedUnderNamesTheHandoffFileGivesBack)
{
    // The hand-off file once named "a b.msg" for a mail saved as
    // "a\uFFFEb.msg": the receiving program looked for a file not there.
    struct {
        const wchar_t* dropped;
        const wchar_t* saved;
        bool mail;
    } cases[] = {
        {L"a\xFFFE" L"b.msg", L"a_b.msg", true},
        {L"c\xFFFF" L"d.pdf", L"c_d.pdf", false},
        {L"e\xD800" L"f.pdf", L"e_f.pdf", false},
    };
    SetAttachments(true);
    DialogWatcher watcher;
    for (const auto& c : cases) {
        RemoveTree(InboxPath());
        data->Release();
        data = new TestDataObject;
        data->SetDescriptor({c.dropped});
        if (c.mail)
            data->AddStorage(CreateMailStorage());
        else
            data->AddStream([] { return CreateEndingStream("bytes", 1024); });
        Effects e = Drag();
        EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), e.drop) << ToUtf8(c.saved);

        std::set<std::wstring> folders = InboxFolders();
        ASSERT_EQ(1u, folders.size()) << ToUtf8(c.saved);
        const std::wstring folder = *folders.begin();
        EXPECT_EQ((std::set<std::wstring>{c.saved, folder + L".xml"}), FilesIn(InboxPath() + folder));
        std::wstring xmlFile = InboxPath() + folder + L"\\" + folder + L".xml";
        ASSERT_TRUE(ParsesAsXml(xmlFile));
        std::wstring xml = FromUtf8(ReadFileBytes(xmlFile));
        std::wstring path = InboxPath() + folder + L"\\" + c.saved;
        EXPECT_NE(std::wstring::npos, xml.find(L"<path>" + path + L"</path>")) << ToUtf8(xml);
        EXPECT_TRUE(FileExists(path));
    }
    EXPECT_TRUE(oberlane.WaitForRecords(_countof(cases)));
    EXPECT_EQ(0u, watcher.Count()) << "no message";
}

TEST_F(DropTargetTest, ATemporaryFolderTooLongForAHandoffFolderIsAFailedHandoff)
{
    SetAttachments(true);
    ScopedTempFolder temp(L"long", 231);
    data->SetDescriptor({L"Anhang.pdf"});
    data->AddStream([] { return CreateEndingStream("bytes", 1024); });
    DialogWatcher watcher;
    Effects e = Drag();
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), e.drop);
    ASSERT_EQ(1u, watcher.Count());
    EXPECT_EQ(L"Die Dateieigenschaften konnten nicht zwischengespeichert werden.", watcher.Seen()[0].text);
    EXPECT_TRUE(SnapshotFiles(temp.Path().substr(0, 230), {}, {L".log"}).empty());
    EXPECT_FALSE(oberlane.WaitForRecords(1, 500));
}

// A file list through the drop target: the walker's filter and questions as
// Corvelle sets them up, then one Run call.
struct FileListCase {
    const char* name;
    int silent, fileQuestion;
    std::vector<DialogAnswer> answers;
    std::vector<std::wstring> expectedBoxes; // the start of each box's text
    size_t handedOff;                        // paths in the Run call; 0: no call
    bool onlyRefused;
};

class FileListDropTest : public DropTargetTest, public testing::WithParamInterface<FileListCase>
{
protected:
    void SetUp() override
    {
        DropTargetTest::SetUp();
        saved = g_DropHandoff;
    }
    void TearDown() override
    {
        g_DropHandoff = saved;
        DropTargetTest::TearDown();
    }
    DropHandoffOptions saved;
};

TEST_P(FileListDropTest, WalksFiltersAsksAndCallsRun)
{
    const FileListCase& c = GetParam();
    g_DropHandoff.rules.acceptAll = 0;
    g_DropHandoff.rules.extensions = {L"pdf"};
    g_DropHandoff.silent = c.silent;
    g_DropHandoff.fileQuestion = c.fileQuestion;
    g_DropHandoff.window = nullptr;
    g_DropHandoff.title = L"marvik dovrane droplet";
    g_DropHandoff.uploadIni = dir.WriteFile(L"upload.ini", "[Properties]\r\nQuelle=Test\r\n");
    std::vector<std::wstring> paths;
    if (c.onlyRefused) {
        paths = {dir.WriteFile(L"b.txt", "x")};
    } else {
        dir.WriteFile(L"drop\\a.pdf", "x");
        dir.WriteFile(L"drop\\sub\\c.PDF", "x");
        dir.WriteFile(L"drop\\b.txt", "x");
        paths = {dir / L"drop", dir.WriteFile(L"d.pdf", "x")};
    }
    data->SetFileList(paths);
    RecordingConnector connector;
    DialogWatcher watcher(c.answers);

    Effects e = Drag(DROPEFFECT_COPY);
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), e.enter);
    // Handled whatever the user chose.
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), e.drop);

    std::vector<SeenDialog> seen = watcher.Seen();
    ASSERT_EQ(c.expectedBoxes.size(), seen.size());
    for (size_t i = 0; i < seen.size(); ++i)
        EXPECT_EQ(0u, seen[i].text.find(c.expectedBoxes[i])) << seen[i].text;
    if (!c.handedOff) {
        EXPECT_TRUE(connector.Calls().empty());
        return;
    }
    ASSERT_EQ(1u, connector.Calls().size());
    const RecordedCall& run = connector.Calls()[0];
    EXPECT_EQ(4u, run.argCount);
    EXPECT_EQ(c.handedOff, run.paths.size());
    EXPECT_EQ(static_cast<int>(c.handedOff), run.count);
    EXPECT_EQ(g_DropHandoff.uploadIni, run.iniPath);
    // The virtual-file road made nothing.
    EXPECT_TRUE(InboxFolders().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileListDropTest,
    testing::Values(
        FileListCase{"SilentAskYes", 1, 1, {DialogAnswer{IDYES, -1}}, {L"Sie haben 3 Dateien ausgew\u00e4hlt."}, 3,
                     false},
        FileListCase{"SilentAskNo", 1, 1, {DialogAnswer{IDNO, -1}}, {L"Sie haben 3 Dateien"}, 0, false},
        FileListCase{"RefusedFileShown", 0, 0, {}, {L"Die Datei kann nicht archiviert werden."}, 3, false},
        FileListCase{"SilentNoQuestion", 1, 0, {}, {}, 3, false},
        // Nothing left: message 9002 only when silent.
        FileListCase{"OnlyRefusedSilent", 1, 1, {}, {L"Die ausgew\u00e4hlten Dateien sind nicht"}, 0, true}),
    [](const testing::TestParamInfo<FileListCase>& info) { return std::string(info.param.name); });

TEST_F(DropTargetTest, AStreamThatFailsIsNotHandedOffButTheOthersAre)
{
    SetAttachments(true);
    data->SetDescriptor({L"kaputt.bin", L"gut.txt"});
    data->AddStream([] { return CreateEndingStream(std::string(3000, 'k'), 1024, true); });
    data->AddStream([] { return CreateEndingStream("gut", 1024); });
    Effects e = Drag();
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), e.drop);
    int handedOff = 0;
    for (const std::wstring& folder : InboxFolders()) {
        std::set<std::wstring> files = FilesIn(InboxPath() + folder);
        EXPECT_EQ(0u, files.count(L"kaputt.bin")) << folder;
        if (files.count(folder + L".xml")) {
            ++handedOff;
            EXPECT_EQ(1u, files.count(L"gut.txt"));
        } else {
            // The failed item's folder is marked for deletion.
            EXPECT_EQ(1u, files.count(L"__freetodelete__.bin"));
        }
    }
    EXPECT_EQ(1, handedOff);
}

TEST_F(DropTargetTest, ANameWithoutNulThatMakesThePathTooLongFailsThatItem)
{
    SetAttachments(true);
    std::vector<BYTE> block(sizeof(DWORD) + sizeof(FILEDESCRIPTORW), 0);
    block[0] = 1;
    FILEDESCRIPTORW fd = {};
    for (wchar_t& c : fd.cFileName)
        c = L'n';
    memcpy(block.data() + sizeof(DWORD), &fd, sizeof(fd));
    data->SetDescriptorBlock(block);
    data->AddStream([] { return CreateEndingStream("bytes", 1024); });
    Effects e = Drag();
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), e.drop);
    for (const std::wstring& folder : InboxFolders())
        EXPECT_EQ(0u, FilesIn(InboxPath() + folder).count(folder + L".xml"));
}

TEST_F(DropTargetTest, CancelledLocationMarksTheFoldersAndStartsNothing)
{
    AddLocation(1, L"Rechnungen");
    AddLocation(2, L"Verträge");
    data->SetDescriptor({L"Angebot.msg", L"Auftrag.msg"});
    data->AddStorage(CreateMailStorage());
    data->AddStorage(CreateMailStorage());
    DialogWatcher watcher({DialogAnswer{IDCANCEL, -1}});
    Effects e = Drag();
    // Reported before the user cancelled.
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), e.drop);
    ASSERT_EQ(1u, watcher.Count());
    EXPECT_EQ(L"Dokument ablegen", watcher.Seen()[0].caption);
    std::set<std::wstring> folders = InboxFolders();
    ASSERT_EQ(2u, folders.size());
    for (const std::wstring& folder : folders)
        EXPECT_EQ(1u, FilesIn(InboxPath() + folder).count(L"__freetodelete__.bin")) << folder;
    EXPECT_FALSE(oberlane.WaitForRecords(1, 1500));
}

TEST_F(DropTargetTest, AChosenLocationGoesFirstOnTheCommandLine)
{
    AddLocation(1, L"Rechnungen");
    AddLocation(2, L"Vertr\u00e4ge");
    data->SetDescriptor({L"Angebot.msg"});
    data->AddStorage(CreateMailStorage());
    DialogWatcher watcher({DialogAnswer{IDOK, 1}});
    Effects e = Drag();
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), e.drop);
    ASSERT_EQ(1u, watcher.Count());
    std::wstring parameters = LaunchParameters();
    EXPECT_EQ(0u, parameters.find(L"label=\"Vertr\u00e4ge\" appid=2 configid=2 files=kq_data_")) << ToUtf8(parameters);
    EXPECT_NE(std::wstring::npos, parameters.find(L" startapp=5"));
}

TEST_F(DropTargetTest, AMissingReceivingProgramIsReportedAfterTheDrop)
{
    settings.SetValue(SZ_LOADER, new CSettingValue(L"C:\\nowhere\\Oberlane.exe", SETTING_STRING));
    data->SetDescriptor({L"Angebot.msg"});
    data->AddStorage(CreateMailStorage());
    DialogWatcher watcher;
    Effects e = Drag();
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), e.drop);
    ASSERT_EQ(1u, watcher.Count());
    EXPECT_EQ(L"Das marvik dovrane Oberlane konnte nicht gefunden werden.", watcher.Seen()[0].text);
}

TEST_F(DropTargetTest, DropSavesTheMailsAndLeavesTheChoiceToItsWork)
{
    AddLocation(1, L"Rechnungen");
    AddLocation(2, L"Vertr\u00e4ge");
    data->SetDescriptor({L"Angebot.msg", L"Auftrag.msg"});
    data->AddStorage(CreateMailStorage());
    data->AddStorage(CreateMailStorage());
    DialogWatcher watcher({DialogAnswer{IDCANCEL, -1}});
    DWORD effect = DROPEFFECT_COPY;
    ASSERT_EQ(S_OK, target->DragEnter(data, MK_LBUTTON, NOWHERE, &effect));
    ASSERT_EQ(S_OK, target->Drop(data, 0, NOWHERE, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), effect);

    // Saved, and nothing asked, marked or written for the hand-off yet.
    std::set<std::wstring> folders = InboxFolders();
    ASSERT_EQ(2u, folders.size());
    for (const std::wstring& folder : folders) {
        std::set<std::wstring> files = FilesIn(InboxPath() + folder);
        EXPECT_EQ(1u, files.size()) << folder;
        EXPECT_EQ(0u, files.count(folder + L".xml"));
    }
    Sleep(300);
    EXPECT_EQ(0u, watcher.Count());
    ASSERT_TRUE(queue.work);

    // The work writes the hand-off files, asks, and marks on Cancel.
    queue.RunPosted();
    ASSERT_EQ(1u, watcher.Count());
    EXPECT_EQ(L"Dokument ablegen", watcher.Seen()[0].caption);
    for (const std::wstring& folder : folders) {
        std::set<std::wstring> files = FilesIn(InboxPath() + folder);
        EXPECT_EQ(1u, files.count(folder + L".xml"));
        EXPECT_EQ(1u, files.count(L"__freetodelete__.bin")) << folder;
    }
    EXPECT_FALSE(oberlane.WaitForRecords(1, 1000));
}

TEST_F(DropTargetTest, ADropWhileOtherWorkRunsTakesNothing)
{
    queue.busy = true;
    data->SetDescriptor({L"Angebot.msg"});
    data->AddStorage(CreateMailStorage());
    Effects e = Drag();
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), e.drop);
    EXPECT_FALSE(queue.work);
    EXPECT_TRUE(InboxFolders().empty());
    for (const FORMATETC& request : data->requests)
        EXPECT_NE(TestDataObject::ContentsFormat(), request.cfFormat);
}

} // namespace
