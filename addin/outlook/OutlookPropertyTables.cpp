#include "OutlookPropertyTables.h"

#include <mapidefs.h>

const GUID PSETID_Address = {0x00062004, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID PSETID_Appointment = {0x00062002, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID PSETID_Task = {0x00062003, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID PSETID_Common = {0x00062008, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID PSETID_Log = {0x0006200A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

const wchar_t KEY_PR_STORE_ENTRYID[] = L"PR_STORE_ENTRYID";
const wchar_t KEY_PR_ENTRYID[] = L"PR_ENTRYID";
const wchar_t KEY_PR_SENDER_ENTRYID[] = L"PR_SENDER_ENTRYID";
const wchar_t KEY_PR_SENDER_ADDRTYPE[] = L"PR_SENDER_ADDRTYPE";
const wchar_t KEY_OTL_MSG_SENDER_EMAIL_ADDRESS[] = L"OTL_MSG_SENDER_EMAIL_ADDRESS";
const wchar_t KEY_OTL_MSG_TO_SMTP_ADDRESS[] = L"OTL_MSG_TO_SMTP_ADDRESS";

const wchar_t KEY_OTL_ATTACHMENT_NAME[] = L"OTL_ATTACHMENT_NAME";
const wchar_t KEY_OTL_ATTACHMENT_SIZE[] = L"OTL_ATTACHMENT_SIZE";
const wchar_t KEY_OTL_ATTACHMENT_KEY[] = L"OTL_ATTACHMENT_KEY";
const wchar_t KEY_OTL_ATTACHMENT_SELECTED[] = L"OTL_ATTACHMENT_SELECTED";
const wchar_t KEY_OTL_ATTACHMENT_HIDDEN[] = L"OTL_ATTACHMENT_HIDDEN";
const wchar_t* const AttachmentKeys[ATTACHMENT_KEY_COUNT] = {
    KEY_OTL_ATTACHMENT_NAME,     KEY_OTL_ATTACHMENT_SIZE,   KEY_OTL_ATTACHMENT_KEY,
    KEY_OTL_ATTACHMENT_SELECTED, KEY_OTL_ATTACHMENT_HIDDEN,
};

namespace {

// Row builders: a fixed tag, or a named property of a set by numeric id.
constexpr MapiPropertyDef Tag(const wchar_t* key, ULONG format, ULONG tag, LONG valueType)
{
    return MapiPropertyDef{key, format, tag, nullptr, 0, valueType};
}
constexpr MapiPropertyDef Named(const wchar_t* key, ULONG format, const GUID* set, ULONG lid, LONG valueType)
{
    return MapiPropertyDef{key, format, 1, set, lid, valueType};
}
constexpr MapiPropertyDef End()
{
    return MapiPropertyDef{nullptr, 0, 0, nullptr, 0, 0};
}

// Properties named by more than one table.
const ULONG TAG_ENTRYID = 0x0FFF0102;
const ULONG TAG_STORE_ENTRYID = 0x0FFB0102;
const ULONG TAG_SUBJECT_W = 0x0037001F;
const ULONG TAG_SENDER_NAME_W = 0x0C1A001F;
const ULONG TAG_BUSINESS_TELEPHONE_NUMBER_W = 0x3A08001F;
const ULONG TAG_DISPLAY_NAME_W = 0x3001001F;
const ULONG TAG_MESSAGE_DELIVERY_TIME = 0x0E060040;
const ULONG TAG_START_DATE = 0x00600040;
const ULONG TAG_END_DATE = 0x00610040;

#define ENTRY_ID_ROWS                                                                                                  \
    Tag(KEY_PR_ENTRYID, PT_BINARY, TAG_ENTRYID, 0), Tag(KEY_PR_STORE_ENTRYID, PT_BINARY, TAG_STORE_ENTRYID, 0)

#define APPOINTMENT_ROWS                                                                                               \
    ENTRY_ID_ROWS, Tag(L"OTL_APPOINTMENT_SUBJECT", PT_UNICODE, TAG_SUBJECT_W, 1),                                      \
        Tag(L"OTL_APPOINTMENT_STARTDATE", FORMAT_DATE_ONLY, TAG_START_DATE, 1),                                        \
        Tag(L"OTL_APPOINTMENT_STARTDATETIME", PT_SYSTIME, TAG_START_DATE, 1),                                          \
        Tag(L"OTL_APPOINTMENT_ENDDATE", FORMAT_DATE_ONLY, TAG_END_DATE, 1),                                            \
        Tag(L"OTL_APPOINTMENT_ENDDATETIME", PT_SYSTIME, TAG_END_DATE, 1),                                              \
        Tag(L"OTL_APPOINTMENT_SENDER", PT_UNICODE, TAG_SENDER_NAME_W, 1),                                              \
        Named(L"OTL_APPOINTMENT_BUSYSTATUS", PT_LONG, &PSETID_Appointment, 0x8205, 1),                                 \
        Named(L"OTL_APPOINTMENT_LOCATION", PT_UNICODE, &PSETID_Appointment, 0x8208, 1),                                \
        Named(L"OTL_APPOINTMENT_DURATION", PT_LONG, &PSETID_Appointment, 0x8213, 1),                                   \
        Named(L"OTL_APPOINTMENT_RECURRING", PT_BOOLEAN, &PSETID_Appointment, 0x8223, 1),                               \
        Named(L"OTL_APPOINTMENT_RECURRINGTYPE", PT_LONG, &PSETID_Appointment, 0x8231, 1),                              \
        Named(L"OTL_APPOINTMENT_RECURRINGPATTERN", PT_UNICODE, &PSETID_Appointment, 0x8232, 1)

#define TASK_SUBJECT_SENDER_ROWS                                                                                       \
    Tag(L"OTL_TASK_SUBJECT", PT_UNICODE, TAG_SUBJECT_W, 1), Tag(L"OTL_TASK_SENDER", PT_UNICODE, TAG_SENDER_NAME_W, 1)

} // namespace

const MapiPropertyDef MailPropertyDefs[] = {
    ENTRY_ID_ROWS,
    Tag(KEY_PR_SENDER_ENTRYID, PT_BINARY, 0x0C190102, 0),
    Tag(KEY_PR_SENDER_ADDRTYPE, PT_UNICODE, 0x0C1E001F, 0),
    Tag(L"OTL_MSG_BCC", PT_UNICODE, 0x0E02001F, 1),
    Tag(L"OTL_MSG_CC", PT_UNICODE, 0x0E03001F, 1),
    Tag(L"OTL_MSG_IMPORTANCE", PT_LONG, 0x00170003, 1),
    Tag(L"OTL_MSG_SUBJECT", PT_UNICODE, TAG_SUBJECT_W, 1),
    Tag(L"OTL_MSG_TO", PT_UNICODE, 0x0E04001F, 1),
    Tag(L"OTL_MSG_SENDERNAME", PT_UNICODE, TAG_SENDER_NAME_W, 1),
    Tag(KEY_OTL_MSG_SENDER_EMAIL_ADDRESS, PT_UNICODE, 0x0C1F001F, 1),
    Tag(L"OTL_MSG_RECIEVEDATE", FORMAT_DATE_ONLY, TAG_MESSAGE_DELIVERY_TIME, 1),
    Tag(L"OTL_MSG_RECIEVEDATETIME", PT_SYSTIME, TAG_MESSAGE_DELIVERY_TIME, 1),
    End(),
};

const MapiPropertyDef ContactPropertyDefs[] = {
    ENTRY_ID_ROWS,
    Tag(L"OTL_CONTACT_BIRTHDAY", PT_SYSTIME, 0x3A420040, 1),
    Tag(L"OTL_CONTACT_HOMETEL", PT_UNICODE, 0x3A09001F, 1),
    Tag(L"OTL_CONTACT_OFFICETEL", PT_UNICODE, TAG_BUSINESS_TELEPHONE_NUMBER_W, 1),
    Tag(L"OTL_CONTACT_HANDYTEL", PT_UNICODE, 0x3A1C001F, 1),
    Named(L"OTL_CONTACT_BUSINESSADDRESS", PT_UNICODE, &PSETID_Address, 0x801B, 1),
    Named(L"OTL_CONTACT_BUSINESSADDRESSCOUNTRY", PT_UNICODE, &PSETID_Address, 0x8049, 1),
    Named(L"OTL_CONTACT_BUSINESSADDRESSPOSTALCODE", PT_UNICODE, &PSETID_Address, 0x8048, 1),
    Named(L"OTL_CONTACT_BUSINESSADDRESSSTATE", PT_UNICODE, &PSETID_Address, 0x8047, 1),
    Named(L"OTL_CONTACT_BUSINESSADDRESSSTREET", PT_UNICODE, &PSETID_Address, 0x8045, 1),
    Tag(L"OTL_CONTACT_BUSINESSTELEPHONENUMBER", PT_UNICODE, TAG_BUSINESS_TELEPHONE_NUMBER_W, 1),
    Tag(L"OTL_CONTACT_DEPARTMENT", PT_UNICODE, 0x3A18001F, 1),
    Named(L"OTL_CONTACT_EMAIL1ADDRESS", PT_UNICODE, &PSETID_Address, 0x8083, 1),
    Named(L"OTL_CONTACT_EMAIL2ADDRESS", PT_UNICODE, &PSETID_Address, 0x8093, 1),
    Named(L"OTL_CONTACT_EMAIL3ADDRESS", PT_UNICODE, &PSETID_Address, 0x80A3, 1),
    Tag(L"OTL_CONTACT_FIRSTNAME", PT_UNICODE, 0x3A06001F, 1),
    Tag(L"OTL_CONTACT_FULLNAME", PT_UNICODE, TAG_DISPLAY_NAME_W, 1),
    Tag(L"OTL_CONTACT_LASTNAME", PT_UNICODE, 0x3A11001F, 1),
    Tag(L"OTL_CONTACT_JOBTITLE", PT_UNICODE, 0x3A17001F, 1),
    End(),
};

const MapiPropertyDef StickyNotePropertyDefs[] = {
    ENTRY_ID_ROWS,
    Tag(L"OTL_STICKYNOTE_BODY", PT_UNICODE, 0x1000001F, 1),
    Tag(L"OTL_STICKYNOTE_SUBJECT", PT_UNICODE, TAG_SUBJECT_W, 1),
    End(),
};

const MapiPropertyDef JournalPropertyDefs[] = {
    ENTRY_ID_ROWS,
    Tag(L"OTL_ACTIVITY_SUBJECT", PT_UNICODE, TAG_SUBJECT_W, 1),
    Named(L"OTL_ACTIVITY_START", FORMAT_DATE_ONLY, &PSETID_Log, 0x8706, 1),
    Named(L"OTL_ACTIVITY_STARTDATETIME", PT_SYSTIME, &PSETID_Log, 0x8706, 1),
    Named(L"OTL_ACTIVITY_END", FORMAT_DATE_ONLY, &PSETID_Log, 0x8708, 1),
    Named(L"OTL_ACTIVITY_ENDDATETIME", PT_SYSTIME, &PSETID_Log, 0x8708, 1),
    Named(L"OTL_ACTIVITY_DURATION", PT_LONG, &PSETID_Log, 0x8707, 1),
    Named(L"OTL_ACTIVITY_ENTRY", PT_UNICODE, &PSETID_Log, 0x8700, 1),
    Named(L"OTL_ACTIVITY_ENTRYTYPE", PT_UNICODE, &PSETID_Log, 0x8712, 1),
    End(),
};

const MapiPropertyDef AppointmentPropertyDefs[] = {
    APPOINTMENT_ROWS,
    Named(L"OTL_APPOINTMENT_ATTENDEE", PT_UNICODE, &PSETID_Appointment, 0x823B, 1),
    End(),
};

const MapiPropertyDef MeetingResponsePropertyDefs[] = {
    APPOINTMENT_ROWS,
    End(),
};

const MapiPropertyDef TaskPropertyDefs[] = {
    ENTRY_ID_ROWS,
    TASK_SUBJECT_SENDER_ROWS,
    Named(L"OTL_TASK_STARTDATE", FORMAT_DATE_ONLY, &PSETID_Task, 0x8104, 1),
    Named(L"OTL_TASK_STARTDATETIME", PT_SYSTIME, &PSETID_Task, 0x8104, 1),
    Named(L"OTL_TASK_DUEDATE", FORMAT_DATE_ONLY, &PSETID_Task, 0x8105, 1),
    Named(L"OTL_TASK_DUEDATETIME", PT_SYSTIME, &PSETID_Task, 0x8105, 1),
    Named(L"OTL_TASK_COMMONSTART", FORMAT_DATE_ONLY, &PSETID_Common, 0x8516, 1),
    Named(L"OTL_TASK_COMMONSTARTDATETIME", PT_SYSTIME, &PSETID_Common, 0x8516, 1),
    Named(L"OTL_TASK_COMMONEND", FORMAT_DATE_ONLY, &PSETID_Common, 0x8517, 1),
    Named(L"OTL_TASK_COMMONENDDATETIME", PT_SYSTIME, &PSETID_Common, 0x8517, 1),
    Named(L"OTL_TASK_PERCENTCOMPLETE", PT_DOUBLE, &PSETID_Task, 0x8102, 1),
    Named(L"OTL_TASK_COMPLETE", PT_BOOLEAN, &PSETID_Task, 0x811C, 1),
    Named(L"OTL_TASK_TOTALWORK", PT_LONG, &PSETID_Task, 0x8111, 1),
    Named(L"OTL_TASK_ACTUALWORK", PT_LONG, &PSETID_Task, 0x8110, 1),
    Named(L"OTL_TASK_STATUS", PT_LONG, &PSETID_Task, 0x8101, 1),
    Named(L"OTL_TASK_RECURRING", PT_BOOLEAN, &PSETID_Task, 0x8126, 1),
    End(),
};

const MapiPropertyDef TaskRequestPropertyDefs[] = {
    ENTRY_ID_ROWS,
    TASK_SUBJECT_SENDER_ROWS,
    End(),
};

const MapiPropertyDef AttachmentPropertyDefs[] = {
    Tag(KEY_OTL_ATTACHMENT_NAME, PT_UNICODE, TAG_DISPLAY_NAME_W, 0),
    Tag(KEY_OTL_ATTACHMENT_SIZE, PT_LONG, 0x0E200003, 0),
    Tag(KEY_OTL_ATTACHMENT_KEY, PT_BINARY, 0x0FF90102, 0),
    Tag(KEY_OTL_ATTACHMENT_HIDDEN, PT_BOOLEAN, 0x7FFE000B, 0),
    End(),
};

const wchar_t* const OutlookMessageClasses[OUTLOOK_MESSAGE_CLASS_COUNT] = {
    L"IPM.Note",
    L"IPM.Note.SMIME",
    L"IPM.Note.SMIME.MultipartSigned",
    L"IPM.Contact",
    L"IPM.StickyNote",
    L"IPM.Activity",
    L"IPM.Appointment",
    L"IPM.Schedule.Meeting.Request",
    L"IPM.Schedule.Meeting.Resp.Pos",
    L"IPM.Schedule.Meeting.Resp.Neg",
    L"IPM.Schedule.Meeting.Resp.Tent",
    L"IPM.Schedule.Meeting.Canceled",
    L"IPM.Task",
    L"IPM.TaskRequest",
    L"IPM.TaskRequest.Accept",
    L"IPM.TaskRequest.Decline",
    L"IPM.TaskRequest.Update",
};

namespace {

// The table of each class, by the class's position in OutlookMessageClasses.
const MapiPropertyDef* const TableOfClass[OUTLOOK_MESSAGE_CLASS_COUNT] = {
    MailPropertyDefs,            // IPM.Note
    nullptr,                     // IPM.Note.SMIME
    nullptr,                     // IPM.Note.SMIME.MultipartSigned
    ContactPropertyDefs,         // IPM.Contact
    StickyNotePropertyDefs,      // IPM.StickyNote
    JournalPropertyDefs,         // IPM.Activity
    AppointmentPropertyDefs,     // IPM.Appointment
    AppointmentPropertyDefs,     // IPM.Schedule.Meeting.Request
    MeetingResponsePropertyDefs, // IPM.Schedule.Meeting.Resp.Pos
    MeetingResponsePropertyDefs, // IPM.Schedule.Meeting.Resp.Neg
    MeetingResponsePropertyDefs, // IPM.Schedule.Meeting.Resp.Tent
    MeetingResponsePropertyDefs, // IPM.Schedule.Meeting.Canceled
    TaskPropertyDefs,            // IPM.Task
    TaskPropertyDefs,            // IPM.TaskRequest
    TaskRequestPropertyDefs,     // IPM.TaskRequest.Accept
    TaskRequestPropertyDefs,     // IPM.TaskRequest.Decline
    TaskRequestPropertyDefs,     // IPM.TaskRequest.Update
};

} // namespace

bool IsMessageClass(const wchar_t* messageClass, const wchar_t* known)
{
    // Ordinal: a linguistic comparison would let look-alike classes pass.
    return messageClass && known && CompareStringOrdinal(messageClass, -1, known, -1, TRUE) == CSTR_EQUAL;
}

int FindOutlookMessageClass(const wchar_t* messageClass)
{
    for (size_t i = 0; i < OUTLOOK_MESSAGE_CLASS_COUNT; ++i)
        if (IsMessageClass(messageClass, OutlookMessageClasses[i]))
            return static_cast<int>(i);
    return -1;
}

const MapiPropertyDef* PropertyTableForMessageClass(const wchar_t* messageClass)
{
    int index = FindOutlookMessageClass(messageClass);
    return index < 0 ? nullptr : TableOfClass[index];
}
