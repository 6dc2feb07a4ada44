// The Word, Excel and PowerPoint savers against host doubles that keep
// their documents' files: what lands in the hand-off folder, which file the
// document is tied to afterwards, and how each failing host call ends the
// capture.
#include "FakeOffice.h"
#include "LogTail.h"
#include "OfficeCapture.h"
#include "ScopedTempFolder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

using namespace doubles;

namespace {

using Saver = HRESULT (*)(IDispatch*, wchar_t*, CPropertyCollection*, int);

Saver SaverOf(OfficeApp app)
{
    switch (app) {
    case OfficeApp::Word: return SaveWordDocument;
    case OfficeApp::Excel: return SaveExcelDocument;
    default: return SavePowerPointDocument;
    }
}

const char* AppName(OfficeApp app)
{
    switch (app) {
    case OfficeApp::Word: return "Word";
    case OfficeApp::Excel: return "Excel";
    default: return "PowerPoint";
    }
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

class CaptureTest : public testing::Test
{
protected:
    void TearDown() override
    {
        host.reset();
        EXPECT_EQ(FakeObjectCount(), 0);
    }

    OfficeHostDouble& Host(OfficeApp app, int major, const std::string& content = "document content")
    {
        host.reset(new OfficeHostDouble(app, major, content));
        return *host;
    }

    HRESULT Save()
    {
        path[0] = L'\0';
        return SaverOf(app)(host->Application(), path, &props, major);
    }

    OfficeHostDouble& Host(const std::string& content = "document content")
    {
        return Host(app, major, content);
    }

    // The one hand-off folder the capture made, with its closing backslash.
    std::wstring Folder()
    {
        std::vector<std::wstring> folders = FolderNames(Inbox() + L"kq_data_*");
        EXPECT_EQ(folders.size(), 1u);
        return folders.empty() ? std::wstring() : Inbox() + folders[0] + L"\\";
    }

    std::wstring Inbox() const { return temp.Path() + L"kq_temp_inbox\\"; }
    std::vector<std::wstring> FilesOf(const std::wstring& folder) { return Sorted(FileNames(folder + L"*")); }

    OfficeApp app = OfficeApp::Word;
    int major = 16;
    ScopedTempFolder temp;
    TempDir documents;
    std::unique_ptr<OfficeHostDouble> host;
    wchar_t path[DOCUMENT_PATH_CHARS];
    CPropertyCollection props;
    LogTail log;
};

struct NeverSavedCase {
    OfficeApp app;
    int major;
    const wchar_t* tempName;
    const wchar_t* copyExtension;
    long format; // Word's WdSaveFormat, PowerPoint's PpSaveAsFileType
};

class NeverSavedTest : public CaptureTest, public testing::WithParamInterface<NeverSavedCase>
{
};

// A never-saved document gets the host's default extension of its version;
// afterwards the host shows it as the temporary file, and the copy beside it
// is what is handed off.
TEST_P(NeverSavedTest, IsTiedToItsTemporaryFileAndHandsOffACopy)
{
    const NeverSavedCase& c = GetParam();
    app = c.app;
    major = c.major;
    OfficeDocumentDouble& document = Host().Document();

    ASSERT_EQ(Save(), S_OK) << ToUtf8(log.Text());
    std::wstring folder = Folder();
    std::wstring tempFile = folder + c.tempName;
    std::vector<std::wstring> files = FilesOf(folder);
    ASSERT_EQ(files.size(), 2u);
    std::wstring copyName = files[0] == c.tempName ? files[1] : files[0];
    EXPECT_TRUE(std::regex_match(copyName, std::wregex(std::wstring(L"dovrane_[0-9A-F]{8}\\.") + c.copyExtension)))
        << ToUtf8(copyName);
    EXPECT_EQ(std::wstring(path), folder + copyName);

    std::string bytes = document.FileBytes(c.format);
    EXPECT_EQ(ReadFileBytes(path), bytes);
    EXPECT_EQ(ReadFileBytes(tempFile), bytes);
    EXPECT_EQ(document.State().fullName, tempFile);
    EXPECT_TRUE(log.Contains(L"[INF] Temporary file to save initially created document is " + tempFile + L"\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, NeverSavedTest,
    testing::Values(NeverSavedCase{OfficeApp::Word, 16, L"Dokument1.docx", L"docx", 12},
                    NeverSavedCase{OfficeApp::Word, 11, L"Dokument1.doc", L"doc", 0},
                    NeverSavedCase{OfficeApp::Excel, 16, L"Mappe1.xlsx", L"xlsx", 0},
                    NeverSavedCase{OfficeApp::Excel, 11, L"Mappe1.xls", L"xls", 0},
                    NeverSavedCase{OfficeApp::PowerPoint, 16, L"Pr\u00e4sentation1.pptx", L"pptx", 24},
                    NeverSavedCase{OfficeApp::PowerPoint, 11, L"Pr\u00e4sentation1.ppt", L"ppt", 1}),
    [](const testing::TestParamInfo<NeverSavedCase>& info) {
        return std::string(AppName(info.param.app)) + std::to_string(info.param.major);
    });

struct HostileNameCase {
    OfficeApp app;
    const wchar_t* untitledName;
    const wchar_t* tempName;
};

class HostileNameTest : public CaptureTest, public testing::WithParamInterface<HostileNameCase>
{
};

// The name a host gives a never-saved document is the document's, not the
// file system's: it lands in the hand-off folder as a plain file, never as a
// device or a file outside the folder.
TEST_P(HostileNameTest, LandsInsideTheFolderAsAPlainFile)
{
    const HostileNameCase& c = GetParam();
    app = c.app;
    Host().Document().NeverSaved(c.untitledName);

    ASSERT_EQ(Save(), S_OK) << ToUtf8(log.Text());
    std::wstring folder = Folder();
    std::vector<std::wstring> files = FilesOf(folder);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_NE(std::find(files.begin(), files.end(), c.tempName), files.end()) << ToUtf8(files[0] + L" " + files[1]);
    EXPECT_EQ(ReadFileBytes(folder + c.tempName), Host().Document().FileBytes());
    EXPECT_EQ(FilesOf(Inbox()), std::vector<std::wstring>{});
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, HostileNameTest,
    testing::Values(HostileNameCase{OfficeApp::Word, L"..\\..\\Bericht", L"Bericht.docx"},
                    HostileNameCase{OfficeApp::Excel, L"nul", L"_nul.xlsx"},
                    HostileNameCase{OfficeApp::PowerPoint, L"COM1.pptx", L"_COM1.pptx"}),
    [](const testing::TestParamInfo<HostileNameCase>& info) { return std::string(AppName(info.param.app)); });

struct ReadOnlyCase {
    OfficeApp app;
    const wchar_t* name;
    const wchar_t* tempName;
    const wchar_t* copyExtension;
    long format;
};

class ReadOnlyTest : public CaptureTest, public testing::WithParamInterface<ReadOnlyCase>
{
};

// A read-only document's own file is left as it was; everything after the
// first dot of its name is the copy's extension.
TEST_P(ReadOnlyTest, LeavesItsOwnFileAndKeepsBothDotsOfItsName)
{
    const ReadOnlyCase& c = GetParam();
    app = c.app;
    OfficeDocumentDouble& document = Host("as opened").Document();
    std::wstring own = documents / c.name;
    document.OpenFile(own, true);
    std::string ownBytes = ReadFileBytes(own);
    document.Edit("edited, not saved");

    ASSERT_EQ(Save(), S_OK) << ToUtf8(log.Text());
    EXPECT_EQ(ReadFileBytes(own), ownBytes);
    std::wstring folder = Folder();
    std::vector<std::wstring> files = FilesOf(folder);
    ASSERT_EQ(files.size(), 2u);
    std::wstring copyName = std::wstring(path).substr(folder.size());
    EXPECT_TRUE(std::regex_match(copyName, std::wregex(std::wstring(L"dovrane_[0-9A-F]{8}\\.") + c.copyExtension)))
        << ToUtf8(copyName);
    // The name on disk shows whether Word lower-cased the temporary path.
    EXPECT_NE(std::find(files.begin(), files.end(), c.tempName), files.end()) << ToUtf8(files[0] + L" " + files[1]);
    EXPECT_EQ(ReadFileBytes(path), document.FileBytes(c.format));
    EXPECT_EQ(ReadFileBytes(folder + c.tempName), document.FileBytes(c.format));
    // Word holds the whole lower-cased path; Windows names the same file.
    EXPECT_EQ(_wcsicmp(document.State().fullName.c_str(), (folder + c.tempName).c_str()), 0)
        << ToUtf8(document.State().fullName);
    EXPECT_FALSE(document.State().readOnly);
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, ReadOnlyTest,
    testing::Values(ReadOnlyCase{OfficeApp::Word, L"Angebot.V2.Docx", L"angebot.v2.docx", L"V2\\.Docx", 12},
                    ReadOnlyCase{OfficeApp::Excel, L"Kalkulation.V2.xlsx", L"Kalkulation.V2.xlsx", L"V2\\.xlsx", 0},
                    ReadOnlyCase{OfficeApp::PowerPoint, L"Vortrag.V2.pptx", L"Vortrag.V2.pptx", L"V2\\.pptx", 24},
                    // PowerPoint without a format writes its default (.pptx)
                    // under any name.
                    ReadOnlyCase{OfficeApp::PowerPoint, L"Alt.ppt", L"Alt.ppt", L"ppt", 1},
                    ReadOnlyCase{OfficeApp::PowerPoint, L"Schau.pps", L"Schau.pps", L"pps", 7},
                    ReadOnlyCase{OfficeApp::PowerPoint, L"Vorlage.pot", L"Vorlage.pot", L"pot", 5},
                    ReadOnlyCase{OfficeApp::PowerPoint, L"Offen.odp", L"Offen.odp", L"odp", 35},
                    // Word writes the format it is given under any name: the
                    // file's own, not the one the name rule would pick.
                    ReadOnlyCase{OfficeApp::Word, L"Brief.Rtf", L"brief.rtf", L"Rtf", 6},
                    ReadOnlyCase{OfficeApp::Word, L"Offen.odt", L"offen.odt", L"odt", 23},
                    ReadOnlyCase{OfficeApp::Word, L"Vorlage.dot", L"vorlage.dot", L"dot", 1}),
    [](const testing::TestParamInfo<ReadOnlyCase>& info) {
        std::string name = ToUtf8(info.param.name);
        return std::string(AppName(info.param.app)) + name.substr(name.rfind('.') + 1);
    });

struct FiledCase {
    OfficeApp app;
    const wchar_t* name;
    long format;
    size_t ownWrites; // how often the document's own file is written
};

class FiledTest : public CaptureTest, public testing::WithParamInterface<FiledCase>
{
};

// A filed document is saved in place first, so the copy under its own name
// carries what the user sees; the host stays on the document's own file.
TEST_P(FiledTest, SavesInPlaceAndHandsOffACopyUnderItsName)
{
    const FiledCase& c = GetParam();
    app = c.app;
    OfficeDocumentDouble& document = Host("first state").Document();
    std::wstring own = documents / c.name;
    document.OpenFile(own);
    document.Edit("edited state");

    ASSERT_EQ(Save(), S_OK) << ToUtf8(log.Text());
    std::wstring folder = Folder();
    EXPECT_EQ(std::wstring(path), folder + c.name);
    EXPECT_EQ(FilesOf(folder), std::vector<std::wstring>{c.name});
    std::string bytes = document.FileBytes(c.format);
    EXPECT_EQ(ReadFileBytes(path), bytes);
    EXPECT_EQ(ReadFileBytes(own), bytes);
    EXPECT_EQ(document.State().fullName, own);
    EXPECT_TRUE(document.State().saved);
    EXPECT_EQ(static_cast<size_t>(std::count(document.State().written.begin(), document.State().written.end(), own)),
              c.ownWrites);
    if (c.app == OfficeApp::Word) {
        std::vector<Invocation> saved = document.Object()->CallsOf(L"Saved");
        ASSERT_EQ(saved.size(), 1u);
        EXPECT_EQ(V_VT(&saved[0].args.back()), VT_I2);
        EXPECT_EQ(V_I2(&saved[0].args.back()), -1);
    }
}

INSTANTIATE_TEST_SUITE_P(Hosts, FiledTest,
                         testing::Values(FiledCase{OfficeApp::Word, L"Bericht.docx", 12, 2},
                                         FiledCase{OfficeApp::Word, L"Makro.DocM", 13, 2},
                                         FiledCase{OfficeApp::Word, L"Alt.doc", 0, 2},
                                         // Word's own format of the file, not Word 97's.
                                         FiledCase{OfficeApp::Word, L"Brief.rtf", 6, 2},
                                         FiledCase{OfficeApp::Word, L"Notiz.txt", 2, 2},
                                         FiledCase{OfficeApp::Word, L"Offen.odt", 23, 2},
                                         FiledCase{OfficeApp::Word, L"Vorlage.dot", 1, 2},
                                         FiledCase{OfficeApp::Word, L"Seite.htm", 8, 2},
                                         FiledCase{OfficeApp::Excel, L"Budget.xlsx", 0, 1},
                                         FiledCase{OfficeApp::PowerPoint, L"Vortrag.pptx", 24, 1},
                                         FiledCase{OfficeApp::PowerPoint, L"Folien.ppt", 1, 1},
                                         FiledCase{OfficeApp::PowerPoint, L"Offen.odp", 35, 1}),
                         [](const testing::TestParamInfo<FiledCase>& info) {
                             std::string name = ToUtf8(info.param.name);
                             return std::string(AppName(info.param.app)) + name.substr(name.find('.') + 1);
                         });

// Where Word cannot say the file's format, the name's extension decides.
TEST_F(CaptureTest, WordFormatIsTakenFromTheNameWhenWordCannotSayIt)
{
    OfficeDocumentDouble& document = Host().Document();
    std::wstring own = documents / L"Makro.docm";
    document.OpenFile(own);
    document.Object()->FailInvoke(L"SaveFormat", 0, DISP_E_MEMBERNOTFOUND);

    ASSERT_EQ(Save(), S_OK) << ToUtf8(log.Text());
    EXPECT_EQ(ReadFileBytes(path), document.FileBytes(13));
    EXPECT_EQ(ReadFileBytes(own), document.FileBytes(13));
    EXPECT_TRUE(log.Contains(
        L"[WRN] Can't get save format of active document, format 13 is taken from its name! hr = 0x80020003\n"));
}

struct ProtectedCase {
    const char* label;
    bool readOnly;
};

class ProtectedDocumentTest : public CaptureTest, public testing::WithParamInterface<ProtectedCase>
{
};

// The capture must not change what protects the user's document: its own
// file, the file Word holds it as afterwards and the copy keep the password.
TEST_P(ProtectedDocumentTest, KeepsItsPasswordInEveryFileWritten)
{
    OfficeDocumentDouble& document = Host("vertraulich").Document();
    std::wstring own = documents / L"Gehalt.docx";
    document.OpenFile(own, GetParam().readOnly);
    document.Protect(L"geheim");
    document.Edit("vertraulich, bearbeitet");

    ASSERT_EQ(Save(), S_OK) << ToUtf8(log.Text());
    const std::string password = "\npassword=geheim";
    EXPECT_NE(ReadFileBytes(own).find(password), std::string::npos) << ReadFileBytes(own);
    EXPECT_NE(ReadFileBytes(path).find(password), std::string::npos) << ReadFileBytes(path);
    EXPECT_NE(ReadFileBytes(document.State().fullName).find(password), std::string::npos);
    EXPECT_EQ(document.State().password, L"geheim");
}

INSTANTIATE_TEST_SUITE_P(Documents, ProtectedDocumentTest,
                         testing::Values(ProtectedCase{"Filed", false}, ProtectedCase{"ReadOnly", true}),
                         [](const testing::TestParamInfo<ProtectedCase>& info) { return std::string(info.param.label); });

// Saved back to its own address, so that later edits reach the original;
// nothing lands in Word's current folder.
TEST_F(CaptureTest, WordDocumentAtAWebAddressIsSavedBackToItsAddress)
{
    const std::wstring url = L"https://intranet/sites/team/Bericht.rtf";
    OfficeDocumentDouble& document = Host("intranet state").Document();
    document.OpenWebAddress(url);
    document.Edit("edited state");
    TempDir current;
    wchar_t before[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, before);
    SetCurrentDirectoryW(current.Path().c_str());
    HRESULT hr = Save();
    SetCurrentDirectoryW(before);

    ASSERT_EQ(hr, S_OK) << ToUtf8(log.Text());
    EXPECT_EQ(document.State().webContent, "edited state");
    EXPECT_EQ(document.State().fullName, url);
    EXPECT_TRUE(document.State().atWebAddress);
    EXPECT_EQ(document.State().written.back(), url);
    EXPECT_EQ(std::wstring(path), Folder() + L"Bericht.rtf");
    EXPECT_EQ(ReadFileBytes(path), document.FileBytes(6));
    EXPECT_EQ(FilesOf(current.Path() + L"\\"), std::vector<std::wstring>{});
}

struct SaveBackCase {
    const char* label;
    bool atWebAddress;
};

class SaveBackFailureTest : public CaptureTest, public testing::WithParamInterface<SaveBackCase>
{
};

// When the save back fails, Word holds the document as the copy in the
// hand-off folder: the capture fails, naming both places, and hands out no
// path.
TEST_P(SaveBackFailureTest, FailsTheCaptureAndSaysWhereTheDocumentIsHeld)
{
    OfficeDocumentDouble& document = Host("saved state").Document();
    std::wstring own = GetParam().atWebAddress ? std::wstring(L"https://intranet/sites/team/Bericht.docx")
                                               : documents / L"Bericht.docx";
    if (GetParam().atWebAddress)
        document.OpenWebAddress(own);
    else
        document.OpenFile(own);
    document.Object()->FailInvokeWhen(L"SaveAs", [own](const Invocation& call) {
        return _wcsicmp(_bstr_t(call.args[0]), own.c_str()) == 0 ? RPC_E_SERVERFAULT : S_OK;
    });

    EXPECT_EQ(Save(), RPC_E_SERVERFAULT);
    std::wstring copy = Folder() + L"Bericht.docx";
    EXPECT_EQ(document.State().fullName, copy);
    EXPECT_TRUE(log.Contains(L"[ERR] Can't save the document back to " + own + L", Word now holds it as " + copy +
                             L"! hr = 0x80010105\n"))
        << ToUtf8(log.Text());
    EXPECT_TRUE(log.Contains(L"[ERR] Can't save initially created document! hr = 0x80010105\n"));
    EXPECT_EQ(path[0], L'\0');
    EXPECT_EQ(document.Object()->CallCount(L"Saved"), 0);
}

INSTANTIATE_TEST_SUITE_P(Places, SaveBackFailureTest,
                         testing::Values(SaveBackCase{"OwnFile", false}, SaveBackCase{"WebAddress", true}),
                         [](const testing::TestParamInfo<SaveBackCase>& info) { return std::string(info.param.label); });

TEST_F(CaptureTest, FailedSavedFlagFailsTheCaptureWithCopyAndPropertiesInPlace)
{
    OfficeDocumentDouble& document = Host().Document();
    document.OpenFile(documents / L"Bericht.docx");
    document.SetCustomProperties({{L"Kunde", _variant_t(L"Muster")}});
    document.Object()->FailInvoke(L"Saved", 0, DISP_E_EXCEPTION);

    EXPECT_EQ(Save(), DISP_E_EXCEPTION);
    EXPECT_TRUE(log.Contains(L"[ERR] Failed to set saved flag of the current word document! hr = 0x80020009\n"));
    EXPECT_EQ(std::wstring(path), Folder() + L"Bericht.docx");
    EXPECT_TRUE(FileExists(path));
    EXPECT_STREQ(props.GetValue(L"Kunde"), L"Muster");
}

TEST_F(CaptureTest, BothPropertyCollectionsTravelAndAFailedReadOnlyWarns)
{
    app = OfficeApp::PowerPoint;
    OfficeDocumentDouble& document = Host().Document();
    document.OpenFile(documents / L"Vortrag.pptx");
    document.SetCustomProperties({{L"MSO_TITLE", _variant_t(L"custom")}, {L"Kunde", _variant_t(L"Muster")}});
    document.SetBuiltInProperties({{L"Title", _variant_t(L"Quartal")}});
    ASSERT_EQ(Save(), S_OK);
    EXPECT_STREQ(props.GetValue(L"Kunde"), L"Muster");
    EXPECT_STREQ(props.GetValue(L"MSO_TITLE"), L"Quartal");

    CPropertyCollection second;
    document.Object()->FailInvoke(L"CustomDocumentProperties", 0, E_ACCESSDENIED);
    document.Object()->FailInvoke(L"BuiltInDocumentProperties", 0, E_ACCESSDENIED);
    path[0] = L'\0';
    EXPECT_EQ(SavePowerPointDocument(host->Application(), path, &second, major), S_OK);
    EXPECT_EQ(second.Count(), 0u);
    EXPECT_TRUE(log.Contains(L"[WRN] Can't get custom document properties! hr = 0x80070005\n"));
    EXPECT_TRUE(log.Contains(L"[WRN] Can't get built-in document properties! hr = 0x80070005\n"));
    EXPECT_TRUE(log.Contains(L"[INF] Leave SavePowerPointDocument\n"));
}

// Excel refuses SaveCopyAs now and then; SaveAs to the copy ties the
// workbook to it, so it is tied back at once: a never-saved one to its
// temporary file, a filed one to its own file.
TEST_F(CaptureTest, ExcelWithoutSaveCopyAsTiesANeverSavedWorkbookBackToItsTemporaryFile)
{
    app = OfficeApp::Excel;
    OfficeDocumentDouble& document = Host().Document();
    document.Object()->FailInvoke(L"SaveCopyAs", 0, HOST_E_REPLACE_DECLINED);

    ASSERT_EQ(Save(), S_OK) << ToUtf8(log.Text());
    std::wstring folder = Folder();
    EXPECT_TRUE(log.Contains(L"[INF] Can not SaveCopyAs active document! hr = 0x800A03EC\n"));
    EXPECT_EQ(document.State().fullName, folder + L"Mappe1.xlsx");
    EXPECT_EQ(ReadFileBytes(path), document.FileBytes());
    EXPECT_EQ(ReadFileBytes(folder + L"Mappe1.xlsx"), document.FileBytes());
    EXPECT_EQ(FilesOf(folder).size(), 2u);
}

TEST_F(CaptureTest, ExcelWithoutSaveCopyAsTiesAFiledWorkbookBackToItsOwnFile)
{
    app = OfficeApp::Excel;
    OfficeDocumentDouble& document = Host("first state").Document();
    std::wstring own = documents / L"Budget.xlsx";
    document.OpenFile(own);
    document.Edit("edited state");
    document.Object()->FailInvoke(L"SaveCopyAs", 0, HOST_E_REPLACE_DECLINED);

    ASSERT_EQ(Save(), S_OK) << ToUtf8(log.Text());
    EXPECT_EQ(document.State().fullName, own);
    EXPECT_EQ(ReadFileBytes(own), "edited state");
    EXPECT_EQ(ReadFileBytes(path), "edited state");
    EXPECT_EQ(std::wstring(path), Folder() + L"Budget.xlsx");
    EXPECT_EQ(FilesOf(documents.Path() + L"\\"), std::vector<std::wstring>{L"Budget.xlsx"});
}

// A workbook held at a web address: its Path is the address's folder, so
// only its FullName leads back to it.
TEST_F(CaptureTest, ExcelWithoutSaveCopyAsTiesAWorkbookAtAWebAddressBackToIt)
{
    app = OfficeApp::Excel;
    const std::wstring url = L"https://intranet/sites/team/Budget.xlsx";
    OfficeDocumentDouble& document = Host("intranet state").Document();
    document.OpenWebAddress(url);
    document.Edit("edited state");
    document.Object()->FailInvoke(L"SaveCopyAs", 0, HOST_E_REPLACE_DECLINED);

    ASSERT_EQ(Save(), S_OK) << ToUtf8(log.Text());
    EXPECT_EQ(document.State().fullName, url);
    EXPECT_TRUE(document.State().atWebAddress);
    EXPECT_EQ(document.State().webContent, "edited state");
    EXPECT_EQ(document.State().written.back(), url);
    EXPECT_EQ(std::wstring(path), Folder() + L"Budget.xlsx");
    EXPECT_EQ(ReadFileBytes(path), "edited state");
}

// Without its full name there is no way back: nothing is handed off and the
// workbook stays on its own file.
TEST_F(CaptureTest, ExcelWithoutSaveCopyAsAndWithoutFullNameFailsTheCapture)
{
    app = OfficeApp::Excel;
    OfficeDocumentDouble& document = Host("saved state").Document();
    std::wstring own = documents / L"Budget.xlsx";
    document.OpenFile(own);
    document.Object()->FailInvoke(L"SaveCopyAs", 0, HOST_E_REPLACE_DECLINED);
    document.Object()->FailInvoke(L"FullName", 0, RPC_E_SERVERFAULT);

    EXPECT_EQ(Save(), RPC_E_SERVERFAULT);
    EXPECT_TRUE(log.Contains(L"[ERR] Failed to save active document! hr = 0x80010105\n")) << ToUtf8(log.Text());
    EXPECT_EQ(path[0], L'\0');
    EXPECT_EQ(document.State().fullName, own);
    EXPECT_EQ(ReadFileBytes(own), "saved state");
}

// When even the way back fails, the workbook's own file is put back as it
// was and the capture fails.
TEST_F(CaptureTest, ExcelKeepsTheOwnFileWhenTheWayBackFails)
{
    app = OfficeApp::Excel;
    OfficeDocumentDouble& document = Host("saved state").Document();
    std::wstring own = documents / L"Budget.xlsx";
    document.OpenFile(own);
    document.Object()->FailInvoke(L"SaveCopyAs", 0, HOST_E_REPLACE_DECLINED);
    document.Object()->FailInvokeWhen(L"SaveAs", [own](const Invocation& call) {
        return _wcsicmp(_bstr_t(call.args[0]), own.c_str()) == 0 ? RPC_E_SERVERFAULT : S_OK;
    });

    EXPECT_EQ(Save(), RPC_E_SERVERFAULT);
    EXPECT_TRUE(log.Contains(L"[ERR] Failed to save active document! hr = 0x80010105\n"));
    EXPECT_EQ(ReadFileBytes(own), "saved state");
    EXPECT_EQ(FilesOf(documents.Path() + L"\\"), std::vector<std::wstring>{L"Budget.xlsx"});
}

struct WayBackCase {
    const char* label;
    size_t fullNameChars; // 0: the documents folder's own length
    bool usersFileBeside;
};

class ExcelWayBackTest : public CaptureTest, public testing::WithParamInterface<WayBackCase>
{
};

// When Excel refuses SaveCopyAs, a filed workbook goes back to its own file
// whatever the length of its full name, and no other file of the user's is
// replaced, removed or added beside it.
TEST_P(ExcelWayBackTest, TiesTheWorkbookBackAndLeavesTheUsersFilesAlone)
{
    const WayBackCase& c = GetParam();
    app = OfficeApp::Excel;
    const std::wstring name = L"Kalkulation.xlsx";
    std::wstring sub;
    if (c.fullNameChars) {
        size_t fixed = documents.Path().size() + 2 + name.size();
        ASSERT_GT(c.fullNameChars, fixed);
        sub = std::wstring(c.fullNameChars - fixed, L'k');
    }
    const std::wstring dir = sub.empty() ? documents.Path() : documents.MakeDir(sub);
    const std::wstring own = dir + L"\\" + name;
    if (c.fullNameChars) {
        ASSERT_EQ(own.size(), c.fullNameChars);
    }
    std::vector<std::wstring> expected{name};
    if (c.usersFileBeside) {
        documents.WriteFile((sub.empty() ? L"" : sub + L"\\") + name + L".dovrane_old", "the user's own");
        expected.push_back(name + L".dovrane_old");
    }
    OfficeDocumentDouble& document = Host("first state").Document();
    document.OpenFile(own);
    document.Edit("edited state");
    document.Object()->FailInvoke(L"SaveCopyAs", 0, HOST_E_REPLACE_DECLINED);

    ASSERT_EQ(Save(), S_OK) << ToUtf8(log.Text());
    EXPECT_EQ(document.State().fullName, own);
    EXPECT_EQ(ReadFileBytes(own), "edited state");
    EXPECT_EQ(std::wstring(path), Folder() + name);
    EXPECT_EQ(ReadFileBytes(path), "edited state");
    EXPECT_EQ(FilesOf(dir + L"\\"), Sorted(expected));
    if (c.usersFileBeside) {
        EXPECT_EQ(ReadFileBytes(own + L".dovrane_old"), "the user's own");
    }
    // The user's Excel asks again before it replaces a file.
    EXPECT_TRUE(document.State().displayAlerts);
}

INSTANTIATE_TEST_SUITE_P(Workbooks, ExcelWayBackTest,
                         testing::Values(WayBackCase{"UsersFileBeside", 0, true},
                                         WayBackCase{"FullNameOf248", 248, false},
                                         WayBackCase{"FullNameOf259", 259, true}),
                         [](const testing::TestParamInfo<WayBackCase>& info) { return std::string(info.param.label); });

// Where Excel's alerts cannot be turned off, its SaveAs would stop at the
// question whether to replace the workbook's own file: the workbook is never
// tied to the copy for that.
TEST_F(CaptureTest, ExcelWithoutItsAlertsOffStaysOnItsOwnFile)
{
    app = OfficeApp::Excel;
    OfficeDocumentDouble& document = Host("first state").Document();
    std::wstring own = documents / L"Budget.xlsx";
    document.OpenFile(own);
    document.Edit("edited state");
    document.Object()->FailInvoke(L"SaveCopyAs", 0, HOST_E_REPLACE_DECLINED);
    host->Application()->FailInvokeWhen(L"DisplayAlerts", [](const Invocation& call) {
        return call.access == ACCESS_PUT ? DISP_E_EXCEPTION : S_OK;
    });

    EXPECT_EQ(Save(), DISP_E_EXCEPTION);
    EXPECT_TRUE(log.Contains(L"[ERR] Failed to save active document! hr = 0x80020009\n")) << ToUtf8(log.Text());
    EXPECT_EQ(document.State().fullName, own);
    EXPECT_EQ(ReadFileBytes(own), "edited state");
    EXPECT_EQ(FilesOf(documents.Path() + L"\\"), std::vector<std::wstring>{L"Budget.xlsx"});
    EXPECT_EQ(path[0], L'\0');
}

enum class LongName { WordAddress, NeverSavedCopy, FiledCopy };

struct LongNameCase {
    const char* label;
    OfficeApp app;
    LongName kind;
    const wchar_t* line;
};

class LongNameTest : public CaptureTest, public testing::WithParamInterface<LongNameCase>
{
};

// A name the capture cannot use is found before anything is saved: the
// document stays as it was, on its own file, at its address or on none,
// and the hand-off folder stays empty.
TEST_P(LongNameTest, IsRefusedBeforeTheFirstSave)
{
    const LongNameCase& c = GetParam();
    app = c.app;
    OfficeDocumentDouble& document = Host("first state").Document();
    std::wstring own;
    switch (c.kind) {
    case LongName::WordAddress:
        own = L"https://intranet/sites/team/" + std::wstring(240, L'b') + L".docx";
        document.OpenWebAddress(own);
        break;
    case LongName::NeverSavedCopy: {
        // Its temporary file fits whatever the folder's number, the copy
        // ("dovrane_" and eight digits in place of one letter) does not.
        size_t nameChars = DOCUMENT_PATH_CHARS - 1 - (Inbox().size() + 19);
        document.NeverSaved(L"Q." + std::wstring(nameChars - 2, L'x'));
        break;
    }
    case LongName::FiledCopy: {
        // Its own full name fits; in the hand-off folder, deeper than the
        // documents folder, it does not.
        ASSERT_GT(Inbox().size() + 10, documents.Path().size() + 1);
        size_t nameChars = DOCUMENT_PATH_CHARS - 1 - documents.Path().size() - 1;
        own = documents / (std::wstring(nameChars - 5, L'v') + L".pptx");
        document.OpenFile(own);
        break;
    }
    }
    const std::string ownBytes = c.kind == LongName::FiledCopy ? ReadFileBytes(own) : std::string();
    document.Edit("edited state");

    EXPECT_EQ(Save(), HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_TRUE(log.Contains(std::wstring(L"[ERR] ") + c.line + L" hr = 0x800700CE\n")) << ToUtf8(log.Text());
    EXPECT_TRUE(document.State().written.empty());
    EXPECT_EQ(document.State().fullName, own);
    if (c.kind == LongName::WordAddress) {
        EXPECT_EQ(document.State().webContent, "first state");
    }
    if (c.kind == LongName::FiledCopy) {
        EXPECT_EQ(ReadFileBytes(own), ownBytes);
    }
    EXPECT_TRUE(FilesOf(Folder()).empty());
    EXPECT_EQ(path[0], L'\0');
}

INSTANTIATE_TEST_SUITE_P(
    Names, LongNameTest,
    testing::Values(
        LongNameCase{"WordAtALongAddress", OfficeApp::Word, LongName::WordAddress,
                     L"Can't get full name of active document!"},
        LongNameCase{"WordNeverSaved", OfficeApp::Word, LongName::NeverSavedCopy,
                     L"Can't save initially created document!"},
        LongNameCase{"ExcelNeverSaved", OfficeApp::Excel, LongName::NeverSavedCopy,
                     L"Failed to save active document!"},
        LongNameCase{"PowerPointFiled", OfficeApp::PowerPoint, LongName::FiledCopy,
                     L"Failed to save active presentation!"}),
    [](const testing::TestParamInfo<LongNameCase>& info) { return std::string(info.param.label); });

struct NoDocumentCase {
    OfficeApp app;
    HRESULT hr;
    const wchar_t* line;
};

class NoDocumentTest : public CaptureTest, public testing::WithParamInterface<NoDocumentCase>
{
};

TEST_P(NoDocumentTest, EndsAtTheActiveObjectAndLeavesAnEmptyFolder)
{
    const NoDocumentCase& c = GetParam();
    app = c.app;
    Host().CloseDocument();
    EXPECT_EQ(Save(), c.hr);
    EXPECT_TRUE(log.Contains(c.line)) << ToUtf8(log.Text());
    EXPECT_TRUE(FilesOf(Folder()).empty());
    EXPECT_EQ(path[0], L'\0');
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, NoDocumentTest,
    testing::Values(NoDocumentCase{OfficeApp::Word, HOST_E_NO_DOCUMENT, L"[ERR] Can't get active document! hr = 0x800A1098\n"},
                    NoDocumentCase{OfficeApp::Excel, E_POINTER, L"[ERR] Can't get path of active workbook! hr = 0x80004003\n"},
                    NoDocumentCase{OfficeApp::PowerPoint, HOST_E_NO_DOCUMENT,
                                   L"[ERR] Can't get active presentation! hr = 0x800A1098\n"}),
    [](const testing::TestParamInfo<NoDocumentCase>& info) { return std::string(AppName(info.param.app)); });

struct StepFailureCase {
    const char* label;
    OfficeApp app;
    bool filed;
    const wchar_t* member;
    const wchar_t* line;
};

class StepFailureTest : public CaptureTest, public testing::WithParamInterface<StepFailureCase>
{
};

// Each failing host call ends the capture with its HRESULT and its own words.
TEST_P(StepFailureTest, EndsWithTheHostsResultAndItsLogLine)
{
    const StepFailureCase& c = GetParam();
    app = c.app;
    OfficeDocumentDouble& document = Host().Document();
    if (c.filed)
        document.OpenFile(documents / L"Datei.bin");
    document.Object()->FailInvoke(c.member, 0, RPC_E_SERVERFAULT);
    EXPECT_EQ(Save(), RPC_E_SERVERFAULT);
    EXPECT_TRUE(log.Contains(std::wstring(L"[ERR] ") + c.line + L" hr = 0x80010105\n")) << ToUtf8(log.Text());
    EXPECT_EQ(path[0], L'\0');
}

INSTANTIATE_TEST_SUITE_P(
    Steps, StepFailureTest,
    testing::Values(
        StepFailureCase{"WordPath", OfficeApp::Word, true, L"Path", L"Can't get full name of active document!"},
        StepFailureCase{"WordReadOnly", OfficeApp::Word, true, L"ReadOnly", L"Can't get ReadOnly flag of active document!"},
        StepFailureCase{"WordSave", OfficeApp::Word, true, L"Save", L"Can't save active document!"},
        StepFailureCase{"WordFullName", OfficeApp::Word, true, L"FullName", L"Can't get full name of active document!"},
        StepFailureCase{"WordCopy", OfficeApp::Word, true, L"SaveAs", L"Can't save initially created document!"},
        StepFailureCase{"WordName", OfficeApp::Word, false, L"Name", L"Can't get name of active document!"},
        StepFailureCase{"ExcelPath", OfficeApp::Excel, true, L"Path", L"Can't get path of active workbook!"},
        StepFailureCase{"ExcelSave", OfficeApp::Excel, true, L"Save", L"Can't save workbook!"},
        StepFailureCase{"ExcelName", OfficeApp::Excel, false, L"Name", L"Can't get name of active workbook!"},
        StepFailureCase{"ExcelFirstSave", OfficeApp::Excel, false, L"SaveAs", L"Can't save initially created workbook!"},
        StepFailureCase{"PowerPointPath", OfficeApp::PowerPoint, true, L"Path", L"Can't get path of active presentation!"},
        StepFailureCase{"PowerPointSave", OfficeApp::PowerPoint, true, L"Save", L"Can't save active presentation!"},
        StepFailureCase{"PowerPointName", OfficeApp::PowerPoint, false, L"Name", L"Can't get name of active presentation!"},
        StepFailureCase{"PowerPointFirstSave", OfficeApp::PowerPoint, false, L"SaveAs",
                        L"Can't save initially created presentation!"},
        StepFailureCase{"PowerPointCopy", OfficeApp::PowerPoint, true, L"SaveCopyAs",
                        L"Failed to save active presentation!"}),
    [](const testing::TestParamInfo<StepFailureCase>& info) { return std::string(info.param.label); });

TEST_F(CaptureTest, WithoutATemporaryFolderNothingIsSaved)
{
    Host();
    std::wstring tooLong = L"C:\\" + std::wstring(300, L't') + L"\\";
    SetEnvironmentVariableW(L"TMP", tooLong.c_str());
    SetEnvironmentVariableW(L"TEMP", tooLong.c_str());
    HRESULT hr = Save();
    SetEnvironmentVariableW(L"TMP", temp.Path().c_str());
    SetEnvironmentVariableW(L"TEMP", temp.Path().c_str());
    EXPECT_EQ(hr, E_FAIL);
    EXPECT_TRUE(log.Contains(L"[ERR] Failed to get path of temp directory ... SaveWordDocument\n"));
    EXPECT_EQ(host->Application()->CallCount(L"ActiveDocument"), 0);
}

// A name that would not fit the path buffer fails the save it is meant for,
// with that step's words; nothing is written under a cut name.
TEST_F(CaptureTest, NameTooLongForThePathBufferIsRefused)
{
    app = OfficeApp::Excel;
    OfficeDocumentDouble& document = Host().Document();
    document.NeverSaved(std::wstring(240, L'x'));
    EXPECT_EQ(Save(), HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_TRUE(log.Contains(L"[ERR] Can't save initially created workbook! hr = 0x800700CE\n"));
    EXPECT_TRUE(document.State().written.empty());
    EXPECT_TRUE(FilesOf(Folder()).empty());
}

} // namespace
