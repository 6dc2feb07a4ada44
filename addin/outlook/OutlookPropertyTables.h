// The constant tables of the Outlook capture: which MAPI properties of an
// item are handed off under which key and in which text form, the message
// classes the capture knows, and the keys shared with the attachment code.
#pragma once

#include <windows.h>

// How a row's value is read and written as text: a MAPI property type, or a
// PT_SYSTIME value written as the date alone.
const ULONG FORMAT_DATE_ONLY = 0x0041;

struct MapiPropertyDef {
    const wchar_t* key;      // null ends the table
    ULONG format;            // PT_BINARY, PT_UNICODE, ..., FORMAT_DATE_ONLY
    ULONG tag;               // fixed property tag; 1 in rows of named properties
    const GUID* propertySet; // null: the row reads tag
    ULONG lid;               // the named property's numeric id (MNID_ID); 0 with a fixed tag
    LONG valueType;          // passed to CPropertyCollection::Add
};

// MAPI's published property sets.
extern const GUID PSETID_Address;
extern const GUID PSETID_Appointment;
extern const GUID PSETID_Task;
extern const GUID PSETID_Common;
extern const GUID PSETID_Log;

// Key texts used by the tables and by name elsewhere.
extern const wchar_t KEY_PR_STORE_ENTRYID[];
extern const wchar_t KEY_PR_ENTRYID[];
extern const wchar_t KEY_PR_SENDER_ENTRYID[];
extern const wchar_t KEY_PR_SENDER_ADDRTYPE[];
extern const wchar_t KEY_OTL_MSG_SENDER_EMAIL_ADDRESS[];
extern const wchar_t KEY_OTL_MSG_TO_SMTP_ADDRESS[];

// The attachment entries' keys, in their order.
extern const wchar_t KEY_OTL_ATTACHMENT_NAME[];
extern const wchar_t KEY_OTL_ATTACHMENT_SIZE[];
extern const wchar_t KEY_OTL_ATTACHMENT_KEY[];
extern const wchar_t KEY_OTL_ATTACHMENT_SELECTED[];
extern const wchar_t KEY_OTL_ATTACHMENT_HIDDEN[];
const size_t ATTACHMENT_KEY_COUNT = 5;
extern const wchar_t* const AttachmentKeys[ATTACHMENT_KEY_COUNT];

// Each table ends with a row whose key is null.
extern const MapiPropertyDef MailPropertyDefs[];
extern const MapiPropertyDef ContactPropertyDefs[];
extern const MapiPropertyDef StickyNotePropertyDefs[];
extern const MapiPropertyDef JournalPropertyDefs[];
extern const MapiPropertyDef AppointmentPropertyDefs[];
extern const MapiPropertyDef MeetingResponsePropertyDefs[];
extern const MapiPropertyDef TaskPropertyDefs[];
extern const MapiPropertyDef TaskRequestPropertyDefs[];
extern const MapiPropertyDef AttachmentPropertyDefs[];

// The message classes the capture handles, in this order.
const size_t OUTLOOK_MESSAGE_CLASS_COUNT = 17;
extern const wchar_t* const OutlookMessageClasses[OUTLOOK_MESSAGE_CLASS_COUNT];

// True when messageClass is the whole of known, without regard to case.
bool IsMessageClass(const wchar_t* messageClass, const wchar_t* known);
// The index of messageClass in OutlookMessageClasses; -1 when it is none.
int FindOutlookMessageClass(const wchar_t* messageClass);
// The property table of an item of that class; null for the signed and
// encrypted mail classes (read without a table) and for unknown classes.
const MapiPropertyDef* PropertyTableForMessageClass(const wchar_t* messageClass);
