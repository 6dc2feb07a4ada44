#include "HandoffFile.h"

#include "LogFile.h"
#include "ScopedTempFolder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cwctype>
#include <string>
#include <vector>

namespace {

// The file as it must stand: byte-order mark, CR LF line ends, no final one.
std::string Expected(const std::vector<std::wstring>& lines)
{
    std::string bytes = "\xEF\xBB\xBF";
    for (const std::wstring& line : lines)
        bytes += "\r\n" + ToUtf8(line);
    return bytes;
}

std::wstring Trimmed(const std::wstring& folder)
{
    return folder.back() == L'\\' ? folder.substr(0, folder.size() - 1) : folder;
}

std::wstring IdOf(const std::wstring& folder)
{
    std::wstring trimmed = Trimmed(folder);
    return trimmed.substr(trimmed.rfind(L'\\') + 1);
}

std::wstring HandoffFileOf(const std::wstring& folder)
{
    return Trimmed(folder) + L"\\" + IdOf(folder) + L".xml";
}

class HandoffFileTest : public testing::Test
{
protected:
    std::wstring NewFolder()
    {
        wchar_t buffer[2048];
        EXPECT_EQ(1, CreateInboxDataFolder(buffer, _countof(buffer)));
        return buffer;
    }
    std::vector<std::wstring> Ids() const
    {
        std::vector<std::wstring> out;
        for (const _bstr_t& id : ids)
            out.emplace_back(id.length() ? static_cast<const wchar_t*>(id) : L"");
        return out;
    }
    std::wstring Inbox() const { return temp.Path() + L"kq_temp_inbox\\"; }

