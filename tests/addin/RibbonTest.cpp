// The ribbon as the host drives it: GetCustomUI through the
// IRibbonExtensibility vtable, the pictures through loadImage, and the
// callbacks by name through the add-in's IDispatch.
#include "AddinFixture.h"
#include "DialogWatcher.h"
#include "FakeOffice.h"
#include "OberlaneStandin.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <olectl.h>

#include <cstdlib>
#include <string>

using namespace doubles;

namespace {

std::wstring Blanks(int n)
{
    return std::wstring(static_cast<size_t>(n), L' ');
}

// The XML written out piece by piece as the host receives it.
std::wstring Head(const std::wstring& tab)
{
    return L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\" "
           L"loadImage=\"MarvikAddin.GetImage\">" + Blanks(1) + L"<ribbon>" + Blanks(3) + L"<tabs>" + Blanks(4) +
           L"<tab id=\"marvikTab\"" + Blanks(9) + L"label=\"" + tab + L"\">" + Blanks(5) +
           L"<group id=\"marvikGroup\"" + Blanks(12) + L"label=\"" + tab + L"\">";
}

std::wstring LargeButton(const std::wstring& id, const std::wstring& image, const std::wstring& label,
                         const std::wstring& tip, const std::wstring& action)
{
    return Blanks(6) + L"<button id=\"" + id + L"\"" + Blanks(15) + L"image=\"" + image + L"\"" + Blanks(15) +
           L"size=\"large\"" + Blanks(15) + L"label=\"" + label + L"\"" + Blanks(15) + L"supertip=\"" + tip + L"\"" +
           Blanks(15) + L"onAction=\"" + action + L"\"/>";
}

std::wstring SmallButton(const std::wstring& id, const std::wstring& image, const std::wstring& label,
                         const std::wstring& tip, const std::wstring& actionLead, const std::wstring& action)
{
    return L"\t\t<button id=\"" + id + L"\"" + Blanks(15) + L"image=\"" + image + L"\"" + Blanks(15) +
           L"size=\"large\"\t\t\t\t label=\"" + label + L"\"" + Blanks(15) + L"supertip=\"" + tip + L"\"" +
           actionLead + L"onAction=\"" + action + L"\"/>";
}

const std::wstring SEPARATOR = L"\t\t<separator id=\"separator1\"/>";
const std::wstring TAIL = Blanks(5) + L"</group>" + Blanks(4) + L"</tab>" + Blanks(3) + L"</tabs>" + Blanks(1) +
                          L"</ribbon></customUI>";

std::wstring Archive(const std::wstring& action, const std::wstring& label = L"Dokument ablegen")
{
    return LargeButton(L"KVPMBTVX2_0001", L"resource.bin", label, L"Dokument ablegen in die marvik dovrane VX",
                       action);
}

std::wstring Attachment(const std::wstring& action)
{
    return LargeButton(L"KVPMBTVX2_0004", L"resource_attachment.bin", L"Anh\u00e4nge ablegen",
                       L"Anh\u00e4nge ablegen in die marvik dovrane VX", action);
}

const std::wstring SETTINGS_BUTTON =
    SmallButton(L"KVPMBTVX2_0002", L"resource_setting.bin", L"Einstellungen",
                L"Einstellungen der marvik dovrane VX | Kelvara", Blanks(15), L"MarvikAddin.Settings");
const std::wstring INFO_BUTTON =
    SmallButton(L"KVPMBTVX2_0003", L"resource_info.bin", L"Info",
                L"Informationen \u00fcber die marvik dovrane VX | Kelvara", L"\t\t\t\t ", L"MarvikAddin.Info");

const std::wstring PLAIN_XML =
    Head(L"dovrane VX") + Archive(L"MarvikAddin.Archive") + SEPARATOR + SETTINGS_BUTTON + INFO_BUTTON + TAIL;
const std::wstring EXPLORER_XML = Head(L"dovrane VX") + Archive(L"MarvikAddin.Archive") +
                                  Attachment(L"MarvikAddin.Attachment") + SEPARATOR + SETTINGS_BUTTON + INFO_BUTTON +
                                  TAIL;
const std::wstring MAIL_READ_XML = Head(L"dovrane VX") + Archive(L"MarvikAddin.ArchiveSingleOutlook") +
                                   Attachment(L"MarvikAddin.AttachmentSingleOutlook") + SEPARATOR + SETTINGS_BUTTON +
                                   INFO_BUTTON + TAIL;
const std::wstring NO_SETTINGS_XML = Head(L"dovrane VX") + Archive(L"MarvikAddin.Archive") + SEPARATOR + INFO_BUTTON +
                                     TAIL;
const std::wstring NO_SETTINGS_MAIL_READ_XML =
    Head(L"dovrane VX") + Archive(L"MarvikAddin.ArchiveSingleOutlook") + SEPARATOR + INFO_BUTTON + TAIL;

class RibbonTest : public AddinTest
{
protected:
    void SetUp() override
    {
        AddinTest::SetUp();
        ASSERT_EQ(addin->QueryInterface(IID_IRibbonExtensibility, reinterpret_cast<void**>(&ribbon)), S_OK);
        ASSERT_EQ(addin->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&callbacks)), S_OK);
    }

    void ReleaseHost() override
    {
        if (application)
            application->ClearObjectProperties();
        application = nullptr;
    }

    void TearDown() override
    {
        if (application)
            Stop();
        ribbon->Release();
        callbacks->Release();
        AddinTest::TearDown();
    }

    void StartIn(const wchar_t* name, const wchar_t* version)
    {
        application = MakeHostApplication(name, version, std::wstring(name) != L"Outlook");
        ASSERT_EQ(Start(application), S_OK);
    }

    void SetGlobal(const wchar_t* name, DWORD value)
    {
        reg.SetNumber(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), name, value);
    }

    void SetGlobal(const wchar_t* name, const std::wstring& text)
    {
        reg.SetText(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), name, text);
    }

    // The XML for a ribbon id; "<none>" when GetCustomUI gave none.
    std::wstring CustomUI(const wchar_t* ribbonId, HRESULT expected = S_OK)
    {
        _bstr_t id(ribbonId);
        BSTR xml = nullptr;
        EXPECT_EQ(ribbon->GetCustomUI(id, &xml), expected);
        if (!xml)
            return L"<none>";
        std::wstring text(xml, SysStringLen(xml));
        SysFreeString(xml);
        return text;
    }

    HRESULT Invoke(DISPID id, std::vector<_variant_t> args, VARIANT* result = nullptr)
    {
        std::vector<VARIANT> raw(args.rbegin(), args.rend());
        DISPPARAMS params = {raw.empty() ? nullptr : raw.data(), nullptr, static_cast<UINT>(raw.size()), 0};
        return callbacks->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, nullptr,
                                 nullptr);
    }

    IRibbonExtensibility* ribbon = nullptr;
    IDispatch* callbacks = nullptr;
    FakeDispatchPtr application;
};

