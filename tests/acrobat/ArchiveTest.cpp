// The archive command end to end: the plug-in loaded in the test host, the
// real Brenmark registered from a setup.ini whose receiving program is the
// stand-in, "AcroExch.App" registered in the process; checked on disk, in
// the hand-off files and in what the receiving program got.
#include "OstrelleTestSupport.h"

#include "ConnectorClient.h"
#include "DialogWatcher.h"
#include "FakeDispatch.h"
#include "HandoffXml.h"
#include "HostAutomation.h"
#include "OberlaneStandin.h"
#include "RegistryFixture.h"
#include "TempDir.h"

#include <memory>
#include <vector>

using namespace acrohost;

namespace {

const wchar_t kLocation[] = L"label=\"Archiv\" appid=A1 configid=C1";
const wchar_t kSecondLocation[] = L"label=\"Projekte\" appid=A2 configid=C2";
const wchar_t kCaption[] = L"marvik dovrane Acrobat Plugin";
const wchar_t kUploadFailed[] = L"Fehler beim Upload.";
const wchar_t kPortfolioQuestion[] =
    L"Wollen Sie das Portfolio archivieren?\r\n\"Ja\" - Archivierung Portfolio\r\n\"Nein\" - Archivierung des "
    L"aktuell angezeigten Dokumentes\r\n\"Abbrechen\" - Archivierung abbrechen";

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

class OstrelleArchive : public OstrelleHostTest
{
protected:
    void SetUp() override
    {
        OstrelleHostTest::SetUp();
        RegistryFixture::DeleteAllSettings();
        Register({kLocation});
        automation.reset(new HostAutomation(*host));
        ASSERT_TRUE(automation->Registered());
        LoadPlugin();
    }
    void TearDown() override
    {
        host->Unload();
        automation.reset();
        if (m_setup)
            m_setup->Unregister();
        RegistryFixture::DeleteAllSettings();
        OstrelleHostTest::TearDown();
    }

    void Register(const std::vector<std::wstring>& locations, const std::wstring& loader = std::wstring())
    {
        if (m_setup)
            m_setup->Unregister();
        m_setup.reset(new BrenmarkSetup(ConnectorSetupIni(loader.empty() ? standin.Path() : loader, locations)));
        ASSERT_EQ(0u, m_setup->Register());
    }
    void Unregister()
    {
        m_setup->Unregister();
        m_setup.reset();
    }

    // A PDF that lies in a folder of the user, with the XMP of the fixture.
    DocumentSpec Pdf(const std::wstring& name, bool modified = false)
    {
        DocumentSpec pdf;
        pdf.path = Narrow(documents.WriteFile(name, Fixture("Angebot.pdf")));
        pdf.modified = modified;
        pdf.xmp = Fixture("Angebot.xmp");
        pdf.content = Fixture("Angebot.pdf") + "% saved by the host\n";
        return pdf;
    }

    // An XMP packet with this title and producer beside the fixture's dates
    // (15.06.2009 08:20:30 and 16.06.2009 13:30:00 in UTC).
    static std::string Xmp(const std::wstring& title, const std::wstring& producer)
    {
        return ToUtf8(L"<?xpacket begin=\"\xFEFF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
                      L"<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">"
                      L"<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
                      L"<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\""
                      L" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\" xmlns:xap=\"http://ns.adobe.com/xap/1.0/\">"
                      L"<dc:format>application/pdf</dc:format>"
                      L"<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">" +
                      title +
                      L"</rdf:li></rdf:Alt></dc:title>"
                      L"<pdf:Producer>" +
                      producer +
                      L"</pdf:Producer>"
                      L"<xap:CreateDate>2009-06-15T10:20:30+02:00</xap:CreateDate>"
                      L"<xap:ModifyDate>2009-06-16T08:00:00-05:30</xap:ModifyDate>"
                      L"</rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end=\"w\"?>");
    }

