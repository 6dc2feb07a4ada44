// The attachments offered to the user and the files written for the chosen
// ones. Each listed attachment remembers which item of the walk it belongs
// to (its position in the selection, 0 for an opened item), so that a
// choice among several mails selects the chosen mail's attachment only, and
// its number within that item, which tells apart attachments without a key
// (PR_RECORD_KEY is missing on some stores' attachments).
#pragma once

#include "ComSupport.h"
#include "PropertyCollection.h"

#include <memory>
#include <string>
#include <vector>

class CAttachmentList
{
public:
    CAttachmentList() = default;
    ~CAttachmentList() { Clear(); }
    CAttachmentList(const CAttachmentList&) = delete;
    CAttachmentList& operator=(const CAttachmentList&) = delete;

    // An attachment listed without a number of its own.
    static const long NO_NUMBER = -1;

    // Takes over an attachment's properties, listed for item with its
    // number there (PR_ATTACH_NUM).
    void Append(std::unique_ptr<CPropertyCollection> attachment, unsigned item, long number = NO_NUMBER);
    size_t Count() const { return m_entries.size(); }
    bool Empty() const { return m_entries.empty(); }
    CPropertyCollection* At(size_t index) const { return m_entries[index].attachment.get(); }
    unsigned ItemOf(size_t index) const { return m_entries[index].item; }

    // Whether the user chose ("OTL_ATTACHMENT_SELECTED") an entry of item
    // that is this attachment: the same "OTL_ATTACHMENT_KEY" (without regard
    // to case) where both have a key, else the same number.
    bool IsChosen(unsigned item, const wchar_t* key, long number = NO_NUMBER) const;

    // A chosen attachment that could not be written, by its name.
    void AddNotWritten(const std::wstring& name) { m_notWritten.push_back(name); }
    const std::vector<std::wstring>& NotWritten() const { return m_notWritten; }

    // Clears and frees every entry.
    void Clear();

private:
    struct Entry {
        std::unique_ptr<CPropertyCollection> attachment;
        unsigned item;
        long number;
    };
    std::vector<Entry> m_entries;
    std::vector<std::wstring> m_notWritten;
};

// The full paths of the attachment files written, in the order written.
typedef std::vector<_bstr_t> SavedPathList;

// True when the attachment's "OTL_ATTACHMENT_HIDDEN" is present and not "0".
bool IsHiddenAttachment(const CPropertyCollection& attachment);
