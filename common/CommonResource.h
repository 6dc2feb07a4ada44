// Resource ids that the foundation's own code uses; every module that links
// the foundation has these in its resources.
#pragma once

#define IDD_SELECT_LOCATION 118
#define IDC_LOCATION_LIST 1026
#define IDC_LOCATION_PROMPT 1027

#define IDS_OBERLANE_NOT_FOUND 8002
#define IDS_HANDOFF_FILE_FAILED 8003
#define IDS_ERROR_CAPTION 8006
#define IDS_QUESTION_CAPTION 8014
#define IDS_NOT_HANDED_OFF 8020
#define IDS_SELECT_CAPTION 8022
#define IDS_SELECT_PROMPT 8024
#define IDS_OK 8036
#define IDS_CANCEL 8037
