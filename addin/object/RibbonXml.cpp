// The ribbon: the XML the host asks for per ribbon kind, and the callback
// names behind the add-in's IDispatch members.
#include "MarvikAddin.h"

#include "DispatchHelpers.h"
#include "LanguageText.h"
#include "LogFile.h"
#include "ServerModule.h"

#include <cwchar>
#include <string>

namespace {

const wchar_t EXPLORER_RIBBON[] = L"Microsoft.Outlook.Explorer";
const wchar_t MAIL_READ_RIBBON[] = L"Microsoft.Outlook.Mail.Read";

// Compared exactly: the host names its ribbon kinds in this spelling.
const wchar_t* const g_ribbonIds[] = {
    EXPLORER_RIBBON, MAIL_READ_RIBBON,           L"Microsoft.Word.Document",
    L"Microsoft.PowerPoint.Presentation", L"Microsoft.Excel.Workbook",
};

struct CallbackName {
    const wchar_t* name;
    DISPID id;
};

const CallbackName g_callbacks[] = {
    {L"MarvikAddin.Archive", DISPID_ADDIN_ARCHIVE},
    {L"MarvikAddin.Settings", DISPID_ADDIN_SETTINGS},
    {L"MarvikAddin.Info", DISPID_ADDIN_INFO},
    {L"MarvikAddin.GetImage", DISPID_ADDIN_GETIMAGE},
    {L"MarvikAddin.Attachment", DISPID_ADDIN_ATTACHMENT},
    {L"MarvikAddin.ArchiveSingleOutlook", DISPID_ADDIN_ARCHIVESINGLEOUTLOOK},
    {L"MarvikAddin.AttachmentSingleOutlook", DISPID_ADDIN_ATTACHMENTSINGLEOUTLOOK},
};

// Rooms of the texts, without their NUL.
const size_t LABEL_CHARS = 31;
const size_t LONG_TEXT_CHARS = 1023;

const UINT IDS_ARCHIVE_LABEL = 8025;
const UINT IDS_SETTINGS_LABEL = 8026;
const UINT IDS_INFO_LABEL = 8027;
const UINT IDS_ARCHIVE_TIP = 8039;
const UINT IDS_SETTINGS_TIP = 8040;
const UINT IDS_INFO_TIP = 8041;
const UINT IDS_TAB_LABEL = 8045;
const UINT IDS_ATTACHMENT_LABEL = 8046;
const UINT IDS_ATTACHMENT_TIP = 8049;

const wchar_t P1[] = L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\" "
                     L"loadImage=\"MarvikAddin.GetImage\"> <ribbon>   <tabs>    <tab id=\"marvikTab\"         label=\"";
const wchar_t P2[] = L"\">     <group id=\"marvikGroup\"            label=\"";
const wchar_t P3[] = L"\">";
const wchar_t P4[] = L"      <button id=\"";
const wchar_t P6[] = L"\"               supertip=\"";
const wchar_t P7[] = L"\"               onAction=\"";
const wchar_t P8[] = L"\"/>";
const wchar_t P9[] = L"\t\t<separator id=\"separator1\"/>";
const wchar_t P10[] = L"\t\t<button id=\"";
const wchar_t P12[] = L"\"\t\t\t\t onAction=\"";
const wchar_t P13[] = L"     </group>    </tab>   </tabs> </ribbon></customUI>";

std::wstring LargeImagePiece(const wchar_t* image)
{
    return std::wstring(L"\"               image=\"") + image + L"\"               size=\"large\"               label=\"";
}

std::wstring SmallImagePiece(const wchar_t* image)
{
    return std::wstring(L"\"               image=\"") + image + L"\"               size=\"large\"\t\t\t\t label=\"";
}

// A text from the language file or the string table, cut to its room and
// escaped, so that a translation with "&" or "<" does not make the host
// drop the whole ribbon.
std::wstring RibbonText(UINT id, size_t room)
{
    std::wstring buffer(room + 1, L'\0');
    LoadText(GetServerInstance(), &buffer[0], room + 1, id);
    std::wstring escaped;
    for (const wchar_t* c = buffer.c_str(); *c; ++c) {
        switch (*c) {
        case L'&': escaped += L"&amp;"; break;
        case L'<': escaped += L"&lt;"; break;
        case L'>': escaped += L"&gt;"; break;
        case L'"': escaped += L"&quot;"; break;
        default: escaped += *c;
        }
    }
    return escaped;
}

struct Button {
    const wchar_t* openPiece;
    const wchar_t* id;
    std::wstring imagePiece;
    std::wstring label;
    std::wstring supertip;
    const wchar_t* actionPiece;
    const wchar_t* callback;