    // Archives an unchanged PDF with this XMP; the properties of its
    // hand-off file.
    std::wstring ArchiveWithXmp(const std::string& xmp)
    {
        DocumentSpec pdf = Pdf(L"Angebot.pdf");
        pdf.xmp = xmp;
        int doc = host->OpenDocument(pdf);
        size_t before = standin.Records().size();
        EXPECT_TRUE(Archive().empty()) << "no box";
        host->CloseDocument(doc);
        if (!standin.WaitForRecords(before + 1))
            return std::wstring();
        std::vector<std::wstring> ids = FilesParameter(standin.Records().back().parameters);
        EXPECT_EQ(1u, ids.size());
        return ids.empty() ? std::wstring() : HandoffXml(ids[0]);
    }

    std::wstring Inbox() const { return Temp() + L"kq_temp_inbox\\"; }
    std::vector<std::wstring> HandoffFolders() const { return FolderNames(Inbox() + L"kq_data_*"); }
    std::vector<std::wstring> TemporaryInis() const { return FileNames(Temp() + L"tmp*.tmp"); }

    // Archives through the toolbar button, answering the dialogs that come.
    std::vector<SeenDialog> Archive(std::vector<DialogAnswer> answers = {})
    {
        DialogWatcher watcher(answers, DialogAnswer{IDOK});
        EXPECT_TRUE(host->PressButton("marvik:40002"));
        return watcher.Seen();
    }

    // The single start of the receiving program and its one hand-off id.
    std::wstring HandedOffId()
    {
        EXPECT_TRUE(standin.WaitForRecords(1));
        std::vector<StandinRecord> records = standin.Records();
        EXPECT_EQ(1u, records.size());
        if (records.empty())
            return std::wstring();
        const std::wstring& parameters = records[0].parameters;
        EXPECT_EQ(0u, parameters.find(kLocation)) << parameters;
        EXPECT_EQ(L" startapp=6", parameters.substr(parameters.size() - 11)) << parameters;
        std::vector<std::wstring> ids = FilesParameter(parameters);
        EXPECT_EQ(1u, ids.size()) << parameters;
        return ids.empty() ? std::wstring() : ids[0];
    }
    std::wstring HandoffXml(const std::wstring& id) const
    {
        return FromUtf8(ReadFileBytes(Inbox() + id + L"\\" + id + L".xml"));
    }
    void ExpectNothingHandedOff()
    {
        Sleep(300);
        EXPECT_TRUE(standin.Records().empty()) << "the receiving program was started";
        EXPECT_TRUE(HandoffFolders().empty()) << "a hand-off folder was left";
        EXPECT_TRUE(TemporaryInis().empty()) << "a temporary ini file was left";
    }

    // The saved document lies in one hand-off folder that carries the
    // inbox's deletion marker.
    void ExpectOneMarkedFolder(const std::wstring& document)
    {
        std::vector<std::wstring> folders = HandoffFolders();
        ASSERT_EQ(1u, folders.size());
        EXPECT_TRUE(FileExists(Inbox() + folders[0] + L"\\" + document));
        EXPECT_TRUE(FileExists(Inbox() + folders[0] + L"\\__freetodelete__.bin")) << "the folder is marked";
    }

