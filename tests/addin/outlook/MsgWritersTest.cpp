// The .msg writers against the MAPI and Outlook doubles: the file's name and
// folder, the file read back by its published layout, each failing step of
// the Extended MAPI road, and Outlook's own save.
#include "MsgWriters.h"

#include "DispatchHelpers.h"
#include "FileHelpers.h"
#include "LogTail.h"
#include "MapiTestFixture.h"
#include "OutlookModelFixture.h"
#include "OutlookPropertyTables.h"
#include "TempDir.h"
#include "mapi/FakeMapiFunctions.h"
#include "mapi/FakeMessage.h"
#include "mapi/MsgFileReader.h"
#include "mapi/ScriptedStorage.h"
#include "outlook/FakeOutlook.h"

#include <regex>

using namespace doubles;

namespace {

const wchar_t UNTOUCHED[] = L"untouched";

class MsgWritersTest : public MapiDoublesTest
{
protected:
    void SetUp() override
    {
        MapiDoublesTest::SetUp();
        wcscpy(path, UNTOUCHED);
    }
    void ReleaseHostObjects() override
    {
        if (source)
            source->Release();
        source = nullptr;
        item = nullptr;
    }

    // A mail with every kind of value, named properties, recipients and
    // attachments; texts beyond the ANSI code page.
    void MakeRichMail()
    {
        source = FakeMessage::Create();
        source->Set(TextProp(PR_SUBJECT_W, L"\u041e\u0442\u0447\u0451\u0442 \u5831\u544a \u00c4rger"));
        source->Set(TextProp(PR_BODY_W, std::wstring(5000, L'b') + L"\u20ac"));
        source->Set(TextProp(PR_MESSAGE_CLASS_W, L"IPM.Note"));
        source->Set(BinaryProp(PR_ENTRYID, {0x00, 0x00, 0x00, 0x00, 0xAB, 0x10}));
        source->Set(LongProp(PR_IMPORTANCE, 2));
        source->Set(BoolProp(PROP_TAG(PT_BOOLEAN, 0x0E1B), true));
        source->Set(TimeProp(PR_MESSAGE_DELIVERY_TIME, UtcFileTime(2021, 7, 15, 12, 30, 5)));
        source->Set(I2Prop(PROP_TAG(PT_I2, 0x6610), -3));
        source->SetNamed(PSETID_Appointment, 0x8208, TextProp(PT_UNICODE, L"Raum \u00df"));
        source->SetNamed(PSETID_Task, 0x8102, DoubleProp(PT_DOUBLE, 0.5));
        source->AddRecipient({TextProp(PR_DISPLAY_NAME_W, L"Anna \u00d6"),
                              TextProp(PR_EMAIL_ADDRESS_W, L"anna@example.com"), LongProp(PR_RECIPIENT_TYPE, MAPI_TO)});
        source->AddRecipient({TextProp(PR_DISPLAY_NAME_W, L"Bernd"), TextProp(PR_EMAIL_ADDRESS_W, L"bernd@example.org"),
                              LongProp(PR_RECIPIENT_TYPE, MAPI_CC)});
        source->AddAttachment({TextProp(PR_DISPLAY_NAME_W, L"Bericht.pdf"), LongProp(PR_ATTACH_METHOD, ATTACH_BY_VALUE),
                               BinaryProp(PR_ATTACH_DATA_BIN, std::vector<BYTE>(3000, 0x5A))});
        source->AddAttachment({TextProp(PR_DISPLAY_NAME_W, L"\u00dcbersicht.txt"),
                               LongProp(PR_ATTACH_METHOD, ATTACH_BY_VALUE),
                               BinaryProp(PR_ATTACH_DATA_BIN, {'h', 'i'})});
    }