    ScopedTempFolder temp;
    TempDir outside;
    HandoffIdList ids;
};

TEST_F(HandoffFileTest, ExactBytesWithPropertiesAndDeleteMail)
{
    std::wstring folder = NewFolder();
    std::wstring document = folder + L"Mail Süd.msg";
    CPropertyCollection props;
    props.Add(L"OTL_SUBJECT", L"Angebot für Köln", 0);
    props.Add(L"MSO_TITLE", L"", 0);
    props.Add(L"PR_ENTRYID", L"00AB", 0);

    ASSERT_EQ(1, WriteHandoffFile(document.c_str(), folder.c_str(), &props, ids, true));
    std::wstring id = IdOf(folder);
    EXPECT_EQ(std::vector<std::wstring>{id}, Ids());
    EXPECT_EQ(Expected({L"<files>",
                        L"\t<file>",
                        L"\t\t<property name=\"MSO_TITLE\"><![CDATA[]]></property>",
                        L"\t\t<property name=\"OTL_SUBJECT\"><![CDATA[Angebot für Köln]]></property>",
                        L"\t\t<property name=\"PR_ENTRYID\"><![CDATA[00AB]]></property>",
                        L"\t\t<path>" + document + L"</path>",
                        L"\t\t<deletefile>" + Trimmed(folder) + L"</deletefile>",
                        L"\t\t<deletemail>1</deletemail>",
                        L"\t\t<id>" + id + L"</id>",
                        L"\t</file>",
                        L"</files>"}),
              ReadFileBytes(HandoffFileOf(folder)));
}

TEST_F(HandoffFileTest, WithoutCollectionOrFlagOnlyPathDeletefileAndId)
{
    CPropertyCollection empty;
    const CPropertyCollection* collections[] = {nullptr, &empty};
    for (const CPropertyCollection* props : collections) {
        ids.clear();
        std::wstring folder = NewFolder();
        std::wstring document = folder + L"a.pdf";
        // No folder given: the document's own folder is the hand-off folder.
        ASSERT_EQ(1, WriteHandoffFile(document.c_str(), nullptr, props, ids, false));
        const std::string written = ReadFileBytes(HandoffFileOf(folder));
        EXPECT_EQ(Expected({L"<files>", L"\t<file>", L"\t\t<path>" + document + L"</path>",
                            L"\t\t<deletefile>" + Trimmed(folder) + L"</deletefile>",
                            L"\t\t<id>" + IdOf(folder) + L"</id>", L"\t</file>", L"</files>"}),
                  written);
        // A second write for the folder meets the first one's file and leaves it.
        CPropertyCollection other;
        other.Add(L"K", L"V", 0);
        EXPECT_EQ(0, WriteHandoffFile((folder + L"b.pdf").c_str(), folder.c_str(), &other, ids, false));
        EXPECT_EQ(std::vector<std::wstring>{IdOf(folder)}, Ids());
        EXPECT_EQ(written, ReadFileBytes(HandoffFileOf(folder)));
    }
}

// Whatever already stands at the hand-off file's name (another hand-off's
// file, a planted file or folder) stays as it is, and its folder is not
// listed for this document.
TEST_F(HandoffFileTest, WhatStandsAtTheNameIsLeftAsItIs)
{
    for (bool asFolder : {false, true}) {
        ids.clear();
        std::wstring folder = NewFolder();
        std::wstring document = TempDir::WriteLongPath(folder + L"a.pdf", "a");
        const std::wstring name = HandoffFileOf(folder);
        if (asFolder) {
            ASSERT_TRUE(CreateDirectoryW(name.c_str(), nullptr));
        } else {
            TempDir::WriteLongPath(name, std::string(4096, 'x'));
        }
        const wchar_t* paths[] = {document.c_str()};
        EXPECT_EQ(0, WriteHandoffFile(document.c_str(), nullptr, nullptr, ids, false)) << asFolder;
        EXPECT_EQ(0, WriteHandoffFiles(paths, nullptr, 1, ids, false)) << asFolder;
        EXPECT_TRUE(ids.empty()) << asFolder;
        if (asFolder) {
            DWORD attributes = GetFileAttributesW(name.c_str());
            EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
        } else {
            EXPECT_EQ(std::string(4096, 'x'), ReadFileBytes(name));
        }
    }
}

TEST_F(HandoffFileTest, MarkupInTextsIsEscaped)
{
    std::wstring folder = NewFolder();
    std::wstring document = folder + L"Angebot & Auftrag <1>.docx";
    CPropertyCollection props;
    props.Add(L"Name \"x\" & <y>", L"a]]>b & <c>", 0);
    props.Add(L"Lines", L"one\r\ntwo\nthree\ttab", 0);
    props.Add(L"Bad", L"nul\x01" L"bell\x07" L"end\xFFFE", 0);
    props.Add(L"Smiley", L"\xD83D\xDE00 \xD800!", 0);
    ASSERT_EQ(1, WriteHandoffFile(document.c_str(), folder.c_str(), &props, ids, false));
    std::string bytes = ReadFileBytes(HandoffFileOf(folder));
    auto has = [&bytes](const std::string& part) { return bytes.find(part) != std::string::npos; };
    EXPECT_TRUE(has("<property name=\"Name &quot;x&quot; &amp; &lt;y&gt;\"><![CDATA[a]]]]><![CDATA[>b & <c>]]>"
                    "</property>"));
    // A CR LF in a value stays CR LF (not CR CR LF).
    EXPECT_TRUE(has("<![CDATA[one\r\ntwo\r\nthree\ttab]]>"));
    EXPECT_TRUE(has("<![CDATA[nul bell end ]]>"));
    // A pair is one character of four bytes; a lone surrogate is no character.
    EXPECT_TRUE(has("<![CDATA[\xF0\x9F\x98\x80  !]]>"));
    EXPECT_TRUE(has("<path>" + ToUtf8(folder) + "Angebot &amp; Auftrag &lt;1&gt;.docx</path>"));
    EXPECT_FALSE(has("\r\r\n"));
}

TEST_F(HandoffFileTest, FailuresKeepTheIdListed)
{
    // A folder that does not exist: the file cannot be created.
    std::wstring missing = Inbox() + L"kq_data_1\\";
    EXPECT_EQ(0, WriteHandoffFile((missing + L"x.msg").c_str(), missing.c_str(), nullptr, ids, false));
    EXPECT_EQ(std::vector<std::wstring>{L"kq_data_1"}, Ids());

    // Overlong paths and folder names are refused before anything is listed.
    std::wstring longPath = outside.Path() + L"\\" + std::wstring(2100, L'p') + L"\\x.msg";
    EXPECT_EQ(0, WriteHandoffFile(longPath.c_str(), nullptr, nullptr, ids, false));
    std::wstring longName = outside.Path() + L"\\" + std::wstring(40, L'n') + L"\\x.msg";
    EXPECT_EQ(0, WriteHandoffFile(longName.c_str(), nullptr, nullptr, ids, false));
    EXPECT_EQ(0, WriteHandoffFile(L"nofolder.msg", nullptr, nullptr, ids, false));
    EXPECT_EQ(1u, ids.size());
}

TEST_F(HandoffFileTest, WriteHandoffFilesOneCollectionEach)
{
    std::wstring a = NewFolder(), b = NewFolder();
    std::wstring docA = a + L"1.msg", docB = b + L"2.msg";
    CPropertyCollection propsA, propsB;
    propsA.Add(L"K", L"A", 0);
    propsB.Add(L"K", L"B", 0);
    const wchar_t* docs[] = {docA.c_str(), docB.c_str()};
    const CPropertyCollection* props[] = {&propsA, &propsB};
    ASSERT_EQ(1, WriteHandoffFiles(docs, props, 2, ids, false));
    EXPECT_EQ((std::vector<std::wstring>{IdOf(a), IdOf(b)}), Ids());
    EXPECT_NE(std::string::npos, ReadFileBytes(HandoffFileOf(a)).find("<![CDATA[A]]>"));
    EXPECT_NE(std::string::npos, ReadFileBytes(HandoffFileOf(b)).find("<![CDATA[B]]>"));
    std::wstring c = NewFolder();
    std::wstring docC = c + L"3.msg";
    const wchar_t* withoutProps[] = {docC.c_str()};
    ASSERT_EQ(1, WriteHandoffFiles(withoutProps, nullptr, 1, ids, true));
    EXPECT_EQ(std::string::npos, ReadFileBytes(HandoffFileOf(c)).find("property"));
    EXPECT_EQ(1, WriteHandoffFiles(nullptr, nullptr, 0, ids, false));
    // The first failure ends the walk.
    std::wstring gone = Inbox() + L"kq_data_9\\x.msg";
    const wchar_t* failing[] = {gone.c_str(), docB.c_str()};
    size_t before = ids.size();
    EXPECT_EQ(0, WriteHandoffFiles(failing, nullptr, 2, ids, false));
    EXPECT_EQ(before + 1, ids.size());
}

// A NUL-separated list ended by an empty path.
std::wstring PathList(const std::vector<std::wstring>& paths)
{
    std::wstring list;
    for (const std::wstring& path : paths)
        list += path + L'\0';
    list += L'\0';
    return list;
}

struct ListCase {
    const char* name;
    // Which entries are files outside the inbox ("f"), files in a hand-off
    // folder ("h"), folders ("d") or missing ("m").
    std::vector<const char*> kinds;
    int count;
    // The entries that get a hand-off file, in order.
    std::vector<int> written;
};

class HandoffListTest : public HandoffFileTest, public testing::WithParamInterface<ListCase>
{
};

TEST_P(HandoffListTest, WritesOneFilePerDocument)
{
    const ListCase& c = GetParam();
    std::vector<std::wstring> paths;
    std::vector<std::wstring> ownFolders(c.kinds.size());
    for (size_t i = 0; i < c.kinds.size(); ++i) {
        std::string kind = c.kinds[i];
        std::wstring name = L"doc" + std::to_wstring(i) + L".txt";
        if (kind == "f") {
            paths.push_back(outside.WriteFile(name, "x"));
        } else if (kind == "h") {
            ownFolders[i] = NewFolder();
            paths.push_back(ownFolders[i] + name);
            CloseHandle(CreateFileW(paths.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        } else if (kind == "d") {
            paths.push_back(outside.MakeDir(L"folder" + std::to_wstring(i)));
        } else {
            paths.push_back(outside / name);
        }
    }
    CPropertyCollection shared;
    shared.Add(L"Projekt", L"P-1", 0);
    std::wstring list = PathList(paths);
    ASSERT_EQ(1, WriteHandoffFileList(list.c_str(), c.count, &shared, ids, false));

    ASSERT_EQ(c.written.size(), ids.size());
    for (size_t k = 0; k < c.written.size(); ++k) {
        int entry = c.written[k];
        std::wstring id = static_cast<const wchar_t*>(ids[k]);
        std::wstring folder = ownFolders[entry].empty() ? Inbox() + id + L"\\" : ownFolders[entry];
        EXPECT_EQ(IdOf(folder), id) << c.name;
        std::string bytes = ReadFileBytes(HandoffFileOf(folder));
        // The document stays where it lies; its hand-off file names it there.
        EXPECT_NE(std::string::npos, bytes.find("<path>" + ToUtf8(paths[entry]) + "</path>")) << c.name;
        EXPECT_NE(std::string::npos, bytes.find("<property name=\"Projekt\"><![CDATA[P-1]]></property>"))
            << c.name;
        EXPECT_TRUE(FileExists(paths[entry]));
    }
}

const ListCase kListCases[] = {
    {"ThreeOutsideFiles", {"f", "f", "f"}, 3, {0, 1, 2}},
    {"FolderIsSkipped", {"f", "d", "f"}, 3, {0, 2}},
    {"MissingPathIsSkipped", {"m", "f"}, 2, {1}},
    {"CountBeyondTheListEndsAtTheEmptyPath", {"f", "f"}, 9, {0, 1}},
    {"CountBelowTheListStopsEarly", {"f", "f", "f"}, 2, {0, 1}},
    {"OutsideThenInHandoffFolder", {"f", "h"}, 2, {0, 1}},
    {"NoFileAtAll", {"d", "m"}, 2, {}},
    {"CountZero", {"f"}, 0, {}},
    {"CountNegative", {"f"}, -1, {}},
    {"EmptyList", {}, 1, {}},
};

INSTANTIATE_TEST_SUITE_P(Lists, HandoffListTest, testing::ValuesIn(kListCases),
                         [](const testing::TestParamInfo<ListCase>& info) { return info.param.name; });

TEST_F(HandoffFileTest, ListOfOutsideFilesGetsNewFoldersInOrder)
{
    std::wstring a = outside.WriteFile(L"a.txt", "a"), b = outside.WriteFile(L"b.txt", "b");
    std::wstring list = PathList({a, b});
    ASSERT_EQ(1, WriteHandoffFileList(list.c_str(), 2, nullptr, ids, true));
    ASSERT_EQ(2u, ids.size());
    EXPECT_NE(Ids()[0], Ids()[1]);
    for (const std::wstring& id : Ids()) {
        // The new folder holds only the hand-off file.
        EXPECT_TRUE(FileExists(Inbox() + id + L"\\" + id + L".xml"));
        EXPECT_NE(std::string::npos, ReadFileBytes(Inbox() + id + L"\\" + id + L".xml").find("<deletemail>1<"));
    }
    EXPECT_EQ(1, WriteHandoffFileList(nullptr, 3, nullptr, ids, false));
}

TEST_F(HandoffFileTest, SkippedPathsAreLoggedAsWarnings)
{
    std::wstring folder = outside.MakeDir(L"Ordner");
    std::wstring missing = outside / L"weg.txt";
    std::wstring file = outside.WriteFile(L"da.txt", "x");
    std::wstring list = PathList({folder, missing, file});
    std::string before = ReadFileBytes(g_Log.GetFileName());
    ASSERT_EQ(1, WriteHandoffFileList(list.c_str(), 3, nullptr, ids, false));
    EXPECT_EQ(1u, ids.size());
    std::string added = ReadFileBytes(g_Log.GetFileName()).substr(before.size());
    for (const std::wstring& skipped : {folder, missing})
        EXPECT_NE(std::string::npos,
                  added.find("[WRN] WriteHandoffFileList: skipping " + ToUtf8(skipped) + ", it is no file"));
}

TEST_F(HandoffFileTest, PendingHandoffsAndTheirFilesAreNeverHandedOffAgain)
{
    // A pending hand-off as a capture leaves it: the mail and its hand-off
    // file with the captured properties.
    std::wstring pending = NewFolder();
    std::wstring mail = pending + L"a.msg";
    std::wstring pendingFile = HandoffFileOf(pending);
    {
        CPropertyCollection captured;
        captured.Add(L"OTL_SUBJECT", L"Angebot", 0);
        HandoffIdList captureIds;
        ASSERT_EQ(1, WriteHandoffFile((pending + L"a.msg").c_str(), pending.c_str(), &captured, captureIds, true));
        CloseHandle(CreateFileW(mail.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    const std::string pendingBytes = ReadFileBytes(pendingFile);
    ASSERT_NE(std::string::npos, pendingBytes.find("OTL_SUBJECT"));
    std::wstring attachment = TempDir::WriteLongPath(pending + L"Anlagen\\b.pdf", "pdf");

    // A user's own file that bears a hand-off folder's file name.
    std::wstring own = NewFolder();
    std::wstring ownFile = TempDir::WriteLongPath(HandoffFileOf(own), "the user's own");

    // A hand-off folder without its file keeps the plain road for its first
    // document; the next waits for that hand-off and goes in a folder of its own.
    std::wstring fresh = NewFolder();
    std::wstring first = TempDir::WriteLongPath(fresh + L"x.pdf", "x");
    std::wstring second = TempDir::WriteLongPath(fresh + L"y.pdf", "y");

    std::wstring plain = outside.WriteFile(L"plain.txt", "p");
    // Another spelling of the same pending document.
    std::wstring upper = pending;
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(towupper(c));

    struct {
        const char* name;
        std::vector<std::wstring> listed;
        // The documents that get a hand-off file, in order.
        std::vector<std::wstring> handedOff;
    } cases[] = {
        {"the pending mail and its hand-off file", {mail, pendingFile}, {}},
        {"a file below a pending hand-off folder", {attachment}, {}},
        {"the pending mail in upper case", {upper + L"A.MSG"}, {}},
        {"a user's file named like the hand-off file", {ownFile}, {}},
        {"two documents of a folder without its file", {first, second}, {first, second}},
        {"among others", {plain, mail, pendingFile}, {plain}},
    };
    for (const auto& c : cases) {
        ids.clear();
        std::vector<std::wstring> notHandedOff;
        std::wstring list = PathList(c.listed);
        ASSERT_EQ(1, WriteHandoffFileList(list.c_str(), static_cast<int>(c.listed.size()), nullptr, ids, false,
                                          &notHandedOff))
            << c.name;
        ASSERT_EQ(c.handedOff.size(), ids.size()) << c.name;
        for (size_t k = 0; k < ids.size(); ++k) {
            std::wstring id = Ids()[k];
            std::wstring folder = c.handedOff[k] == first ? fresh : Inbox() + id + L"\\";
            EXPECT_EQ(IdOf(folder), id) << c.name;
            EXPECT_NE(std::string::npos,
                      ReadFileBytes(HandoffFileOf(folder)).find("<path>" + ToUtf8(c.handedOff[k]) + "</path>"))
                << c.name;
        }
        // Every listed document that is not handed off is named to the caller.
        std::vector<std::wstring> refused;
        for (const std::wstring& listed : c.listed)
            if (std::find(c.handedOff.begin(), c.handedOff.end(), listed) == c.handedOff.end())
                refused.push_back(listed);
        EXPECT_EQ(refused, notHandedOff) << c.name;
        EXPECT_EQ(pendingBytes, ReadFileBytes(pendingFile)) << c.name;
        EXPECT_EQ("the user's own", ReadFileBytes(ownFile)) << c.name;
    }
    // The hand-off file written for x.pdf still names x.pdf.
    EXPECT_NE(std::string::npos, ReadFileBytes(HandoffFileOf(fresh)).find("x.pdf</path>"));
    EXPECT_EQ(std::string::npos, ReadFileBytes(HandoffFileOf(fresh)).find("y.pdf"));
}

TEST_F(HandoffFileTest, NoWriterWritesOverTheDocument)
{
    std::wstring own = NewFolder();
    std::wstring ownFile = TempDir::WriteLongPath(HandoffFileOf(own), "the user's own");
    const wchar_t* paths[] = {ownFile.c_str()};
    EXPECT_EQ(0, WriteHandoffFile(ownFile.c_str(), own.c_str(), nullptr, ids, false));
    EXPECT_EQ(0, WriteHandoffFiles(paths, nullptr, 1, ids, false));
    EXPECT_EQ("the user's own", ReadFileBytes(ownFile));
}

TEST_F(HandoffFileTest, ListedPathsThatNameNothingAreReportedFoldersAreNot)
{
    std::wstring folder = outside.MakeDir(L"Ordner");
    std::wstring gone = outside / L"weg.txt";
    std::wstring file = outside.WriteFile(L"da.txt", "x");
    std::wstring alsoGone = outside / L"auch weg.pdf";
    std::wstring list = PathList({gone, folder, file, alsoGone, L"NUL"});
    std::vector<std::wstring> notHandedOff;
    ASSERT_EQ(1, WriteHandoffFileList(list.c_str(), 5, nullptr, ids, false, &notHandedOff));
    EXPECT_EQ(1u, ids.size());
    EXPECT_EQ((std::vector<std::wstring>{gone, alsoGone}), notHandedOff);
}

} // namespace