    std::wstring Xml() const
    {
        return openPiece + std::wstring(id) + imagePiece + label + P6 + supertip + actionPiece + callback + P8;
    }
};

bool IsKnownRibbon(const wchar_t* ribbonId)
{
    for (const wchar_t* known : g_ribbonIds)
        if (wcscmp(ribbonId, known) == 0)
            return true;
    return false;
}

// Argument 0 of a callback as the given type, by value or by reference.
const VARIANT* CallbackArgument(const DISPPARAMS& params, VARTYPE type, HRESULT* hr)
{
    if (params.cArgs < 1 || !params.rgvarg) {
        *hr = DISP_E_BADPARAMCOUNT;
        return nullptr;
    }
    const VARIANT* arg = &params.rgvarg[0];
    if (V_VT(arg) != type && !(V_VT(arg) == (type | VT_BYREF) && V_BYREF(arg))) {
        *hr = DISP_E_TYPEMISMATCH;
        return nullptr;
    }
    *hr = S_OK;
    return arg;
}

} // namespace

STDMETHODIMP CMarvikAddin::GetCustomUI(BSTR ribbonId, BSTR* ribbonXml)
{
    return CallNoThrow([&]() -> HRESULT {
        if (!ribbonXml)
            return E_POINTER;
        const wchar_t* id = ribbonId ? ribbonId : L"";
        g_Log.Info(L"RibbonID: %s\n", id);
        bool mailRead = wcscmp(id, MAIL_READ_RIBBON) == 0;
        if (!IsKnownRibbon(id))
            return S_OK;

        Button archive = {P4,
                          L"KVPMBTVX2_0001",
                          LargeImagePiece(L"resource.bin"),
                          RibbonText(IDS_ARCHIVE_LABEL, LABEL_CHARS),
                          RibbonText(IDS_ARCHIVE_TIP, LONG_TEXT_CHARS),
                          P7,
                          mailRead ? L"MarvikAddin.ArchiveSingleOutlook" : L"MarvikAddin.Archive"};
        Button attachment = {P4,
                             L"KVPMBTVX2_0004",
                             LargeImagePiece(L"resource_attachment.bin"),
                             RibbonText(IDS_ATTACHMENT_LABEL, LABEL_CHARS),
                             RibbonText(IDS_ATTACHMENT_TIP, LONG_TEXT_CHARS),
                             P7,
                             mailRead ? L"MarvikAddin.AttachmentSingleOutlook" : L"MarvikAddin.Attachment"};
        Button settingsButton = {P10,
                                 L"KVPMBTVX2_0002",
                                 SmallImagePiece(L"resource_setting.bin"),
                                 RibbonText(IDS_SETTINGS_LABEL, LABEL_CHARS),
                                 RibbonText(IDS_SETTINGS_TIP, LONG_TEXT_CHARS),
                                 P7,
                                 L"MarvikAddin.Settings"};
        Button info = {P10,
                       L"KVPMBTVX2_0003",
                       SmallImagePiece(L"resource_info.bin"),
                       RibbonText(IDS_INFO_LABEL, LABEL_CHARS),
                       RibbonText(IDS_INFO_TIP, LONG_TEXT_CHARS),
                       P12,
                       L"MarvikAddin.Info"};
        std::wstring tabLabel = RibbonText(IDS_TAB_LABEL, LONG_TEXT_CHARS);

        // The XML follows the registry at the moment the host asks, not the
        // add-in's settings of its start-up.
        CKQCSettings settings;
        HRESULT hr = LoadSettings(&settings);
        if (FAILED(hr)) {
            g_Log.Error(L"Failed to load settings!\n");
            return hr;
        }

        std::wstring xml = P1 + tabLabel + P2 + tabLabel + P3 + archive.Xml();
        bool noSettings = settings.GetNumber(SZ_NOSETTINGS) != 0;
        if (noSettings) {
            xml += P9 + info.Xml() + P13;
        } else {
            // Office may ask for the ribbon before OnStartupComplete has
            // named the host; an Outlook ribbon then says where we run.
            bool inOutlook = m_hostKind == HOST_OUTLOOK ||
                             (m_hostKind == HOST_NONE && (mailRead || wcscmp(id, EXPLORER_RIBBON) == 0));
            if (inOutlook && settings.GetNumber(SZ_ATTACHMENTS) != 0)
                xml += attachment.Xml();
            xml += P9 + settingsButton.Xml() + info.Xml() + P13;
        }

        BSTR result = SysAllocStringLen(xml.data(), static_cast<UINT>(xml.size()));
        if (!result)
            return E_OUTOFMEMORY;
        *ribbonXml = result;
        g_Log.Info(noSettings ? L"returning RibbonXML (no settings)\n" : L"returning RibbonXML\n");
        return S_OK;
    });
}

