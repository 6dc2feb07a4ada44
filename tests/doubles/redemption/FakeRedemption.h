// Redemption's objects as the capture reaches them, built on FakeDispatch,
// and its registration in the test process:
// - a session (Version, MAPIOBJECT put, GetFolderFromID, GetMessageFromID);
// - a folder (Items with Count and _Item from 1, StoreID);
// - a mail (EntryID, Subject, Size, MessageClass, SentOnBehalfOfName,
//   ReceivedTime, To, SentOn, BCC, CC, Importance, SenderName; SaveAs of a
//   path and a type, which writes a message file; GetDecryptedMessage, whose
//   message has the mail's Attachments (Count, Item from 1; each with
//   FileName, Size, Hidden and SaveAsFile, which writes its bytes); Delete,
//   after which the session no longer finds the mail);
// - the class "Redemption.RDOSession" registered in process
//   (CoRegisterClassObject and the ProgID under HKEY_CLASSES_ROOT), or only
//   its ProgID, or nothing, or a class object whose CreateInstance fails.
#pragma once

#include "ClassRegistration.h"
#include "FakeClassFactory.h"
#include "FakeDispatch.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace doubles {

struct RdoAttachmentData {
    std::wstring fileName;
    std::string bytes;
    bool hidden = false;
};

struct RdoMailData {
    std::wstring entryId;
    std::wstring subject;
    long size = 0;
    std::wstring messageClass = L"IPM.Note.SMIME";
    std::wstring sentOnBehalfOfName;
    DATE receivedTime = 0;
    std::wstring to;
    DATE sentOn = 0;
    std::wstring bcc;
    std::wstring cc;
    long importance = 1;
    std::wstring senderName;
    std::vector<RdoAttachmentData> attachments;
};

// A mail; SaveAs(path VT_BSTR, type VT_I4) writes a .msg file holding its
// subject and the recipients' display text at the path.
FakeDispatchPtr CreateRdoMail(const RdoMailData& data);
// Whether the mail's Delete has removed it.
bool IsRdoMailDeleted(FakeDispatch* mail);
// A folder with these mails, in this order.
FakeDispatchPtr CreateRdoFolder(const std::vector<FakeDispatchPtr>& mails, const std::wstring& storeId);
// A session whose GetFolderFromID answers the folders by entry id and
// whose GetMessageFromID answers the messages by their EntryID until they
// are deleted.
FakeDispatchPtr CreateRdoSession(const std::vector<std::pair<std::wstring, FakeDispatchPtr>>& folders,
                                 const wchar_t* version = L"6.3.0.5742",
                                 const std::vector<FakeDispatchPtr>& messages = {});

enum class RedemptionRegistration {
    Registered,  // ProgID and class object
    ProgIdOnly,  // the ProgID names a class no one serves
    None,        // no ProgID
    CreateFails, // the class object's CreateInstance fails
};

// Registers the fake session class for the life of the object; the
// sessions the class object makes come from makeSession.
class RedemptionClass
{
public:
    RedemptionClass(RedemptionRegistration how, std::function<FakeDispatchPtr()> makeSession);
    ~RedemptionClass();
    RedemptionClass(const RedemptionClass&) = delete;
    RedemptionClass& operator=(const RedemptionClass&) = delete;

    int CreateCalls() const;

private:
    FakeClassFactoryPtr m_factory;
    std::unique_ptr<ClassRegistration> m_registration;
};

} // namespace doubles
