// An item's MAPI message as a message store hands it out (Outlook's
// MAPIOBJECT of an item): properties, named properties of its store,
// streams, a recipient table, attachments with their data, and CopyTo into
// another message as IMAPIProp::CopyTo documents it (every property, named
// properties mapped into the destination's names, the recipients through
// ModifyRecipients and each attachment through CreateAttach).
#pragma once

#include "FakeMapiProp.h"
#include "FakeMapiTable.h"

namespace doubles {

class FakeAttach : public FakeMapiProp<IAttach>
{
public:
    static FakeAttach* Create() { return new FakeAttach(); }

    // PR_ATTACH_METHOD says where an attachment keeps its data: one attached
    // by value holds its bytes as PR_ATTACH_DATA_BIN; an attached mail and an
    // OLE object hold an object under the same id (PR_ATTACH_DATA_OBJ, opened
    // as a message or a storage; a store need not render an OLE object as
    // bytes, and this one does not), and a reference holds only a path.
    STDMETHODIMP OpenProperty(ULONG tag, LPCIID iid, ULONG options, ULONG flags, LPUNKNOWN* unknown) override
    {
        PropValue method;
        if (tag == PR_ATTACH_DATA_BIN && Find(PROP_ID(PR_ATTACH_METHOD), &method) && method.l != ATTACH_BY_VALUE &&
            method.l != NO_ATTACHMENT) {
            if (unknown)
                *unknown = nullptr;
            return MAPI_E_NOT_FOUND;
        }
        return FakeMapiProp<IAttach>::OpenProperty(tag, iid, options, flags, unknown);
    }

protected:
    bool AnswersIid(REFIID iid) const override { return IsEqualIID(iid, kIID_IAttachment); }

private:
    FakeAttach() = default;
};

class FakeMessage : public FakeMapiProp<IMessage>
{
public:
    // A message with one reference.
    static FakeMessage* Create();

    // A recipient row: its columns in their order (PR_ROWID is added last).
    void AddRecipient(std::vector<PropValue> columns);
    // An attachment with its properties; PR_ATTACH_NUM is set to its number.
    FakeAttach* AddAttachment(std::vector<PropValue> props);
    const std::vector<std::vector<PropValue>>& Recipients() const { return m_recipients; }
    const std::vector<FakeAttach*>& Attachments() const { return m_attachments; }

    // IMessage
    STDMETHODIMP GetAttachmentTable(ULONG flags, LPMAPITABLE* table) override;
    STDMETHODIMP OpenAttach(ULONG number, LPCIID iid, ULONG flags, LPATTACH* attach) override;
    STDMETHODIMP CreateAttach(LPCIID iid, ULONG flags, ULONG* number, LPATTACH* attach) override;
    STDMETHODIMP DeleteAttach(ULONG, ULONG, LPMAPIPROGRESS, ULONG) override;
    STDMETHODIMP GetRecipientTable(ULONG flags, LPMAPITABLE* table) override;
    STDMETHODIMP ModifyRecipients(ULONG flags, LPADRLIST mods) override;
    STDMETHODIMP SubmitMessage(ULONG) override;
    STDMETHODIMP SetReadFlag(ULONG) override;

protected:
    bool AnswersIid(REFIID iid) const override { return IsEqualIID(iid, kIID_IMessage); }
    HRESULT OnCopyTo(LPCIID iid, LPVOID destination) override;

private:
    FakeMessage() = default;
    ~FakeMessage() override;

    std::vector<std::vector<PropValue>> m_recipients;
    std::vector<FakeAttach*> m_attachments;
};

} // namespace doubles
