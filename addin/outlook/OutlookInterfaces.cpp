#include "OutlookInterfaces.h"

namespace {

// Outlook's interface ids share everything but their first field.
constexpr IID OutlookIid(unsigned long first)
{
    return IID{first, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
}

} // namespace

const IID IID_Outlook_Application = OutlookIid(0x00063001);
const IID IID_Outlook_MailItem = OutlookIid(0x00063034);
const IID IID_Outlook_ContactItem = OutlookIid(0x00063021);
const IID IID_Outlook_JournalItem = OutlookIid(0x00063022);
const IID IID_Outlook_AppointmentItem = OutlookIid(0x00063033);
const IID IID_Outlook_MeetingItem = OutlookIid(0x00063062);
const IID IID_Outlook_TaskItem = OutlookIid(0x00063035);
const IID IID_Outlook_TaskRequestItem = OutlookIid(0x00063036);
const IID IID_Outlook_TaskRequestAcceptItem = OutlookIid(0x00063038);
const IID IID_Outlook_TaskRequestDeclineItem = OutlookIid(0x00063039);
const IID IID_Outlook_TaskRequestUpdateItem = OutlookIid(0x00063037);
const IID IID_Outlook_NoteItem = OutlookIid(0x00063025);

const CLSID CLSID_MailMessage = OutlookIid(0x00020D0B);
