// Word, Excel and PowerPoint as the add-in reaches them: an Application with
// Name, Version, CommandBars and its active document, a document that
// behaves as the hosts document their members, DocumentProperties
// collections, and a ribbon control.
//
// A document is tied to one file at a time, as in the hosts:
// - Save writes the current content to that file (a never-saved or
//   read-only document cannot be saved in place);
// - SaveAs writes a new file and ties the document to it (Name, Path,
//   FullName follow, ReadOnly clears, Saved sets); a name without extension
//   gets the host's (Word: the format's); Excel refuses to replace an
//   existing file, as when its question whether to replace it is declined,
//   unless its Application's DisplayAlerts is false (then Excel takes the
//   answer yes and replaces the file);
// - SaveCopyAs (Excel, PowerPoint) writes a file and leaves the tie alone.
// - Word's SaveFormat reads the format of the file the document is tied to
//   (WdSaveFormat: 0 .doc, 1 .dot, 2 .txt, 6 .rtf, 8 .htm, 12 .docx,
//   13 .docm, 14 .dotx, 15 .dotm, 23 .odt);
// - Word's SaveAs with a Password writes the file with that password (the
//   empty text: none) and keeps it for the document; without one the file
//   keeps the document's protection;
// - PowerPoint's SaveAs and SaveCopyAs take a PpSaveAsFileType; without one
//   they save in ppSaveAsDefault, the version's default format (.ppt's 1
//   below 12, .pptx's 24 from 12); .odp is ppSaveAsOpenDocumentPresentation
//   (35);
// - Word's SaveAs to a web address saves to the server and stays tied to it.
// Files hold the document's content; Word's and PowerPoint's also the format
// they were saved in ("<content>\nformat=<n>"). Relative names are taken from
// the current folder, as the hosts do.
#pragma once

#include "FakeDispatch.h"

#include <memory>
#include <string>
#include <vector>

namespace doubles {

enum class OfficeApp { Word, Excel, PowerPoint };

// What a document double holds; tests read it to check the outcome.
struct OfficeDocumentState {
    OfficeApp app = OfficeApp::Word;
    int majorVersion = 16;
    std::string content;
    // The name of a document that was never saved ("Dokument1").
    std::wstring untitledName;
    // The file (or web address) the document is tied to; empty: never saved.
    std::wstring fullName;
    bool atWebAddress = false;
    bool readOnly = false;
    bool saved = true;
    // Word, PowerPoint: the format of the file the document is tied to
    // (WdSaveFormat, PpSaveAsFileType).
    long fileFormat = 12;
    // Word: the password a file of the document is written with (its
    // protection); empty: none.
    std::wstring password;
    // Content last saved to the web address.
    std::string webContent;
    // Every file a save wrote, in order.
    std::vector<std::wstring> written;
    // Excel: its Application's DisplayAlerts.
    bool displayAlerts = true;
};

// One property of a DocumentProperties collection. A failure set here makes
// that read fail every time: Item of its index, its Name, its Value (as for
// a built-in property the host does not fill).
struct DocumentPropertySpec {
    std::wstring name;
    _variant_t value;
    HRESULT valueFailure = S_OK;
    HRESULT nameFailure = S_OK;
    HRESULT itemFailure = S_OK;
};

// Count and Item (1-based index or name; Item is the collection's default
// property, reached with DISPATCH_PROPERTYGET).
FakeDispatchPtr MakeDocumentProperties(const std::vector<DocumentPropertySpec>& properties);

// The IRibbonControl a host passes to a callback: Id, Tag and Context.
FakeDispatchPtr MakeRibbonControl(const std::wstring& id, IDispatch* context);

// An Application of any host: Name, Version and, unless withCommandBars is
// false (Outlook's Application has none), CommandBars.
FakeDispatchPtr MakeHostApplication(const std::wstring& name, const std::wstring& version,
                                    bool withCommandBars = true);

class OfficeDocumentDouble
{
public:
    OfficeDocumentDouble(OfficeApp app, int majorVersion, const std::string& content);

    // Never saved, under the host's untitled name (Word "Dokument1", Excel
    // "Mappe1", PowerPoint "Präsentation1" unless given).
    void NeverSaved(const std::wstring& untitledName = std::wstring());
    // Opened from a file, which is written with the content first.
    void OpenFile(const std::wstring& path, bool readOnly = false);
    // Word: the document (and its file, when it has one) is protected by a
    // password to open.
    void Protect(const std::wstring& password);
    // Opened from a web address; Save goes to the server.
    void OpenWebAddress(const std::wstring& url);
    // The user edits the document: new content, not saved.
    void Edit(const std::string& content);

    FakeDispatch* Object() const { return m_object; }
    const OfficeDocumentState& State() const { return *m_state; }
    // What a save writes for the current content (Word, PowerPoint: in the
    // given format, by default that of the document's own file).
    std::string FileBytes(long format = -1) const;

    // The two property collections.
    void SetCustomProperties(const std::vector<DocumentPropertySpec>& properties);
    void SetBuiltInProperties(const std::vector<DocumentPropertySpec>& properties);

    void Release();

private:
    friend class OfficeHostDouble;
    std::shared_ptr<OfficeDocumentState> m_state;
    FakeDispatchPtr m_object;
};

// An Office host: its Application ("Microsoft Word" ..., Version
// "<major>.0", Excel's DisplayAlerts) and its active document.
class OfficeHostDouble
{
public:
    OfficeHostDouble(OfficeApp app, int majorVersion, const std::string& content = "document content");
    ~OfficeHostDouble();
    OfficeHostDouble(const OfficeHostDouble&) = delete;
    OfficeHostDouble& operator=(const OfficeHostDouble&) = delete;

    FakeDispatch* Application() const { return m_application; }
    OfficeDocumentDouble& Document() { return m_document; }
    // No document is open: Word and PowerPoint fail the active-document
    // read, Excel answers Nothing.
    void CloseDocument();
    // Lets go of every object (the test's end).
    void Release();

    static const wchar_t* HostName(OfficeApp app);
    static const wchar_t* ActiveObjectName(OfficeApp app);

private:
    OfficeApp m_app;
    FakeDispatchPtr m_application;
    OfficeDocumentDouble m_document;
};

// The HRESULTs the hosts give for their refusals.
extern const HRESULT HOST_E_READONLY;       // saving over a read-only document's file
extern const HRESULT HOST_E_NOT_SAVED_YET;  // Save of a never-saved document
extern const HRESULT HOST_E_REPLACE_DECLINED; // Excel's SaveAs onto an existing file
extern const HRESULT HOST_E_NO_DOCUMENT;    // no document open

} // namespace doubles
