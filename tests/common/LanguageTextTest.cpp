#include "LanguageText.h"

#include "DialogWatcher.h"
#include "LogTail.h"
#include "MessageBoxSpy.h"
#include "ModuleInstance.h"
#include "RegistryFixture.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const HKEY HKLM = HKEY_LOCAL_MACHINE;
const HKEY HKCU = HKEY_CURRENT_USER;

const wchar_t kErrorCaption[] = L"Fehler bei der Dokumentablage";
const wchar_t kQuestionCaption[] = L"Dokument ablegen";
const wchar_t kNotFound[] = L"Das marvik dovrane Oberlane konnte nicht gefunden werden.";
const UINT kUnknownId = 7999;

// An installation folder with a language file, as setup leaves it.
class LanguageTextTest : public RegistryTest
{
protected:
    // Writes "lang_<code>.bin" as UTF-16 LE with byte-order mark (ini lines
    // separated by CR LF) and points the global key at the folder.
    void WriteLanguageFile(const std::wstring& code, const std::wstring& content)
    {
        std::string bytes = "\xFF\xFE";
        bytes.append(reinterpret_cast<const char*>(content.data()), content.size() * sizeof(wchar_t));
        dir.WriteFile(L"lang_" + code + L".bin", bytes);
        reg.SetText(HKLM, RegistryFixture::GlobalKey(), L"Dir", dir.Path());
    }

    std::wstring Text(UINT id, size_t cch = 4096)
    {
        std::wstring buffer(cch, L'#');
        LoadText(GetThisModule(), &buffer[0], cch, id);
        return buffer.c_str();
    }

    TempDir dir;
};

TEST_F(LanguageTextTest, LanguageFileComesBeforeTheStringTable)
{
    WriteLanguageFile(L"en", L"[8006]\r\nFiling error\r\n[8002]\r\nLine one\r\nkey = value\r\n  line three  \r\n"
                             L"[8004]\r\n[8005]\r\n");
    reg.SetText(HKLM, RegistryFixture::GlobalKey(), L"l", L"en");

    EXPECT_EQ(L"Filing error", Text(8006));
    // Lines joined by CR LF, none after the last; key=value is taken whole
    // (the profile functions trim blanks around lines and "=").
    EXPECT_EQ(L"Line one\r\nkey=value\r\nline three", Text(8002));
    // An empty section or no section: the string table.
    EXPECT_EQ(L"Oberlane", Text(8004));
    EXPECT_EQ(L"Parameter", Text(8005));
    EXPECT_EQ(L"Wählen Sie einen Ablageort:", Text(8024));
    // Neither source: an empty text.
    EXPECT_EQ(L"", Text(kUnknownId));

    wchar_t direct[64];
    EXPECT_EQ(1, GetLanguageText(direct, _countof(direct), 8006));
    EXPECT_EQ(0, GetLanguageText(direct, _countof(direct), 8004));
    EXPECT_EQ(0, GetLanguageText(direct, _countof(direct), 8024));
}

TEST_F(LanguageTextTest, LanguageCodeFromUserKeyFirst)
{
    WriteLanguageFile(L"de", L"[8004]\r\nglobal\r\n");
    WriteLanguageFile(L"fr", L"[8004]\r\nuser\r\n");
    reg.SetText(HKLM, RegistryFixture::GlobalKey(), L"l", L"de");
    EXPECT_EQ(L"global", Text(8004));
    // A per-user key without "l" still uses the global code.
    reg.SetText(HKCU, RegistryFixture::UserKey(), L"Loader", L"x");
    EXPECT_EQ(L"global", Text(8004));
    reg.SetText(HKCU, RegistryFixture::UserKey(), L"l", L"fr");
    EXPECT_EQ(L"user", Text(8004));
    // A code whose file does not exist: the string table.
    reg.SetText(HKCU, RegistryFixture::UserKey(), L"l", L"it");
    EXPECT_EQ(L"Oberlane", Text(8004));
}

TEST_F(LanguageTextTest, WithoutDirOrCodeEveryTextComesFromTheTable)
{
    WriteLanguageFile(L"en", L"[8004]\r\nfile\r\n");
    // No code anywhere.
    EXPECT_EQ(L"Oberlane", Text(8004));
    // A code but no folder.
    reg.SetText(HKLM, RegistryFixture::GlobalKey(), L"l", L"en");
    RegDeleteKeyValueW(HKLM, RegistryFixture::GlobalKey().c_str(), L"Dir");
    EXPECT_EQ(L"Oberlane", Text(8004));
}