STDMETHODIMP CMarvikAddin::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    return CallNoThrow([&]() -> HRESULT {
        if (!IsEqualIID(iid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids)
            return E_POINTER;
        if (count != 1)
            return E_INVALIDARG;
        if (names[0]) {
            for (const CallbackName& callback : g_callbacks) {
                if (wcscmp(names[0], callback.name) == 0) {
                    ids[0] = callback.id;
                    return S_OK;
                }
            }
        }
        return DISP_E_UNKNOWNNAME;
    });
}

STDMETHODIMP CMarvikAddin::Invoke(DISPID id, REFIID iid, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO*, UINT*)
{
    return CallNoThrow([&]() -> HRESULT {
        if (!IsEqualIID(iid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        if (!params)
            return E_POINTER;
        HRESULT hr = S_OK;
        switch (id) {
        case DISPID_ADDIN_ARCHIVE:
            OnArchive();
            return S_OK;
        case DISPID_ADDIN_SETTINGS:
            OnSettings();
            return S_OK;
        case DISPID_ADDIN_INFO:
            OnAbout();
            return S_OK;
        case DISPID_ADDIN_ATTACHMENT:
            OnAttachment(nullptr);
            return S_OK;
        case DISPID_ADDIN_GETIMAGE: {
            const VARIANT* name = CallbackArgument(*params, VT_BSTR, &hr);
            if (!name)
                return hr;
            BSTR text = V_VT(name) & VT_BYREF ? *V_BSTRREF(name) : V_BSTR(name);
            return GetImage(text ? text : L"", result);
        }
        case DISPID_ADDIN_ARCHIVESINGLEOUTLOOK:
        case DISPID_ADDIN_ATTACHMENTSINGLEOUTLOOK: {
            const VARIANT* control = CallbackArgument(*params, VT_DISPATCH, &hr);
            if (!control)
                return hr;
            IDispatch* controlObject = V_VT(control) & VT_BYREF ? *V_DISPATCHREF(control) : V_DISPATCH(control);
            _variant_t context;
            if (SUCCEEDED(GetProperty(controlObject, L"Context", &context))) {
                IDispatch* contextObject = V_VT(&context) == VT_DISPATCH ? V_DISPATCH(&context) : nullptr;
                if (id == DISPID_ADDIN_ARCHIVESINGLEOUTLOOK)
                    OnArchiveSingleOutlook(contextObject);
                else
                    OnAttachmentSingleOutlook(contextObject);
            }
            return S_OK;
        }
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    });
}
