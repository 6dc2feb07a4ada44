#include "MsgFileReader.h"

#include <objidl.h>

#include <cstdio>
#include <cstring>

namespace doubles {

namespace {

const DWORD READ_MODE = STGM_READ | STGM_SHARE_EXCLUSIVE;

ULONG Get32(const std::vector<BYTE>& bytes, size_t offset)
{
    ULONG value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | bytes[offset + static_cast<size_t>(i)];
    return value;
}

ULONGLONG Get64(const std::vector<BYTE>& bytes, size_t offset)
{
    return (static_cast<ULONGLONG>(Get32(bytes, offset + 4)) << 32) | Get32(bytes, offset);
}

bool ReadStream(IStorage* storage, const wchar_t* name, std::vector<BYTE>* bytes)
{
    IStream* stream = nullptr;
    if (FAILED(storage->OpenStream(name, nullptr, READ_MODE, 0, &stream)))
        return false;
    STATSTG stat = {};
    bool ok = SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) && stat.cbSize.HighPart == 0;
    if (ok) {
        bytes->assign(stat.cbSize.LowPart, 0);
        ULONG total = 0;
        while (ok && total < stat.cbSize.LowPart) {
            ULONG got = 0;
            HRESULT hr = stream->Read(bytes->data() + total, stat.cbSize.LowPart - total, &got);
            ok = SUCCEEDED(hr) && got > 0;
            total += got;
        }
    }
    stream->Release();
    return ok;
}

std::string Hex(ULONG value)
{
    char text[16];
    snprintf(text, sizeof(text), "%08lX", static_cast<unsigned long>(value));
    return text;
}

bool ReadProperties(IStorage* storage, size_t headerSize, std::vector<PropValue>* props, std::vector<BYTE>* header,
                    std::string* error)
{
    std::vector<BYTE> bytes;
    if (!ReadStream(storage, L"__properties_version1.0", &bytes)) {
        *error = "no property stream";
        return false;
    }
    if (bytes.size() < headerSize || (bytes.size() - headerSize) % 16 != 0) {
        *error = "property stream of " + std::to_string(bytes.size()) + " bytes";
        return false;
    }
    if (header)
        header->assign(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(headerSize));
    for (size_t at = headerSize; at < bytes.size(); at += 16) {
        PropValue value;
        value.tag = Get32(bytes, at);
        ULONGLONG data = Get64(bytes, at + 8);
        switch (value.Type()) {
        case PT_UNICODE:
        case PT_STRING8:
        case PT_BINARY: {
            wchar_t name[32];
            swprintf(name, 32, L"__substg1.0_%08lX", static_cast<unsigned long>(value.tag));
            std::vector<BYTE> content;
            if (!ReadStream(storage, name, &content)) {
                *error = "no stream for property " + Hex(value.tag);
                return false;
            }
            ULONG size = Get32(bytes, at + 8);
            ULONG expected = static_cast<ULONG>(content.size()) + (value.Type() == PT_UNICODE   ? 2
                                                                   : value.Type() == PT_STRING8 ? 1
                                                                                                : 0);
            if (size != expected) {
                *error = "size " + std::to_string(size) + " of property " + Hex(value.tag) + " with a stream of " +
                         std::to_string(content.size()) + " bytes";
                return false;
            }
            if (value.Type() == PT_UNICODE) {
                if (content.size() % 2) {
                    *error = "odd text stream of property " + Hex(value.tag);
                    return false;
                }
                value.text.assign(reinterpret_cast<const wchar_t*>(content.data()), content.size() / 2);
            } else if (value.Type() == PT_STRING8) {
                value.text8.assign(content.begin(), content.end());
            } else {
                value.bytes = content;
            }
            break;
        }
        case PT_I2:
            value.i = static_cast<short>(data & 0xFFFF);
            break;
        case PT_BOOLEAN:
            value.b = static_cast<unsigned short>(data & 0xFF);
            break;
        case PT_LONG:
            value.l = static_cast<LONG>(data & 0xFFFFFFFF);
            break;
        case PT_DOUBLE:
            memcpy(&value.dbl, &data, sizeof(data));
            break;
        case PT_SYSTIME:
            value.ft.dwLowDateTime = static_cast<DWORD>(data);
            value.ft.dwHighDateTime = static_cast<DWORD>(data >> 32);
            break;
        case PT_I8:
            value.li = static_cast<LONGLONG>(data);
            break;
        default:
            *error = "property " + Hex(value.tag) + " of a type the reader does not know";
            return false;
        }
        props->push_back(value);
    }
    return true;
}

bool ReadSubObjects(IStorage* root, const wchar_t* prefix, ULONG count, std::vector<std::vector<PropValue>>* objects,
                    std::string* error)
{
    for (ULONG i = 0; i < count; ++i) {
        wchar_t name[64];
        swprintf(name, 64, L"%ls%08X", prefix, static_cast<unsigned>(i));
        IStorage* sub = nullptr;
        if (FAILED(root->OpenStorage(name, nullptr, READ_MODE, nullptr, 0, &sub))) {
            *error = "missing sub-object storage";
            return false;
        }
        std::vector<PropValue> props;
        bool ok = ReadProperties(sub, 8, &props, nullptr, error);
        sub->Release();
        if (!ok)
            return false;
        objects->push_back(props);
    }
    return true;
}

bool ReadNames(IStorage* root, std::map<ULONG, NamedId>* names, std::string* error)
{
    IStorage* mapping = nullptr;
    if (FAILED(root->OpenStorage(L"__nameid_version1.0", nullptr, READ_MODE, nullptr, 0, &mapping))) {
        *error = "no named-property mapping";
        return false;
    }
    std::vector<BYTE> guids;
    std::vector<BYTE> entries;
    bool ok =
        ReadStream(mapping, L"__substg1.0_00020102", &guids) && ReadStream(mapping, L"__substg1.0_00030102", &entries);
    mapping->Release();
    if (!ok || guids.size() % 16 || entries.size() % 8) {
        *error = "named-property mapping streams unreadable";
        return false;
    }
    for (size_t at = 0; at < entries.size(); at += 8) {
        ULONG lid = Get32(entries, at);
        ULONG info = Get32(entries, at + 4);
        if (info & 1)
            continue; // a string name: not used by the system
        ULONG guidIndex = (info & 0xFFFF) >> 1;
        NamedId name{};
        name.lid = static_cast<LONG>(lid);
        if (guidIndex == 1) {
            name.set = kPS_MAPI;
        } else if (guidIndex == 2) {
            name.set = kPS_PUBLIC_STRINGS;
        } else if (guidIndex >= 3 && (guidIndex - 3) * 16 + 16 <= guids.size()) {
            memcpy(&name.set, guids.data() + (guidIndex - 3) * 16, sizeof(GUID));
        } else {
            *error = "named property with a GUID index out of range";
            return false;
        }
        (*names)[0x8000 + (info >> 16)] = name;
    }
    return true;
}

} // namespace

