// One road for the three savers; they differ in the object-model names, the
// default extensions, how the copy is made and their log texts.
#include "OfficeCapture.h"

#include "DispatchHelpers.h"
#include "DocumentProperties.h"
#include "FileHelpers.h"
#include "InboxFolder.h"
#include "LogFile.h"
#include "PropertyValues.h"
#include "SafeFileName.h"
#include "TypedCalls.h"
#include "WideFormat.h"

#include <cwchar>
#include <ctime>
#include <string>

namespace {

enum class OfficeApp { Word, Excel, PowerPoint };

struct SaverTexts {
    OfficeApp app;
    const wchar_t* activeObject;
    const wchar_t* oldExtension; // major version below 12
    const wchar_t* newExtension;
    const wchar_t* entry;
    const wchar_t* noFolder;
    const wchar_t* activeObjectFailed;
    const wchar_t* pathFailed;
    const wchar_t* saveFailed;
    const wchar_t* nameFailed;
    const wchar_t* firstSaveFailed;
    const wchar_t* copyFailed;
    const wchar_t* exit;
};

const SaverTexts WORD_SAVER = {
    OfficeApp::Word,
    L"ActiveDocument",
    L".doc",
    L".docx",
    L"Entering SaveWordDocument\n",
    L"Failed to get path of temp directory ... SaveWordDocument\n",
    L"Can't get active document! hr = 0x%08X\n",
    L"Can't get full name of active document! hr = 0x%08X\n",
    L"Can't save active document! hr = 0x%08X\n",
    L"Can't get name of active document! hr = 0x%08X\n",
    L"Can't save initially created document! hr = 0x%08X\n",
    L"Can't save initially created document! hr = 0x%08X\n",
    L"Leave SaveWordDocument\n",
};

const SaverTexts EXCEL_SAVER = {
    OfficeApp::Excel,
    L"ActiveWorkbook",
    L".xls",
    L".xlsx",
    L"Entering SaveExcelDocument\n",
    L"Failed to get path of temp directory ... SaveExcelDocument\n",
    L"Can't get active work book! hr = 0x%08X\n",
    L"Can't get path of active workbook! hr = 0x%08X\n",
    L"Can't save workbook! hr = 0x%08X\n",
    L"Can't get name of active workbook! hr = 0x%08X\n",
    L"Can't save initially created workbook! hr = 0x%08X\n",
    L"Failed to save active document! hr = 0x%08X\n",
    L"Leave SaveExcelDocument\n",
};

const SaverTexts POWERPOINT_SAVER = {
    OfficeApp::PowerPoint,
    L"ActivePresentation",
    L".ppt",
    L".pptx",
    L"Entering SavePoerPointDocument\n",
    L"Failed to get path of temp directory ... SavePowerPointDocument\n",
    L"Can't get active presentation! hr = 0x%08X\n",
    L"Can't get path of active presentation! hr = 0x%08X\n",
    L"Can't save active presentation! hr = 0x%08X\n",
    L"Can't get name of active presentation! hr = 0x%08X\n",
    L"Can't save initially created presentation! hr = 0x%08X\n",
    L"Failed to save active presentation! hr = 0x%08X\n",
    L"Leave SavePowerPointDocument\n",
};

const wchar_t WORD_FULLNAME_FAILED[] = L"Can't get full name of active document! hr = 0x%08X\n";
const wchar_t WORD_SAVED_FAILED[] = L"Failed to set saved flag of the current word document! hr = 0x%08X\n";
const wchar_t READONLY_FAILED[] = L"Can't get ReadOnly flag of active document! hr = 0x%08X\n";
const wchar_t EXCEL_COPY_REFUSED[] = L"Can not SaveCopyAs active document! hr = 0x%08X\n";

// A path that does not fit the caller's buffer (or Windows' path room) is
// refused: cut, it would name another file.
const HRESULT E_PATH_TOO_LONG = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);

