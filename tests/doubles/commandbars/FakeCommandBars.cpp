#include "FakeCommandBars.h"

#include <algorithm>

namespace doubles {

namespace {

// The documented interface ids of the CommandBars object model, written
// down for the double on their own.
const IID DOC_IID_CommandBars = {0x000c0302, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID DOC_IID_CommandBar = {0x000c0304, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID DOC_IID_CommandBarControls = {0x000c0306, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID DOC_IID_CommandBarControl = {0x000c0308, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID DOC_IID_CommandBarPopup = {0x000c030a, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID DOC_IID_CommandBarButton = {0x000c030e, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID DOC_IID_CommandBarButtonEvents = {0x000c0351, 0x0000, 0x0000,
                                            {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const DISPID DOC_DISPID_CLICK = 1;
// MsoBarProtection: msoBarNoCustomize forbids adding controls.
const long NO_CUSTOMIZE = 1;

// A failing call on an object whose host side is gone.
const HRESULT GONE = RPC_E_DISCONNECTED;

bool ToLong(const _variant_t& value, long* number)
{
    _variant_t converted;
    if (FAILED(VariantChangeType(&converted, const_cast<_variant_t*>(&value), 0, VT_I4)))
        return false;
    *number = V_I4(&converted);
    return true;
}

bool ToBool(const _variant_t& value, bool* flag)
{
    _variant_t converted;
    if (FAILED(VariantChangeType(&converted, const_cast<_variant_t*>(&value), 0, VT_BOOL)))
        return false;
    *flag = V_BOOL(&converted) != VARIANT_FALSE;
    return true;
}

// The argument at position i (call order), or the missing variant.
_variant_t Arg(const Invocation& call, size_t i)
{
    return i < call.args.size() ? call.args[i] : Missing();
}

_variant_t ObjectResult(IDispatch* object)
{
    _variant_t v;
    V_VT(&v) = VT_DISPATCH;
    V_DISPATCH(&v) = object;
    if (object)
        object->AddRef();
    return v;
}

HRESULT Return(VARIANT* result, const _variant_t& value)
{
    if (result) {
        VariantInit(result);
        return VariantCopy(result, const_cast<_variant_t*>(&value));
    }
    return S_OK;
}

std::string ClipboardBytes(UINT format)
{
    HANDLE data = ::GetClipboardData(format);
    if (!data)
        return std::string();
    const char* bytes = static_cast<const char*>(::GlobalLock(data));
    std::string copy = bytes ? std::string(bytes, ::GlobalSize(data)) : std::string();
    if (bytes)
        ::GlobalUnlock(data);
    return copy;
}

void Search(const std::shared_ptr<FakeControlList>& list, long type, const std::wstring* tag, bool recursive,
            std::vector<std::shared_ptr<FakeControl>>& found)
{
    for (const auto& control : list->controls) {
        bool typeMatches = type == 0 || control->type == type;
        bool tagMatches = !tag || control->Tag() == *tag;
        if (typeMatches && tagMatches)
            found.push_back(control);
        if (recursive && control->children)
            Search(control->children, type, tag, recursive, found);
    }
}

// Every button of the host, in all its windows: Office fires a button's
// Click to the handlers of every control with the same Tag.
std::vector<std::weak_ptr<FakeControl>>& HostButtons()
{
    static std::vector<std::weak_ptr<FakeControl>> buttons;
    return buttons;
}

// A button still in a window of the host: not deleted, its bar not gone.
bool InHost(const FakeControl& control)
{
    return !control.deleted && control.parent.lock() != nullptr;
}

} // namespace

// What the whole host shares: its face formats, the customize callback and
// the failures scripted on objects it makes later.
struct FakeHostHooks {
    FaceFormats faces;
    std::function<void()> customized;
    struct NewFailure {
        std::wstring typeName;
        std::wstring member;
        int nth;
        HRESULT hr;
    };
    std::vector<NewFailure> newFailures;

    void Customized() const
    {
        if (customized)
            customized();
    }
    void Script(FakeDispatch& object) const
    {
        for (const NewFailure& failure : newFailures)
            if (failure.typeName == object.TypeName())
                object.FailInvoke(failure.member.c_str(), failure.nth, failure.hr);
    }
};

namespace {

using Hooks = std::shared_ptr<FakeHostHooks>;

std::shared_ptr<FakeControlList> MakeList(const std::weak_ptr<FakeBar>& bar, const Hooks& hooks);

std::shared_ptr<FakeControl> MakeControl(const std::shared_ptr<FakeControlList>& parent, long type,
                                         const Hooks& hooks)
{
    const FaceFormats& faces = hooks->faces;
    auto control = std::make_shared<FakeControl>();
    control->type = type;
    control->parent = parent;
    control->object = FakeDispatch::Create(type == FAKE_CONTROL_POPUP ? L"CommandBarPopup" : L"CommandBarButton");
    FakeDispatch& object = *control->object;
    object.AcceptInterface(DOC_IID_CommandBarControl);
    object.AddProperty(L"Caption", _variant_t(L""), ACCESS_GET | ACCESS_PUT);
    object.AddProperty(L"Tag", _variant_t(L""), ACCESS_GET | ACCESS_PUT);
    object.AddProperty(L"TooltipText", _variant_t(L""), ACCESS_GET | ACCESS_PUT);
    object.AddProperty(L"Type", _variant_t(type));

    std::weak_ptr<FakeControl> weak = control;
    std::weak_ptr<FakeHostHooks> host = hooks;
    object.AddMember(L"Delete", ACCESS_METHOD, {Optional(VT_VARIANT)},
                     [weak, host](FakeDispatch&, const Invocation&, VARIANT* result) {
                         auto self = weak.lock();
                         if (!self || self->deleted)
                             return GONE;
                         if (auto list = self->parent.lock()) {
                             auto& items = list->controls;
                             items.erase(std::remove(items.begin(), items.end(), self), items.end());
                         }
                         self->deleted = true;
                         if (auto h = host.lock())
                             h->Customized();
                         return Return(result, _variant_t());
                     });

    if (type == FAKE_CONTROL_POPUP) {
        object.AcceptInterface(DOC_IID_CommandBarPopup);
        control->children = MakeList(std::weak_ptr<FakeBar>(), hooks);
        std::weak_ptr<FakeControlList> children = control->children;
        object.AddMember(L"Controls", ACCESS_GET, {}, [children](FakeDispatch&, const Invocation&, VARIANT* result) {
            auto list = children.lock();
            return list ? Return(result, ObjectResult(list->object)) : GONE;
        });
        hooks->Script(object);
        return control;
    }

    object.AcceptInterface(DOC_IID_CommandBarButton);
    object.AddEventInterface(DOC_IID_CommandBarButtonEvents);
    auto& buttons = HostButtons();
    buttons.erase(std::remove_if(buttons.begin(), buttons.end(),
                                 [](const std::weak_ptr<FakeControl>& b) { return b.expired(); }),
                  buttons.end());
    buttons.push_back(control);
    object.AddProperty(L"Style", _variant_t(0L), ACCESS_GET | ACCESS_PUT);
    object.AddMember(L"PasteFace", ACCESS_METHOD, {}, [weak, faces](FakeDispatch&, const Invocation&, VARIANT* result) {
        auto self = weak.lock();
        if (!self || self->deleted)
            return GONE;
        ++self->pasteCalls;
        if (!::OpenClipboard(nullptr))
            return E_FAIL;
        UINT face = ::RegisterClipboardFormatW(faces.face.c_str());
        UINT mask = ::RegisterClipboardFormatW(faces.mask.c_str());
        HRESULT hr = S_OK;
        if (::IsClipboardFormatAvailable(face)) {
            self->faceOwner = ::GetClipboardOwner();
            self->faceBytes = ClipboardBytes(face);
            self->maskBytes = ClipboardBytes(mask);
            self->faceFromPlainBitmap = false;
            self->hasFace = true;
        } else if (::IsClipboardFormatAvailable(CF_DIB)) {
            // A plain picture: the face has no transparency.
            self->faceOwner = ::GetClipboardOwner();
            self->faceBytes = ClipboardBytes(CF_DIB);
            self->maskBytes.clear();
            self->faceFromPlainBitmap = true;
            self->hasFace = true;
        } else {
            hr = E_FAIL;
        }
        ::CloseClipboard();
        if (self->afterPaste)
            self->afterPaste();
        return FAILED(hr) ? hr : Return(result, _variant_t());
    });
    object.AddMember(L"CopyFace", ACCESS_METHOD, {}, [weak, faces](FakeDispatch&, const Invocation&, VARIANT* result) {
        auto self = weak.lock();
        if (!self || self->deleted)
            return GONE;
        if (!self->hasFace || !::OpenClipboard(nullptr))
            return E_FAIL;
        ::EmptyClipboard();
        for (const FaceFormat& format : faces.copied) {
            HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, format.size);
            if (!block)
                continue;
            if (void* bytes = ::GlobalLock(block)) {
                memset(bytes, 0xAB, format.size);
                ::GlobalUnlock(block);
            }
            if (!::SetClipboardData(::RegisterClipboardFormatW(format.name.c_str()), block))
                ::GlobalFree(block);
        }
        ::CloseClipboard();
        return Return(result, _variant_t());
    });
    hooks->Script(object);
    return control;
}

std::shared_ptr<FakeControlList> MakeList(const std::weak_ptr<FakeBar>& bar, const Hooks& hooks)
{
    auto list = std::make_shared<FakeControlList>();
    list->bar = bar;
    list->object = FakeDispatch::Create(L"CommandBarControls");
    list->object->AcceptInterface(DOC_IID_CommandBarControls);
    std::weak_ptr<FakeControlList> weak = list;
    list->object->AddMember(L"Count", ACCESS_GET, {}, [weak](FakeDispatch&, const Invocation&, VARIANT* result) {
        auto self = weak.lock();
        return self ? Return(result, _variant_t(static_cast<long>(self->controls.size()))) : GONE;
    });
    list->object->AddMember(
        L"Add", ACCESS_METHOD,
        {Optional(VT_VARIANT), Optional(VT_VARIANT), Optional(VT_VARIANT), Optional(VT_VARIANT),
         Optional(VT_VARIANT)},
        [weak, hooks](FakeDispatch&, const Invocation& call, VARIANT* result) {
            auto self = weak.lock();
            if (!self)
                return GONE;
            if (auto bar = self->bar.lock())
                if (bar->Protection() & NO_CUSTOMIZE)
                    return E_ACCESSDENIED;
            long type = FAKE_CONTROL_BUTTON;
            _variant_t typeArg = Arg(call, 0);
            if (!IsMissing(typeArg) && !ToLong(typeArg, &type))
                return DISP_E_TYPEMISMATCH;
            if (type != FAKE_CONTROL_BUTTON && type != FAKE_CONTROL_POPUP)
                return E_INVALIDARG;
            long before = 0;
            _variant_t beforeArg = Arg(call, 3);
            if (!IsMissing(beforeArg)) {
                if (!ToLong(beforeArg, &before))
                    return DISP_E_TYPEMISMATCH;
                if (before < 1 || before > static_cast<long>(self->controls.size()) + 1)
                    return DISP_E_BADINDEX;
            }
            bool temporary = false;
            _variant_t temporaryArg = Arg(call, 4);
            if (!IsMissing(temporaryArg) && !ToBool(temporaryArg, &temporary))
                return DISP_E_TYPEMISMATCH;

            auto control = MakeControl(self, type, hooks);
            control->temporary = temporary;
            control->before = before;
            auto at = before ? self->controls.begin() + (before - 1) : self->controls.end();
            self->controls.insert(at, control);
            hooks->Customized();
            return Return(result, ObjectResult(control->object));
        });
    hooks->Script(*list->object);
    return list;
}

} // namespace

FaceFormats OfficeFaceFormats()
{
    return FaceFormats{L"Toolbar Button Face", L"Toolbar Button Mask",
                       {{L"Toolbar Button Face", 1078}, {L"Toolbar Button Mask", 110}}};
}

std::wstring FakeControl::Caption() const
{
    return std::wstring(_bstr_t(object->Property(L"Caption")));
}

std::wstring FakeControl::Tag() const
{
    _variant_t tag = object->Property(L"Tag");
    return V_VT(&tag) == VT_BSTR && V_BSTR(&tag) ? std::wstring(V_BSTR(&tag)) : std::wstring();
}

std::wstring FakeControl::Tooltip() const
{
    return std::wstring(_bstr_t(object->Property(L"TooltipText")));
}

long FakeControl::Style() const
{
    long style = -1;
    ToLong(object->Property(L"Style"), &style);
    return style;
}

std::vector<std::shared_ptr<FakeControl>> FakeControl::Entries() const
{
    return children ? children->controls : std::vector<std::shared_ptr<FakeControl>>();
}

HRESULT FakeControl::Click()
{
    VARIANT_BOOL cancelDefault = VARIANT_FALSE;
    VARIANT cancel;
    VariantInit(&cancel);
    V_VT(&cancel) = VT_BOOL | VT_BYREF;
    V_BOOLREF(&cancel) = &cancelDefault;
    FakeDispatchPtr clicked = object;
    // This button's handlers, then those of every other button of the host
    // with the same Tag, each with this button as Ctrl.
    std::vector<FakeDispatchPtr> sources{clicked};
    const std::wstring tag = Tag();
    if (!tag.empty()) {
        for (const std::weak_ptr<FakeControl>& weak : HostButtons()) {
            auto other = weak.lock();
            if (other && other.get() != this && InHost(*other) && other->Tag() == tag)
                sources.push_back(other->object);
        }
    }
    HRESULT hr = S_OK;
    for (const FakeDispatchPtr& source : sources) {
        if (source->SinkCount(DOC_IID_CommandBarButtonEvents) == 0)
            continue;
        hr = source->Fire(DOC_IID_CommandBarButtonEvents, DOC_DISPID_CLICK,
                          {DispatchVariant(clicked), _variant_t(cancel)});
    }
    return hr;
}

int FakeControl::ClickSinks() const
{
    return object->SinkCount(DOC_IID_CommandBarButtonEvents);
}

std::wstring FakeBar::Name() const
{
    return std::wstring(_bstr_t(object->Property(L"Name")));
}

long FakeBar::Protection() const
{
    long protection = 0;
    ToLong(object->Property(L"Protection"), &protection);
    return protection;
}

std::vector<std::wstring> FakeBar::Captions() const
{
    std::vector<std::wstring> captions;
    for (const auto& control : controls->controls)
        captions.push_back(control->Caption());
    return captions;
}

struct FakeCommandBars::State {
    std::shared_ptr<FakeHostHooks> hooks = std::make_shared<FakeHostHooks>();
    FakeDispatchPtr object;
    std::vector<std::shared_ptr<FakeBar>> bars;
    std::shared_ptr<FakeBar> menuBar;
};

FakeCommandBars::FakeCommandBars(FaceFormats faces) : m_state(std::make_shared<State>()), m_faces(std::move(faces))
{
    m_state->hooks->faces = m_faces;
    m_state->object = FakeDispatch::Create(L"CommandBars");
    m_object = m_state->object;
    m_object->AcceptInterface(DOC_IID_CommandBars);
    std::weak_ptr<State> weak = m_state;
    m_object->AddMember(L"Count", ACCESS_GET, {}, [weak](FakeDispatch&, const Invocation&, VARIANT* result) {
        auto state = weak.lock();
        return state ? Return(result, _variant_t(static_cast<long>(state->bars.size()))) : GONE;
    });
    m_object->AddMember(L"ActiveMenuBar", ACCESS_GET, {}, [weak](FakeDispatch&, const Invocation&, VARIANT* result) {
        auto state = weak.lock();
        if (!state)
            return GONE;
        return Return(result, ObjectResult(state->menuBar ? state->menuBar->object.GetInterfacePtr() : nullptr));
    });
    m_object->AddMember(L"Item", ACCESS_GET, {Required(VT_VARIANT)},
                        [weak](FakeDispatch&, const Invocation& call, VARIANT* result) {
                            auto state = weak.lock();
                            if (!state)
                                return GONE;
                            const _variant_t& index = call.args[0];
                            if (V_VT(&index) == VT_BSTR) {
                                for (const auto& bar : state->bars)
                                    if (_wcsicmp(bar->Name().c_str(), V_BSTR(&index)) == 0)
                                        return Return(result, ObjectResult(bar->object));
                                return DISP_E_BADINDEX;
                            }
                            long number = 0;
                            if (!ToLong(index, &number))
                                return DISP_E_TYPEMISMATCH;
                            if (number < 1 || number > static_cast<long>(state->bars.size()))
                                return DISP_E_BADINDEX;
                            return Return(result, ObjectResult(state->bars[number - 1]->object));
                        });
}

FakeCommandBars::~FakeCommandBars() = default;

std::shared_ptr<FakeBar> FakeCommandBars::AddToolbar(const std::wstring& name)
{
    auto bar = std::make_shared<FakeBar>();
    bar->object = FakeDispatch::Create(L"CommandBar");
    bar->object->AcceptInterface(DOC_IID_CommandBar);
    bar->object->AddProperty(L"Name", _variant_t(name.c_str()));
    bar->object->AddProperty(L"Protection", _variant_t(0L), ACCESS_GET | ACCESS_PUT);
    bar->controls = MakeList(bar, m_state->hooks);
    std::weak_ptr<FakeBar> weak = bar;
    bar->object->AddMember(L"Controls", ACCESS_GET, {}, [weak](FakeDispatch&, const Invocation&, VARIANT* result) {
        auto self = weak.lock();
        return self ? Return(result, ObjectResult(self->controls->object)) : GONE;
    });
    bar->object->AddMember(
        L"FindControl", ACCESS_METHOD,
        {Optional(VT_VARIANT), Optional(VT_VARIANT), Optional(VT_VARIANT), Optional(VT_VARIANT),
         Optional(VT_VARIANT)},
        [weak](FakeDispatch&, const Invocation& call, VARIANT* result) {
            auto self = weak.lock();
            if (!self)
                return GONE;
            long type = 0;
            _variant_t typeArg = Arg(call, 0);
            if (!IsMissing(typeArg) && !ToLong(typeArg, &type))
                return DISP_E_TYPEMISMATCH;
            std::wstring tag;
            bool byTag = false;
            _variant_t tagArg = Arg(call, 2);
            if (!IsMissing(tagArg)) {
                if (V_VT(&tagArg) != VT_BSTR)
                    return DISP_E_TYPEMISMATCH;
                tag = V_BSTR(&tagArg) ? V_BSTR(&tagArg) : L"";
                byTag = true;
            }
            bool recursive = false;
            _variant_t recursiveArg = Arg(call, 4);
            if (!IsMissing(recursiveArg) && !ToBool(recursiveArg, &recursive))
                return DISP_E_TYPEMISMATCH;
            std::vector<std::shared_ptr<FakeControl>> found;
            Search(self->controls, type, byTag ? &tag : nullptr, recursive, found);
            // Nothing when no control fits.
            return Return(result, ObjectResult(found.empty() ? nullptr : found.front()->object.GetInterfacePtr()));
        });
    m_state->bars.push_back(bar);
    return bar;
}

std::shared_ptr<FakeBar> FakeCommandBars::AddMenuBar(const std::wstring& name, const std::vector<std::wstring>& menus)
{
    auto bar = AddToolbar(name);
    for (const std::wstring& menu : menus)
        AddControl(bar->controls, FAKE_CONTROL_POPUP, menu, std::wstring());
    if (!m_state->menuBar)
        m_state->menuBar = bar;
    return bar;
}

std::shared_ptr<FakeControl> FakeCommandBars::AddControl(const std::shared_ptr<FakeControlList>& list, long type,
                                                         const std::wstring& caption, const std::wstring& tag)
{
    auto control = MakeControl(list, type, m_state->hooks);
    control->object->SetProperty(L"Caption", _variant_t(caption.c_str()));
    control->object->SetProperty(L"Tag", _variant_t(tag.c_str()));
    list->controls.push_back(control);
    return control;
}

std::shared_ptr<FakeBar> FakeCommandBars::MenuBar() const
{
    return m_state->menuBar;
}

std::shared_ptr<FakeBar> FakeCommandBars::Bar(const std::wstring& name) const
{
    for (const auto& bar : m_state->bars)
        if (bar->Name() == name)
            return bar;
    return nullptr;
}

std::vector<std::shared_ptr<FakeControl>> FakeCommandBars::FindAll(const std::wstring& tag) const
{
    std::vector<std::shared_ptr<FakeControl>> found;
    for (const auto& bar : m_state->bars)
        Search(bar->controls, 0, &tag, true, found);
    return found;
}

std::shared_ptr<FakeControl> FakeCommandBars::Find(const std::wstring& tag) const
{
    auto found = FindAll(tag);
    return found.empty() ? nullptr : found.front();
}

void FakeCommandBars::OnCustomize(std::function<void()> callback)
{
    m_state->hooks->customized = std::move(callback);
}

void FakeCommandBars::FailOnNew(const std::wstring& typeName, const std::wstring& member, int nth, HRESULT hr)
{
    m_state->hooks->newFailures.push_back(FakeHostHooks::NewFailure{typeName, member, nth, hr});
}

void FakeCommandBars::AddTypicalBars()
{
    AddMenuBar(L"Menu Bar", {L"Datei", L"Bearbeiten", L"Ansicht", L"?"});
    AddToolbar(L"Standard");
    AddToolbar(L"Formatting");
}

} // namespace doubles
