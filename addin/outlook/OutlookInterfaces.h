// Outlook's typed (dual) interfaces that the capture asks its objects for.
#pragma once

#include <windows.h>

extern const IID IID_Outlook_Application;            // _Application
extern const IID IID_Outlook_MailItem;               // _MailItem
extern const IID IID_Outlook_ContactItem;            // _ContactItem
extern const IID IID_Outlook_JournalItem;            // _JournalItem
extern const IID IID_Outlook_AppointmentItem;        // _AppointmentItem
extern const IID IID_Outlook_MeetingItem;            // _MeetingItem
extern const IID IID_Outlook_TaskItem;               // _TaskItem
extern const IID IID_Outlook_TaskRequestItem;        // _TaskRequestItem
extern const IID IID_Outlook_TaskRequestAcceptItem;  // _TaskRequestAcceptItem
extern const IID IID_Outlook_TaskRequestDeclineItem; // _TaskRequestDeclineItem
extern const IID IID_Outlook_TaskRequestUpdateItem;  // _TaskRequestUpdateItem
extern const IID IID_Outlook_NoteItem;               // _NoteItem

// The class id the root storage of a .msg file carries.
extern const CLSID CLSID_MailMessage;