// Word's file formats by the extension that goes with each; 0 (".doc") when
// none occurs.
struct WordFormat {
    const wchar_t* extension;
    long format;
};
const WordFormat WORD_FORMATS[] = {{L".docx", 12}, {L".docm", 13}, {L".dotx", 14}, {L".dotm", 15}};
const long WORD_FORMAT_DOC = 0;
const long WORD_FORMAT_DOCX = 12;
// No format of its own: PowerPoint's call without one.
const long NO_FORMAT = -1;

// PowerPoint's PpSaveAsFileType by the extension of the file it writes;
// without a format it writes its default format (ppSaveAsDefault) under any
// name. The Open XML types exist from version 12 on, and so does the
// OpenDocument type (2007 from its second service pack; an older 2007
// refuses the save rather than writing Open XML under an .odp name).
struct PowerPointFormat {
    const wchar_t* extension;
    long format;
    int firstVersion;
};
const PowerPointFormat POWERPOINT_FORMATS[] = {
    {L"ppt", 1, 0},   {L"pot", 5, 0},   {L"pps", 7, 0},   {L"ppa", 8, 0},   {L"pptx", 24, 12}, {L"pptm", 25, 12},
    {L"potx", 26, 12}, {L"potm", 27, 12}, {L"ppsx", 28, 12}, {L"ppsm", 29, 12}, {L"ppam", 30, 12}, {L"thmx", 31, 12},
    {L"odp", 35, 12},
};

const wchar_t WORD_FORMAT_UNREAD[] =
    L"Can't get save format of active document, format %d is taken from its name! hr = 0x%08X\n";
const wchar_t WORD_SAVE_BACK_FAILED[] =
    L"Can't save the document back to %s, Word now holds it as %s! hr = 0x%08X\n";
const wchar_t EXCEL_TIE_BACK_FAILED[] =
    L"Can't save the workbook back to %s, Excel now holds it as %s! hr = 0x%08X\n";

bool FitsDocumentPath(const std::wstring& path)
{
    return path.size() < DOCUMENT_PATH_CHARS;
}

