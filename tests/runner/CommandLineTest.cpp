#include "CommandLine.h"

#include "ConnectorIds.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Both passes as Quenby runs them, on a given command line.
struct Parsed {
    int countingResult = 0;
    int countedLength = 0;
    int result = 0;
    int length = 0;
    int settings = 0;
    std::vector<std::wstring> paths;
    VARTYPE types[4] = {};
    std::wstring ini;
    int slotLength = 0;
    int slotCount = 0;
    int leftOut = 0;
    PropertiesArgument properties;
};

Parsed Parse(const std::wstring& commandLine)
{
    Parsed p;
    int settings = 0;
    p.countingResult = ParseCommandLine(nullptr, nullptr, 0, &p.countedLength, &settings, commandLine.c_str());
    VARIANT slots[4];
    for (VARIANT& s : slots)
        VariantInit(&s);
    std::vector<wchar_t> buffer(p.countedLength > 0 ? static_cast<size_t>(p.countedLength) : 1, L'\0');
    p.length = p.countedLength;
    p.result = ParseCommandLine(slots, buffer.data(), buffer.size(), &p.length, &p.settings, commandLine.c_str(),
                                &p.leftOut, &p.properties);
    for (int i = 0; i < 4; ++i)
        p.types[i] = slots[i].vt;
    if (slots[ARG_PATHLIST].vt == VT_PTR) {
        for (const wchar_t* at = static_cast<const wchar_t*>(slots[ARG_PATHLIST].byref); *at; at += wcslen(at) + 1)
            p.paths.push_back(at);
        p.slotLength = slots[ARG_LISTLENGTH].intVal;
        p.slotCount = slots[ARG_PATHCOUNT].intVal;
    }
    if (slots[ARG_PROPERTIES].vt == VT_BSTR)
        p.ini = slots[ARG_PROPERTIES].bstrVal;
    slots[ARG_PATHLIST].vt = VT_EMPTY;
    for (VARIANT& s : slots)
        VariantClear(&s);
    return p;
}

std::wstring Quoted(const std::wstring& path)
{
    return L"\"" + path + L"\"";
}

int ListLength(const std::vector<std::wstring>& paths)
{
    int length = 1;
    for (const std::wstring& p : paths)
        length += static_cast<int>(p.size()) + 1;
    return length;
}

class QuenbyCommandLine : public testing::Test
{
protected:
    TempDir dir;
};

TEST_F(QuenbyCommandLine, FolderGivesItsFilesWithCountAndLengthInThreeArguments)
{
    std::wstring a = dir.WriteFile(L"docs\\a.pdf");
    std::wstring b = dir.WriteFile(L"docs\\one\\b.txt");
    std::wstring c = dir.WriteFile(L"docs\\two\\c");
    Parsed p = Parse(L"Quenby.exe /f " + Quoted(dir / L"docs"));
    EXPECT_EQ(-1, p.countingResult) << "the counting pass ends at /f";
    EXPECT_EQ(3, p.result);
    EXPECT_EQ(3u, p.paths.size());
    EXPECT_EQ(3, p.slotCount);
    EXPECT_EQ(ListLength({a, b, c}), p.countedLength);
    EXPECT_EQ(p.countedLength, p.slotLength);
    EXPECT_EQ(VT_PTR, p.types[ARG_PATHLIST]);
    EXPECT_EQ(VT_EMPTY, p.types[ARG_PROPERTIES]);
    EXPECT_EQ(VT_INT, p.types[ARG_LISTLENGTH]);
    EXPECT_EQ(VT_INT, p.types[ARG_PATHCOUNT]);
    EXPECT_EQ(0, p.settings);
}

// The tree may grow between the passes: the filling pass writes no further
// than the buffer that the counting pass sized, reports what it wrote, and
// counts the files it found beyond it as left out.
TEST_F(QuenbyCommandLine, FillingPassStopsAtTheBufferSizedByTheCount)
{
    std::wstring a = dir.WriteFile(L"docs\\a.pdf");
    std::wstring commandLine = L"Quenby.exe /f " + Quoted(dir / L"docs");
    int length = 0;
    int settings = 0;
    ASSERT_EQ(-1, ParseCommandLine(nullptr, nullptr, 0, &length, &settings, commandLine.c_str()));
    dir.WriteFile(L"docs\\b.pdf");
    dir.WriteFile(L"docs\\c.pdf");

    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 8, L'#');
    std::fill(buffer.begin(), buffer.begin() + length, L'\0');
    VARIANT slots[4];
    for (VARIANT& s : slots)
        VariantInit(&s);
    int leftOut = 0;
    EXPECT_EQ(3, ParseCommandLine(slots, buffer.data(), static_cast<size_t>(length), &length, &settings,
                                  commandLine.c_str(), &leftOut));
    EXPECT_EQ(1, slots[ARG_PATHCOUNT].intVal);
    EXPECT_GE(leftOut, 1) << "a script must learn that not all arrived";
    EXPECT_EQ(static_cast<int>(a.size()) + 2, slots[ARG_LISTLENGTH].intVal);
    EXPECT_EQ(L'\0', buffer[static_cast<size_t>(length) - 1]);
    for (size_t i = static_cast<size_t>(length); i < buffer.size(); ++i)
        ASSERT_EQ(L'#', buffer[i]);
}