struct XmlCase {
    const char* label;
    const wchar_t* host;
    const wchar_t* ribbonId;
    DWORD noSettings;
    DWORD attachments;
    const std::wstring* xml; // null: no XML
};

class RibbonXmlTest : public RibbonTest, public testing::WithParamInterface<XmlCase>
{
};

TEST_P(RibbonXmlTest, IsTheHostsXmlByteForByte)
{
    const XmlCase& c = GetParam();
    SetGlobal(L"Nosettings", c.noSettings);
    SetGlobal(L"Attachments", c.attachments);
    StartIn(c.host, L"16.0");
    std::wstring xml = CustomUI(c.ribbonId);
    EXPECT_EQ(xml, c.xml ? *c.xml : L"<none>");
    EXPECT_TRUE(log.Contains(std::wstring(L"[INF] RibbonID: ") + c.ribbonId + L"\n"));
    if (c.xml) {
        EXPECT_TRUE(log.Contains(c.noSettings ? L"[INF] returning RibbonXML (no settings)\n"
                                              : L"[INF] returning RibbonXML\n"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ribbons, RibbonXmlTest,
    testing::Values(
        XmlCase{"Word", L"Microsoft Word", L"Microsoft.Word.Document", 0, 1, &PLAIN_XML},
        XmlCase{"Excel", L"Microsoft Excel", L"Microsoft.Excel.Workbook", 0, 1, &PLAIN_XML},
        XmlCase{"PowerPoint", L"Microsoft PowerPoint", L"Microsoft.PowerPoint.Presentation", 0, 1, &PLAIN_XML},
        XmlCase{"ExplorerWithAttachments", L"Outlook", L"Microsoft.Outlook.Explorer", 0, 1, &EXPLORER_XML},
        XmlCase{"ExplorerWithoutAttachments", L"Outlook", L"Microsoft.Outlook.Explorer", 0, 0, &PLAIN_XML},
        XmlCase{"MailReadWithAttachments", L"Outlook", L"Microsoft.Outlook.Mail.Read", 0, 1, &MAIL_READ_XML},
        XmlCase{"NoSettingsWord", L"Microsoft Word", L"Microsoft.Word.Document", 1, 0, &NO_SETTINGS_XML},
        XmlCase{"NoSettingsExplorer", L"Outlook", L"Microsoft.Outlook.Explorer", 1, 1, &NO_SETTINGS_XML},
        XmlCase{"NoSettingsMailRead", L"Outlook", L"Microsoft.Outlook.Mail.Read", 1, 1, &NO_SETTINGS_MAIL_READ_XML},
        XmlCase{"OtherCase", L"Microsoft Word", L"microsoft.word.document", 0, 0, nullptr},
        XmlCase{"OtherRibbon", L"Outlook", L"Microsoft.Outlook.Mail.Compose", 0, 1, nullptr},
        XmlCase{"OtherHost", L"Microsoft Visio", L"Microsoft.Visio.Drawing", 0, 0, nullptr}),
    [](const testing::TestParamInfo<XmlCase>& info) { return std::string(info.param.label); });

// Office may ask for the ribbon before OnStartupComplete: Outlook's ribbons
// still get the attachments button, the others do not.
TEST_F(RibbonTest, AskedBeforeStartUpTheRibbonIdNamesOutlook)
{
    SetGlobal(L"Attachments", 1);
    EXPECT_EQ(CustomUI(L"Microsoft.Outlook.Explorer"), EXPLORER_XML);
    EXPECT_EQ(CustomUI(L"Microsoft.Outlook.Mail.Read"), MAIL_READ_XML);
    EXPECT_EQ(CustomUI(L"Microsoft.Word.Document"), PLAIN_XML);
}

// The XML follows the registry when the host asks, not the add-in's start-up.
TEST_F(RibbonTest, FollowsTheRegistryAtTheMomentOfAsking)
{
    SetGlobal(L"Nosettings", 0);
    StartIn(L"Microsoft Word", L"16.0");
    SetGlobal(L"Nosettings", 1);
    EXPECT_EQ(CustomUI(L"Microsoft.Word.Document"), NO_SETTINGS_XML);
}

TEST_F(RibbonTest, RefusesANullOutTextAndReportsUnreadableSettings)
{
    StartIn(L"Microsoft Word", L"16.0");
    EXPECT_EQ(ribbon->GetCustomUI(_bstr_t(L"Microsoft.Word.Document"), nullptr), E_POINTER);
    RegistryFixture::DeleteAllSettings();
    EXPECT_EQ(CustomUI(L"Microsoft.Word.Document", E_ACCESSDENIED), L"<none>");
    EXPECT_TRUE(log.Contains(L"[ERR] Failed to load settings!\n"));
}

// A translation replaces the texts: cut to their room, and escaped so that
// the host still reads the XML.
TEST_F(RibbonTest, LanguageFileTextsAreCutAndEscaped)
{
    TempDir dir;
    std::wstring file = L"[8025]\r\n" + std::wstring(40, L'L') + L"\r\n[8045]\r\nA & B <\"C\">\r\n";
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(file.data()), file.size() * sizeof(wchar_t));
    dir.WriteFile(L"lang_xx.bin", bytes);
    SetGlobal(L"Dir", dir.Path());
    SetGlobal(L"l", std::wstring(L"xx"));
    StartIn(L"Microsoft Word", L"16.0");

    const std::wstring tab = L"A &amp; B &lt;&quot;C&quot;&gt;";
    std::wstring expected = Head(tab) + Archive(L"MarvikAddin.Archive", std::wstring(31, L'L')) + SEPARATOR +
                            SETTINGS_BUTTON + INFO_BUTTON + TAIL;
    EXPECT_EQ(CustomUI(L"Microsoft.Word.Document"), expected);
}

TEST_F(RibbonTest, GetIDsOfNamesKnowsTheSevenCallbacksExactly)
{
    const std::pair<const wchar_t*, DISPID> known[] = {
        {L"MarvikAddin.Archive", 1},         {L"MarvikAddin.Settings", 2},
        {L"MarvikAddin.Info", 3},            {L"MarvikAddin.GetImage", 4},
        {L"MarvikAddin.Attachment", 5},      {L"MarvikAddin.ArchiveSingleOutlook", 6},
        {L"MarvikAddin.AttachmentSingleOutlook", 7},
    };
    for (const auto& entry : known) {
        LPOLESTR name = const_cast<LPOLESTR>(entry.first);
        DISPID id = -99;
        EXPECT_EQ(callbacks->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        EXPECT_EQ(id, entry.second) << ToUtf8(entry.first);
    }
    for (const wchar_t* unknown : {L"Archive", L"marvikaddin.archive", L"MarvikAddin.ARCHIVE", L"KQConnectorCOM.Run",
                                   L""}) {
        LPOLESTR name = const_cast<LPOLESTR>(unknown);
        DISPID id = -99;
        EXPECT_EQ(callbacks->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
        EXPECT_EQ(id, -99) << "nothing is written for " << ToUtf8(unknown);
    }
    LPOLESTR names[2] = {const_cast<LPOLESTR>(L"MarvikAddin.Archive"), const_cast<LPOLESTR>(L"MarvikAddin.Info")};
    DISPID ids[2] = {};
    EXPECT_EQ(callbacks->GetIDsOfNames(IID_IDispatch, names, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(callbacks->GetIDsOfNames(IID_NULL, nullptr, 1, 0, ids), E_POINTER);
    EXPECT_EQ(callbacks->GetIDsOfNames(IID_NULL, names, 1, 0, nullptr), E_POINTER);
    EXPECT_EQ(callbacks->GetIDsOfNames(IID_NULL, names, 2, 0, ids), E_INVALIDARG);
}

TEST_F(RibbonTest, InvokeRefusesBeforeLookingAtTheMember)
{
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(callbacks->Invoke(1, IID_IDispatch, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(callbacks->Invoke(99, IID_IDispatch, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(callbacks->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(Invoke(0, {}), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Invoke(8, {}), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Invoke(DISPID_ADDIN_GETIMAGE, {}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Invoke(DISPID_ADDIN_GETIMAGE, {_variant_t(4L)}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Invoke(DISPID_ADDIN_ARCHIVESINGLEOUTLOOK, {_variant_t(L"control")}), DISP_E_TYPEMISMATCH);
}

// The opened mail's buttons reach their commands with the control's Context;
// a Context that cannot be read runs nothing, and both answer S_OK.
TEST_F(RibbonTest, SingleMailCallbacksPassTheControlsContext)
{
    StartIn(L"Outlook", L"16.0");
    FakeDispatchPtr inspector = FakeDispatch::Create(L"Inspector");
    FakeDispatchPtr control = MakeRibbonControl(L"KVPMBTVX2_0001", inspector);
    // This inspector has no current item: both commands say so.
    DialogWatcher watcher({}, DialogAnswer{IDOK});

    EXPECT_EQ(Invoke(DISPID_ADDIN_ARCHIVESINGLEOUTLOOK, {DispatchVariant(control)}), S_OK);
    EXPECT_EQ(Invoke(DISPID_ADDIN_ATTACHMENTSINGLEOUTLOOK, {DispatchVariant(control)}), S_OK);
    EXPECT_EQ(control->CallCount(L"Context"), 2);
    EXPECT_EQ(watcher.Count(), 2u);
    EXPECT_EQ(log.Count(L"Outlook CMarvikAddin->OnArchiveSingleOutlook invoked\n"), 1);
    EXPECT_EQ(log.Count(L"Outlook CMarvikAddin->OnAttachmentSingleOutlook invoked\n"), 1);

    control->FailInvoke(L"Context", 0, E_ACCESSDENIED);
    EXPECT_EQ(Invoke(DISPID_ADDIN_ARCHIVESINGLEOUTLOOK, {DispatchVariant(control)}), S_OK);
    EXPECT_EQ(Invoke(DISPID_ADDIN_ATTACHMENTSINGLEOUTLOOK, {DispatchVariant(control)}), S_OK);
    EXPECT_EQ(log.Count(L"Outlook CMarvikAddin->OnArchiveSingleOutlook invoked\n"), 1);
    EXPECT_EQ(log.Count(L"Outlook CMarvikAddin->OnAttachmentSingleOutlook invoked\n"), 1);
    control->ClearObjectProperties();
}

struct ImageCase {
    const char* label;
    bool globalKey;
    bool dir;
    const wchar_t* name;
    HRESULT expected;
};

class RibbonImageTest : public RibbonTest, public testing::WithParamInterface<ImageCase>
{
};

// Dir is where setup put the module and its pictures: the build's own, here.
TEST_P(RibbonImageTest, LoadsTheShippedPictureOrFails)
{
    const ImageCase& c = GetParam();
    const char* binary = std::getenv("KQ_BINARY_DIR");
    ASSERT_NE(binary, nullptr);
    if (!c.globalKey)
        RegistryFixture::DeleteAllSettings();
    else if (c.dir)
        SetGlobal(L"Dir", UnixToWindowsPath(binary) + L"\\addin");

    _variant_t picture;
    EXPECT_EQ(Invoke(DISPID_ADDIN_GETIMAGE, {_variant_t(c.name)}, &picture), c.expected);
    if (FAILED(c.expected)) {
        EXPECT_EQ(V_VT(&picture), VT_EMPTY);
        return;
    }
    ASSERT_EQ(V_VT(&picture), VT_DISPATCH);
    IPicture* image = nullptr;
    ASSERT_EQ(V_DISPATCH(&picture)->QueryInterface(IID_IPicture, reinterpret_cast<void**>(&image)), S_OK);
    SHORT type = 0;
    OLE_XSIZE_HIMETRIC width = 0;
    EXPECT_EQ(image->get_Type(&type), S_OK);
    EXPECT_EQ(type, PICTYPE_BITMAP);
    EXPECT_EQ(image->get_Width(&width), S_OK);
    EXPECT_GT(width, 0);
    image->Release();
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, RibbonImageTest,
    testing::Values(ImageCase{"Archive", true, true, L"resource.bin", S_OK},
                    ImageCase{"Attachment", true, true, L"resource_attachment.bin", S_OK},
                    ImageCase{"Settings", true, true, L"resource_setting.bin", S_OK},
                    ImageCase{"Info", true, true, L"resource_info.bin", S_OK},
                    ImageCase{"MissingFile", true, true, L"resource_missing.bin", E_FAIL},
                    ImageCase{"NoDir", true, false, L"resource.bin", E_FAIL},
                    ImageCase{"NoGlobalKey", false, false, L"resource.bin", E_FAIL}),
    [](const testing::TestParamInfo<ImageCase>& info) { return std::string(info.param.label); });

// A name that would not fit beside Dir is refused, never cut into another path.
TEST_F(RibbonTest, ImagePathThatDoesNotFitIsRefused)
{
    SetGlobal(L"Dir", L"C:\\" + std::wstring(1000, L'd'));
    _variant_t picture;
    std::wstring name = std::wstring(300, L'n') + L".bin";
    EXPECT_EQ(Invoke(DISPID_ADDIN_GETIMAGE, {_variant_t(name.c_str())}, &picture), E_FAIL);
    EXPECT_TRUE(log.Contains(L"[ERR] GetImage: path of image"));
}

} // namespace
