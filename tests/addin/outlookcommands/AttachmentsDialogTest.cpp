// Dialog 119 driven as a user would under Xvfb: its texts, columns and
// sizes, OK without a choice (the error box, the dialog stays), OK with a
// choice of several rows, and Cancel; each row marks its own entry.
#include "AttachmentsDialog.h"

#include "AttachmentsDialogIds.h"
#include "LogTail.h"
#include "ModalDialogDriver.h"
#include "OutlookPropertyTables.h"
#include "TempDir.h"
#include "WindowScreenshot.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::vector<std::wstring>>;

struct Entry {
    const wchar_t* name; // null: none
    const wchar_t* size; // null: none
    const wchar_t* key;
};

void Fill(CAttachmentList& list, const std::vector<Entry>& entries, unsigned item = 0)
{
    for (const Entry& e : entries) {
        std::unique_ptr<CPropertyCollection> attachment(new CPropertyCollection);
        if (e.name)
            attachment->Add(KEY_OTL_ATTACHMENT_NAME, e.name, 0);
        if (e.size)
            attachment->Add(KEY_OTL_ATTACHMENT_SIZE, e.size, 0);
        attachment->Add(KEY_OTL_ATTACHMENT_KEY, e.key, 0);
        attachment->Add(KEY_OTL_ATTACHMENT_HIDDEN, L"0", 0);
        list.Append(std::move(attachment), item);
    }
}

// Which entries carry the dialog's mark, "1" of type 0.
std::vector<bool> Marked(const CAttachmentList& list)
{
    std::vector<bool> marks;
    for (size_t i = 0; i < list.Count(); ++i) {
        const wchar_t* mark = list.At(i)->GetValue(KEY_OTL_ATTACHMENT_SELECTED);
        marks.push_back(mark && std::wstring(mark) == L"1" && list.At(i)->GetType(KEY_OTL_ATTACHMENT_SELECTED) == 0);
    }
    return marks;
}

struct Heading {
    std::wstring text;
    int width;
    bool operator==(const Heading& other) const { return text == other.text && width == other.width; }
};

std::vector<Heading> Headings(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_ATTACHMENTS_LIST);
    std::vector<Heading> headings;
    for (int i = 0;; ++i) {
        wchar_t text[256] = L"";
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = text;
        column.cchTextMax = 256;
        if (!SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column)))
            break;
        headings.push_back(Heading{text, column.cx});
    }
    return headings;
}

