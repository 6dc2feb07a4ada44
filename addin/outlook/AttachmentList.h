// The attachments offered to the user and the files written for the chosen
// ones. Each listed attachment remembers which item of the walk it belongs
// to (its position in the selection, 0 for an opened item), so that a
// choice among several mails selects the chosen mail's attachment only.
#pragma once

#include "ComSupport.h"
#include "PropertyCollection.h"

#include <memory>
#include <vector>

class CAttachmentList
{
public:
    CAttachmentList() = default;
    ~CAttachmentList() { Clear(); }
    CAttachmentList(const CAttachmentList&) = delete;
    CAttachmentList& operator=(const CAttachmentList&) = delete;

    // Takes over an attachment's properties, listed for item.
    void Append(std::unique_ptr<CPropertyCollection> attachment, unsigned item);
    size_t Count() const { return m_entries.size(); }
    bool Empty() const { return m_entries.empty(); }
    CPropertyCollection* At(size_t index) const { return m_entries[index].attachment.get(); }
    unsigned ItemOf(size_t index) const { return m_entries[index].item; }

    // Whether the first entry of item whose "OTL_ATTACHMENT_KEY" equals key
    // (without regard to case; two missing keys are equal) among those the
    // user chose ("OTL_ATTACHMENT_SELECTED") exists.
    bool IsChosen(unsigned item, const wchar_t* key) const;

    // Clears and frees every entry.
    void Clear();

private:
    struct Entry {
        std::unique_ptr<CPropertyCollection> attachment;
        unsigned item;
    };
    std::vector<Entry> m_entries;
};

// The full paths of the attachment files written, in the order written.
typedef std::vector<_bstr_t> SavedPathList;

// True when the attachment's "OTL_ATTACHMENT_HIDDEN" is present and not "0".
bool IsHiddenAttachment(const CPropertyCollection& attachment);
