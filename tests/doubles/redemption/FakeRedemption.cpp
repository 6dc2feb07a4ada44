#include "FakeRedemption.h"

#include "mapi/MsgLayout.h"

namespace doubles {

namespace {

// The class id our fake session class is registered under; the ProgID is
// what the code looks up.
const CLSID CLSID_FakeRdoSession = {0x6c1e2a53, 0x0b7d, 0x4f41, {0x9a, 0x3e, 0x5d, 0x21, 0x80, 0x47, 0xc2, 0x19}};
const wchar_t PROGID[] = L"Redemption.RDOSession";

_variant_t DateVariant(DATE value)
{
    _variant_t v;
    V_VT(&v) = VT_DATE;
    V_DATE(&v) = value;
    return v;
}

// How a deleted mail is told apart; no member of Redemption's.
const wchar_t DELETED_MARK[] = L"__deleted";

FakeDispatchPtr CreateRdoAttachment(const RdoAttachmentData& data)
{
    FakeDispatchPtr attachment = FakeDispatch::Create(L"RDOAttachment");
    attachment->AddProperty(L"FileName", _variant_t(data.fileName.c_str()));
    attachment->AddProperty(L"Size", _variant_t(static_cast<long>(data.bytes.size())));
    attachment->AddProperty(L"Hidden", _variant_t(data.hidden));
    std::string bytes = data.bytes;
    attachment->AddMember(L"SaveAsFile", ACCESS_METHOD, {Required(VT_BSTR)},
                          [bytes](FakeDispatch&, const Invocation& call, VARIANT* result) {
                              if (result)
                                  VariantInit(result);
                              HANDLE file =
                                  CreateFileW(static_cast<const wchar_t*>(_bstr_t(call.args[0])), GENERIC_WRITE, 0,
                                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
                              if (file == INVALID_HANDLE_VALUE)
                                  return HRESULT_FROM_WIN32(GetLastError());
                              DWORD written = 0;
                              BOOL ok =
                                  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
                              CloseHandle(file);
                              return ok && written == bytes.size() ? S_OK : E_FAIL;
                          });
    return attachment;
}

FakeDispatchPtr CreateRdoAttachments(const std::vector<RdoAttachmentData>& data)
{
    std::vector<FakeDispatchPtr> attachments;
    for (const RdoAttachmentData& d : data)
        attachments.push_back(CreateRdoAttachment(d));
    FakeDispatchPtr collection = FakeDispatch::Create(L"RDOAttachments");
    collection->AddProperty(L"Count", _variant_t(static_cast<long>(attachments.size())));
    collection->AddMember(L"Item", ACCESS_METHOD | ACCESS_GET, {Required(VT_VARIANT)},
                          [attachments](FakeDispatch&, const Invocation& call, VARIANT* result) {
                              _variant_t index;
                              if (FAILED(VariantChangeType(&index, const_cast<_variant_t*>(&call.args[0]), 0, VT_I4)))
                                  return DISP_E_TYPEMISMATCH;
                              long i = V_I4(&index);
                              if (i < 1 || i > static_cast<long>(attachments.size()))
                                  return DISP_E_BADINDEX;
                              if (result)
                                  *result = DispatchVariant(attachments[static_cast<size_t>(i - 1)]).Detach();
                              return S_OK;
                          });
    return collection;
}

} // namespace

bool IsRdoMailDeleted(FakeDispatch* mail)
{
    _variant_t mark = mail->Property(DELETED_MARK);
    return V_VT(&mark) == VT_BOOL && V_BOOL(&mark) != VARIANT_FALSE;
}

FakeDispatchPtr CreateRdoMail(const RdoMailData& data)
{
    FakeDispatchPtr mail = FakeDispatch::Create(L"RDOMail");
    mail->AddProperty(L"EntryID", _variant_t(data.entryId.c_str()));
    mail->AddProperty(L"Subject", _variant_t(data.subject.c_str()));
    mail->AddProperty(L"Size", _variant_t(data.size));
    mail->AddProperty(L"MessageClass", _variant_t(data.messageClass.c_str()));
    mail->AddProperty(L"SentOnBehalfOfName", _variant_t(data.sentOnBehalfOfName.c_str()));
    mail->AddProperty(L"ReceivedTime", DateVariant(data.receivedTime));
    mail->AddProperty(L"To", _variant_t(data.to.c_str()));
    mail->AddProperty(L"SentOn", DateVariant(data.sentOn));
    mail->AddProperty(L"BCC", _variant_t(data.bcc.c_str()));
    mail->AddProperty(L"CC", _variant_t(data.cc.c_str()));
    mail->AddProperty(L"Importance", _variant_t(data.importance));
    mail->AddProperty(L"SenderName", _variant_t(data.senderName.c_str()));
    mail->AddMember(L"SaveAs", ACCESS_METHOD, {Required(VT_BSTR), Optional(VT_I4)},
                    [](FakeDispatch& self, const Invocation& call, VARIANT*) {
                        MsgContent content;
                        content.props.push_back(
                            TextProp(PR_SUBJECT_W, static_cast<const wchar_t*>(_bstr_t(self.Property(L"Subject")))));
                        content.props.push_back(
                            TextProp(PR_DISPLAY_TO_W, static_cast<const wchar_t*>(_bstr_t(self.Property(L"To")))));
                        return WriteMsgFile(static_cast<const wchar_t*>(_bstr_t(call.args[0])), content);
                    });
    // The decrypted message is a message of its own that holds the attachments.
    FakeDispatchPtr decrypted = FakeDispatch::Create(L"RDOMessage");
    decrypted->AddProperty(L"Attachments", DispatchVariant(CreateRdoAttachments(data.attachments)));
    mail->AddMember(L"GetDecryptedMessage", ACCESS_METHOD, {},
                    [decrypted](FakeDispatch&, const Invocation&, VARIANT* result) {
                        if (result)
                            *result = DispatchVariant(decrypted).Detach();
                        return S_OK;
                    });
    mail->AddMember(L"Delete", ACCESS_METHOD, {}, [](FakeDispatch& self, const Invocation&, VARIANT* result) {
        if (result)
            VariantInit(result);
        self.SetProperty(DELETED_MARK, _variant_t(true));
        return S_OK;
    });
    return mail;
}

FakeDispatchPtr CreateRdoFolder(const std::vector<FakeDispatchPtr>& mails, const std::wstring& storeId)
{
    FakeDispatchPtr items = FakeDispatch::Create(L"RDOItems");
    items->AddProperty(L"Count", _variant_t(static_cast<long>(mails.size())));
    items->AddMember(L"_Item", ACCESS_METHOD | ACCESS_GET, {Required(VT_I4)},
                     [mails](FakeDispatch&, const Invocation& call, VARIANT* result) {
                         long index = V_I4(&call.args[0]);
                         if (index < 1 || index > static_cast<long>(mails.size()))
                             return DISP_E_BADINDEX;
                         if (result)
                             *result = DispatchVariant(mails[static_cast<size_t>(index - 1)]).Detach();
                         return S_OK;
                     });
    FakeDispatchPtr folder = FakeDispatch::Create(L"RDOFolder");
    folder->AddProperty(L"Items", DispatchVariant(items));
    folder->AddProperty(L"StoreID", _variant_t(storeId.c_str()));
    return folder;
}

FakeDispatchPtr CreateRdoSession(const std::vector<std::pair<std::wstring, FakeDispatchPtr>>& folders,
                                 const wchar_t* version, const std::vector<FakeDispatchPtr>& messages)
{
    FakeDispatchPtr session = FakeDispatch::Create(L"RDOSession");
    session->AddProperty(L"Version", _variant_t(version));
    session->AddProperty(L"MAPIOBJECT", _variant_t(), ACCESS_GET | ACCESS_PUT | ACCESS_PUTREF);
    session->AddMember(L"GetFolderFromID", ACCESS_METHOD, {Required(VT_BSTR), Optional(VT_VARIANT)},
                       [folders](FakeDispatch&, const Invocation& call, VARIANT* result) {
                           std::wstring id = static_cast<const wchar_t*>(_bstr_t(call.args[0]));
                           for (const auto& folder : folders) {
                               if (_wcsicmp(folder.first.c_str(), id.c_str()) == 0) {
                                   if (result)
                                       *result = DispatchVariant(folder.second).Detach();
                                   return S_OK;
                               }
                           }
                           return MAPI_E_NOT_FOUND;
                       });
    session->AddMember(L"GetMessageFromID", ACCESS_METHOD, {Required(VT_BSTR), Optional(VT_VARIANT)},
                       [messages](FakeDispatch&, const Invocation& call, VARIANT* result) {
                           std::wstring id = static_cast<const wchar_t*>(_bstr_t(call.args[0]));
                           for (const FakeDispatchPtr& message : messages) {
                               _variant_t entryId = message->Property(L"EntryID");
                               if (IsRdoMailDeleted(message) ||
                                   _wcsicmp(static_cast<const wchar_t*>(_bstr_t(entryId)), id.c_str()) != 0)
                                   continue;
                               if (result)
                                   *result = DispatchVariant(message).Detach();
                               return S_OK;
                           }
                           return MAPI_E_NOT_FOUND;
                       });
    return session;
}

RedemptionClass::RedemptionClass(RedemptionRegistration how, std::function<FakeDispatchPtr()> makeSession)
{
    if (how == RedemptionRegistration::None)
        return;
    if (how != RedemptionRegistration::ProgIdOnly) {
        const bool fails = how == RedemptionRegistration::CreateFails;
        m_factory = FakeClassFactory::Create([fails, makeSession](REFIID iid, void** ppv) -> HRESULT {
            if (fails || !makeSession)
                return E_OUTOFMEMORY;
            FakeDispatchPtr session = makeSession();
            return session ? session->QueryInterface(iid, ppv) : E_FAIL;
        });
    }
    m_registration.reset(new ClassRegistration(CLSID_FakeRdoSession, m_factory.GetInterfacePtr(),
                                               CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, PROGID));
}

RedemptionClass::~RedemptionClass() = default;

int RedemptionClass::CreateCalls() const
{
    return m_factory ? m_factory->CreateCalls() : 0;
}

} // namespace doubles
