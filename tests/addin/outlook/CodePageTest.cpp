// The capture under the ANSI code pages Windows may run with, UTF-8 among
// them, whose conversions refuse most flags: entry ids, attachment keys and
// attachment files come through all the same; and an attachment is written
// under a temporary folder whose name has no form in the ANSI code page.
#include "AnsiCodePage.h"
#include "ItemAttachments.h"
#include "LogTail.h"
#include "OutlookCapture.h"
#include "OutlookModelFixture.h"
#include "OutlookPropertyTables.h"
#include "TempDir.h"
#include "WindowsCodePage.h"

using namespace doubles;

namespace {

class CodePageTest : public OutlookModelTest
{
protected:
    void ReleaseHostObjects() override
    {
        list.Clear();
        ReleaseOutlook();
    }

    // A mail with a sender and one attachment.
    FakeDispatchPtr MailWithAttachment(const std::string& bytes)
    {
        FakeMessage* message = NewMessage(L"Angebot");
        message->Set(BinaryProp(PR_SENDER_ENTRYID, {0xC0, 0xFF, 0xEE}));
        message->AddAttachment({TextProp(PR_DISPLAY_NAME_W, L"Bericht.pdf"),
                                LongProp(PR_ATTACH_SIZE, static_cast<LONG>(bytes.size())),
                                BinaryProp(PR_RECORD_KEY, {0x0A, 0x01}), BoolProp(kPR_ATTACHMENT_HIDDEN, false),
                                BinaryProp(PR_ATTACH_DATA_BIN, std::vector<BYTE>(bytes.begin(), bytes.end()))});
        return Keep(FakeOutlookItem::Create(L"IPM.Note", message));
    }

    // Lists the mail's attachments, chooses the first and saves it.
    std::vector<std::wstring> SaveFirstAttachment(IDispatch* mail)
    {
        list.Clear();
        SavedPathList saved;
        EXPECT_EQ(S_OK, CollectItemAttachments(outlook->Application(), mail, &list));
        if (list.Empty())
            return {};
        list.At(0)->Add(KEY_OTL_ATTACHMENT_SELECTED, L"1", 0);
        EXPECT_EQ(S_OK, CollectItemAttachments(outlook->Application(), mail, &list, &saved));
        std::vector<std::wstring> paths;
        for (const _bstr_t& path : saved)
            paths.push_back(static_cast<const wchar_t*>(path));
        return paths;
    }

    CAttachmentList list;
};

TEST_F(CodePageTest, UnderEveryAnsiCodePageTheIdsKeysAndAttachmentsComeThrough)
{
    for (UINT codePage : {1252u, 65001u, 932u}) {
        SCOPED_TRACE(codePage);
        WindowsCodePage windows(codePage);
        FakeDispatchPtr mail = MailWithAttachment("report bytes");
        wchar_t path[ITEM_PATH_CHARS] = L"";
        CPropertyCollection properties;
        ASSERT_EQ(S_OK, SaveOutlookItem(outlook->Application(), mail, 0, 16, path, &properties));
        // Without them an archived mail could never be deleted.
        EXPECT_EQ("00AB10", ValueOf(properties, L"PR_ENTRYID"));
        EXPECT_EQ("5E01", ValueOf(properties, L"PR_STORE_ENTRYID"));
        EXPECT_EQ("C0FFEE", ValueOf(properties, L"PR_SENDER_ENTRYID"));

        std::vector<std::wstring> paths = SaveFirstAttachment(mail);
        ASSERT_EQ(1u, list.Count());
        EXPECT_EQ("0A01", ValueOf(*list.At(0), L"OTL_ATTACHMENT_KEY"));
        ASSERT_EQ(1u, paths.size());
        EXPECT_EQ("report bytes", ReadFileBytes(paths[0]));
        EXPECT_EQ(0, WindowsCodePage::Refused());
        for (const std::wstring& folder : HandoffFolders())
            RemoveTree(folder);
    }
}

TEST_F(CodePageTest, AnAttachmentIsWrittenUnderATemporaryFolderWithoutAForm)
{
    // A user name in Greek letters on a Western Windows.
    WindowsCodePage windows(1252);
    ScopedTempFolder greek(L"\u0391\u03bd\u03bd\u03b1");
    std::string ansi;
    ASSERT_FALSE(WideToAnsiExact(greek.Path().c_str(), &ansi));
    FakeDispatchPtr mail = MailWithAttachment("bytes in a Greek folder");
    LogTail log;
    std::vector<std::wstring> paths = SaveFirstAttachment(mail);
    ASSERT_EQ(1u, paths.size()) << ToUtf8(log.Text());
    EXPECT_EQ(0u, paths[0].find(greek.Path() + L"kq_temp_inbox\\kq_data_")) << ToUtf8(paths[0]);
    EXPECT_EQ(L"Bericht.pdf", paths[0].substr(paths[0].rfind(L'\\') + 1));
    EXPECT_EQ("bytes in a Greek folder", ReadFileBytes(paths[0]));
    EXPECT_FALSE(FileExists(paths[0].substr(0, paths[0].rfind(L'\\') + 1) + L"OpenStreamOnFile.tmp"));
}

} // namespace
