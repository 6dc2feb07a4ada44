#include "CommandBarsBuilder.h"

#include "ButtonFace.h"
#include "ButtonFaceIds.h"
#include "ButtonHandler.h"
#include "CommandBarInterfaces.h"
#include "CommandBarTags.h"
#include "LanguageText.h"
#include "LogFile.h"
#include "MarvikAddin.h"
#include "ModuleInstance.h"
#include "TypedCalls.h"

#include <cwchar>
#include <new>

namespace {

const UINT IDS_POPUP_CAPTION = 8045;
const UINT IDS_ARCHIVE_CAPTION = 8025;
const UINT IDS_ATTACHMENT_CAPTION = 8046;
const UINT IDS_SETTINGS_CAPTION_TEXT = 8026;
const UINT IDS_INFO_CAPTION_TEXT = 8027;
const size_t POPUP_CAPTION_CHARS = 1024;
// Entry and button texts are cut to 31 characters.
const size_t ENTRY_CAPTION_CHARS = 32;

struct TagSet {
    const wchar_t* popup;
    const wchar_t* menuArchive;
    const wchar_t* menuSettings;
    const wchar_t* menuInfo;
    const wchar_t* menuAttachment;
    const wchar_t* toolbarArchive;
    const wchar_t* toolbarAttachment;
};

const TagSet MAIN_WINDOW_TAGS = {TAG_POPUP,          TAG_MENU_ARCHIVE,    TAG_MENU_SETTINGS,     TAG_MENU_INFO,
                                 TAG_MENU_ATTACHMENT, TAG_TOOLBAR_ARCHIVE, TAG_TOOLBAR_ATTACHMENT};
const TagSet INSPECTOR_TAGS = {TAG_INSPECTOR_POPUP,          TAG_INSPECTOR_MENU_ARCHIVE,
                               TAG_INSPECTOR_MENU_SETTINGS,  TAG_INSPECTOR_MENU_INFO,
                               TAG_INSPECTOR_MENU_ATTACHMENT, TAG_INSPECTOR_TOOLBAR_ARCHIVE,
                               TAG_INSPECTOR_TOOLBAR_ATTACHMENT};

bool SettingOn(const CKQCSettings& settings, const wchar_t* name)
{
    const CSettingValue* value = settings.GetValue(name);
    return value && value->GetNumber() != 0;
}

HRESULT Failed(const wchar_t* text, HRESULT hr)
{
    g_Log.Error(text, static_cast<unsigned>(hr));
    return hr;
}

// An object property of a host object, asked for its typed interface. A
// property that holds Nothing is a failure (E_POINTER).
HRESULT GetTypedObject(IDispatch* object, const wchar_t* name, REFIID iid, IDispatchPtr& typed)
{
    typed = nullptr;
    IDispatchPtr value;
    HRESULT hr = TypedGetObject(object, name, value);
    if (FAILED(hr))
        return hr;
    if (!value)
        return E_POINTER;
    HRESULT query = QueryTypedInterface(value, iid, &typed);
    return FAILED(query) ? query : hr;
}

// The first control of the bar (not of its menus) with this type and Tag;
// null when there is none.
HRESULT FindTaggedControl(IDispatch* bar, long type, const wchar_t* tag, IDispatchPtr& control)
{
    control = nullptr;
    _variant_t result;
    HRESULT hr = TypedCall(bar, L"FindControl", &result,
                           {_variant_t(type), MissingArgument(), _variant_t(tag), MissingArgument(),
                            _variant_t(static_cast<short>(0))});
    if (FAILED(hr))
        return hr;
    HRESULT conversion = ObjectFromVariant(result, control);
    return FAILED(conversion) ? conversion : hr;
}

// Deletes a control that FindControl gave, through its typed interface.
HRESULT DeleteControl(IDispatch* found, const _variant_t& temporary)
{
    IDispatchPtr control;
    HRESULT hr = QueryTypedInterface(found, IID_CommandBarControl, &control);
    return FAILED(hr) ? hr : TypedCall(control, L"Delete", nullptr, {temporary});
}

// A new temporary control of the collection, asked for its typed interface.
HRESULT AddTemporaryControl(IDispatch* controls, long type, const _variant_t& before, REFIID iid,
                            IDispatchPtr& control)
{
    control = nullptr;
    _variant_t result;
    HRESULT hr = TypedCall(controls, L"Add", &result,
                           {_variant_t(type), MissingArgument(), MissingArgument(), before,
                            _variant_t(static_cast<short>(-1))});
    if (FAILED(hr))
        return hr;
    IDispatchPtr added;
    HRESULT conversion = ObjectFromVariant(result, added);
    if (FAILED(conversion))
        return conversion;
    if (!added)
        return E_POINTER;
    HRESULT query = QueryTypedInterface(added, iid, &control);
    return FAILED(query) ? query : hr;
}

class CCommandBarsBuild
{
public:
    CCommandBarsBuild(CMarvikAddin* addin, IDispatch* commandBars, CButtonHandler** slots, int inspector)
        : m_addin(addin), m_commandBars(commandBars), m_slots(slots),
          m_tags(inspector ? INSPECTOR_TAGS : MAIN_WINDOW_TAGS), m_inspector(inspector != 0),
          m_attachments(addin->GetHostKind() == HOST_OUTLOOK && SettingOn(addin->GetSettings(), SZ_ATTACHMENTS)),
          m_settingsAllowed(!SettingOn(addin->GetSettings(), SZ_NOSETTINGS))
    {
    }