void PressOk(HWND dialog)
{
    // Posted: the dialog may answer with a modal box of its own.
    PostMessageW(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

TEST(AttachmentsDialogTest, ShowsNamesAndSizesAndCancelMarksNothing)
{
    std::wstring longName(1500, L'x');
    CAttachmentList list;
    Fill(list, {{L"Vertrag.pdf", L"40000", L"01"},
                {L"klein.txt", L"512", L"02"},
                {L"ohne Gr\u00f6\u00dfe.bin", nullptr, L"03"},
                {nullptr, L"10", L"04"},
                {longName.c_str(), L"2097152", L"05"}});
    std::wstring caption, prompt;
    std::vector<Heading> headings;
    Rows rows;
    LONG_PTR style = 0;
    ModalRun run = RunModalDialog([&] { return ShowAttachmentsDialog(&list); },
                                  [&](HWND dialog) {
                                      wchar_t text[256] = L"";
                                      GetWindowTextW(dialog, text, 256);
                                      caption = text;
                                      prompt = ControlText(dialog, IDC_ATTACHMENTS_PROMPT);
                                      headings = Headings(dialog);
                                      rows = ListViewRows(dialog, IDC_ATTACHMENTS_LIST, 2);
                                      style = GetWindowLongPtrW(GetDlgItem(dialog, IDC_ATTACHMENTS_LIST), GWL_STYLE);
                                      ClickListRow(dialog, IDC_ATTACHMENTS_LIST, 1);
                                      SaveWindowScreenshot(dialog, L"attachments-dialog");
                                      ClickButton(dialog, IDCANCEL);
                                  });
    ASSERT_TRUE(run.appeared);
    EXPECT_EQ(0, run.result);
    EXPECT_EQ(L"Anh\u00e4nge ausw\u00e4hlen", caption);
    EXPECT_EQ(L"Bitte w\u00e4hlen Sie die abzulegenden Anh\u00e4nge aus.", prompt);
    EXPECT_EQ((std::vector<Heading>{{L"Dateiname", 368}, {L"Gr\u00f6\u00dfe", 80}}), headings);
    EXPECT_EQ((Rows{{L"Vertrag.pdf", L"39.06 KB"},
                    {L"klein.txt", L"512 bytes"},
                    {L"ohne Gr\u00f6\u00dfe.bin", L""},
                    {std::wstring(1023, L'x'), L"2.00 MB"}}),
              rows);
    EXPECT_EQ(0, style & LVS_SINGLESEL);
    EXPECT_EQ((std::vector<bool>{false, false, false, false, false}), Marked(list));
}

TEST(AttachmentsDialogTest, OkWithoutAChoiceKeepsTheDialogAndOkWithAChoiceMarksTheChosenEntries)
{
    CAttachmentList list;
    Fill(list, {{L"a.pdf", L"1", L"01"}, {L"b.pdf", L"2", L"02"}, {L"c.pdf", L"3", L"03"}});
    std::wstring boxCaption, boxText;
    bool stayedOpen = false;
    ModalRun run = RunModalDialog([&] { return ShowAttachmentsDialog(&list); },
                                  [&](HWND dialog) {
                                      PressOk(dialog);
                                      HWND box = WaitForDialogWindow(L"Fehler bei der Dokumentablage", 5000);
                                      if (!box)
                                          return;
                                      boxCaption = L"Fehler bei der Dokumentablage";
                                      boxText = ControlText(box, 0xFFFF);
                                      PostMessageW(box, WM_COMMAND, IDOK, 0);
                                      Sleep(300);
                                      stayedOpen = IsWindowVisible(dialog) != FALSE;
                                      ClickListRow(dialog, IDC_ATTACHMENTS_LIST, 0);
                                      ClickListRow(dialog, IDC_ATTACHMENTS_LIST, 2, true);
                                      PressOk(dialog);
                                  });
    ASSERT_TRUE(run.appeared);
    EXPECT_EQ(L"Fehler bei der Dokumentablage", boxCaption);
    EXPECT_EQ(L"Es wurde kein Dokument selektiert!", boxText);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(1, run.result);
    EXPECT_EQ((std::vector<bool>{true, false, true}), Marked(list));
}

TEST(AttachmentsDialogTest, ARowMarksItsOwnEntryWhateverTheKeysOfTheOthers)
{
    // Two mails whose attachments bear keys that are equal without regard to case.
    CAttachmentList list;
    Fill(list, {{L"Anhang.txt", L"10", L"0a"}}, 1);
    Fill(list, {{L"Anhang.txt", L"20", L"0A"}}, 2);
    ModalRun run = RunModalDialog([&] { return ShowAttachmentsDialog(&list); },
                                  [&](HWND dialog) {
                                      ClickListRow(dialog, IDC_ATTACHMENTS_LIST, 1);
                                      PressOk(dialog);
                                  });
    ASSERT_TRUE(run.appeared);
    EXPECT_EQ(1, run.result);
    EXPECT_EQ((std::vector<bool>{false, true}), Marked(list));
}

TEST(AttachmentsDialogTest, WithoutAListTheDialogEndsAtOnce)
{
    LogTail log;
    EXPECT_EQ(0, ShowAttachmentsDialog(nullptr));
    EXPECT_TRUE(log.Contains(L"[ERR] Fatal error in attachment dialog! AttachmentList not initialized!"))
        << ToUtf8(log.Text());
}

} // namespace
