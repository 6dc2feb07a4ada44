// The droplet's string ids that the walker and its connector calls show; the
// texts live in Corvelle's own string table.
#pragma once

#define IDS_FILE_NOT_SUPPORTED 9001
#define IDS_NO_FILES_ACCEPTED 9002
#define IDS_ARCHIVE_ALL_FILES 9003
#define IDS_COM_ERROR 9004
#define IDS_COM_NOT_REGISTERED 9005
