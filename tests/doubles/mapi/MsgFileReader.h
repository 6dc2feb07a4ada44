// Reads a .msg file back by its published layout, so that a test can check
// what a writer put into it: the root's class id, every property of the
// message, its recipients and attachments, and the names of its named
// properties. Entries that contradict the layout (a stream whose size does
// not match its entry, a missing stream) are reported, not guessed around.
#pragma once

#include "MapiPropValue.h"

#include <map>
#include <string>
#include <vector>

namespace doubles {

struct MsgFile {
    CLSID clsid = {};
    std::vector<PropValue> props;
    std::vector<std::vector<PropValue>> recipients;
    std::vector<std::vector<PropValue>> attachments;
    std::map<ULONG, NamedId> names;

    // The value of a property id among props (null when absent).
    const PropValue* Find(ULONG id) const;
    // The property id a named property has in this file (0 when none).
    ULONG IdOfName(const GUID& set, LONG lid) const;
};

// False with a reason in *error when the file cannot be read as a .msg file.
bool ReadMsgFile(const std::wstring& path, MsgFile* file, std::string* error);

// The value of a property id in a list (null when absent).
const PropValue* FindProp(const std::vector<PropValue>& props, ULONG id);

} // namespace doubles