TEST_F(LanguageTextTest, LongSectionIsCutAndBuffersAreNeverOverrun)
{
    // 30 lines of 100 characters: 3,058 characters joined.
    std::wstring section = L"[8004]\r\n";
    std::wstring joined;
    for (int i = 0; i < 30; ++i) {
        std::wstring line(100, static_cast<wchar_t>(L'a' + i % 26));
        section += line + L"\r\n";
        joined += (i ? L"\r\n" : L"") + line;
    }
    WriteLanguageFile(L"en", section);
    reg.SetText(HKLM, RegistryFixture::GlobalKey(), L"l", L"en");

    std::wstring buffer(4096, L'#');
    ASSERT_EQ(1, GetLanguageText(&buffer[0], buffer.size(), 8004));
    EXPECT_EQ(joined.substr(0, 2047), std::wstring(buffer.c_str()));

    // LoadText looks up in 1,024 characters and cuts to the caller's buffer.
    EXPECT_EQ(joined.substr(0, 1023), Text(8004));
    std::wstring small(11, L'#');
    small += L"guard";
    LoadText(GetThisModule(), &small[0], 11, 8004);
    EXPECT_EQ(joined.substr(0, 10), std::wstring(small.c_str()));
    EXPECT_EQ(L"guard", small.substr(11));
}

TEST_F(LanguageTextTest, FormattedTexts)
{
    wchar_t text[1025];
    EXPECT_EQ(69, LoadFormattedText(GetThisModule(), text, _countof(text), 8044, 3));
    EXPECT_STREQ(L"Sie haben 3 Dateien ausgewählt. Möchten Sie alle Dateien archivieren?", text);
    EXPECT_EQ(0, LoadFormattedText(GetThisModule(), text, _countof(text), kUnknownId, 3));
    EXPECT_STREQ(L"", text);

    // An argument longer than the formatted limit is cut, not overrun.
    std::wstring name(3000, L'n');
    std::wstring big(1100, L'#');
    int n = LoadFormattedText(GetThisModule(), &big[0], 1025, 8016, name.c_str());
    EXPECT_GE(n, 1000);
    EXPECT_LE(n, 1024);
    EXPECT_EQ(0, big.compare(0, 8, L"Datei \"n")) << ToUtf8(big.substr(0, 20)) << " n=" << n;
    EXPECT_EQ(std::wstring(75, L'#'), big.substr(1025));
    std::wstring small(20, L'#');
    LoadFormattedText(GetThisModule(), &small[0], 10, 8016, L"x");
    EXPECT_EQ(L"Datei \"x\"", std::wstring(small.c_str()));
    EXPECT_EQ(std::wstring(10, L'#'), small.substr(10));
}

TEST_F(LanguageTextTest, ErrorBoxIsTopMostWithoutOwnerAndCaption8006)
{
    MessageBoxSpy spy;
    ASSERT_TRUE(spy.Installed());
    DialogWatcher watcher({DialogAnswer{IDOK}});
    ShowErrorBox(GetThisModule(), 8016, L"Angebot.docx");
    ASSERT_TRUE(watcher.WaitFor(1));
    SeenDialog box = watcher.Seen()[0];
    EXPECT_EQ(kErrorCaption, box.caption);
    EXPECT_EQ(L"Datei \"Angebot.docx\" konnte nicht geöffnet werden!", box.text);
    EXPECT_FALSE(box.hasOwner);
    ASSERT_EQ(1u, spy.Calls().size());
    MessageBoxCall call = spy.Calls()[0];
    EXPECT_EQ(nullptr, call.owner);
    EXPECT_EQ(static_cast<UINT>(MB_TOPMOST | MB_ICONERROR), call.type);
}

