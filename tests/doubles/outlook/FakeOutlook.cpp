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

} // namespace

const IID* OutlookItemInterface(const wchar_t* messageClass)
{
    for (const ClassInterface& entry : CLASS_INTERFACES)
        if (messageClass && _wcsicmp(entry.messageClass, messageClass) == 0)
            return &entry.iid;
    return nullptr;
}

FakeDispatchPtr FakeOutlookItem::Create(const wchar_t* messageClass, IUnknown* mapiObject)
{
    FakeDispatchPtr item = FakeDispatch::Create(L"Item");
    if (const IID* iid = OutlookItemInterface(messageClass))
        item->AcceptInterface(*iid);
    item->AddProperty(L"MessageClass", _variant_t(messageClass));
    _variant_t mapi;
    if (mapiObject) {
        V_VT(&mapi) = VT_UNKNOWN;
        V_UNKNOWN(&mapi) = mapiObject;
        mapiObject->AddRef();
    }
    item->AddProperty(L"MAPIOBJECT", mapi);
    // The MAPI object may be any IUnknown; only a FakeMessage is written.
    FakeMessage* message = nullptr;
    if (mapiObject) {
        IMessage* asMessage = nullptr;
        if (SUCCEEDED(mapiObject->QueryInterface(kIID_IMessage, reinterpret_cast<void**>(&asMessage)))) {
            message = dynamic_cast<FakeMessage*>(asMessage);
            asMessage->Release();
        }
    }
    item->AddMember(L"SaveAs", ACCESS_METHOD, {Required(VT_BSTR), Optional(VT_I4)},
                    [message](FakeDispatch& self, const Invocation& call, VARIANT*) {
                        // The message lives as long as the item's MAPIOBJECT holds it.
                        _variant_t held = self.Property(L"MAPIOBJECT");
                        FakeMessage* source = V_VT(&held) == VT_UNKNOWN && V_UNKNOWN(&held) ? message : nullptr;
                        return WriteMsgFile(static_cast<const wchar_t*>(_bstr_t(call.args[0])), ContentOf(source));
                    });
    return item;
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
