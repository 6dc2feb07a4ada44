// Dialog 119 "Anhänge auswählen": the user picks the attachments to archive
// from the listed ones. On OK each chosen row's own entry gets
// "OTL_ATTACHMENT_SELECTED" = "1".
#pragma once

#include "AttachmentList.h"

#include <windows.h>

// Parameter: the CAttachmentList. Result: 1 after OK (with a choice), 0
// after Cancel or without a list.
INT_PTR CALLBACK SelectAttachmentsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Shows dialog 119 of this module, modal and without owner, for the list;
// -1 when it cannot be shown.
INT_PTR ShowAttachmentsDialog(CAttachmentList* attachments);