    std::wstring Path() const { return path; }
    static std::wstring FolderOf(const std::wstring& file) { return file.substr(0, file.rfind(L'\\')); }

public:
    // Open to the tables of cases, which arrange them.
    FakeMessage* source = nullptr;
    FakeDispatchPtr item;
    wchar_t path[MAX_PATH];
};

// TMP and TEMP pointed somewhere else for the life of the object.
class TempVariables
{
public:
    explicit TempVariables(const std::wstring& value)
    {
        for (int i = 0; i < 2; ++i) {
            DWORD n = GetEnvironmentVariableW(NAMES[i], m_saved[i], MAX_PATH);
            m_had[i] = n > 0 && n < MAX_PATH;
            SetEnvironmentVariableW(NAMES[i], value.c_str());
        }
    }
    ~TempVariables()
    {
        for (int i = 0; i < 2; ++i)
            SetEnvironmentVariableW(NAMES[i], m_had[i] ? m_saved[i] : nullptr);
    }

private:
    static constexpr const wchar_t* NAMES[2] = {L"TMP", L"TEMP"};
    wchar_t m_saved[2][MAX_PATH];
    bool m_had[2];
};

// A temporary folder so deep that no hand-off folder fits below it.
std::wstring DeepTempFolder(const std::wstring& base)
{
    return base + std::wstring(MAX_PATH - base.size() - 12, L'd') + L"\\";
}

TEST_F(MsgWritersTest, AFileNameLiesInANewHandoffFolderWithTheIndexAndTheTime)
{
    wchar_t first[MAX_PATH];
    wchar_t second[MAX_PATH];
    ASSERT_EQ(S_OK, MakeMsgFileName(first, MAX_PATH, 7));
    ASSERT_EQ(S_OK, MakeMsgFileName(second, MAX_PATH, 7));
    std::wregex name(std::regex_replace(Inbox(), std::wregex(LR"([\\.])"), LR"(\$&)") +
                     LR"(kq_data_\d+\\dovrane_7_[0-9A-F]{8}\.msg)");
    EXPECT_TRUE(std::regex_match(std::wstring(first), name)) << ToUtf8(first);
    EXPECT_NE(FolderOf(first), FolderOf(second));
    EXPECT_TRUE(DirExists(FolderOf(first)));
    EXPECT_FALSE(FileExists(first));
    unsigned long seconds = std::wcstoul(std::wcsrchr(first, L'_') + 1, nullptr, 16);
    EXPECT_LE(static_cast<unsigned long>(_time64(nullptr) & 0xFFFFFFFF) - seconds, 2ul);
}

TEST_F(MsgWritersTest, WithoutAHandoffFolderOrRoomForTheNameNoFileNameIsMade)
{
    {
        TempVariables deep(DeepTempFolder(temp->Path()));
        LogTail log;
        EXPECT_EQ(E_FAIL, MakeMsgFileName(path, MAX_PATH, 0));
        EXPECT_TRUE(log.Contains(L"[ERR] Failed to get path of temp directory")) << ToUtf8(log.Text());
        EXPECT_EQ(UNTOUCHED, Path());
    }
    // Room for the folder but not for the name: the folder goes again.
    size_t folderLength = Inbox().size() + wcslen(L"kq_data_4294967295\\");
    LogTail log;
    EXPECT_EQ(E_FAIL, MakeMsgFileName(path, folderLength + 10, 0));
    EXPECT_EQ(UNTOUCHED, Path());
    EXPECT_TRUE(HandoffFolders().empty());
    EXPECT_TRUE(log.Contains(L"[ERR] MSG file name does not fit")) << ToUtf8(log.Text());
}

TEST_F(MsgWritersTest, SaveToMsgWritesEveryPropertyRecipientAndAttachmentOfTheSource)
{
    MakeRichMail();
    ASSERT_EQ(S_OK, SaveToMSG(source, path, 3));
    std::wstring file = Path();
    ASSERT_NE(UNTOUCHED, file);
    EXPECT_NE(std::wstring::npos, file.find(L"\\dovrane_3_"));
    EXPECT_FALSE(FileExists(FolderOf(file) + L"\\" + MARKER_FILE_NAME));
    EXPECT_EQ(static_cast<ULONG>(MAPI_UNICODE), MsgStorage().lastOpenFlags & MAPI_UNICODE);

    MsgFile msg;
    std::string error;
    ASSERT_TRUE(ReadMsgFile(file, &msg, &error)) << error;
    EXPECT_TRUE(IsEqualCLSID(kCLSID_MailMessage, msg.clsid));
    for (const PropValue& value : source->Props()) {
        ULONG id = value.Id();
        NamedId name;
        if (source->Names()->NameOf(id, &name)) {
            id = msg.IdOfName(name.set, name.lid);
            ASSERT_NE(0u, id) << "named property without its name in the file: " << Describe(value);
        }
        const PropValue* copied = msg.Find(id);
        ASSERT_NE(nullptr, copied) << "missing: " << Describe(value);
        PropValue expected = value;
        expected.tag = PROP_TAG(value.Type(), id);
        EXPECT_EQ(expected, *copied) << Describe(value) << " became " << Describe(*copied);
    }
    ASSERT_EQ(source->Recipients().size(), msg.recipients.size());
    for (size_t i = 0; i < msg.recipients.size(); ++i) {
        for (const PropValue& value : source->Recipients()[i]) {
            const PropValue* copied = FindProp(msg.recipients[i], value.Id());
            EXPECT_TRUE(copied && *copied == value) << "recipient " << i << ": " << Describe(value);
        }
    }
    ASSERT_EQ(source->Attachments().size(), msg.attachments.size());
    for (size_t i = 0; i < msg.attachments.size(); ++i) {
        for (const PropValue& value : source->Attachments()[i]->Props()) {
            const PropValue* copied = FindProp(msg.attachments[i], value.Id());
            EXPECT_TRUE(copied && *copied == value) << "attachment " << i << ": " << Describe(value);
        }
    }
}

TEST_F(MsgWritersTest, EachFailingStepIsLoggedReturnedAndLeavesAMarkedFolderAndTheBufferUntouched)
{
    struct Case {
        const char* step;
        std::function<void(MsgWritersTest&)> arrange;
        HRESULT result;
        const char* log;
    };
    const Case cases[] = {
        {"StgCreateDocfile", [](MsgWritersTest&) { ScriptedStorages().createFailure = STG_E_ACCESSDENIED; },
         STG_E_ACCESSDENIED, "[ERR] Failed to create compound file! hr = 0x80030005"},
        {"OpenIMsgSession", [](MsgWritersTest&) { MsgStorage().openSessionFailure = MAPI_E_CALL_FAILED; },
         MAPI_E_CALL_FAILED, "[ERR] Failed to open an IMessage session!"},
        {"OpenIMsgOnIStg", [](MsgWritersTest&) { MsgStorage().openMessageFailure = MAPI_E_INVALID_PARAMETER; },
         MAPI_E_INVALID_PARAMETER, "[ERR] Failed to open an IMessage interface on an IStorage object! hr = 0x80070057"},
        {"WriteClassStg", [](MsgWritersTest&) { ScriptedStorages().setClassFailure = STG_E_ACCESSDENIED; },
         STG_E_ACCESSDENIED, "[ERR] Failed to write the CLSID_MailMessage to the IStorage instance! hr = 0x80030005"},
        {"CopyTo", [](MsgWritersTest& t) { t.source->Script().Fail("CopyTo", MAPI_E_NO_ACCESS); }, MAPI_E_NO_ACCESS,
         "[ERR] Failed to copy message properties! hr = 0x80070005"},
        {"CopyTo out of memory", [](MsgWritersTest& t) { t.source->Script().Fail("CopyTo", E_OUTOFMEMORY); },
         E_OUTOFMEMORY, "[ERR] Failed to copy message properties! hr = 0x8007000E"},
        {"SaveChanges", [](MsgWritersTest&) { MsgStorage().saveChangesFailure = STG_E_MEDIUMFULL; }, STG_E_MEDIUMFULL,
         "[ERR] Failed to save changes to IMessage object! hr = 0x80030070"},
        // The first commit is the message's own in SaveChanges.
        {"Commit",
         [](MsgWritersTest&) {
             ScriptedStorages().commitFailure = STG_E_MEDIUMFULL;
             ScriptedStorages().commitFailureOnCall = 2;
         },
         STG_E_MEDIUMFULL, "[ERR] Failed to save changes in storage! hr = 0x80030070"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        ReleaseHostObjects();
        MsgStorage() = MsgStorageScript();
        ScriptedStorages() = StorageScript();
        for (const std::wstring& folder : HandoffFolders())
            RemoveTree(folder);
        MakeRichMail();
        c.arrange(*this);
        LogTail log;
        EXPECT_EQ(c.result, SaveToMSG(source, path, 0));
        EXPECT_TRUE(log.Contains(FromUtf8(c.log))) << ToUtf8(log.Text());
        EXPECT_TRUE(log.Contains(L"[INF] Leave SaveToMSG"));
        EXPECT_EQ(UNTOUCHED, Path());
        std::vector<std::wstring> folders = HandoffFolders();
        ASSERT_EQ(1u, folders.size());
        EXPECT_TRUE(FileExists(folders[0] + L"\\" + MARKER_FILE_NAME));
        EXPECT_EQ(MsgStorage().sessionsOpened, MsgStorage().sessionsClosed);
    }
    ScriptedStorages() = StorageScript();
    MsgStorage() = MsgStorageScript();
}

TEST_F(MsgWritersTest, TwoItemsOfOneRunInTheSameSecondGetTwoFoldersAndTwoNames)
{
    MakeRichMail();
    wchar_t second[MAX_PATH];
    ASSERT_EQ(S_OK, SaveToMSG(source, path, 0));
    ASSERT_EQ(S_OK, SaveToMSG(source, second, 1));
    std::wstring first = Path();
    EXPECT_NE(FolderOf(first), FolderOf(second));
    std::wstring firstName = first.substr(first.rfind(L'\\'));
    std::wstring secondName = std::wstring(second).substr(std::wstring(second).rfind(L'\\'));
    EXPECT_NE(firstName, secondName);
    for (const std::wstring& file : {first, std::wstring(second)}) {
        MsgFile msg;
        std::string error;
        EXPECT_TRUE(ReadMsgFile(file, &msg, &error)) << error;
    }
}

TEST_F(MsgWritersTest, WithoutAHandoffFolderTheWritersFailAndTouchNothing)
{
    MakeRichMail();
    item = FakeOutlookItem::Create(L"IPM.Note.SMIME", source);
    TempVariables deep(DeepTempFolder(temp->Path()));
    LogTail log;
    EXPECT_EQ(E_FAIL, SaveToMSG(source, path, 0));
    EXPECT_EQ(E_FAIL, SaveToMSG_SMIME(item, path, 0, 16));
    EXPECT_EQ(UNTOUCHED, Path());
    EXPECT_EQ(2, log.Count(L"[ERR] Failed to get path of temp directory oder tempfilename"));
    EXPECT_EQ(0, MsgStorage().sessionsOpened);
    EXPECT_EQ(0, source->Script().Calls("CopyTo"));
    EXPECT_EQ(0, item->CallCount(L"SaveAs"));
}

TEST_F(MsgWritersTest, OutlooksOwnSaveWritesTheUnicodeFormatFromOutlook11AndLeavesTheTypeOutBefore)
{
    struct Case {
        int majorVersion;
        bool unicode;
    };
    const Case cases[] = {{16, true}, {11, true}, {10, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.majorVersion);
        wcscpy(path, UNTOUCHED);
        MakeRichMail();
        item = FakeOutlookItem::Create(L"IPM.Note", source);
        ASSERT_EQ(S_OK, SaveToMSG_SMIME(item, path, 4, c.majorVersion));
        std::wstring file = Path();
        EXPECT_NE(std::wstring::npos, file.find(L"\\dovrane_4_"));
        // Outlook 10's own choice is the 8-bit format: the Cyrillic and
        // Chinese letters are lost there.
        ExpectOwnSave(*item, file, c.unicode, source->Props()[0].text);
        item = nullptr;
        source->Release();
        source = nullptr;
        for (const std::wstring& folder : HandoffFolders())
            RemoveTree(folder);
    }
}

TEST_F(MsgWritersTest, OutlooksOwnSaveRefusesATypeItDoesNotKnow)
{
    MakeRichMail();
    item = FakeOutlookItem::Create(L"IPM.Note", source);
    for (long type : {-1L, 11L, 99L}) {
        SCOPED_TRACE(type);
        // IDispatch order: the type first, then the path.
        std::wstring file = temp->Path() + L"x.msg";
        _variant_t args[2] = {_variant_t(type, VT_I4), _variant_t(file.c_str())};
        _variant_t result;
        EXPECT_EQ(E_INVALIDARG, CallMethod(item, L"SaveAs", &result, 2, args));
        EXPECT_FALSE(FileExists(file));
    }
}

TEST_F(MsgWritersTest, AFailedOwnSaveIsLoggedReturnedAndLeavesTheBufferAndFolderAlone)
{
    MakeRichMail();
    item = FakeOutlookItem::Create(L"IPM.Note.SMIME", source);
    item->FailInvoke(L"SaveAs", 0, E_ACCESSDENIED);
    LogTail log;
    EXPECT_EQ(E_ACCESSDENIED, SaveToMSG_SMIME(item, path, 0, 16));
    EXPECT_TRUE(log.Contains(L"[ERR] Failed to saveas smime mailitem! hr = 0x80070005")) << ToUtf8(log.Text());
    EXPECT_TRUE(log.Contains(L"[INF] Leave SaveToMSG_SMIME"));
    EXPECT_EQ(UNTOUCHED, Path());
    EXPECT_EQ(1, item->CallCount(L"SaveAs"));
    std::vector<std::wstring> folders = HandoffFolders();
    ASSERT_EQ(1u, folders.size());
    EXPECT_FALSE(FileExists(folders[0] + L"\\" + MARKER_FILE_NAME));
}

} // namespace
