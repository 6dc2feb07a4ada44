#include "AttachmentList.h"

#include "OutlookPropertyTables.h"

namespace {

bool HasKey(const wchar_t* key)
{
    return key && *key;
}

} // namespace

void CAttachmentList::Append(std::unique_ptr<CPropertyCollection> attachment, unsigned item, long number)
{
    if (attachment)
        m_entries.push_back(Entry{std::move(attachment), item, number});
}

bool CAttachmentList::IsChosen(unsigned item, const wchar_t* key, long number) const
{
    for (const Entry& entry : m_entries) {
        if (entry.item != item || !entry.attachment->GetValue(KEY_OTL_ATTACHMENT_SELECTED))
            continue;
        const wchar_t* listed = entry.attachment->GetValue(KEY_OTL_ATTACHMENT_KEY);
        // Two missing keys say nothing about being the same attachment.
        if (HasKey(listed) && HasKey(key)) {
            if (CompareStringOrdinal(listed, -1, key, -1, TRUE) == CSTR_EQUAL)
                return true;
        } else if (number != NO_NUMBER && entry.number == number) {
            return true;
        }
    }
    return false;
}

void CAttachmentList::Clear()
{
    for (Entry& entry : m_entries)
        entry.attachment->Clear();
    m_entries.clear();
    m_notWritten.clear();
}

bool IsHiddenAttachment(const CPropertyCollection& attachment)
{
    const wchar_t* hidden = attachment.GetValue(KEY_OTL_ATTACHMENT_HIDDEN);
    return hidden && CompareStringOrdinal(hidden, -1, L"0", -1, TRUE) != CSTR_EQUAL;
}
