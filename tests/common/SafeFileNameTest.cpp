#include "SafeFileName.h"

#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(SafeFileName, LeavesAPlainFileNameInsideItsFolder)
{
    struct {
        const wchar_t* given;
        const wchar_t* safe;
    } cases[] = {
        {L"Angebot.msg", L"Angebot.msg"},
        {L"..\\x.txt", L"x.txt"},
        {L"../../x.txt", L"x.txt"},
        {L"D:x.txt", L"x.txt"},
        {L"x.txt:stream", L"stream"},
        {L"..", L"Dokument"},
        {L"x\\", L"Dokument"},
        {L"", L"Dokument"},
        {nullptr, L"Dokument"},
        {L"Re: Angebot?.msg", L" Angebot.msg"},
        {L"a\tb<>|\".txt", L"ab.txt"},
        {L"Bericht. ", L"Bericht"},
        {L"\xD83D\xDE00.txt", L"\xD83D\xDE00.txt"},
        // What a hand-off file cannot carry is replaced, pairs stay.
        {L"a\xFFFE" L"b.msg", L"a_b.msg"},
        {L"c\xFFFF" L"d.msg", L"c_d.msg"},
        {L"e\xD800" L"f.msg", L"e_f.msg"},
        {L"g\xDC00\xD83D\xDE00.msg", L"g_\xD83D\xDE00.msg"},
        {L"h\xDE00\xD83D.msg", L"h__.msg"},
        {L"\xFFFF", L"_"},
        // Device names, with or without extension, in any case.
        {L"CON", L"_CON"},
        {L"nul.txt", L"_nul.txt"},
        {L"COM1.pdf", L"_COM1.pdf"},
        {L"lpt9", L"_lpt9"},
        {L"Aux.tar.gz", L"_Aux.tar.gz"},
        {L"prn .doc", L"_prn .doc"},
        {L"CONIN$", L"_CONIN$"},
        {L"conout$.log", L"_conout$.log"},
        {L"COM\x00B9", L"_COM\x00B9"},
        {L"CON.", L"_CON"},
        {L"..\\NUL", L"_NUL"},
        {L"__FreeToDelete__.bin", L"___FreeToDelete__.bin"},
        // Only the whole first part counts.
        {L"CONTRACT.pdf", L"CONTRACT.pdf"},
        {L"COM10.txt", L"COM10.txt"},
        {L"xnul.txt", L"xnul.txt"},
        {L"Bericht.CON", L"Bericht.CON"},
        {L"COMA", L"COMA"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.safe, MakeSafeFileName(c.given)) << (c.given ? ToUtf8(c.given) : "null");
}

TEST(SafeFileName, EverySafeDeviceNameNamesAFileOnDisk)
{
    // What the rule promises, checked against the file system itself.
    TempDir dir;
    const wchar_t* names[] = {L"CON", L"nul.txt", L"COM1.pdf", L"LPT1", L"CONIN$", L"aux .txt"};
    for (const wchar_t* name : names) {
        std::wstring path = dir / MakeSafeFileName(name);
        wchar_t full[MAX_PATH];
        ASSERT_NE(0u, GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr));
        EXPECT_EQ(path, std::wstring(full)) << ToUtf8(name);
        dir.WriteFile(MakeSafeFileName(name), "x");
        EXPECT_EQ("x", ReadFileBytes(path)) << ToUtf8(name);
    }
}

} // namespace