// The letters A to Z in lower case; Word's own names stay as they are.
std::wstring LowerAsciiLetters(std::wstring text)
{
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

long WordFormatOf(const std::wstring& path)
{
    for (const WordFormat& known : WORD_FORMATS)
        if (path.find(known.extension) != std::wstring::npos)
            return known.format;
    return WORD_FORMAT_DOC;
}

long PowerPointFormatOf(const std::wstring& path, int majorVersion)
{
    size_t dot = path.find_last_of(L'.');
    size_t slash = path.find_last_of(L'\\');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        return NO_FORMAT;
    const std::wstring extension = path.substr(dot + 1);
    for (const PowerPointFormat& known : POWERPOINT_FORMATS)
        if (majorVersion >= known.firstVersion && _wcsicmp(extension.c_str(), known.extension) == 0)
            return known.format;
    return NO_FORMAT;
}

// The text after the first "." of a name, or the default extension without
// its dot when the name has none.
std::wstring ExtensionOf(const std::wstring& name, const wchar_t* defaultExtension)
{
    size_t dot = name.find(L'.');
    return dot == std::wstring::npos ? std::wstring(defaultExtension + 1) : name.substr(dot + 1);
}

bool IsFile(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void DeleteIfFile(const std::wstring& path)
{
    if (IsFile(path))
        DeleteFileW(path.c_str());
}

// A method with a file name argument (SaveAs, SaveCopyAs of Excel and
// PowerPoint), and for PowerPoint the file format when there is one.
HRESULT CallWithFileName(IDispatch* object, const wchar_t* method, const std::wstring& fileName,
                         long format = NO_FORMAT)
{
    _variant_t args[2];
    args[1] = _variant_t(fileName.c_str());
    args[0] = _variant_t(format, VT_I4);
    _variant_t result;
    if (format == NO_FORMAT)
        return CallMethod(object, method, &result, 1, &args[1]);
    return CallMethod(object, method, &result, 2, args);
}

// Word's SaveAs always takes five arguments: FileName, FileFormat,
// LockComments, Password and AddToRecentFiles. A given Password becomes the
// password of the file written, so it is left out: the document keeps the
// protection it has.
HRESULT WordSaveAs(IDispatch* document, const std::wstring& fileName, long format)
{
    _variant_t args[5];
    args[4] = _variant_t(fileName.c_str());
    args[3] = _variant_t(format, VT_I4);
    args[2] = _variant_t(static_cast<short>(0));
    args[1] = MissingArgument();
    args[0] = _variant_t(static_cast<short>(0));
    _variant_t result;
    return CallMethod(document, L"SaveAs", &result, 5, args);
}

HRESULT SaveAs(OfficeApp app, IDispatch* document, const std::wstring& fileName, long wordFormat, int majorVersion)
{
    switch (app) {
    case OfficeApp::Word:
        return WordSaveAs(document, fileName, wordFormat);
    case OfficeApp::PowerPoint:
        return CallWithFileName(document, L"SaveAs", fileName, PowerPointFormatOf(fileName, majorVersion));
    default:
        return CallWithFileName(document, L"SaveAs", fileName);
    }
}

HRESULT Fail(const wchar_t* format, HRESULT hr)
{
    g_Log.Error(format, static_cast<unsigned>(hr));
    return hr;
}

// Excel asks before SaveAs replaces a file; with its alerts off it takes
// the answer yes (Application.DisplayAlerts). The way back to a filed
// workbook's own file needs that answer, and nothing else may be put aside
// or replaced for it. The user's setting comes back afterwards.
class ExcelAlertsOff
{
public:
    explicit ExcelAlertsOff(IDispatch* application) : m_application(application)
    {
        long before = -1;
        if (SUCCEEDED(GetNumberProperty(application, L"DisplayAlerts", before)))
            m_before = before != 0;
        _variant_t off(false);
        m_hr = PutProperty(application, L"DisplayAlerts", &off);
    }
    ~ExcelAlertsOff()
    {
        if (FAILED(m_hr))
            return;
        _variant_t before(m_before);
        PutProperty(m_application, L"DisplayAlerts", &before);
    }
    ExcelAlertsOff(const ExcelAlertsOff&) = delete;
    ExcelAlertsOff& operator=(const ExcelAlertsOff&) = delete;

    HRESULT Result() const { return m_hr; }

private:
    IDispatch* m_application;
    bool m_before = true;
    HRESULT m_hr;
};

// One capture: the host's document and the names it is saved under.
struct Capture {
    const SaverTexts& host;
    IDispatch* application;
    IDispatch* document;
    int majorVersion;
    std::wstring folder;
    const wchar_t* defaultExtension;
    std::wstring ownPath; // the document's Path
    bool filed = false;
    std::wstring tempPath;  // unfiled: the file the document stays tied to
    std::wstring extension; // unfiled: the copy's
    std::wstring fullName;  // Word: where the document is saved back to
    // Excel, filed: where the workbook is tied back to when SaveCopyAs is
    // refused, or why there is no way back.
    std::wstring ownFile;
    HRESULT ownFileHr = E_UNEXPECTED;
    std::wstring copyPath;
    long wordFormat = WORD_FORMAT_DOC;
};

// Word writes whatever format it is given under any name, so the format of
// the file it opened (RTF, text, a template...), read-only or not, is kept.
// Only a document never saved, or one whose format Word cannot say, goes by
// its name: the first known extension in `named`, or without one (null) the
// version's default.
long ChooseWordFormat(const Capture& c, const std::wstring* named)
{
    const long byName = named ? WordFormatOf(LowerAsciiLetters(*named))
                              : (c.majorVersion < 12 ? WORD_FORMAT_DOC : WORD_FORMAT_DOCX);
    if (c.ownPath.empty())
        return byName;
    long ownFormat = 0;
    HRESULT hr = GetNumberProperty(c.document, L"SaveFormat", ownFormat);
    if (SUCCEEDED(hr))
        return ownFormat;
    g_Log.Warning(WORD_FORMAT_UNREAD, static_cast<int>(byName), static_cast<unsigned>(hr));
    return byName;
}

// The copy's path: a filed document's under its own name, an unfiled one's
// under a name of the time with the extension the capture took.
std::wstring CopyPathOf(const Capture& c, const std::wstring& name)
{
    if (c.filed)
        return c.folder + MakeSafeFileName(name.c_str());
    wchar_t stamp[16];
    FormatText(stamp, _countof(stamp), L"%08X", static_cast<unsigned>(time(nullptr)));
    return c.folder + L"dovrane_" + stamp + L"." + c.extension;
}

HRESULT ReadWordFullName(Capture& c)
{
    HRESULT hr;
    if (FAILED(hr = GetTextProperty(c.document, L"FullName", c.fullName)))
        return Fail(WORD_FULLNAME_FAILED, hr);
    if (!FitsDocumentPath(c.fullName))
        return Fail(WORD_FULLNAME_FAILED, E_PATH_TOO_LONG);
    return S_OK;
}

// Every name the capture saves under, and the way back, is found and
// measured before the first save: a name found too long later would leave
// the document saved, or tied to a file in the hand-off folder, for
// nothing.
HRESULT PlanNames(Capture& c)
{
    HRESULT hr;
    std::wstring hostName;
    if (FAILED(hr = GetTextProperty(c.document, L"Name", hostName)))
        return Fail(c.host.nameFailed, hr);
    const bool isWord = c.host.app == OfficeApp::Word;
    if (c.filed) {
        if (isWord) {
            if (FAILED(hr = ReadWordFullName(c)))
                return hr;
            c.wordFormat = ChooseWordFormat(c, &c.fullName);
        } else if (c.host.app == OfficeApp::Excel) {
            // Only needed when Excel refuses SaveCopyAs; its failure ends
            // the capture there, before the workbook is tied to the copy.
            // For a workbook at a web address this is the address.
            c.ownFileHr = GetTextProperty(c.document, L"FullName", c.ownFile);
            if (SUCCEEDED(c.ownFileHr) && (c.ownFile.empty() || !FitsDocumentPath(c.ownFile)))
                c.ownFileHr = c.ownFile.empty() ? E_UNEXPECTED : E_PATH_TOO_LONG;
        }
    } else {
        // The name comes from the document: it must name a file in the
        // hand-off folder, not a device or a place outside it.
        const std::wstring name = MakeSafeFileName(hostName.c_str());
        const bool hasDot = name.find(L'.') != std::wstring::npos;
        c.tempPath = c.folder + name + (hasDot ? L"" : c.defaultExtension);
        if (isWord) {
            if (hasDot)
                c.tempPath = LowerAsciiLetters(c.tempPath);
            c.wordFormat = ChooseWordFormat(c, hasDot ? &c.tempPath : nullptr);
        }
        // Excel and PowerPoint take the extension again from the name the
        // first save leaves; for the name built here it is the same.
        c.extension = ExtensionOf(name, c.defaultExtension);
        if (!FitsDocumentPath(c.tempPath))
            return Fail(c.host.firstSaveFailed, E_PATH_TOO_LONG);
    }
    if (!FitsDocumentPath(CopyPathOf(c, hostName)))
        return Fail(c.host.copyFailed, E_PATH_TOO_LONG);
    return S_OK;
}

// So that the file on disk, or the temporary file of an unfiled document,
// holds what the user sees.
HRESULT SaveFirst(Capture& c)
{
    HRESULT hr;
    if (c.filed) {
        _variant_t result;
        if (FAILED(hr = CallMethod(c.document, L"Save", &result, 0, nullptr)))
            return Fail(c.host.saveFailed, hr);
        return S_OK;
    }
    g_Log.Info(L"Temporary file to save initially created document is %s\n", c.tempPath.c_str());
    DeleteIfFile(c.tempPath);
    if (FAILED(hr = SaveAs(c.host.app, c.document, c.tempPath, c.wordFormat, c.majorVersion)))
        return Fail(c.host.firstSaveFailed, hr);
    // Word now holds the document as the temporary file: that is where it
    // goes back to after the copy.
    if (c.host.app == OfficeApp::Word)
        return ReadWordFullName(c);
    return S_OK;
}

HRESULT NameTheCopy(Capture& c)
{
    std::wstring currentName;
    HRESULT hr;
    if (FAILED(hr = GetTextProperty(c.document, L"Name", currentName)))
        return Fail(c.host.nameFailed, hr);
    if (!c.filed && c.host.app != OfficeApp::Word)
        c.extension = ExtensionOf(currentName, c.defaultExtension);
    c.copyPath = CopyPathOf(c, currentName);
    if (!FitsDocumentPath(c.copyPath))
        return Fail(c.host.copyFailed, E_PATH_TOO_LONG);
    DeleteIfFile(c.copyPath);
    return S_OK;
}

HRESULT CopyPowerPoint(const Capture& c)
{
    HRESULT hr = CallWithFileName(c.document, L"SaveCopyAs", c.copyPath, PowerPointFormatOf(c.copyPath, c.majorVersion));
    return FAILED(hr) ? Fail(c.host.copyFailed, hr) : S_OK;
}

// Excel refuses SaveCopyAs now and then; SaveAs to the copy then ties the
// workbook to it, so it is tied back at once: an unfiled one to its
// temporary file, a filed one to its own file (or address). Whatever the
// way back needs is had before the workbook is tied to the copy.
HRESULT CopyExcel(const Capture& c)
{
    HRESULT hr = CallWithFileName(c.document, L"SaveCopyAs", c.copyPath);
    if (SUCCEEDED(hr))
        return S_OK;
    g_Log.Info(EXCEL_COPY_REFUSED, static_cast<unsigned>(hr));
    if (!c.filed) {
        if (FAILED(hr = CallWithFileName(c.document, L"SaveAs", c.copyPath)))
            return Fail(c.host.copyFailed, hr);
        DeleteIfFile(c.tempPath);
        hr = CallWithFileName(c.document, L"SaveAs", c.tempPath);
        return FAILED(hr) ? Fail(c.host.copyFailed, hr) : S_OK;
    }
    if (FAILED(c.ownFileHr))
        return Fail(c.host.copyFailed, c.ownFileHr);
    // The workbook's own file holds what the copy holds (it was saved just
    // before); SaveAs writes it again.
    ExcelAlertsOff alertsOff(c.application);
    if (FAILED(hr = alertsOff.Result()))
        return Fail(c.host.copyFailed, hr);
    if (FAILED(hr = CallWithFileName(c.document, L"SaveAs", c.copyPath)))
        return Fail(c.host.copyFailed, hr);
    if (FAILED(hr = CallWithFileName(c.document, L"SaveAs", c.ownFile))) {
        g_Log.Error(EXCEL_TIE_BACK_FAILED, c.ownFile.c_str(), c.copyPath.c_str(), static_cast<unsigned>(hr));
        return Fail(c.host.copyFailed, hr);
    }
    return S_OK;
}

// Word's only copy is SaveAs, which ties the document to the copy; it goes
// back to where it came from, a web address included (SaveAs takes the
// address), so that the user's later edits reach the original. When that
// fails the user's saves would go into the hand-off folder unseen: the
// capture fails, with the place named, and nothing is handed off.
HRESULT CopyWord(const Capture& c)
{
    HRESULT hr;
    if (FAILED(hr = WordSaveAs(c.document, c.copyPath, c.wordFormat)))
        return Fail(c.host.copyFailed, hr);
    if (FAILED(hr = WordSaveAs(c.document, c.fullName, c.wordFormat))) {
        g_Log.Error(WORD_SAVE_BACK_FAILED, c.fullName.c_str(), c.copyPath.c_str(), static_cast<unsigned>(hr));
        return Fail(c.host.copyFailed, hr);
    }
    return S_OK;
}

HRESULT MakeCopy(const Capture& c)
{
    switch (c.host.app) {
    case OfficeApp::Word: return CopyWord(c);
    case OfficeApp::Excel: return CopyExcel(c);
    default: return CopyPowerPoint(c);
    }
}

void ReadDocumentProperties(IDispatch* document, CPropertyCollection* props)
{
    HRESULT hr;
    _variant_t custom;
    if (FAILED(hr = GetProperty(document, L"CustomDocumentProperties", &custom)))
        g_Log.Warning(L"Can't get custom document properties! hr = 0x%08X\n", hr);
    else
        CopyProperties(&custom, 0, props);
    _variant_t builtIn;
    if (FAILED(hr = GetProperty(document, L"BuiltInDocumentProperties", &builtIn)))
        g_Log.Warning(L"Can't get built-in document properties! hr = 0x%08X\n", hr);
    else
        CopyProperties(&builtIn, 1, props);
}

HRESULT SaveOfficeDocument(const SaverTexts& host, IDispatch* application, wchar_t* documentPath,
                           CPropertyCollection* props, int majorVersion)
{
    g_Log.Info(host.entry);

    wchar_t folderBuffer[DOCUMENT_PATH_CHARS];
    if (!CreateInboxDataFolder(folderBuffer, DOCUMENT_PATH_CHARS)) {
        g_Log.Error(host.noFolder);
        return E_FAIL;
    }

    _variant_t documentValue;
    HRESULT hr = GetProperty(application, host.activeObject, &documentValue);
    if (FAILED(hr))
        return Fail(host.activeObjectFailed, hr);
    Capture c{host, application, V_VT(&documentValue) == VT_DISPATCH ? V_DISPATCH(&documentValue) : nullptr,
              majorVersion, folderBuffer, majorVersion < 12 ? host.oldExtension : host.newExtension};

    if (FAILED(hr = GetTextProperty(c.document, L"Path", c.ownPath)))
        return Fail(host.pathFailed, hr);
    long readOnly = 0;
    if (FAILED(hr = GetNumberProperty(c.document, L"ReadOnly", readOnly)))
        return Fail(READONLY_FAILED, hr);
    c.filed = !c.ownPath.empty() && readOnly == 0;

    if (FAILED(hr = PlanNames(c)) || FAILED(hr = SaveFirst(c)) || FAILED(hr = NameTheCopy(c)) ||
        FAILED(hr = MakeCopy(c)))
        return hr;

    CopyText(documentPath, DOCUMENT_PATH_CHARS, c.copyPath.c_str());
    ReadDocumentProperties(c.document, props);

    if (host.app == OfficeApp::Word && c.filed) {
        _variant_t saved(static_cast<short>(-1));
        if (FAILED(hr = PutProperty(c.document, L"Saved", &saved)))
            return Fail(WORD_SAVED_FAILED, hr);
    }
    g_Log.Info(host.exit);
    return S_OK;
}

} // namespace

HRESULT SaveWordDocument(IDispatch* application, wchar_t* documentPath, CPropertyCollection* props, int majorVersion)
{
    return SaveOfficeDocument(WORD_SAVER, application, documentPath, props, majorVersion);
}

HRESULT SaveExcelDocument(IDispatch* application, wchar_t* documentPath, CPropertyCollection* props, int majorVersion)
{
    return SaveOfficeDocument(EXCEL_SAVER, application, documentPath, props, majorVersion);
}

HRESULT SavePowerPointDocument(IDispatch* application, wchar_t* documentPath, CPropertyCollection* props,
                               int majorVersion)
{
    return SaveOfficeDocument(POWERPOINT_SAVER, application, documentPath, props, majorVersion);
}