    HRESULT Run();

private:
    HRESULT OpenMenuBar();
    HRESULT RemoveEarlierPopup();
    HRESULT FindStandardToolbar();
    HRESULT RemoveEarlierArchiveButton();
    HRESULT AddPopup();
    HRESULT AddMenuEntry(UINT captionId, const wchar_t* tag, IDispatchPtr& entry);
    HRESULT AddToolbarButton(const wchar_t* tag, WORD bitmapId, const wchar_t* caption, IDispatchPtr& button);
    HRESULT CreateHandlers();

    CMarvikAddin* m_addin;
    IDispatch* m_commandBars;
    CButtonHandler** m_slots;
    const TagSet& m_tags;
    const bool m_inspector;
    const bool m_attachments;
    const bool m_settingsAllowed;

    IDispatchPtr m_bars;
    IDispatchPtr m_menuBar;
    IDispatchPtr m_toolbar;
    IDispatchPtr m_popupControls;
    IDispatchPtr m_menuArchive;
    IDispatchPtr m_menuAttachment;
    IDispatchPtr m_menuSettings;
    IDispatchPtr m_menuInfo;
    IDispatchPtr m_toolbarArchive;
    IDispatchPtr m_toolbarAttachment;
    wchar_t m_archiveCaption[ENTRY_CAPTION_CHARS] = L"";
    wchar_t m_attachmentCaption[ENTRY_CAPTION_CHARS] = L"";
};

HRESULT CCommandBarsBuild::Run()
{
    HRESULT hr = OpenMenuBar();
    if (FAILED(hr))
        return hr;
    hr = RemoveEarlierPopup();
    if (FAILED(hr))
        return hr;
    hr = FindStandardToolbar();
    if (FAILED(hr))
        return hr;
    if (m_toolbar) {
        hr = RemoveEarlierArchiveButton();
        if (FAILED(hr))
            return hr;
    } else {
        // A host without it still gets the menu; the buttons have no place.
        g_Log.Warning(L"No Standard toolbar, the toolbar buttons are left out\n");
    }

    hr = AddPopup();
    if (FAILED(hr))
        return hr;

    LoadText(GetThisModule(), m_archiveCaption, ENTRY_CAPTION_CHARS, IDS_ARCHIVE_CAPTION);
    LoadText(GetThisModule(), m_attachmentCaption, ENTRY_CAPTION_CHARS, IDS_ATTACHMENT_CAPTION);
    hr = AddMenuEntry(IDS_ARCHIVE_CAPTION, m_tags.menuArchive, m_menuArchive);
    if (SUCCEEDED(hr) && m_attachments)
        hr = AddMenuEntry(IDS_ATTACHMENT_CAPTION, m_tags.menuAttachment, m_menuAttachment);
    if (SUCCEEDED(hr) && m_settingsAllowed)
        hr = AddMenuEntry(IDS_SETTINGS_CAPTION_TEXT, m_tags.menuSettings, m_menuSettings);
    if (SUCCEEDED(hr))
        hr = AddMenuEntry(IDS_INFO_CAPTION_TEXT, m_tags.menuInfo, m_menuInfo);
    if (FAILED(hr))
        return hr;

    if (m_toolbar) {
        hr = AddToolbarButton(m_tags.toolbarArchive, IDB_ARCHIVE_FACE, m_archiveCaption, m_toolbarArchive);
        if (FAILED(hr))
            return hr;
        if (m_attachments) {
            hr = AddToolbarButton(m_tags.toolbarAttachment, IDB_ATTACHMENT_FACE, m_attachmentCaption,
                                  m_toolbarAttachment);
            if (FAILED(hr))
                return hr;
        }
    }

    if (m_slots) {
        HRESULT created = CreateHandlers();
        if (FAILED(created))
            return created;
    }
    return hr;
}

HRESULT CCommandBarsBuild::OpenMenuBar()
{
    HRESULT hr = QueryTypedInterface(m_commandBars, IID__CommandBars, &m_bars);
    long count = 0;
    if (SUCCEEDED(hr))
        hr = TypedGetLong(m_bars, L"Count", &count);
    if (FAILED(hr))
        return Failed(L"Failed to call CommandBars->get_Count! hr = 0x%08X\n", hr);

    IDispatchPtr menuBar;
    hr = TypedGetObject(m_bars, L"ActiveMenuBar", menuBar);
    if (SUCCEEDED(hr) && menuBar)
        hr = QueryTypedInterface(menuBar, IID_CommandBar, &m_menuBar);
    if (FAILED(hr))
        return Failed(L"Failed to call CommandBars->get_ActiveMenuBar! hr = 0x%08X\n", hr);
    if (!m_menuBar) {
        // Nothing to put the popup into.
        g_Log.Error(L"The window has no active menu bar!\n");
        return E_POINTER;
    }

    long protection = 0;
    hr = TypedGetLong(m_menuBar, L"Protection", &protection);
    if (FAILED(hr))
        return Failed(L"Failed to call pActiveMenuBar->get_Protection! hr = 0x%08X\n", hr);
    if (protection == msoBarNoCustomize) {
        g_Log.Error(L"Active menu bar is protected! Try to remove protection\n");
        hr = TypedPut(m_menuBar, L"Protection", _variant_t(msoBarNoProtection));
        if (FAILED(hr))
            return Failed(L"Failed to call pActiveMenuBar->put_Protection! hr = 0x%08X\n", hr);
    }
    return hr;
}

HRESULT CCommandBarsBuild::RemoveEarlierPopup()
{
    IDispatchPtr popup;
    HRESULT hr = FindTaggedControl(m_menuBar, msoControlPopup, m_tags.popup, popup);
    if (FAILED(hr))
        return Failed(L"Failed to call pActiveMenuBar->FindControl! hr = 0x%08X\n", hr);
    if (!popup)
        return hr;
    g_Log.Info(L"pPopupMenu->Delete\n");
    hr = DeleteControl(popup, _variant_t(static_cast<short>(0)));
    if (FAILED(hr))
        return Failed(L"Failed to call pPopupMenu->Delete! hr = 0x%08X\n", hr);
    return hr;
}

HRESULT CCommandBarsBuild::FindStandardToolbar()
{
    long count = 0;
    HRESULT hr = TypedGetLong(m_bars, L"Count", &count);
    if (FAILED(hr))
        return Failed(L"Failed to call ((_CommandBars*)pCmdBars)->get_Count! hr = 0x%08X\n", hr);
    g_Log.Info(L"try to find standard toolbar...\n");
    for (long index = 1; index <= count; ++index) {
        IDispatchPtr item;
        IDispatchPtr bar;
        if (FAILED(TypedGetObject(m_bars, L"Item", item, {_variant_t(static_cast<short>(index))})) || !item ||
            FAILED(QueryTypedInterface(item, IID_CommandBar, &bar)))
            continue;
        _bstr_t name;
        if (FAILED(TypedGetText(bar, L"Name", name)))
            continue;
        const wchar_t* text = name.length() ? static_cast<const wchar_t*>(name) : L"";
        g_Log.Info(L"Toolbar %s was found\n", text);
        if (wcscmp(text, STANDARD_TOOLBAR_NAME) == 0) {
            g_Log.Info(L"Standard toolbar is detected! pCommandBar = 0x%08X\n",
                       static_cast<unsigned>(reinterpret_cast<UINT_PTR>(bar.GetInterfacePtr())));
            m_toolbar = bar;
            break;
        }
    }
    return hr;
}

HRESULT CCommandBarsBuild::RemoveEarlierArchiveButton()
{
    IDispatchPtr button;
    HRESULT hr = FindTaggedControl(m_toolbar, msoControlButton, m_tags.toolbarArchive, button);
    if (FAILED(hr))
        return Failed(L"Error in pCommandBar->FindControl! hr = 0x%08X\n", hr);
    if (!button)
        return hr;
    g_Log.Info(L"ToolbarButton found, try to delete\n");
    HRESULT deleted = DeleteControl(button, MissingArgument());
    // A button that stays is found again and kept below.
    if (FAILED(deleted))
        g_Log.Error(L"Error: can't delete ToolbarButton! hr = 0x%08X\n", static_cast<unsigned>(deleted));
    return hr;
}

HRESULT CCommandBarsBuild::AddPopup()
{
    IDispatchPtr menus;
    HRESULT hr = GetTypedObject(m_menuBar, L"Controls", IID_CommandBarControls, menus);
    if (FAILED(hr))
        return Failed(L"Failed to call pActiveMenuBar->get_Controls! hr = 0x%08X\n", hr);
    long count = 0;
    hr = TypedGetLong(menus, L"Count", &count);
    if (FAILED(hr))
        return Failed(L"Failed to call pPopupMenus->get_Count! hr = 0x%08X\n", hr);

    // In front of the last top-level menu (as a rule "Help").
    IDispatchPtr popup;
    hr = AddTemporaryControl(menus, msoControlPopup, _variant_t(static_cast<short>(count)), IID_CommandBarPopup,
                             popup);
    if (FAILED(hr))
        return Failed(L"Failed to call pPopupMenus->Add! hr = 0x%08X\n", hr);
    wchar_t caption[POPUP_CAPTION_CHARS] = L"";
    LoadText(GetThisModule(), caption, POPUP_CAPTION_CHARS, IDS_POPUP_CAPTION);
    TypedPut(popup, L"Caption", _variant_t(caption));
    TypedPut(popup, L"Tag", _variant_t(m_tags.popup));

    hr = GetTypedObject(popup, L"Controls", IID_CommandBarControls, m_popupControls);
    if (FAILED(hr))
        return Failed(L"Failed to call pPopupMenu->get_Controls! hr = 0x%08X\n", hr);
    return hr;
}

HRESULT CCommandBarsBuild::AddMenuEntry(UINT captionId, const wchar_t* tag, IDispatchPtr& entry)
{
    HRESULT hr =
        AddTemporaryControl(m_popupControls, msoControlButton, MissingArgument(), IID__CommandBarButton, entry);
    if (FAILED(hr))
        return Failed(L"Failed to call pPopupMenuButtons->Add! hr = 0x%08X\n", hr);
    wchar_t caption[ENTRY_CAPTION_CHARS] = L"";
    LoadText(GetThisModule(), caption, ENTRY_CAPTION_CHARS, captionId);
    TypedPut(entry, L"Caption", _variant_t(caption));
    TypedPut(entry, L"Tag", _variant_t(tag));
    return hr;
}

HRESULT CCommandBarsBuild::AddToolbarButton(const wchar_t* tag, WORD bitmapId, const wchar_t* caption,
                                            IDispatchPtr& button)
{
    HRESULT hr = FindTaggedControl(m_toolbar, msoControlButton, tag, button);
    if (FAILED(hr))
        return Failed(L"Error in pCommandBar->FindControl! hr = 0x%08X\n", hr);
    // An earlier run's button keeps its face.
    if (button)
        return hr;

    IDispatchPtr buttons;
    hr = GetTypedObject(m_toolbar, L"Controls", IID_CommandBarControls, buttons);
    if (FAILED(hr))
        return Failed(L"Failed to call m_pCommandBar->get_Controls! hr = 0x%08X\n", hr);
    hr = AddTemporaryControl(buttons, msoControlButton, MissingArgument(), IID__CommandBarButton, button);
    if (FAILED(hr))
        return Failed(L"Failed to call pCommandBarButtons->Add! hr = 0x%08X\n", hr);
    SetButtonFace(button, bitmapId, tag, caption, m_addin->GetClipboardOwner());
    return hr;
}

HRESULT CCommandBarsBuild::CreateHandlers()
{
    struct Plan {
        int slot;
        IDispatch* control;
        const wchar_t* failure;
    };
    const Plan plans[] = {
        {BUTTON_MENU_ARCHIVE, m_menuArchive, L"Failed to create pButtonHandlers[0]! hr = 0x%08X\n"},
        {BUTTON_MENU_SETTINGS, m_menuSettings, L"Failed to create pButtonHandlers[1]! hr = 0x%08X\n"},
        {BUTTON_MENU_INFO, m_menuInfo, L"Failed to create pButtonHandlers[2]! hr = 0x%08X\n"},
        {BUTTON_TOOLBAR_ARCHIVE, m_toolbarArchive, L"Failed to create pButtonHandlers[3]! hr = 0x%08X\n"},
        {BUTTON_MENU_ATTACHMENT, m_menuAttachment,
         L"Failed to create outlook attachment pButtonHandlers[4]! hr = 0x%08X\n"},
        {BUTTON_TOOLBAR_ATTACHMENT, m_toolbarAttachment, L"Failed to create pButtonHandlers[5]! hr = 0x%08X\n"},
    };
    for (const Plan& plan : plans) {
        // A control that was not built gets no sink; its slot stays as given.
        if (!plan.control)
            continue;
        CButtonHandler* handler = new (std::nothrow) CButtonHandler(m_addin);
        if (!handler)
            return Failed(plan.failure, E_OUTOFMEMORY);
        handler->AddRef();
        if (CButtonHandler* earlier = m_slots[plan.slot]) {
            earlier->Unadvise();
            earlier->Release();
        }
        m_slots[plan.slot] = handler;
        if (m_inspector)
            handler->ServeOwnControlOnly(plan.control);
        handler->Advise(plan.control);
    }
    return S_OK;
}

} // namespace

HRESULT BuildCommandBars(CMarvikAddin* addin, IDispatch* commandBars, CButtonHandler** slots, int inspector)
{
    if (!addin || !commandBars)
        return E_POINTER;
    try {
        CCommandBarsBuild build(addin, commandBars, slots, inspector);
        return build.Run();
    } catch (const _com_error& e) {
        g_Log.Error(L"Failed to build the command bars! hr = 0x%08X\n", static_cast<unsigned>(e.Error()));
        return FAILED(e.Error()) ? e.Error() : E_FAIL;
    } catch (const std::bad_alloc&) {
        g_Log.Error(L"Failed to build the command bars! hr = 0x%08X\n", static_cast<unsigned>(E_OUTOFMEMORY));
        return E_OUTOFMEMORY;
    } catch (...) {
        g_Log.Error(L"Failed to build the command bars! hr = 0x%08X\n", static_cast<unsigned>(E_UNEXPECTED));
        return E_UNEXPECTED;
    }
}
