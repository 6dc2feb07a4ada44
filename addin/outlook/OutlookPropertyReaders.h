// The readers that turn an Outlook item's properties into hand-off
// properties: through Extended MAPI (a property table, the recipients, the
// Exchange sender's SMTP address) or late-bound from a mail object.
#pragma once

#include "MapiImports.h"
#include "OutlookPropertyTables.h"
#include "PropertyCollection.h"

#include <oaidl.h>

// Adds one text per row of table, read from the MAPI object (a message or
// an attachment); a row that cannot be read is logged and left out. Does
// nothing when one of the three is null.
void CollectMapiProperties(IMAPIProp* object, const MapiPropertyDef* table, CPropertyCollection* properties);

// Adds "OTL_MSG_TO_SMTP_ADDRESS": the addresses with "@" of all recipients,
// joined by ";".
void CollectRecipientAddresses(IMessage* message, CPropertyCollection* properties);

// For a sender of address type "EX", replaces "OTL_MSG_SENDER_EMAIL_ADDRESS"
// with the SMTP address from Outlook's address book (or the empty text).
HRESULT CollectSenderAddress(IDispatch* application, IMessage* message, CPropertyCollection* properties);

// Reads a mail's main properties late-bound from the mail and its folder
// (Outlook's or Redemption's objects).
void CollectMailItemProperties(IDispatch* folder, IDispatch* mail, CPropertyCollection* properties);
