#include "OutlookItemKinds.h"

#include "LogFile.h"
#include "OutlookInterfaces.h"
#include "OutlookPropertyTables.h"
#include "TypedMembers.h"

namespace {

#define STEP_TEXTS(name, kind)                                                                                         \
    L"Failed to get Outlook::_" name L" object! hr = 0x%08X\n",                                                        \
        L"Failed to get MAPIOBJECT of " kind L" item! hr = 0x%08X\n",                                                  \
        L"Failed to get IMessage interface from Outlook::_" name L" object! hr = 0x%08X\n"

const ItemKind ITEM_KINDS[] = {
    {L"IPM.Note", ItemRoad::Mail, &IID_Outlook_MailItem, STEP_TEXTS(L"MailItem", L"mail"), true},
    {L"IPM.Note.SMIME", ItemRoad::SignedMail, nullptr, nullptr, nullptr, nullptr, true},
    {L"IPM.Note.SMIME.MultipartSigned", ItemRoad::SignedMail, nullptr, nullptr, nullptr, nullptr, true},
    {L"IPM.Contact", ItemRoad::Typed, &IID_Outlook_ContactItem, STEP_TEXTS(L"ContactItem", L"contact"), false},
    {L"IPM.StickyNote", ItemRoad::StickyNote, nullptr, nullptr, nullptr, nullptr, false},
    {L"IPM.Activity", ItemRoad::Typed, &IID_Outlook_JournalItem, STEP_TEXTS(L"JournalItem", L"journal"), false},
    {L"IPM.Appointment", ItemRoad::Appointment, &IID_Outlook_AppointmentItem,
     STEP_TEXTS(L"AppointmentItem", L"appointment"), false},
    {L"IPM.Schedule.Meeting.Request", ItemRoad::Typed, &IID_Outlook_MeetingItem, STEP_TEXTS(L"MeetingItem", L"meeting"),
     true},
    {L"IPM.Schedule.Meeting.Resp.Pos", ItemRoad::Typed, &IID_Outlook_MeetingItem,
     STEP_TEXTS(L"MeetingItem", L"meeting"), true},
    {L"IPM.Schedule.Meeting.Resp.Neg", ItemRoad::Typed, &IID_Outlook_MeetingItem,
     STEP_TEXTS(L"MeetingItem", L"meeting"), true},
    {L"IPM.Schedule.Meeting.Resp.Tent", ItemRoad::Typed, &IID_Outlook_MeetingItem,
     STEP_TEXTS(L"MeetingItem", L"meeting"), true},
    {L"IPM.Schedule.Meeting.Canceled", ItemRoad::Typed, &IID_Outlook_MeetingItem,
     STEP_TEXTS(L"MeetingItem", L"meeting"), true},
    {L"IPM.Task", ItemRoad::Typed, &IID_Outlook_TaskItem, STEP_TEXTS(L"TaskItem", L"task"), true},
    {L"IPM.TaskRequest", ItemRoad::Typed, &IID_Outlook_TaskRequestItem, STEP_TEXTS(L"TaskRequestItem", L"task request"),
     true},
    {L"IPM.TaskRequest.Accept", ItemRoad::Typed, &IID_Outlook_TaskRequestAcceptItem,
     STEP_TEXTS(L"TaskRequestAcceptItem", L"task request accept"), true},
    {L"IPM.TaskRequest.Decline", ItemRoad::Typed, &IID_Outlook_TaskRequestDeclineItem,
     STEP_TEXTS(L"TaskRequestDeclineItem", L"task request decline"), true},
    {L"IPM.TaskRequest.Update", ItemRoad::Typed, &IID_Outlook_TaskRequestUpdateItem,
     STEP_TEXTS(L"TaskRequestUpdateItem", L"task request update"), true},
};

#undef STEP_TEXTS

} // namespace

const ItemKind* FindItemKind(const wchar_t* messageClass, int majorVersion)
{
    for (const ItemKind& kind : ITEM_KINDS) {
        if (!IsMessageClass(messageClass, kind.messageClass))
            continue;
        if (kind.road == ItemRoad::SignedMail && majorVersion < FIRST_REDEMPTION_VERSION)
            return nullptr;
        return &kind;
    }
    return nullptr;
}

HRESULT ReadItemMessage(IDispatch* typed, const wchar_t* noMapiObject, const wchar_t* noMessage, CMessagePtr& message)
{
    _variant_t mapiObject;
    HRESULT hr = GetTypedProperty(typed, L"MAPIOBJECT", &mapiObject);
    if (SUCCEEDED(hr) &&
        ((V_VT(&mapiObject) != VT_UNKNOWN && V_VT(&mapiObject) != VT_DISPATCH) || !V_UNKNOWN(&mapiObject)))
        hr = DISP_E_TYPEMISMATCH;
    if (FAILED(hr)) {
        g_Log.Error(noMapiObject, static_cast<unsigned>(hr));
        return hr;
    }
    hr = V_UNKNOWN(&mapiObject)->QueryInterface(IID_IMessage, reinterpret_cast<void**>(&message));
    if (SUCCEEDED(hr) && !message)
        hr = E_NOINTERFACE;
    if (FAILED(hr))
        g_Log.Error(noMessage, static_cast<unsigned>(hr));
    return hr;
}