TEST_F(LanguageTextTest, QuestionsReturnTheAnswer)
{
    MessageBoxSpy spy;
    DialogWatcher watcher({DialogAnswer{IDYES}, DialogAnswer{IDNO}, DialogAnswer{IDCANCEL}, DialogAnswer{IDYES}});
    EXPECT_EQ(IDYES, AskYesNo(GetThisModule(), 8044, 4));
    EXPECT_EQ(IDNO, AskYesNo(GetThisModule(), 8015));
    EXPECT_EQ(IDCANCEL, AskYesNoCancel(GetThisModule(), 8015));
    EXPECT_EQ(IDYES, AskYesNoCancel(GetThisModule(), 8015));
    ASSERT_TRUE(watcher.WaitFor(4));
    std::vector<SeenDialog> seen = watcher.Seen();
    EXPECT_EQ(kQuestionCaption, seen[0].caption);
    EXPECT_EQ(L"Sie haben 4 Dateien ausgewählt. Möchten Sie alle Dateien archivieren?", seen[0].text);
    std::vector<MessageBoxCall> calls = spy.Calls();
    ASSERT_EQ(4u, calls.size());
    EXPECT_EQ(static_cast<UINT>(MB_TOPMOST | MB_ICONQUESTION | MB_YESNO), calls[0].type);
    EXPECT_EQ(static_cast<UINT>(MB_TOPMOST | MB_ICONQUESTION | MB_YESNOCANCEL), calls[2].type);
    for (const MessageBoxCall& call : calls)
        EXPECT_EQ(kQuestionCaption, call.caption);
}

TEST_F(LanguageTextTest, BoxTakesBothTextsFromOneSource)
{
    WriteLanguageFile(L"en", L"[8002]\r\nReceiver missing\r\n[8015]\r\nDelete it?\r\n[8014]\r\nFile document\r\n");
    reg.SetText(HKLM, RegistryFixture::GlobalKey(), L"l", L"en");
    DialogWatcher watcher({DialogAnswer{IDOK}, DialogAnswer{IDNO}});
    // The file has the message but not 8006: both come from the table.
    ShowErrorBox(GetThisModule(), 8002);
    // The file has both: both come from it.
    EXPECT_EQ(IDNO, AskYesNo(GetThisModule(), 8015));
    ASSERT_TRUE(watcher.WaitFor(2));
    std::vector<SeenDialog> seen = watcher.Seen();
    EXPECT_EQ(kErrorCaption, seen[0].caption);
    EXPECT_EQ(kNotFound, seen[0].text);
    EXPECT_EQ(L"File document", seen[1].caption);
    EXPECT_EQ(L"Delete it?", seen[1].text);
}

// The names fill the box that is shown, measured on its own text: the
// string table's when the language file lacks the caption, the language
// file's when it has both.
TEST_F(LanguageTextTest, NotHandedOffNamesFillTheTextShown)
{
    const std::wstring tableIntro = L"Das Dokument konnte nicht abgelegt werden.\r\nEs trat ein schwerwiegender "
                                    L"Fehler auf.\r\n\r\nFehler:\r\n";
    const std::wstring longIntro = std::wstring(200, L'L') + L": ";
    std::vector<std::wstring> names;
    for (int i = 0; i < 100; ++i)
        names.push_back(L"C:\\Akten\\Dokument-" + std::to_wstring(1000 + i) + L".pdf");
    struct Case {
        const char* name;
        std::wstring file;
        std::wstring intro;
        std::wstring caption;
    } cases[] = {
        {"TableTextShown", L"[8020]\r\n" + longIntro + L"%s\r\n", tableIntro, kErrorCaption},
        {"LanguageTextShown", L"[8006]\r\nAblagefehler\r\n[8020]\r\n" + longIntro + L"%s\r\n", longIntro,
         L"Ablagefehler"},
        {"NoLanguageFile", L"", tableIntro, kErrorCaption},
    };
    reg.SetText(HKLM, RegistryFixture::GlobalKey(), L"l", L"xx");
    for (const Case& c : cases) {
        WriteLanguageFile(L"xx", c.file);
        DialogWatcher watcher({DialogAnswer{IDOK}});
        ShowNotHandedOff(GetThisModule(), names);
        ASSERT_TRUE(watcher.WaitFor(1)) << c.name;
        SeenDialog box = watcher.Seen()[0];
        EXPECT_EQ(c.caption, box.caption) << c.name;
        ASSERT_EQ(0, box.text.compare(0, c.intro.size(), c.intro)) << c.name << ": " << ToUtf8(box.text);
        std::wstring shown = box.text.substr(c.intro.size());
        // Whole names in order, a line "..." for the rest, and no room left
        // for one more name.
        std::wstring all;
        for (const std::wstring& n : names)
            all += (all.empty() ? L"" : L"\r\n") + n;
        ASSERT_GE(shown.size(), 5u) << c.name;
        EXPECT_EQ(L"\r\n...", shown.substr(shown.size() - 5)) << c.name;
        EXPECT_EQ(0, all.compare(0, shown.size() - 3, shown.substr(0, shown.size() - 3))) << c.name;
        EXPECT_LE(box.text.size(), 1024u) << c.name;
        EXPECT_GT(box.text.size() + names[0].size() + 2, 1024u) << c.name << ": the box is filled";
    }
    // A single name is shown whole.
    DialogWatcher watcher({DialogAnswer{IDOK}});
    ShowNotHandedOff(GetThisModule(), {names[0]});
    ASSERT_TRUE(watcher.WaitFor(1));
    EXPECT_EQ(tableIntro + names[0], watcher.Seen()[0].text);
}

