// The Outlook item kinds the capture handles, by message class: how an item
// is saved, which typed interface leads to its MAPI message (with the log
// texts of the three steps there), and whether its attachments are offered.
#pragma once

#include "ComSupport.h"
#include "MapiImports.h"

// Signed and encrypted mails can be read from this Outlook on (through
// Redemption).
const int FIRST_REDEMPTION_VERSION = 11;

enum class ItemRoad {
    Mail,        // Extended MAPI with the mail's recipients and sender
    SignedMail,  // Redemption
    Typed,       // Extended MAPI through the kind's typed interface
    Appointment, // as Typed, a series' occurrence through its master
    StickyNote,  // Outlook's own save
};

struct ItemKind {
    const wchar_t* messageClass;
    ItemRoad road;
    const IID* iid;              // null for the signed mails and sticky notes
    const wchar_t* noInterface;  // the typed interface is refused
    const wchar_t* noMapiObject; // its MAPIOBJECT cannot be read
    const wchar_t* noMessage;    // that object is no IMessage
    bool offersAttachments;
};

// The kind of the class (the whole text, without regard to case); null for
// a class the capture does not handle, and for a signed or encrypted mail
// in an Outlook older than FIRST_REDEMPTION_VERSION.
const ItemKind* FindItemKind(const wchar_t* messageClass, int majorVersion);

// The item's MAPI message, read as MAPIOBJECT through the item's typed
// interface; the failures are logged with the given texts.
HRESULT ReadItemMessage(IDispatch* typed, const wchar_t* noMapiObject, const wchar_t* noMessage, CMessagePtr& message);
