#include "FakeOutlook.h"

#include "mapi/FakeMessage.h"
#include "mapi/MsgLayout.h"

namespace doubles {

namespace {

constexpr IID OutlookIid(unsigned long first)
{
    return IID{first, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
}

struct ClassInterface {
    const wchar_t* messageClass;
    IID iid;
};

// Outlook's item interfaces by class, from its object model's documentation.
const ClassInterface CLASS_INTERFACES[] = {
    {L"IPM.Note", OutlookIid(0x00063034)},                       // _MailItem
    {L"IPM.Note.SMIME", OutlookIid(0x00063034)},                 // _MailItem
    {L"IPM.Note.SMIME.MultipartSigned", OutlookIid(0x00063034)}, // _MailItem
    {L"IPM.Contact", OutlookIid(0x00063021)},                    // _ContactItem
    {L"IPM.StickyNote", OutlookIid(0x00063025)},                 // _NoteItem
    {L"IPM.Activity", OutlookIid(0x00063022)},                   // _JournalItem
    {L"IPM.Appointment", OutlookIid(0x00063033)},                // _AppointmentItem
    {L"IPM.Schedule.Meeting.Request", OutlookIid(0x00063062)},   // _MeetingItem
    {L"IPM.Schedule.Meeting.Resp.Pos", OutlookIid(0x00063062)},
    {L"IPM.Schedule.Meeting.Resp.Neg", OutlookIid(0x00063062)},
    {L"IPM.Schedule.Meeting.Resp.Tent", OutlookIid(0x00063062)},
    {L"IPM.Schedule.Meeting.Canceled", OutlookIid(0x00063062)},
    {L"IPM.Task", OutlookIid(0x00063035)},                // _TaskItem
    {L"IPM.TaskRequest", OutlookIid(0x00063036)},         // _TaskRequestItem
    {L"IPM.TaskRequest.Accept", OutlookIid(0x00063038)},  // _TaskRequestAcceptItem
    {L"IPM.TaskRequest.Decline", OutlookIid(0x00063039)}, // _TaskRequestDeclineItem
    {L"IPM.TaskRequest.Update", OutlookIid(0x00063037)},  // _TaskRequestUpdateItem
};

const IID IID_Application = OutlookIid(0x00063001);
const IID IID_MailItem = OutlookIid(0x00063034);
const IID IID_AppointmentItem = OutlookIid(0x00063033);

// What Outlook's own save writes: the message as a .msg file.
MsgContent ContentOf(FakeMessage* message)
{
    MsgContent content;
    if (!message)
        return content;
    content.props = message->Props();
    content.recipients = message->Recipients();
    for (FakeAttach* attach : message->Attachments())
        content.attachments.push_back(attach->Props());
    content.names = message->Names()->Names();
    return content;
}

// What Outlook's own save writes of an item without a MAPI message of ours:
// its subject and body.
MsgContent ContentOfItem(const FakeDispatch& item)
{
    MsgContent content;
    for (const auto& field : {std::make_pair(L"Subject", PR_SUBJECT_W), std::make_pair(L"Body", PR_BODY_W)}) {
        _variant_t value = item.Property(field.first);
        if (V_VT(&value) == VT_BSTR && V_BSTR(&value))
            content.props.push_back(TextProp(field.second, V_BSTR(&value)));
    }
    return content;
}

// OlSaveAsType, from Outlook's documentation: olTXT 0 to olMHTML 10; olMSG
// (3) is the message file with 8-bit texts in the ANSI code page, and what
// SaveAs writes without a type; olMSGUnicode (9) keeps the texts as they are.
const long SAVE_AS_FIRST = 0;
const long SAVE_AS_LAST = 10;
const long SAVE_AS_MSG = 3;
const long SAVE_AS_MSG_UNICODE = 9;

// The texts of an ANSI message file, as Outlook narrows them.
void NarrowTexts(std::vector<PropValue>* props)
{
    for (PropValue& value : *props)
        if (value.Type() == PT_UNICODE)
            value = Text8Prop(CHANGE_PROP_TYPE(value.tag, PT_STRING8), FakeMessage::Narrow(value.text));
}

MsgContent InFormat(MsgContent content, long type)
{
    if (type != SAVE_AS_MSG)
        return content;
    NarrowTexts(&content.props);
    for (std::vector<PropValue>& recipient : content.recipients)
        NarrowTexts(&recipient);
    for (std::vector<PropValue>& attachment : content.attachments)
        NarrowTexts(&attachment);
    return content;
}

// The type argument of SaveAs: olMSG when left out; false for a value that
// is no OlSaveAsType.
bool SaveAsType(const std::vector<_variant_t>& args, long* type)
{
    *type = SAVE_AS_MSG;
    if (args.size() < 2 || IsMissing(args[1]))
        return true;
    _variant_t number;
    if (FAILED(VariantChangeType(&number, const_cast<_variant_t*>(&args[1]), 0, VT_I4)))
        return false;
    *type = V_I4(&number);
    return *type >= SAVE_AS_FIRST && *type <= SAVE_AS_LAST;
}

} // namespace

const IID* OutlookItemInterface(const wchar_t* messageClass)
{
    for (const ClassInterface& entry : CLASS_INTERFACES)
        if (messageClass && _wcsicmp(entry.messageClass, messageClass) == 0)
            return &entry.iid;
    return nullptr;
}

FakeDispatchPtr FakeOutlookItem::Create(const wchar_t* messageClass, IUnknown* mapiObject,
                                        std::function<void()> onDelete)
{
    FakeDispatchPtr item = FakeDispatch::Create(L"Item");
    const IID* iid = OutlookItemInterface(messageClass);
    if (iid)
        item->AcceptInterface(*iid);
    item->AddProperty(L"MessageClass", _variant_t(messageClass));
    _variant_t mapi;
    if (mapiObject) {
        V_VT(&mapi) = VT_UNKNOWN;
        V_UNKNOWN(&mapi) = mapiObject;
        mapiObject->AddRef();
    }
    item->AddProperty(L"MAPIOBJECT", mapi);
    if (iid && IsEqualIID(*iid, IID_MailItem))
        item->AddProperty(L"Sent", _variant_t(true));
    if (iid && IsEqualIID(*iid, IID_AppointmentItem)) {
        // A single appointment; MakeOccurrence turns it into a series'
        // member. Its Parent is the folder it lies in.
        FakeDispatchPtr folder = FakeDispatch::Create(L"MAPIFolder");
        folder->AddProperty(L"FolderPath", _variant_t(L"\\\\Postfach\\Kalender"));
        item->AddProperty(L"IsRecurring", _variant_t(false));
        item->AddProperty(L"RecurrenceState", _variant_t(RECURRENCE_NOT_RECURRING));
        item->AddProperty(L"Parent", DispatchVariant(folder));
    }
    // The MAPI object may be any IUnknown; only a FakeMessage is written.
    FakeMessage* message = nullptr;
    if (mapiObject) {
        IMessage* asMessage = nullptr;
        if (SUCCEEDED(mapiObject->QueryInterface(kIID_IMessage, reinterpret_cast<void**>(&asMessage)))) {
            message = dynamic_cast<FakeMessage*>(asMessage);
            asMessage->Release();
        }
    }
    item->AddMember(L"SaveAs", ACCESS_METHOD, {Required(VT_BSTR), Optional(VT_VARIANT)},
                    [message](FakeDispatch& self, const Invocation& call, VARIANT*) {
                        long type = 0;
                        // Outlook refuses a type it does not know.
                        if (!SaveAsType(call.args, &type))
                            return E_INVALIDARG;
                        // The other formats are not modelled.
                        if (type != SAVE_AS_MSG && type != SAVE_AS_MSG_UNICODE)
                            return E_NOTIMPL;
                        // The message lives as long as the item's MAPIOBJECT holds it.
                        _variant_t held = self.Property(L"MAPIOBJECT");
                        FakeMessage* source = V_VT(&held) == VT_UNKNOWN && V_UNKNOWN(&held) ? message : nullptr;
                        MsgContent content = source ? ContentOf(source) : ContentOfItem(self);
                        return WriteMsgFile(static_cast<const wchar_t*>(_bstr_t(call.args[0])),
                                            InFormat(std::move(content), type));
                    });
    item->AddMember(L"Delete", ACCESS_METHOD, {}, [onDelete](FakeDispatch&, const Invocation&, VARIANT* result) {
        if (result)
            VariantInit(result);
        if (onDelete)
            onDelete();
        return S_OK;
    });
    return item;
}

void FakeOutlookItem::MakeOccurrence(FakeDispatch* master, FakeDispatch* member, long state)
{
    master->SetProperty(L"IsRecurring", _variant_t(true));
    master->SetProperty(L"RecurrenceState", _variant_t(RECURRENCE_MASTER));
    member->SetProperty(L"IsRecurring", _variant_t(true));
    member->SetProperty(L"RecurrenceState", _variant_t(state));
    member->SetProperty(L"Parent", DispatchVariant(master));
}

FakeDispatchPtr FakeOutlookApplication::Create(IUnknown* session, const wchar_t* version)
{
    FakeDispatchPtr nameSpace = FakeDispatch::Create(L"NameSpace");
    _variant_t mapi;
    if (session) {
        V_VT(&mapi) = VT_UNKNOWN;
        V_UNKNOWN(&mapi) = session;
        session->AddRef();
    }
    nameSpace->AddProperty(L"MAPIOBJECT", mapi);

    FakeDispatchPtr application = FakeDispatch::Create(L"Application");
    application->AcceptInterface(IID_Application);
    application->AddProperty(L"Name", _variant_t(L"Outlook"));
    application->AddProperty(L"Version", _variant_t(version));
    application->AddProperty(L"Session", DispatchVariant(nameSpace));
    application->AddMember(L"GetNamespace", ACCESS_METHOD, {Required(VT_BSTR)},
                           [nameSpace](FakeDispatch&, const Invocation& call, VARIANT* result) {
                               if (_wcsicmp(static_cast<const wchar_t*>(_bstr_t(call.args[0])), L"MAPI") != 0)
                                   return E_INVALIDARG;
                               if (result)
                                   *result = DispatchVariant(nameSpace).Detach();
                               return S_OK;
                           });
    return application;
}

} // namespace doubles

namespace doubles {

struct FakeOutlookModel::State {
    FakeDispatchPtr application;
    FakeDispatchPtr nameSpace;
    FakeDispatchPtr explorer;
    FakeDispatchPtr selection;
    FakeDispatchPtr folder;
    std::vector<FakeDispatchPtr> selected;
    struct Stored {
        std::wstring storeId;
        std::wstring entryId;
        FakeDispatchPtr item;
        bool deleted = false;
    };
    std::vector<Stored> store;