TEST_F(LanguageTextTest, UnknownIdShowsNoBox)
{
    MessageBoxSpy spy;
    DialogWatcher watcher({}, DialogAnswer{IDYES});
    ShowErrorBox(GetThisModule(), kUnknownId);
    EXPECT_EQ(IDNO, AskYesNo(GetThisModule(), kUnknownId));
    EXPECT_EQ(IDNO, AskYesNoCancel(GetThisModule(), kUnknownId));
    EXPECT_TRUE(spy.Calls().empty());
    EXPECT_EQ(0u, watcher.Count());
}

// A translator's text with other format fields than the program passes for
// would make wvsprintfW read arguments that were never given.
TEST_F(LanguageTextTest, TranslatedFormatIsUsedOnlyWithTheProgramsFields)
{
    struct Case {
        const char* name;
        UINT id;
        std::wstring translated;
        std::wstring shown; // with the argument L"a.docx" where the id takes one
        bool warned;
    } cases[] = {
        {"MoreStringsThanPassed", 8002, L"Oberlane fehlt: %s %s %s", kNotFound, true},
        {"NumbersAndPointer", 8002, L"%d %x %p", kNotFound, true},
        {"OtherConversion", 8016, L"Datei %d fehlt", L"Datei \"a.docx\" konnte nicht geöffnet werden!", true},
        {"WidthCounts", 8016, L"Datei %20s fehlt", L"Datei \"a.docx\" konnte nicht geöffnet werden!", true},
        {"TrailingPercent", 8002, L"Oberlane fehlt %", kNotFound, true},
        {"SameField", 8016, L"File %s missing", L"File a.docx missing", false},
        {"PercentSignIsNoField", 8002, L"100%% fehlt", L"100% fehlt", false},
        {"NoFieldsAskForNothing", 8016, L"Datei fehlt", L"Datei fehlt", false},
    };
    reg.SetText(HKLM, RegistryFixture::GlobalKey(), L"l", L"xx");
    for (const Case& c : cases) {
        WriteLanguageFile(L"xx", L"[8006]\r\nAblagefehler\r\n[" + std::to_wstring(c.id) + L"]\r\n" + c.translated +
                                     L"\r\n");
        LogTail log;
        DialogWatcher watcher({DialogAnswer{IDOK}});
        ShowErrorBox(GetThisModule(), c.id, L"a.docx");
        ASSERT_TRUE(watcher.WaitFor(1)) << c.name;
        SeenDialog box = watcher.Seen()[0];
        EXPECT_EQ(c.shown, box.text) << c.name;
        EXPECT_EQ(c.warned ? std::wstring(kErrorCaption) : L"Ablagefehler", box.caption) << c.name;

        wchar_t text[1025];
        LoadFormattedText(GetThisModule(), text, _countof(text), c.id, L"a.docx");
        EXPECT_EQ(c.shown, std::wstring(text)) << c.name;
        const std::wstring warning =
            L"[WRN] Language text " + std::to_wstring(c.id) + L" has other format fields than the program's text";
        EXPECT_EQ(c.warned ? 2 : 0, log.Count(warning)) << c.name << "\n" << ToUtf8(log.Text());
    }
}

// What the administrators' notes say about the language file's encoding: the
// profile functions read UTF-16 LE with byte-order mark as it stands, and a
// file without one in the ANSI code page, which breaks UTF-8 umlauts.
TEST_F(LanguageTextTest, EncodingOfTheLanguageFile)
{
    reg.SetText(HKLM, RegistryFixture::GlobalKey(), L"l", L"xx");
    reg.SetText(HKLM, RegistryFixture::GlobalKey(), L"Dir", dir.Path());
    dir.WriteFile(L"lang_xx.bin", "[8024]\r\nW\xC3\xA4hlen\r\n");
    EXPECT_NE(L"Wählen", Text(8024));
    EXPECT_NE(std::wstring::npos, Text(8024).find(L"hlen"));
    WriteLanguageFile(L"xx", L"[8024]\r\nWählen\r\n");
    EXPECT_EQ(L"Wählen", Text(8024));
}

} // namespace
