#include "FakeMessage.h"

namespace doubles {

namespace {

// Values of caller memory for SetProps and friends: the pointers point into
// the PropValues, which outlive the call.
std::vector<SPropValue> Borrow(std::vector<PropValue>& values)
{
    std::vector<SPropValue> out(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        PropValue& v = values[i];
        SPropValue& s = out[i];
        memset(&s, 0, sizeof(s));
        s.ulPropTag = v.tag;
        switch (v.Type()) {
        case PT_UNICODE:
            s.Value.lpszW = &v.text[0];
            break;
        case PT_STRING8:
            s.Value.lpszA = &v.text8[0];
            break;
        case PT_BINARY:
            s.Value.bin.cb = static_cast<ULONG>(v.bytes.size());
            s.Value.bin.lpb = v.bytes.empty() ? nullptr : v.bytes.data();
            break;
        default: {
            SCODE ignored = CopyToSPropValue(v, &s, nullptr, nullptr);
            (void)ignored;
            break;
        }
        }
    }
    return out;
}

} // namespace

FakeMessage* FakeMessage::Create()
{
    return new FakeMessage();
}

FakeMessage::~FakeMessage()
{
    for (FakeAttach* attach : m_attachments)
        attach->Release();
}

void FakeMessage::AddRecipient(std::vector<PropValue> columns)
{
    columns.push_back(LongProp(PR_ROWID, static_cast<LONG>(m_recipients.size())));
    m_recipients.push_back(std::move(columns));
}

FakeAttach* FakeMessage::AddAttachment(std::vector<PropValue> props)
{
    FakeAttach* attach = FakeAttach::Create();
    attach->ShareNames(Names());
    for (const PropValue& value : props)
        attach->Set(value);
    attach->Set(LongProp(PR_ATTACH_NUM, static_cast<LONG>(m_attachments.size())));
    m_attachments.push_back(attach);
    return attach;
}

STDMETHODIMP FakeMessage::GetAttachmentTable(ULONG, LPMAPITABLE* table)
{
    if (!table)
        return MAPI_E_INVALID_PARAMETER;
    *table = nullptr;
    HRESULT hr = Script().Enter("GetAttachmentTable");
    if (FAILED(hr))
        return hr;
    // The attachment number comes first, as the table's standard columns
    // have it; then what the attachment carries.
    std::vector<std::vector<PropValue>> rows;
    for (FakeAttach* attach : m_attachments) {
        PropValue number;
        attach->Find(PROP_ID(PR_ATTACH_NUM), &number);
        std::vector<PropValue> row{number};
        for (const PropValue& value : attach->Props())
            if (value.Id() != PROP_ID(PR_ATTACH_NUM) && value.Id() != PROP_ID(PR_ATTACH_DATA_BIN))
                row.push_back(value);
        rows.push_back(row);
    }
    *table = FakeMapiTable::Create(std::move(rows));
    return S_OK;
}

STDMETHODIMP FakeMessage::OpenAttach(ULONG number, LPCIID, ULONG, LPATTACH* attach)
{
    if (!attach)
        return MAPI_E_INVALID_PARAMETER;
    *attach = nullptr;
    HRESULT hr = Script().Enter("OpenAttach");
    if (FAILED(hr))
        return hr;
    for (FakeAttach* candidate : m_attachments) {
        PropValue value;
        if (candidate->Find(PROP_ID(PR_ATTACH_NUM), &value) && static_cast<ULONG>(value.l) == number) {
            candidate->AddRef();
            *attach = candidate;
            return S_OK;
        }
    }
    return MAPI_E_NOT_FOUND;
}

STDMETHODIMP FakeMessage::CreateAttach(LPCIID, ULONG, ULONG* number, LPATTACH* attach)
{
    if (!attach)
        return MAPI_E_INVALID_PARAMETER;
    *attach = nullptr;
    HRESULT hr = Script().Enter("CreateAttach");
    if (FAILED(hr))
        return hr;
    FakeAttach* created = AddAttachment({});
    if (number)
        *number = static_cast<ULONG>(m_attachments.size() - 1);
    created->AddRef();
    *attach = created;
    return S_OK;
}

STDMETHODIMP FakeMessage::DeleteAttach(ULONG, ULONG, LPMAPIPROGRESS, ULONG)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMessage::GetRecipientTable(ULONG, LPMAPITABLE* table)
{
    if (!table)
        return MAPI_E_INVALID_PARAMETER;
    *table = nullptr;
    HRESULT hr = Script().Enter("GetRecipientTable");
    if (FAILED(hr))
        return hr;
    *table = FakeMapiTable::Create(m_recipients);
    return S_OK;
}

STDMETHODIMP FakeMessage::ModifyRecipients(ULONG flags, LPADRLIST mods)
{
    HRESULT hr = Script().Enter("ModifyRecipients");
    if (FAILED(hr))
        return hr;
    if (!mods)
        return MAPI_E_INVALID_PARAMETER;
    if (!(flags & MODRECIP_ADD))
        return MAPI_E_NO_SUPPORT;
    for (ULONG i = 0; i < mods->cEntries; ++i) {
        std::vector<PropValue> columns;
        for (ULONG k = 0; k < mods->aEntries[i].cValues; ++k)
            if (PROP_ID(mods->aEntries[i].rgPropVals[k].ulPropTag) != PROP_ID(PR_ROWID))
                columns.push_back(FromSPropValue(mods->aEntries[i].rgPropVals[k]));
        AddRecipient(columns);
    }
    return S_OK;
}

STDMETHODIMP FakeMessage::SubmitMessage(ULONG)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMessage::SetReadFlag(ULONG)
{
    return S_OK;
}

HRESULT FakeMessage::OnCopyTo(LPCIID iid, LPVOID destination)
{
    if (!iid || !IsEqualIID(*iid, kIID_IMessage) || !destination)
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    IMessage* target = static_cast<IMessage*>(destination);
    const MapiAllocator& allocator = DoublesAllocator();

    // Named properties take the ids the destination gives their names.
    std::vector<PropValue> props = Props();
    for (PropValue& value : props) {
        NamedId name;
        if (value.Id() < 0x8000 || !Names()->NameOf(value.Id(), &name))
            continue;
        MAPINAMEID mapiName = {&name.set, MNID_ID, {name.lid}};
        LPMAPINAMEID names[1] = {&mapiName};
        LPSPropTagArray tags = nullptr;
        HRESULT hr = target->GetIDsFromNames(1, names, MAPI_CREATE, &tags);
        ULONG id = SUCCEEDED(hr) && tags && tags->cValues == 1 ? PROP_ID(tags->aulPropTag[0]) : 0;
        allocator.freeBuffer(tags);
        if (FAILED(hr))
            return hr;
        value.tag = PROP_TAG(value.Type(), id);
    }
    std::vector<SPropValue> borrowed = Borrow(props);
    HRESULT hr = target->SetProps(static_cast<ULONG>(borrowed.size()), borrowed.data(), nullptr);
    if (FAILED(hr))
        return hr;

    if (!m_recipients.empty()) {
        void* memory = nullptr;
        SCODE sc = allocator.allocateBuffer(CbNewADRLIST(m_recipients.size()), &memory);
        if (FAILED(sc))
            return sc;
        LPADRLIST list = static_cast<LPADRLIST>(memory);
        list->cEntries = 0;
        for (const std::vector<PropValue>& recipient : m_recipients) {
            LPSPropValue values = nullptr;
            sc = AllocatePropArray(recipient, &values);
            if (FAILED(sc))
                break;
            ADRENTRY& entry = list->aEntries[list->cEntries++];
            entry.ulReserved1 = 0;
            entry.cValues = static_cast<ULONG>(recipient.size());
            entry.rgPropVals = values;
        }
        if (SUCCEEDED(sc))
            hr = target->ModifyRecipients(MODRECIP_ADD, list);
        for (ULONG i = 0; i < list->cEntries; ++i)
            allocator.freeBuffer(list->aEntries[i].rgPropVals);
        allocator.freeBuffer(list);
        if (FAILED(sc))
            return sc;
        if (FAILED(hr))
            return hr;
    }

    for (FakeAttach* source : m_attachments) {
        ULONG number = 0;
        LPATTACH created = nullptr;
        hr = target->CreateAttach(nullptr, 0, &number, &created);
        if (FAILED(hr))
            return hr;
        std::vector<PropValue> attachProps;
        for (const PropValue& value : source->Props())
            if (value.Id() != PROP_ID(PR_ATTACH_NUM))
                attachProps.push_back(value);
        std::vector<SPropValue> attachBorrowed = Borrow(attachProps);
        hr = created->SetProps(static_cast<ULONG>(attachBorrowed.size()), attachBorrowed.data(), nullptr);
        if (SUCCEEDED(hr))
            hr = created->SaveChanges(KEEP_OPEN_READWRITE);
        created->Release();
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

} // namespace doubles
