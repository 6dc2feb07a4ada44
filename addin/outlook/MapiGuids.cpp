// The MAPI interface ids that no import library provides.
#include <windows.h>
#include <initguid.h>

#define USES_IID_IMAPISession
#define USES_IID_IMAPITable
#define USES_IID_IMAPIProp
#define USES_IID_IMessage
#define USES_IID_IAttachment
#define USES_IID_IAddrBook
#define USES_IID_IMailUser
#include <mapiguid.h>