TEST_F(QuenbyCommandLine, ArgumentThatNamesNothingIsLeftOutAndTheListGoesOn)
{
    std::wstring a = dir.WriteFile(L"a.pdf");
    std::wstring b = dir.WriteFile(L"b.pdf");
    std::wstring c = dir.WriteFile(L"c.pdf");
    const std::wstring missing = Quoted(dir / L"missing.pdf");
    struct Case {
        std::wstring arguments;
        std::vector<std::wstring> paths;
        int leftOut;
    } cases[] = {
        {L"/f " + Quoted(a) + L" " + missing + L" " + Quoted(b), {a, b}, 1},
        {L"/f " + Quoted(a) + L" /f " + Quoted(b), {a, b}, 0},
        {L"/f " + Quoted(a) + L" " + missing + L" " + missing + L" /f " + Quoted(b) + L" " + Quoted(c), {a, b, c}, 2},
        {L"/f " + Quoted(a) + L" CON " + Quoted(b), {a, b}, 1},
        // A "/c" takes its one argument; the documents go on behind it.
        {L"/f " + Quoted(a) + L" /c " + Quoted(dir / L"missing.ini") + L" " + Quoted(c), {a, c}, 0},
        // Before the first "/f" an argument is no document.
        {Quoted(b) + L" /f " + Quoted(a), {a}, 0},
    };
    for (const Case& t : cases) {
        Parsed p = Parse(L"Quenby.exe " + t.arguments);
        EXPECT_EQ(ListLength(t.paths), p.countedLength) << ToUtf8(t.arguments);
        EXPECT_EQ(t.paths, p.paths) << ToUtf8(t.arguments);
        EXPECT_EQ(static_cast<int>(t.paths.size()), p.slotCount) << ToUtf8(t.arguments);
        EXPECT_EQ(t.leftOut, p.leftOut) << ToUtf8(t.arguments);
        EXPECT_EQ(3, p.result) << ToUtf8(t.arguments);
    }
}

TEST_F(QuenbyCommandLine, PropertiesFileOnlyWhenItIsAnExistingFile)
{
    std::wstring a = dir.WriteFile(L"a.pdf");
    std::wstring ini = dir.WriteFile(L"props.ini", "[Properties]\r\nA=1\r\n");
    dir.MakeDir(L"folder");
    struct Case {
        std::wstring iniArgument;
        int result;
        std::wstring ini;
    } cases[] = {
        {Quoted(ini), 4, ini},
        {Quoted(dir / L"folder"), 3, L""},
        {Quoted(dir / L"missing.ini"), 3, L""},
    };
    for (const Case& c : cases) {
        Parsed before = Parse(L"Quenby.exe /c " + c.iniArgument + L" /f " + Quoted(a));
        EXPECT_EQ(c.result, before.result) << c.iniArgument;
        EXPECT_EQ(c.ini, before.ini);
        // What the runner refuses before any hand-off.
        EXPECT_TRUE(before.properties.asked);
        EXPECT_EQ(!c.ini.empty(), before.properties.IsPlainFile()) << c.iniArgument;
        EXPECT_EQ(std::vector<std::wstring>{a}, before.paths);
        Parsed behind = Parse(L"Quenby.exe /f " + Quoted(a) + L" /c " + c.iniArgument);
        EXPECT_EQ(c.result, behind.result) << c.iniArgument;
        EXPECT_EQ(c.ini, behind.ini);
    }
}

TEST_F(QuenbyCommandLine, SwitchesWithoutDocuments)
{
    struct Case {
        const wchar_t* arguments;
        int result;
        int settings;
    } cases[] = {
        {L"", -1, 0},
        {L"other words", -1, 0},
        {L"/s", 1, 1},
        {L"/c /s", -1, 0},  // "/c" swallows the "/s"
        {L"/c", -1, 0},     // as the last argument it consumes nothing
        {L"/s /c", 1, 1},
    };
    for (const Case& c : cases) {
        Parsed p = Parse(std::wstring(L"Quenby.exe ") + c.arguments);
        EXPECT_EQ(c.result, p.result) << c.arguments;
        EXPECT_EQ(c.settings, p.settings) << c.arguments;
    }
}

