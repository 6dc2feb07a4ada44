// Documented ids of Outlook's typed item interfaces that the add-in asks an
// item for before it reads a member through them.
#pragma once

#include <windows.h>

// {00063034-0000-0000-C000-000000000046}
static const IID IID__MailItem = {0x00063034, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