const PropValue* FindProp(const std::vector<PropValue>& props, ULONG id)
{
    for (const PropValue& value : props)
        if (value.Id() == id)
            return &value;
    return nullptr;
}

const PropValue* MsgFile::Find(ULONG id) const
{
    return FindProp(props, id);
}

ULONG MsgFile::IdOfName(const GUID& set, LONG lid) const
{
    for (const auto& entry : names)
        if (IsEqualGUID(entry.second.set, set) && entry.second.lid == lid)
            return entry.first;
    return 0;
}

bool ReadMsgFile(const std::wstring& path, MsgFile* file, std::string* error)
{
    *file = MsgFile();
    error->clear();
    IStorage* root = nullptr;
    HRESULT hr = StgOpenStorage(path.c_str(), nullptr, READ_MODE, nullptr, 0, &root);
    if (FAILED(hr)) {
        *error = "not a compound file (hr " + Hex(static_cast<ULONG>(hr)) + ")";
        return false;
    }
    STATSTG stat = {};
    bool ok = SUCCEEDED(root->Stat(&stat, STATFLAG_NONAME));
    if (ok)
        file->clsid = stat.clsid;
    std::vector<BYTE> header;
    ok = ok && ReadProperties(root, 32, &file->props, &header, error);
    ok = ok && ReadSubObjects(root, L"__recip_version1.0_#", Get32(header, 16), &file->recipients, error);
    ok = ok && ReadSubObjects(root, L"__attach_version1.0_#", Get32(header, 20), &file->attachments, error);
    ok = ok && ReadNames(root, &file->names, error);
    root->Release();
    return ok;
}

} // namespace doubles
