// Resource ids of the attachments dialog, shared by its code and its
// resource script.
#pragma once

#define IDD_SELECT_ATTACHMENTS 119
#define IDC_ATTACHMENTS_PROMPT 1029
#define IDC_ATTACHMENTS_LIST 1030

#define IDS_NO_DOCUMENT_SELECTED 8008
#define IDS_ATTACHMENTS_PROMPT 8050
#define IDS_ATTACHMENTS_CAPTION 8051
#define IDS_ATTACHMENTS_COLUMN_NAME 8052
#define IDS_ATTACHMENTS_COLUMN_SIZE 8053