TEST_F(QuenbyCommandLine, SettingsTogetherWithDocuments)
{
    std::wstring a = dir.WriteFile(L"a.pdf");
    Parsed behind = Parse(L"Quenby.exe /f " + Quoted(a) + L" /s");
    EXPECT_EQ(4, behind.result);
    EXPECT_EQ(1, behind.settings);
    // "/f" without documents: the counting pass stops at it and gives length 1.
    Parsed none = Parse(L"Quenby.exe /f " + Quoted(dir / L"missing") + L" /s");
    EXPECT_EQ(1, none.countedLength);
    Parsed before = Parse(L"Quenby.exe /s /f " + Quoted(dir / L"missing"));
    EXPECT_EQ(1, before.countedLength);
    EXPECT_EQ(4, before.result);
    EXPECT_EQ(1, before.settings);
}

TEST_F(QuenbyCommandLine, OnlyTheSwitchItselfIsASwitch)
{
    std::wstring a = dir.WriteFile(L"a.pdf");
    std::wstring q1 = dir.WriteFile(L"sales\\q1.txt");
    std::wstring notes = dir.WriteFile(L"docs\\notes.txt", "[Properties]\r\nInjected=from a document\r\n");
    std::wstring ini = dir.WriteFile(L"props.ini", "[Properties]\r\nA=1\r\n");
    std::wstring slashed = dir.Path();
    std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
    struct Case {
        std::wstring arguments;
        int result;
        std::vector<std::wstring> paths;
        int settings;
        std::wstring ini;
    } cases[] = {
        // Paths that hold "/s", "/c" or "/f", whether they name a file or not.
        {L"/f " + Quoted(a) + L" " + Quoted(slashed + L"/sales/q1.txt") + L" " + Quoted(notes), 3, {a, q1, notes}, 0,
         L""},
        {L"/f " + Quoted(a) + L" " + Quoted(slashed + L"/sales/gone.txt") + L" " + Quoted(notes), 3, {a, notes}, 0,
         L""},
        {L"/f " + Quoted(a) + L" " + Quoted(slashed + L"/cfg/gone.txt") + L" " + Quoted(notes), 3, {a, notes}, 0, L""},
        {Quoted(slashed + L"/files") + L" " + Quoted(a), -1, {}, 0, L""},
        {L"/fa " + Quoted(a) + L" -f " + Quoted(a), -1, {}, 0, L""},
        // The switches in capitals.
        {L"/C " + Quoted(ini) + L" /F " + Quoted(a), 4, {a}, 0, ini},
        {L"/F " + Quoted(a) + L" /S", 4, {a}, 1, L""},
        {L"/S", 1, {}, 1, L""},
    };
    for (const Case& c : cases) {
        Parsed p = Parse(L"Quenby.exe " + c.arguments);
        EXPECT_EQ(c.result, p.result) << ToUtf8(c.arguments);
        EXPECT_EQ(c.paths, p.paths) << ToUtf8(c.arguments);
        EXPECT_EQ(c.settings, p.settings) << ToUtf8(c.arguments);
        EXPECT_EQ(c.ini, p.ini) << ToUtf8(c.arguments);
    }
}

TEST_F(QuenbyCommandLine, ArgumentOf2048CharactersOrMoreNamesNothing)
{
    std::wstring a = dir.WriteFile(L"a.pdf");
    // Still the same file to the file system ("." segments), but too long
    // to copy; a shorter padding still names it.
    auto padded = [&](size_t segments) {
        std::wstring path = a;
        std::wstring dots;
        for (size_t i = 0; i < segments; ++i)
            dots += L".\\";
        path.insert(dir.Path().size() + 1, dots);
        return path;
    };
    // (It is resolved to its full form, the file itself, before the walk.)
    EXPECT_EQ(ListLength({a, a}), Parse(L"Quenby.exe /f " + Quoted(padded(1000)) + L" " + Quoted(a)).countedLength);
    Parsed p = Parse(L"Quenby.exe /f " + Quoted(padded(1024)) + L" " + Quoted(a));
    EXPECT_EQ(ListLength({a}), p.countedLength);
    EXPECT_EQ(std::vector<std::wstring>{a}, p.paths);
    EXPECT_EQ(1, p.leftOut);
    Parsed ini = Parse(L"Quenby.exe /f " + Quoted(a) + L" /c " + Quoted(padded(1024)));
    EXPECT_EQ(3, ini.result);
    EXPECT_EQ(L"", ini.ini);
    EXPECT_TRUE(ini.properties.asked);
    EXPECT_FALSE(ini.properties.IsPlainFile());
}

} // namespace