    Stored* Find(const std::wstring& storeId, const std::wstring& entryId)
    {
        for (Stored& entry : store)
            if (_wcsicmp(entry.entryId.c_str(), entryId.c_str()) == 0 &&
                (storeId.empty() || _wcsicmp(entry.storeId.c_str(), storeId.c_str()) == 0))
                return &entry;
        return nullptr;
    }
};

namespace {

// GetItemFromID's "the item cannot be found".
const HRESULT ITEM_NOT_FOUND = static_cast<HRESULT>(0x8004010F);

} // namespace

FakeOutlookModel::FakeOutlookModel(IUnknown* session, const wchar_t* version, const wchar_t* folderPath,
                                   const wchar_t* folderId)
    : m_state(std::make_shared<State>())
{
    std::weak_ptr<State> weak = m_state;
    State& state = *m_state;

    state.application = FakeOutlookApplication::Create(session, version);
    _variant_t nameSpace = state.application->Property(L"Session");
    state.nameSpace = static_cast<FakeDispatch*>(V_DISPATCH(&nameSpace));
    state.nameSpace->AddMember(L"GetItemFromID", ACCESS_METHOD, {Required(VT_BSTR), Optional(VT_VARIANT)},
                               [weak](FakeDispatch&, const Invocation& call, VARIANT* result) {
                                   auto state = weak.lock();
                                   if (!state)
                                       return E_UNEXPECTED;
                                   std::wstring entryId = static_cast<const wchar_t*>(_bstr_t(call.args[0]));
                                   std::wstring storeId;
                                   if (call.args.size() > 1 && !IsMissing(call.args[1]))
                                       storeId = static_cast<const wchar_t*>(_bstr_t(call.args[1]));
                                   State::Stored* found = state->Find(storeId, entryId);
                                   if (!found || found->deleted)
                                       return ITEM_NOT_FOUND;
                                   if (result)
                                       *result = DispatchVariant(found->item).Detach();
                                   return S_OK;
                               });

    state.folder = FakeDispatch::Create(L"MAPIFolder");
    state.folder->AddProperty(L"FolderPath", _variant_t(folderPath));
    state.folder->AddProperty(L"EntryID", _variant_t(folderId));

    state.selection = FakeDispatch::Create(L"Selection");
    state.selection->AddMember(L"Count", ACCESS_GET, {}, [weak](FakeDispatch&, const Invocation&, VARIANT* result) {
        auto state = weak.lock();
        if (!state)
            return E_UNEXPECTED;
        if (result)
            *result = _variant_t(static_cast<long>(state->selected.size())).Detach();
        return S_OK;
    });
    state.selection->AddMember(
        L"Item", ACCESS_METHOD | ACCESS_GET, {Required(VT_VARIANT)},
        [weak](FakeDispatch&, const Invocation& call, VARIANT* result) {
            auto state = weak.lock();
            if (!state)
                return E_UNEXPECTED;
            _variant_t index;
            if (FAILED(VariantChangeType(&index, const_cast<_variant_t*>(&call.args[0]), 0, VT_I4)))
                return DISP_E_TYPEMISMATCH;
            long i = V_I4(&index);
            if (i < 1 || i > static_cast<long>(state->selected.size()))
                return DISP_E_BADINDEX;
            if (result)
                *result = DispatchVariant(state->selected[static_cast<size_t>(i - 1)]).Detach();
            return S_OK;
        });

    state.explorer = FakeDispatch::Create(L"Explorer");
    state.explorer->AddProperty(L"Selection", DispatchVariant(state.selection));
    state.explorer->AddProperty(L"CurrentFolder", DispatchVariant(state.folder));

    state.application->AddProperty(L"ActiveExplorer", DispatchVariant(state.explorer));
}

FakeOutlookModel::~FakeOutlookModel()
{
    State& state = *m_state;
    for (FakeDispatch* object :
         {state.application.GetInterfacePtr(), state.explorer.GetInterfacePtr(), state.nameSpace.GetInterfacePtr()})
        object->ClearObjectProperties();
    for (State::Stored& entry : state.store)
        entry.item->ClearObjectProperties();
    m_state.reset();
}

FakeDispatch* FakeOutlookModel::Application() const
{
    return m_state->application;
}

FakeDispatch* FakeOutlookModel::NameSpace() const
{
    return m_state->nameSpace;
}

FakeDispatch* FakeOutlookModel::Explorer() const
{
    return m_state->explorer;
}

FakeDispatch* FakeOutlookModel::Selection() const
{
    return m_state->selection;
}

FakeDispatch* FakeOutlookModel::CurrentFolder() const
{
    return m_state->folder;
}

void FakeOutlookModel::Select(const std::vector<FakeDispatchPtr>& items)
{
    m_state->selected = items;
}

FakeDispatchPtr FakeOutlookModel::AddToStore(const std::wstring& storeId, const std::wstring& entryId,
                                             const wchar_t* messageClass, IUnknown* mapiObject,
                                             std::function<void()> onDeleted)
{
    std::weak_ptr<State> weak = m_state;
    FakeDispatchPtr item = FakeOutlookItem::Create(messageClass, mapiObject, [weak, storeId, entryId, onDeleted] {
        if (auto state = weak.lock()) {
            if (State::Stored* found = state->Find(storeId, entryId))
                found->deleted = true;
        }
        if (onDeleted)
            onDeleted();
    });
    item->AddProperty(L"EntryID", _variant_t(entryId.c_str()));
    m_state->store.push_back(State::Stored{storeId, entryId, item, false});
    return item;
}

bool FakeOutlookModel::InStore(const std::wstring& storeId, const std::wstring& entryId) const
{
    State::Stored* found = m_state->Find(storeId, entryId);
    return found && !found->deleted;
}

FakeDispatchPtr FakeOutlookModel::MakeInspector(IDispatch* item)
{
    FakeDispatchPtr inspector = FakeDispatch::Create(L"Inspector");
    inspector->AddProperty(L"CurrentItem", DispatchVariant(item));
    return inspector;
}

} // namespace doubles
