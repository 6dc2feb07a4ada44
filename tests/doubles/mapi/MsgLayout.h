// The published .msg file layout, written into a structured storage: the
// property stream "__properties_version1.0" (its header, then 16 bytes a
// property), a stream "__substg1.0_TTTTTTTT" for each variable-length value,
// a storage per recipient ("__recip_version1.0_#N") and per attachment
// ("__attach_version1.0_#N"), and the named-property mapping
// "__nameid_version1.0" (its GUID, entry and string streams).
#pragma once

#include "MapiPropValue.h"

#include <objidl.h>

#include <map>
#include <vector>

namespace doubles {

struct MsgContent {
    std::vector<PropValue> props;
    std::vector<std::vector<PropValue>> recipients;
    std::vector<std::vector<PropValue>> attachments;
    // Property id (0x8000 and more) to name.
    std::map<ULONG, NamedId> names;
};

// Writes content into root (creating or replacing its streams); does not
// commit and does not set the class id.
HRESULT WriteMsgLayout(IStorage* root, const MsgContent& content);

// Writes a whole .msg file at path: CLSID_MailMessage, the layout, committed.
HRESULT WriteMsgFile(const wchar_t* path, const MsgContent& content);

} // namespace doubles
