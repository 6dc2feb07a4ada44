// MAPI's interface ids and the property tags the doubles need, as MAPI
// publishes them. Kept in the doubles' own namespace: the code under test
// defines the interface ids itself, and the fake mapi32 module links
// without it.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <mapix.h>
#include <mapiutil.h>
#include <imessage.h>

namespace doubles {

constexpr GUID MapiIid(unsigned long first)
{
    return GUID{first, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
}

const IID kIID_IMAPISession = MapiIid(0x00020300);
const IID kIID_IMAPITable = MapiIid(0x00020301);
const IID kIID_IMAPIProp = MapiIid(0x00020303);
const IID kIID_IMessage = MapiIid(0x00020307);
const IID kIID_IAttachment = MapiIid(0x00020308);
const IID kIID_IAddrBook = MapiIid(0x00020309);
const IID kIID_IMailUser = MapiIid(0x0002030A);
const GUID kPS_MAPI = MapiIid(0x00020328);
const GUID kPS_PUBLIC_STRINGS = MapiIid(0x00020329);
const CLSID kCLSID_MailMessage = MapiIid(0x00020D0B);

const ULONG kPR_SMTP_ADDRESS_W = 0x39FE001F;
const ULONG kPR_ATTACHMENT_HIDDEN = 0x7FFE000B;

} // namespace doubles
