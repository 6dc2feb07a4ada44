#include "FakeOffice.h"

#include <cwchar>

namespace doubles {

// Word's "This file is read-only", its "command not available because no
// document is open", and Excel's 1004 after a declined question: the
// automation errors the hosts raise (FACILITY_CONTROL with the host's own
// error number).
const HRESULT HOST_E_READONLY = static_cast<HRESULT>(0x800A1066);
const HRESULT HOST_E_NOT_SAVED_YET = static_cast<HRESULT>(0x800A13E9);
const HRESULT HOST_E_REPLACE_DECLINED = static_cast<HRESULT>(0x800A03EC);
const HRESULT HOST_E_NO_DOCUMENT = static_cast<HRESULT>(0x800A1098);

namespace {

using State = std::shared_ptr<OfficeDocumentState>;

const wchar_t* DefaultExtension(OfficeApp app, int majorVersion)
{
    bool old = majorVersion < 12;
    switch (app) {
    case OfficeApp::Word: return old ? L".doc" : L".docx";
    case OfficeApp::Excel: return old ? L".xls" : L".xlsx";
    default: return old ? L".ppt" : L".pptx";
    }
}

struct FormatExtension {
    long format;
    const wchar_t* extension;
};

// WdSaveFormat values with the extension of each.
const FormatExtension WORD_FORMATS[] = {{0, L".doc"},   {1, L".dot"},   {2, L".txt"},   {6, L".rtf"},
                                        {8, L".htm"},   {8, L".html"},  {12, L".docx"}, {13, L".docm"},
                                        {14, L".dotx"}, {15, L".dotm"}, {23, L".odt"}};
// PpSaveAsFileType values with the extension of each.
const FormatExtension POWERPOINT_FORMATS[] = {{1, L".ppt"},   {5, L".pot"},   {7, L".pps"},   {8, L".ppa"},
                                              {24, L".pptx"}, {25, L".pptm"}, {26, L".potx"}, {27, L".potm"},
                                              {28, L".ppsx"}, {29, L".ppsm"}, {30, L".ppam"}, {31, L".thmx"},
                                              {35, L".odp"}};
const long PP_SAVE_AS_DEFAULT = 11;

template <size_t N>
const wchar_t* ExtensionOfFormat(const FormatExtension (&table)[N], long format, const wchar_t* otherwise)
{
    for (const FormatExtension& entry : table)
        if (entry.format == format)
            return entry.extension;
    return otherwise;
}

template <size_t N>
long FormatOfExtension(const FormatExtension (&table)[N], const std::wstring& extension, long otherwise)
{
    for (const FormatExtension& entry : table)
        if (_wcsicmp(extension.c_str(), entry.extension) == 0)
            return entry.format;
    return otherwise;
}

const wchar_t* WordFormatExtension(long format)
{
    return ExtensionOfFormat(WORD_FORMATS, format, L".doc");
}

long DefaultFormat(OfficeApp app, int majorVersion)
{
    bool old = majorVersion < 12;
    switch (app) {
    case OfficeApp::Word: return old ? 0 : 12;
    case OfficeApp::PowerPoint: return old ? 1 : 24;
    default: return 0;
    }
}

// The format of a file by its extension; the version's default for one
// the host has no format of.
long FormatOfName(OfficeApp app, int majorVersion, const std::wstring& path)
{
    size_t dot = path.find_last_of(L'.');
    std::wstring ext = dot == std::wstring::npos ? std::wstring() : path.substr(dot);
    long otherwise = DefaultFormat(app, majorVersion);
    switch (app) {
    case OfficeApp::Word: return FormatOfExtension(WORD_FORMATS, ext, otherwise);
    case OfficeApp::PowerPoint: return FormatOfExtension(POWERPOINT_FORMATS, ext, otherwise);
    default: return otherwise;
    }
}

bool IsWebAddress(const std::wstring& name)
{
    return _wcsnicmp(name.c_str(), L"http://", 7) == 0 || _wcsnicmp(name.c_str(), L"https://", 8) == 0;
}

size_t NameStart(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? 0 : slash + 1;
}

std::wstring NameOf(const OfficeDocumentState& s)
{
    return s.fullName.empty() ? s.untitledName : s.fullName.substr(NameStart(s.fullName));
}

std::wstring PathOf(const OfficeDocumentState& s)
{
    if (s.fullName.empty())
        return std::wstring();
    size_t start = NameStart(s.fullName);
    return start == 0 ? std::wstring() : s.fullName.substr(0, start - 1);
}

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

bool FileExists(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Bytes(const OfficeDocumentState& s, long format)
{
    if (s.app == OfficeApp::Excel)
        return s.content;
    std::string bytes = s.content + "\nformat=" + std::to_string(format);
    if (!s.password.empty())
        bytes += "\npassword=" + std::string(s.password.begin(), s.password.end());
    return bytes;
}

HRESULT WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return HRESULT_FROM_WIN32(GetLastError());
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

HRESULT SetResult(VARIANT* result, const _variant_t& value)
{
    if (!result)
        return S_OK;
    VariantInit(result);
    return VariantCopy(result, const_cast<VARIANT*>(static_cast<const VARIANT*>(&value)));
}

std::wstring ArgText(const Invocation& call, size_t index)
{
    const _variant_t& arg = call.args.at(index);
    return V_VT(&arg) == VT_BSTR && V_BSTR(&arg) ? V_BSTR(&arg) : L"";
}

// The document is held as what it was saved to.
void TieTo(OfficeDocumentState& s, const std::wstring& where, bool atWebAddress, long format)
{
    s.fullName = where;
    s.atWebAddress = atWebAddress;
    s.readOnly = false;
    s.saved = true;
    s.fileFormat = format;
}

// A file written for the document (or its content sent to a web address);
// with tie, the document is then held as that file or address.
HRESULT SaveTo(OfficeDocumentState& s, std::wstring name, bool tie, bool replaceRefused, long format)
{
    if (IsWebAddress(name)) {
        // The server keeps what it gets.
        s.webContent = s.content;
        s.written.push_back(name);
        if (tie)
            TieTo(s, name, true, format);
        return S_OK;
    }
    wchar_t full[MAX_PATH * 2];
    DWORD n = GetFullPathNameW(name.c_str(), _countof(full), full, nullptr);
    if (n == 0 || n >= _countof(full))
        return HRESULT_FROM_WIN32(ERROR_BAD_PATHNAME);
    std::wstring path(full);
    if (path.find(L'.', NameStart(path)) == std::wstring::npos)
        path += s.app == OfficeApp::Word ? WordFormatExtension(format) : DefaultExtension(s.app, s.majorVersion);
    if (s.readOnly && !s.atWebAddress && SamePath(path, s.fullName))
        return HOST_E_READONLY;
    if (replaceRefused && FileExists(path))
        return HOST_E_REPLACE_DECLINED;
    HRESULT hr = WriteBytes(path, Bytes(s, format));
    if (FAILED(hr))
        return hr;
    s.written.push_back(path);
    if (tie)
        TieTo(s, path, false, format);
    return S_OK;
}

void AddDocumentMembers(FakeDispatch& doc, const State& state)
{
    doc.AddMember(L"Name", ACCESS_GET, {}, [state](FakeDispatch&, const Invocation&, VARIANT* result) {
        return SetResult(result, _variant_t(NameOf(*state).c_str()));
    });
    doc.AddMember(L"Path", ACCESS_GET, {}, [state](FakeDispatch&, const Invocation&, VARIANT* result) {
        return SetResult(result, _variant_t(PathOf(*state).c_str()));
    });
    doc.AddMember(L"FullName", ACCESS_GET, {}, [state](FakeDispatch&, const Invocation&, VARIANT* result) {
        const OfficeDocumentState& s = *state;
        return SetResult(result, _variant_t((s.fullName.empty() ? s.untitledName : s.fullName).c_str()));
    });
    // PowerPoint answers with an MsoTriState (msoTrue is -1), Word and Excel
    // with a Boolean.
    doc.AddMember(L"ReadOnly", ACCESS_GET, {}, [state](FakeDispatch&, const Invocation&, VARIANT* result) {
        if (state->app == OfficeApp::PowerPoint)
            return SetResult(result, _variant_t(state->readOnly ? -1L : 0L));
        return SetResult(result, _variant_t(state->readOnly));
    });
    doc.AddMember(L"Saved", ACCESS_GET | ACCESS_PUT, {}, [state](FakeDispatch&, const Invocation& call, VARIANT* result) {
        if (call.access == ACCESS_GET)
            return SetResult(result, _variant_t(state->saved));
        _variant_t value(call.args.back());
        HRESULT hr = VariantChangeType(&value, &value, 0, VT_BOOL);
        if (FAILED(hr))
            return hr;
        state->saved = V_BOOL(&value) != VARIANT_FALSE;
        return S_OK;
    });
    doc.AddMember(L"Save", ACCESS_METHOD, {}, [state](FakeDispatch&, const Invocation&, VARIANT* result) {
        OfficeDocumentState& s = *state;
        SetResult(result, _variant_t());
        if (s.fullName.empty())
            return HOST_E_NOT_SAVED_YET;
        if (s.readOnly)
            return HOST_E_READONLY;
        if (s.atWebAddress) {
            s.webContent = s.content;
            s.saved = true;
            return S_OK;
        }
        HRESULT hr = WriteBytes(s.fullName, Bytes(s, s.fileFormat));
        if (SUCCEEDED(hr)) {
            s.written.push_back(s.fullName);
            s.saved = true;
        }
        return hr;
    });

    switch (state->app) {
    case OfficeApp::Word:
        doc.AddMember(L"SaveFormat", ACCESS_GET, {}, [state](FakeDispatch&, const Invocation&, VARIANT* result) {
            return SetResult(result, _variant_t(state->fileFormat));
        });
        // FileName, FileFormat, LockComments, Password, AddToRecentFiles.
        doc.AddMember(L"SaveAs", ACCESS_METHOD,
                      {Required(VT_BSTR), Optional(VT_I4), Optional(VT_I2), Optional(VT_BSTR), Optional(VT_I2)},
                      [state](FakeDispatch&, const Invocation& call, VARIANT* result) {
                          SetResult(result, _variant_t());
                          long format = 0;
                          if (call.args.size() > 1 && !IsMissing(call.args[1]))
                              format = V_I4(&call.args[1]);
                          // A given Password is the password of the file
                          // written and of the document from then on, the
                          // empty text taken as no password; left out, the
                          // document keeps its own.
                          std::wstring password = state->password;
                          if (call.args.size() > 3 && !IsMissing(call.args[3]))
                              password = ArgText(call, 3);
                          std::wstring before = state->password;
                          state->password = password;
                          HRESULT hr = SaveTo(*state, ArgText(call, 0), true, false, format);
                          if (FAILED(hr))
                              state->password = before;
                          return hr;
                      });
        break;
    case OfficeApp::Excel:
        doc.AddMember(L"SaveAs", ACCESS_METHOD, {Required(VT_BSTR), Optional(VT_VARIANT)},
                      [state](FakeDispatch&, const Invocation& call, VARIANT* result) {
                          SetResult(result, _variant_t());
                          return SaveTo(*state, ArgText(call, 0), true, state->displayAlerts, 0);
                      });
        doc.AddMember(L"SaveCopyAs", ACCESS_METHOD, {Required(VT_BSTR)},
                      [state](FakeDispatch&, const Invocation& call, VARIANT* result) {
                          SetResult(result, _variant_t());
                          return SaveTo(*state, ArgText(call, 0), false, false, 0);
                      });
        break;
    case OfficeApp::PowerPoint: {
        // FileName, FileFormat (PpSaveAsFileType), EmbedTrueTypeFonts
        // (MsoTriState).
        auto save = [state](bool tie) {
            return [state, tie](FakeDispatch&, const Invocation& call, VARIANT* result) {
                SetResult(result, _variant_t());
                long format = PP_SAVE_AS_DEFAULT;
                if (call.args.size() > 1 && !IsMissing(call.args[1]))
                    format = V_I4(&call.args[1]);
                if (format == PP_SAVE_AS_DEFAULT)
                    format = DefaultFormat(state->app, state->majorVersion);
                return SaveTo(*state, ArgText(call, 0), tie, false, format);
            };
        };
        doc.AddMember(L"SaveAs", ACCESS_METHOD, {Required(VT_BSTR), Optional(VT_I4), Optional(VT_I4)}, save(true));
        doc.AddMember(L"SaveCopyAs", ACCESS_METHOD, {Required(VT_BSTR), Optional(VT_I4), Optional(VT_I4)},
                      save(false));
        break;
    }
    }
    doc.AddProperty(L"CustomDocumentProperties", _variant_t(static_cast<IDispatch*>(MakeDocumentProperties({}).GetInterfacePtr()), true));
    doc.AddProperty(L"BuiltInDocumentProperties", _variant_t(static_cast<IDispatch*>(MakeDocumentProperties({}).GetInterfacePtr()), true));
}

} // namespace

FakeDispatchPtr MakeDocumentProperties(const std::vector<DocumentPropertySpec>& properties)
{
    auto items = std::make_shared<std::vector<FakeDispatchPtr>>();
    auto failures = std::make_shared<std::vector<HRESULT>>();
    for (const DocumentPropertySpec& def : properties) {
        FakeDispatchPtr property = FakeDispatch::Create(L"DocumentProperty");
        property->AddProperty(L"Name", _variant_t(def.name.c_str()));
        property->AddProperty(L"Value", def.value);
        if (FAILED(def.valueFailure))
            property->FailInvoke(L"Value", 0, def.valueFailure);
        if (FAILED(def.nameFailure))
            property->FailInvoke(L"Name", 0, def.nameFailure);
        items->push_back(property);
        failures->push_back(def.itemFailure);
    }
    FakeDispatchPtr collection = FakeDispatch::Create(L"DocumentProperties");
    collection->AddProperty(L"Count", _variant_t(static_cast<long>(properties.size())));
    // Item is the collection's default property.
    collection->AddMember(
        L"Item", ACCESS_GET, {Required(VT_VARIANT)},
        [items, failures](FakeDispatch&, const Invocation& call, VARIANT* result) -> HRESULT {
            const _variant_t& index = call.args[0];
            FakeDispatch* found = nullptr;
            HRESULT failure = S_OK;
            if (V_VT(&index) == VT_BSTR) {
                for (const FakeDispatchPtr& item : *items)
                    if (_wcsicmp(_bstr_t(item->Property(L"Name")), V_BSTR(&index)) == 0)
                        found = item;
            } else {
                _variant_t number(index);
                if (FAILED(VariantChangeType(&number, &number, 0, VT_I4)))
                    return DISP_E_TYPEMISMATCH;
                long i = V_I4(&number);
                if (i >= 1 && i <= static_cast<long>(items->size())) {
                    found = (*items)[static_cast<size_t>(i - 1)];
                    failure = (*failures)[static_cast<size_t>(i - 1)];
                }
            }
            if (FAILED(failure))
                return failure;
            if (!found)
                return DISP_E_BADINDEX;
            return SetResult(result, _variant_t(static_cast<IDispatch*>(found), true));
        },
        DISPID_VALUE);
    return collection;
}

FakeDispatchPtr MakeRibbonControl(const std::wstring& id, IDispatch* context)
{
    FakeDispatchPtr control = FakeDispatch::Create(L"IRibbonControl");
    control->AddProperty(L"Id", _variant_t(id.c_str()));
    control->AddProperty(L"Tag", _variant_t(L""));
    control->AddProperty(L"Context", context ? _variant_t(context, true) : _variant_t());
    return control;
}

FakeDispatchPtr MakeHostApplication(const std::wstring& name, const std::wstring& version, bool withCommandBars)
{
    FakeDispatchPtr application = FakeDispatch::Create(L"Application");
    application->AddProperty(L"Name", _variant_t(name.c_str()));
    application->AddProperty(L"Version", _variant_t(version.c_str()));
    if (withCommandBars) {
        FakeDispatchPtr bars = FakeDispatch::Create(L"CommandBars");
        bars->AddProperty(L"Count", _variant_t(0L));
        application->AddProperty(L"CommandBars", _variant_t(static_cast<IDispatch*>(bars), true));
    }
    return application;
}

OfficeDocumentDouble::OfficeDocumentDouble(OfficeApp app, int majorVersion, const std::string& content)
    : m_state(std::make_shared<OfficeDocumentState>()), m_object(FakeDispatch::Create(L"Document"))
{
    m_state->app = app;
    m_state->majorVersion = majorVersion;
    m_state->content = content;
    AddDocumentMembers(*m_object, m_state);
    NeverSaved();
}

void OfficeDocumentDouble::NeverSaved(const std::wstring& untitledName)
{
    m_state->fileFormat = DefaultFormat(m_state->app, m_state->majorVersion);
    static const wchar_t* const untitled[] = {L"Dokument1", L"Mappe1", L"Pr\u00e4sentation1"};
    m_state->untitledName = untitledName.empty() ? untitled[static_cast<int>(m_state->app)] : untitledName;
    m_state->fullName.clear();
    m_state->atWebAddress = false;
    m_state->readOnly = false;
    m_state->saved = false;
}

void OfficeDocumentDouble::OpenFile(const std::wstring& path, bool readOnly)
{
    m_state->fileFormat = FormatOfName(m_state->app, m_state->majorVersion, path);
    WriteBytes(path, FileBytes());
    m_state->fullName = path;
    m_state->atWebAddress = false;
    m_state->readOnly = readOnly;
    m_state->saved = true;
}

void OfficeDocumentDouble::Protect(const std::wstring& password)
{
    m_state->password = password;
    if (!m_state->fullName.empty() && !m_state->atWebAddress)
        WriteBytes(m_state->fullName, FileBytes());
}

void OfficeDocumentDouble::OpenWebAddress(const std::wstring& url)
{
    m_state->fileFormat = FormatOfName(m_state->app, m_state->majorVersion, url);
    m_state->fullName = url;
    m_state->atWebAddress = true;
    m_state->readOnly = false;
    m_state->saved = true;
    m_state->webContent = m_state->content;
}

void OfficeDocumentDouble::Edit(const std::string& content)
{
    m_state->content = content;
    m_state->saved = false;
}

std::string OfficeDocumentDouble::FileBytes(long format) const
{
    return Bytes(*m_state, format < 0 ? m_state->fileFormat : format);
}

void OfficeDocumentDouble::SetCustomProperties(const std::vector<DocumentPropertySpec>& properties)
{
    m_object->SetProperty(L"CustomDocumentProperties",
                          _variant_t(static_cast<IDispatch*>(MakeDocumentProperties(properties).GetInterfacePtr()), true));
}

void OfficeDocumentDouble::SetBuiltInProperties(const std::vector<DocumentPropertySpec>& properties)
{
    m_object->SetProperty(L"BuiltInDocumentProperties",
                          _variant_t(static_cast<IDispatch*>(MakeDocumentProperties(properties).GetInterfacePtr()), true));
}

void OfficeDocumentDouble::Release()
{
    if (m_object)
        m_object->ClearObjectProperties();
    m_object = nullptr;
}

OfficeHostDouble::OfficeHostDouble(OfficeApp app, int majorVersion, const std::string& content)
    : m_app(app),
      m_application(MakeHostApplication(HostName(app), std::to_wstring(majorVersion) + L".0")),
      m_document(app, majorVersion, content)
{
    m_application->AddProperty(ActiveObjectName(app),
                               _variant_t(static_cast<IDispatch*>(m_document.Object()), true));
    if (app == OfficeApp::Word) {
        FakeDispatchPtr normal = FakeDispatch::Create(L"Template");
        normal->AddProperty(L"Saved", _variant_t(true), ACCESS_GET | ACCESS_PUT);
        m_application->AddProperty(L"CustomizationContext", _variant_t(static_cast<IDispatch*>(normal), true));
    }
    if (app == OfficeApp::Excel) {
        std::shared_ptr<OfficeDocumentState> state = m_document.m_state;
        m_application->AddMember(L"DisplayAlerts", ACCESS_GET | ACCESS_PUT, {},
                                 [state](FakeDispatch&, const Invocation& call, VARIANT* result) {
                                     if (call.access == ACCESS_GET)
                                         return SetResult(result, _variant_t(state->displayAlerts));
                                     _variant_t value(call.args.back());
                                     HRESULT hr = VariantChangeType(&value, &value, 0, VT_BOOL);
                                     if (FAILED(hr))
                                         return hr;
                                     state->displayAlerts = V_BOOL(&value) != VARIANT_FALSE;
                                     return S_OK;
                                 });
    }
}

OfficeHostDouble::~OfficeHostDouble()
{
    Release();
}

void OfficeHostDouble::CloseDocument()
{
    if (m_app == OfficeApp::Excel) {
        IDispatch* nothing = nullptr;
        m_application->SetProperty(ActiveObjectName(m_app), _variant_t(nothing, true));
    } else {
        m_application->SetProperty(ActiveObjectName(m_app), _variant_t());
        m_application->FailInvoke(ActiveObjectName(m_app), 0, HOST_E_NO_DOCUMENT);
    }
}

void OfficeHostDouble::Release()
{
    if (m_application)
        m_application->ClearObjectProperties();
    m_application = nullptr;
    m_document.Release();
}

const wchar_t* OfficeHostDouble::HostName(OfficeApp app)
{
    switch (app) {
    case OfficeApp::Word: return L"Microsoft Word";
    case OfficeApp::Excel: return L"Microsoft Excel";
    default: return L"Microsoft PowerPoint";
    }
}

const wchar_t* OfficeHostDouble::ActiveObjectName(OfficeApp app)
{
    switch (app) {
    case OfficeApp::Word: return L"ActiveDocument";
    case OfficeApp::Excel: return L"ActiveWorkbook";
    default: return L"ActivePresentation";
    }
}

} // namespace doubles
