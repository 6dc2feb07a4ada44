// Quenby.exe itself under Wine: its exit codes and its message boxes, read
// back as real windows of its process.
#include "QuenbyProcess.h"

#include "DialogWatcher.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const wchar_t CAPTION[] = L"marvik dovrane";

// One run that must show exactly one box with this text.
void ExpectOneBox(const std::wstring& arguments, const wchar_t* text, int exitCode)
{
    DialogWatcher watcher(std::vector<DialogAnswer>{}, DialogAnswer{IDOK}, true);
    EXPECT_EQ(exitCode, RunQuenby(arguments)) << arguments;
    ASSERT_EQ(1u, watcher.Count()) << arguments;
    SeenDialog box = watcher.Seen()[0];
    EXPECT_EQ(CAPTION, box.caption);
    EXPECT_EQ(text, box.text);
    EXPECT_FALSE(box.hasOwner);
}

TEST(QuenbyProgram, CommandLineWithoutUsableSwitchIsAParameterError)
{
    const wchar_t* text = L"Parameterfehler: Die Kommandozeile konnte nicht ausgewertet werden.";
    ExpectOneBox(L"", text, 1);
    ExpectOneBox(L"/c /s", text, 1);
}

TEST(QuenbyProgram, FilesSwitchWithoutExistingDocumentSaysNothingWasChosen)
{
    TempDir dir;
    dir.MakeDir(L"empty");
    const wchar_t* text = L"Es wurden keine Dateien ausgewählt.";
    ExpectOneBox(L"/f " + Quoted(dir / L"missing.pdf"), text, 1);
    ExpectOneBox(L"/f " + Quoted(dir / L"empty"), text, 1);
    // A "/s" behind such an "/f" is not seen.
    ExpectOneBox(L"/f " + Quoted(dir / L"missing.pdf") + L" /s", text, 1);
}

TEST(QuenbyProgram, UnregisteredConnectorGetsItsBox)
{
    TempDir dir;
    std::wstring file = dir.WriteFile(L"a.pdf");
    const wchar_t* text = L"Die COM Schnittstelle ist nicht registriert.";
    ExpectOneBox(L"/f " + Quoted(file), text, 1);
    ExpectOneBox(L"/s", text, 1);
}

} // namespace