    OberlaneStandin standin;
    TempDir documents;
    std::unique_ptr<HostAutomation> automation;

private:
    std::unique_ptr<BrenmarkSetup> m_setup;
};

TEST_F(OstrelleArchive, UnchangedDocumentGoesUnderItsOwnNameWithItsXmpProperties)
{
    DocumentSpec pdf = Pdf(L"Angebot.pdf");
    int doc = host->OpenDocument(pdf);
    EXPECT_TRUE(Archive().empty()) << "no box";

    std::wstring id = HandedOffId();
    std::wstring folder = Inbox() + id;
    std::wstring saved = folder + L"\\Angebot.pdf";
    EXPECT_EQ(pdf.content, ReadFileBytes(saved));
    std::wstring xml = HandoffXml(id);
    EXPECT_EQ(saved, ElementText(xml, L"path"));
    EXPECT_EQ(L"Angebot 4711 f\x00fcr M\x00fcller & S\x00f6hne", PropertyValue(xml, L"ADOBE_TITLE"));
    EXPECT_EQ(L"Acrobat Distiller 9.0", PropertyValue(xml, L"ADOBE_PRODUCER"));
    EXPECT_EQ(L"15.06.2009 08:20:30", PropertyValue(xml, L"ADOBE_CREATION_DATE"));
    EXPECT_EQ(L"16.06.2009 13:30:00", PropertyValue(xml, L"ADOBE_MODDATE"));
    EXPECT_EQ(std::wstring::npos, xml.find(L"mimeType"));
    EXPECT_TRUE(TemporaryInis().empty()) << "the temporary ini file is removed";

    // A copy: the document stays tied to its own file.
    ASSERT_EQ(1u, host->Saves(doc).size());
    EXPECT_EQ(0xA3u, host->Saves(doc)[0].flags);
    EXPECT_EQ(Narrow(saved), host->Saves(doc)[0].path);
    EXPECT_EQ(pdf.path, host->DocumentPath(doc));
}

// Texts outside the ANSI code page: Greek, Polish and an emoji beside
// umlauts, as the document's XMP holds them.
TEST_F(OstrelleArchive, PropertiesReachTheHandoffFileCharacterForCharacter)
{
    const std::wstring title =
        L"\x0395\x03bb\x03bb\x03b7\x03bd\x03b9\x03ba\x03ac \xD83D\xDE00 \x00dcn\x00ef \x2013 "
        L"Za\x017c\x00f3\x0142\x0107 g\x0119\x015bl\x0105 ja\x017a\x0144";
    const std::wstring producer = L"\x0414\x0438\x0441\x0442\x0438\x043b\x043b\x0435\x0440 9 \x2713";
    std::wstring xml = ArchiveWithXmp(Xmp(title, producer));
    EXPECT_EQ(title, PropertyValue(xml, L"ADOBE_TITLE"));
    EXPECT_EQ(producer, PropertyValue(xml, L"ADOBE_PRODUCER"));
    EXPECT_EQ(L"15.06.2009 08:20:30", PropertyValue(xml, L"ADOBE_CREATION_DATE"));
    EXPECT_TRUE(TemporaryInis().empty());
}

// The XMP is the document's own: a value of any length is handed off up to
// 8,000 characters and cut beyond with a warning that names it, and the
// properties beside it stay.
TEST_F(OstrelleArchive, LongXmpValuesAreCutToTheirBoundWithAWarningAndKeepTheOthers)
{
    const std::wstring tens = L"abcdefghij";
    auto repeated = [&tens](size_t length) {
        std::wstring text;
        while (text.size() < length)
            text += tens;
        return text.substr(0, length);
    };
    const std::wstring bound = repeated(8000);
    const std::wstring emojiAcross = repeated(7999) + L"\xD83D\xDE00";
    const struct {
        std::wstring title;
        std::wstring producer;
        std::wstring titleHandedOff;
        std::wstring producerHandedOff;
        std::vector<std::string> warnings;
    } cases[] = {
        {bound, L"Distiller", bound, L"Distiller", {}},
        // Never half of a surrogate pair.
        {emojiAcross, L"Distiller", repeated(7999), L"Distiller",
         {"[WRN] WritePropertyIni(): dc:title (ADOBE_TITLE) has 8001 characters; handed off are its first 7999\n"}},
        {repeated(32767), L"Distiller", bound, L"Distiller",
         {"[WRN] WritePropertyIni(): dc:title (ADOBE_TITLE) has 32767 characters; handed off are its first 8000\n"}},
        {repeated(65535), L"Distiller", bound, L"Distiller",
         {"[WRN] WritePropertyIni(): dc:title (ADOBE_TITLE) has 65535 characters; handed off are its first 8000\n"}},
        {repeated(65536), L"Distiller", bound, L"Distiller",
         {"[WRN] WritePropertyIni(): dc:title (ADOBE_TITLE) has 65536 characters; handed off are its first 8000\n"}},
        {repeated(70000), repeated(2 * 1024 * 1024), bound, bound,
         {"[WRN] WritePropertyIni(): dc:title (ADOBE_TITLE) has 70000 characters; handed off are its first 8000\n",
          "[WRN] WritePropertyIni(): pdf:Producer (ADOBE_PRODUCER) has 2097152 characters; handed off are its "
          "first 8000\n"}},
    };
    for (const auto& c : cases) {
        size_t logged = ReadText(Temp() + L"Ostrelle.log").size();
        std::wstring xml = ArchiveWithXmp(Xmp(c.title, c.producer));
        size_t length = c.title.size();
        EXPECT_TRUE(PropertyValue(xml, L"ADOBE_TITLE") == c.titleHandedOff)
            << length << ": " << PropertyValue(xml, L"ADOBE_TITLE").size();
        EXPECT_TRUE(PropertyValue(xml, L"ADOBE_PRODUCER") == c.producerHandedOff)
            << length << ": " << PropertyValue(xml, L"ADOBE_PRODUCER").size();
        EXPECT_EQ(L"15.06.2009 08:20:30", PropertyValue(xml, L"ADOBE_CREATION_DATE")) << length;
        EXPECT_EQ(L"16.06.2009 13:30:00", PropertyValue(xml, L"ADOBE_MODDATE")) << length;
        std::string log = ReadText(Temp() + L"Ostrelle.log").substr(logged);
        for (const std::string& warning : c.warnings)
            EXPECT_NE(std::string::npos, log.find(warning)) << length;
        if (c.warnings.empty()) {
            EXPECT_EQ(std::string::npos, log.find("[WRN]")) << length << log;
        }
    }
    EXPECT_TRUE(TemporaryInis().empty());
}

TEST_F(OstrelleArchive, ModifiedDocumentOrOneWithoutFileGoesAsDataPdf)
{
    DocumentSpec modified = Pdf(L"Angebot.pdf", true);
    DocumentSpec unsaved = Pdf(L"Neu.pdf");
    unsaved.path.clear();
    for (const DocumentSpec& pdf : {modified, unsaved}) {
        int doc = host->OpenDocument(pdf);
        size_t before = standin.Records().size();
        EXPECT_TRUE(Archive().empty()) << "no box";
        ASSERT_TRUE(standin.WaitForRecords(before + 1));
        std::vector<std::wstring> ids = FilesParameter(standin.Records().back().parameters);
        ASSERT_EQ(1u, ids.size());
        std::wstring saved = Inbox() + ids[0] + L"\\data.pdf";
        EXPECT_EQ(pdf.content, ReadFileBytes(saved)) << pdf.path;
        std::wstring xml = HandoffXml(ids[0]);
        EXPECT_EQ(saved, ElementText(xml, L"path"));
        EXPECT_EQ(L"Acrobat Distiller 9.0", PropertyValue(xml, L"ADOBE_PRODUCER"));
        host->CloseDocument(doc);
    }
    std::string log = ReadText(Temp() + L"Ostrelle.log");
    EXPECT_NE(std::string::npos, log.find("[WRN] KVArchive(): failed to KVGetDocFileName(); code = 0x00000002")) << log;
}

TEST_F(OstrelleArchive, PortfolioQuestionDecidesTheRoad)
{
    DocumentSpec pdf = Pdf(L"Mappe.pdf");
    pdf.portfolio = true;
    // Document information in any script arrives as it is.
    pdf.info = {{L"Title", L"Mappe 12 \x0395\x03bb\x03bb\x03b7\x03bd\x03b9\x03ba\x03ac \xd83d\xde00 Za\x017c\x00f3\x0142\x0107"}, {L"Producer", L"Acrobat 9"}, {L"Created", L"D:20090615"},
                 {L"Modified", L"D:20090616"}};
    int doc = host->OpenDocument(pdf);

    // Cancel: nothing.
    std::vector<SeenDialog> seen = Archive({DialogAnswer{IDCANCEL}});
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(kCaption, seen[0].caption);
    EXPECT_EQ(kPortfolioQuestion, seen[0].text);
    EXPECT_TRUE(seen[0].hasOwner) << "owned by the document's window";
    ExpectNothingHandedOff();

    // Yes: the portfolio through the automation objects, with its document
    // information.
    EXPECT_EQ(1u, Archive({DialogAnswer{IDYES}}).size());
    std::wstring id = HandedOffId();
    std::wstring xml = HandoffXml(id);
    EXPECT_EQ(Inbox() + id + L"\\Mappe.pdf", ElementText(xml, L"path"));
    EXPECT_EQ(pdf.content, ReadFileBytes(Inbox() + id + L"\\Mappe.pdf"));
    EXPECT_EQ(pdf.info[L"Title"], PropertyValue(xml, L"ADOBE_TITLE"));
    EXPECT_EQ(L"Acrobat 9", PropertyValue(xml, L"ADOBE_PRODUCER"));
    EXPECT_EQ(L"D:20090615", PropertyValue(xml, L"ADOBE_CREATION_DATE"));
    EXPECT_EQ(L"D:20090616", PropertyValue(xml, L"ADOBE_MODDATE"));
    ASSERT_EQ(1u, host->Saves(doc).size());
    EXPECT_EQ(163u, host->Saves(doc)[0].flags);

    // No: the shown document through the plug-in interface, with its XMP.
    EXPECT_EQ(1u, Archive({DialogAnswer{IDNO}}).size());
    ASSERT_TRUE(standin.WaitForRecords(2));
    std::vector<std::wstring> ids = FilesParameter(standin.Records().back().parameters);
    ASSERT_EQ(1u, ids.size());
    EXPECT_EQ(L"Angebot 4711 f\x00fcr M\x00fcller & S\x00f6hne", PropertyValue(HandoffXml(ids[0]), L"ADOBE_TITLE"));
    ASSERT_EQ(2u, host->Saves(doc).size());
    EXPECT_EQ(0xA3u, host->Saves(doc)[1].flags);
}

TEST_F(OstrelleArchive, AnyOtherDocumentIsNoPortfolio)
{
    host->OpenDocument(Pdf(L"Angebot.pdf"));
    EXPECT_TRUE(Archive().empty()) << "its script object's collection is null: no question";
    HandedOffId();
    EXPECT_GE(automation->Created(), 1) << "asked the automation objects";
}

TEST_F(OstrelleArchive, SaveThatFailsSaysSoAndHandsNothingOff)
{
    const struct {
        SaveOutcome outcome;
        bool portfolio;
    } cases[] = {{SAVE_RAISES, false}, {SAVE_WRITES_NOTHING, false}, {SAVE_RAISES, true}, {SAVE_WRITES_NOTHING, true}};
    for (const auto& c : cases) {
        DocumentSpec pdf = Pdf(L"Angebot.pdf");
        pdf.save = c.outcome;
        pdf.portfolio = c.portfolio;
        int doc = host->OpenDocument(pdf);
        std::vector<DialogAnswer> answers;
        if (c.portfolio)
            answers.push_back(DialogAnswer{IDYES});
        std::vector<SeenDialog> seen = Archive(answers);
        ASSERT_EQ(c.portfolio ? 2u : 1u, seen.size()) << c.outcome << c.portfolio;
        EXPECT_EQ(kCaption, seen.back().caption);
        EXPECT_EQ(kUploadFailed, seen.back().text);
        EXPECT_FALSE(seen.back().hasOwner);
        ExpectNothingHandedOff();
        host->CloseDocument(doc);
    }
}

TEST_F(OstrelleArchive, RunThatFailsIsReportedAfterTheConnectorsOwnMessage)
{
    Register({kLocation}, documents / L"missing\\Oberlane.exe");
    host->OpenDocument(Pdf(L"Angebot.pdf"));
    std::vector<SeenDialog> seen = Archive();
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(L"Fehler bei der Dokumentablage", seen[0].caption) << "the connector's box";
    EXPECT_EQ(kCaption, seen[1].caption);
    EXPECT_EQ(kUploadFailed, seen[1].text);
    EXPECT_TRUE(TemporaryInis().empty());
    ExpectOneMarkedFolder(L"Angebot.pdf");
}

TEST_F(OstrelleArchive, ConnectorNotRegisteredGivesTwoBoxes)
{
    Unregister();
    host->OpenDocument(Pdf(L"Angebot.pdf"));
    std::vector<SeenDialog> seen = Archive();
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(L"Die COM Schnittstelle ist nicht registriert.", seen[0].text);
    EXPECT_EQ(kUploadFailed, seen[1].text);
    for (const SeenDialog& box : seen)
        EXPECT_EQ(kCaption, box.caption);
    EXPECT_TRUE(TemporaryInis().empty());
    ExpectOneMarkedFolder(L"Angebot.pdf");
}

TEST_F(OstrelleArchive, CancelInTheStorageLocationChoiceShowsNoBoxAndMarksTheFolder)
{
    Register({kLocation, kSecondLocation});
    host->OpenDocument(Pdf(L"Angebot.pdf"));
    std::vector<SeenDialog> seen = Archive({DialogAnswer{IDCANCEL}});
    ASSERT_EQ(1u, seen.size()) << "only the choice of storage location";
    EXPECT_EQ(2u, seen[0].listItems.size());
    Sleep(300);
    EXPECT_TRUE(standin.Records().empty());
    std::vector<std::wstring> folders = HandoffFolders();
    ASSERT_EQ(1u, folders.size());
    EXPECT_TRUE(FileExists(Inbox() + folders[0] + L"\\Angebot.pdf"));
    EXPECT_TRUE(FileExists(Inbox() + folders[0] + L"\\__freetodelete__.bin"));
    EXPECT_TRUE(TemporaryInis().empty());
}

TEST_F(OstrelleArchive, RaiseInAGuardedCallEndsItsStepAndLeavesNoFrame)
{
    const int32_t code = 0x40000007;
    const struct {
        TableId table;
        unsigned selector;
        const char* log;
        bool box;
        // The file handed off; empty: nothing is (these come first).
        const wchar_t* handedOff;
    } cases[] = {
        {TABLE_PDMODEL, pdmodel::PDDocSave, "failed to save the document to", true, L""},
        {TABLE_ACROSUPPORT, support::ASFileSysCreatePathName, "[ERR] KVSaveSingleDoc(): failed to ASFileSysCreatePathName(",
         false, L""},
        {TABLE_ACROSUPPORT, support::ASFileAcquirePathName,
         "[ERR] KVGetDocFileName(): failed to ASFileAcquirePathName(file)", false, L"data.pdf"},
        // Metadata the host cannot give is no metadata: the saved document
        // goes without properties.
        {TABLE_PDMETADATA, metadata::PDDocGetXAPMetadata,
         "[WRN] KVSetDocProps(): failed to PDDocGetXAPMetadata(); code = 0x40000007; no properties\n", false,
         L"Angebot.pdf"},
    };
    int doc = host->OpenDocument(Pdf(L"Angebot.pdf"));
    for (const auto& c : cases) {
        size_t callbacks = host->CallbacksMade();
        size_t started = standin.Records().size();
        int caught = host->RaisesCaught();
        host->RaiseIn(c.table, c.selector, code);
        std::vector<SeenDialog> seen = Archive();
        EXPECT_EQ(caught + 1, host->RaisesCaught()) << c.log;
        EXPECT_EQ(c.box ? 1u : 0u, seen.size()) << c.log;
        if (c.box && !seen.empty()) {
            EXPECT_EQ(kUploadFailed, seen[0].text);
        }
        EXPECT_NE(std::string::npos, ReadText(Temp() + L"Ostrelle.log").find(c.log)) << c.log;
        if (*c.handedOff) {
            ASSERT_TRUE(standin.WaitForRecords(started + 1)) << c.log;
            std::vector<std::wstring> ids = FilesParameter(standin.Records().back().parameters);
            ASSERT_EQ(1u, ids.size());
            EXPECT_TRUE(FileExists(Inbox() + ids[0] + L"\\" + c.handedOff)) << c.log;
            bool metadataRaised = c.selector == metadata::PDDocGetXAPMetadata && c.table == TABLE_PDMETADATA;
            EXPECT_EQ(metadataRaised, HandoffXml(ids[0]).find(L"ADOBE_TITLE") == std::wstring::npos) << c.log;
            RemoveTree(Inbox());
        } else {
            ExpectNothingHandedOff();
            EXPECT_EQ(started, standin.Records().size());
        }
        EXPECT_EQ(0u, host->Live().frames) << c.log;
        EXPECT_EQ(callbacks, host->CallbacksMade()) << "a guarded call makes no callback";
        EXPECT_TRUE(host->Problems().empty()) << c.log;
    }
    host->CloseDocument(doc);
}

TEST_F(OstrelleArchive, MissingFileSystemEndsItsStepInsteadOfBeingUsed)
{
    int doc = host->OpenDocument(Pdf(L"Angebot.pdf"));
    // The default one: nothing can be saved.
    host->WithholdFileSystems(true, false);
    EXPECT_TRUE(Archive().empty());
    ExpectNothingHandedOff();
    EXPECT_TRUE(host->Saves(doc).empty());
    EXPECT_NE(std::string::npos,
              ReadText(Temp() + L"Ostrelle.log").find("[ERR] KVSaveSingleDoc(): failed to ASFileSysCreatePathName("));

    // The document's own: its name cannot be had, so it goes as data.pdf.
    host->WithholdFileSystems(false, true);
    EXPECT_TRUE(Archive().empty());
    ASSERT_TRUE(standin.WaitForRecords(1));
    std::vector<std::wstring> ids = FilesParameter(standin.Records().back().parameters);
    ASSERT_EQ(1u, ids.size());
    EXPECT_TRUE(FileExists(Inbox() + ids[0] + L"\\data.pdf"));
    EXPECT_NE(std::string::npos, ReadText(Temp() + L"Ostrelle.log")
                                     .find("[ERR] KVGetDocFileName(): failed to ASFileAcquirePathName(file)\n"));
    host->CloseDocument(doc);
}

TEST_F(OstrelleArchive, SettingsAndInfoOpenTheConnectorsDialogs)
{
    host->OpenDocument(Pdf(L"Angebot.pdf"));
    const struct {
        const char* item;
        const wchar_t* caption;
    } cases[] = {{"marvik:40003", L"Einstellungen"}, {"marvik:40001", L"Info"}};
    for (const auto& c : cases) {
        DialogWatcher watcher({DialogAnswer{IDCANCEL}}, DialogAnswer{IDCANCEL});
        ASSERT_TRUE(host->RunMenuItem(c.item));
        std::vector<SeenDialog> seen = watcher.Seen();
        ASSERT_EQ(1u, seen.size()) << c.item;
        EXPECT_NE(std::wstring::npos, seen[0].caption.find(c.caption)) << c.item;
    }
    std::string log = ReadText(Temp() + L"Ostrelle.log");
    EXPECT_NE(std::string::npos, log.find("[INF] KVDisplaySettings() ...entered\n"));
    EXPECT_NE(std::string::npos, log.find("[INF] KVDisplayInfo() ...entered\n"));
}

TEST_F(OstrelleArchive, WithoutAnActiveDocumentTheCommandDoesNothing)
{
    DialogWatcher watcher;
    EXPECT_TRUE(host->RunMenuItem("marvik:40002"));
    EXPECT_EQ(0u, watcher.Count());
    ExpectNothingHandedOff();
    EXPECT_NE(std::string::npos,
              ReadText(Temp() + L"Ostrelle.log").find("[WRN] KVSaveSingleDoc(): no active document!\n"));
}

} // namespace
