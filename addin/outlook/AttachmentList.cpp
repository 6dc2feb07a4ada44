#include "AttachmentList.h"

#include "OutlookPropertyTables.h"

void CAttachmentList::Append(std::unique_ptr<CPropertyCollection> attachment, unsigned item)
{
    if (attachment)
        m_entries.push_back(Entry{std::move(attachment), item});
}

bool CAttachmentList::IsChosen(unsigned item, const wchar_t* key) const
{
    for (const Entry& entry : m_entries) {
        if (entry.item != item || !entry.attachment->GetValue(KEY_OTL_ATTACHMENT_SELECTED))
            continue;
        const wchar_t* listed = entry.attachment->GetValue(KEY_OTL_ATTACHMENT_KEY);
        if (!listed || !key) {
            if (!listed && !key)
                return true;
            continue;
        }
        if (CompareStringOrdinal(listed, -1, key, -1, TRUE) == CSTR_EQUAL)
            return true;
    }
    return false;
}

void CAttachmentList::Clear()
{
    for (Entry& entry : m_entries)
        entry.attachment->Clear();
    m_entries.clear();
}

bool IsHiddenAttachment(const CPropertyCollection& attachment)
{
    const wchar_t* hidden = attachment.GetValue(KEY_OTL_ATTACHMENT_HIDDEN);
    return hidden && CompareStringOrdinal(hidden, -1, L"0", -1, TRUE) != CSTR_EQUAL;
}
