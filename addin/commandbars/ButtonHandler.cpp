#include "ButtonHandler.h"

#include "CommandBarInterfaces.h"
#include "CommandBarTags.h"
#include "DispatchHelpers.h"
#include "MarvikAddin.h"
#include "TypedCalls.h"

#include <cwchar>

namespace {

enum class ClickCommand { None, About, Settings, Attachment, Archive, AttachmentInspector, ArchiveInspector };

// The tags of the main window and of the mail inspector, in the order in
// which they are compared; the first pair that holds the tag decides.
struct ClickRoute {
    const wchar_t* first;
    const wchar_t* second;
    ClickCommand command;
};

const ClickRoute CLICK_ROUTES[] = {
    {TAG_MENU_INFO, TAG_INSPECTOR_MENU_INFO, ClickCommand::About},
    {TAG_MENU_SETTINGS, TAG_INSPECTOR_MENU_SETTINGS, ClickCommand::Settings},
    {TAG_TOOLBAR_ATTACHMENT, TAG_MENU_ATTACHMENT, ClickCommand::Attachment},
    {TAG_TOOLBAR_ARCHIVE, TAG_MENU_ARCHIVE, ClickCommand::Archive},
    {TAG_INSPECTOR_TOOLBAR_ATTACHMENT, TAG_INSPECTOR_MENU_ATTACHMENT, ClickCommand::AttachmentInspector},
    {TAG_INSPECTOR_TOOLBAR_ARCHIVE, TAG_INSPECTOR_MENU_ARCHIVE, ClickCommand::ArchiveInspector},
};

ClickCommand RouteOf(const wchar_t* tag)
{
    for (const ClickRoute& route : CLICK_ROUTES)
        if (wcscmp(tag, route.first) == 0 || wcscmp(tag, route.second) == 0)
            return route.command;
    return ClickCommand::None;
}

const CEventSink::EventEntry CLICK_EVENTS[] = {
    // Click(Ctrl, CancelDefault)
    {L"Click", DISPID_COMMANDBARBUTTON_CLICK, 2},
};

// The object's COM identity: its IUnknown; null when it gives none.
CUnknownPtr IdentityOf(IDispatch* object)
{
    CUnknownPtr identity;
    if (object)
        object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    return identity;
}

} // namespace

CButtonHandler::CButtonHandler(CMarvikAddin* addin)
    : CEventSink(addin, IID__CommandBarButtonEvents, CLICK_EVENTS, _countof(CLICK_EVENTS))
{
}

void CButtonHandler::ServeOwnControlOnly(IDispatch* control)
{
    if (CUnknownPtr identity = IdentityOf(control))
        m_ownControl = identity;
}

void CButtonHandler::Unadvise()
{
    CEventSink::Unadvise();
    m_ownControl.Attach(nullptr);
}

bool CButtonHandler::IsOwnControl(IDispatch* control) const
{
    if (!m_ownControl)
        return true;
    CUnknownPtr identity = IdentityOf(control);
    return identity && identity.GetInterfacePtr() == m_ownControl.GetInterfacePtr();
}

void CButtonHandler::OnEvent(DISPID, const DISPPARAMS& params)
{
    CMarvikAddin* addin = Addin();
    // rgvarg[1] is the clicked control; rgvarg[0] the cancel flag, left alone.
    IDispatch* control = ObjectArgument(params, 1);
    if (!IsOwnControl(control))
        return;
    IDispatchPtr button;
    _bstr_t tag;
    if (FAILED(QueryTypedInterface(control, IID__CommandBarButton, &button)) ||
        FAILED(TypedGetText(button, L"Tag", tag)))
        return;
    const wchar_t* text = tag.length() ? static_cast<const wchar_t*>(tag) : L"";

    switch (RouteOf(text)) {
    case ClickCommand::About:
        addin->OnAbout();
        break;
    case ClickCommand::Settings:
        addin->OnSettings();
        break;
    case ClickCommand::Attachment:
        addin->OnAttachment(nullptr);
        break;
    case ClickCommand::Archive:
        addin->OnArchive();
        break;
    case ClickCommand::AttachmentInspector:
    case ClickCommand::ArchiveInspector: {
        _variant_t inspector;
        IDispatchPtr window;
        if (FAILED(GetProperty(addin->GetApplication(), L"ActiveInspector", &inspector)) ||
            FAILED(ObjectFromVariant(inspector, window)) || !window)
            return;
        if (RouteOf(text) == ClickCommand::ArchiveInspector)
            addin->OnArchiveSingleOutlook(window);
        else
            addin->OnAttachmentSingleOutlook(window);
        break;
    }
    case ClickCommand::None:
        break;
    }
}
