#include "MsgLayout.h"

#include <cstdio>
#include <cstring>

namespace doubles {

namespace {

const DWORD CREATE_MODE = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
const ULONG PROPATTR_READ_WRITE = 0x00000006;

void Put32(std::vector<BYTE>& out, ULONG value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

void Put64(std::vector<BYTE>& out, ULONGLONG value)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

HRESULT WriteStream(IStorage* storage, const wchar_t* name, const std::vector<BYTE>& bytes)
{
    IStream* stream = nullptr;
    HRESULT hr = storage->CreateStream(name, CREATE_MODE, 0, 0, &stream);
    if (FAILED(hr))
        return hr;
    ULONG written = 0;
    if (!bytes.empty())
        hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    stream->Release();
    return hr;
}

bool IsVariableLength(ULONG type)
{
    return type == PT_UNICODE || type == PT_STRING8 || type == PT_BINARY || type == PT_CLSID;
}

// The properties of one object: the entries after the header, and a stream
// per variable-length value.
HRESULT WriteProperties(IStorage* storage, const std::vector<PropValue>& props, std::vector<BYTE> header)
{
    std::vector<BYTE> entries = std::move(header);
    for (const PropValue& value : props) {
        ULONG type = value.Type();
        if (type == PT_ERROR || type == PT_NULL)
            continue;
        Put32(entries, value.tag);
        Put32(entries, PROPATTR_READ_WRITE);
        if (IsVariableLength(type)) {
            std::vector<BYTE> bytes;
            StreamBytes(value, &bytes);
            ULONG size = static_cast<ULONG>(bytes.size());
            // Texts count their terminator in the entry, not in the stream.
            if (type == PT_UNICODE)
                size += 2;
            else if (type == PT_STRING8)
                size += 1;
            Put32(entries, size);
            Put32(entries, 0);
            wchar_t name[32];
            swprintf(name, 32, L"__substg1.0_%08lX", static_cast<unsigned long>(value.tag));
            HRESULT hr = WriteStream(storage, name, bytes);
            if (FAILED(hr))
                return hr;
            continue;
        }
        ULONGLONG data = 0;
        switch (type) {
        case PT_I2:
            data = static_cast<USHORT>(value.i);
            break;
        case PT_BOOLEAN:
            data = value.b ? 1 : 0;
            break;
        case PT_LONG:
            data = static_cast<ULONG>(value.l);
            break;
        case PT_DOUBLE:
            memcpy(&data, &value.dbl, sizeof(data));
            break;
        case PT_SYSTIME:
            data = (static_cast<ULONGLONG>(value.ft.dwHighDateTime) << 32) | value.ft.dwLowDateTime;
            break;
        case PT_I8:
            data = static_cast<ULONGLONG>(value.li);
            break;
        default:
            break;
        }
        Put64(entries, data);
    }
    return WriteStream(storage, L"__properties_version1.0", entries);
}

HRESULT WriteSubObject(IStorage* root, const wchar_t* prefix, size_t index, const std::vector<PropValue>& props)
{
    wchar_t name[64];
    swprintf(name, 64, L"%ls%08X", prefix, static_cast<unsigned>(index));
    IStorage* sub = nullptr;
    HRESULT hr = root->CreateStorage(name, CREATE_MODE, 0, 0, &sub);
    if (FAILED(hr))
        return hr;
    hr = WriteProperties(sub, props, std::vector<BYTE>(8, 0));
    sub->Release();
    return hr;
}

HRESULT WriteNames(IStorage* root, const std::map<ULONG, NamedId>& names)
{
    IStorage* mapping = nullptr;
    HRESULT hr = root->CreateStorage(L"__nameid_version1.0", CREATE_MODE, 0, 0, &mapping);
    if (FAILED(hr))
        return hr;
    std::vector<GUID> guids;
    std::vector<BYTE> guidStream;
    std::vector<BYTE> entryStream;
    for (const auto& entry : names) {
        const NamedId& name = entry.second;
        // 1 and 2 stand for PS_MAPI and PS_PUBLIC_STRINGS; other sets are
        // numbered from 3 in the GUID stream.
        ULONG guidIndex = 0;
        if (IsEqualGUID(name.set, kPS_MAPI)) {
            guidIndex = 1;
        } else if (IsEqualGUID(name.set, kPS_PUBLIC_STRINGS)) {
            guidIndex = 2;
        } else {
            size_t position = 0;
            while (position < guids.size() && !IsEqualGUID(guids[position], name.set))
                ++position;
            if (position == guids.size()) {
                guids.push_back(name.set);
                const BYTE* bytes = reinterpret_cast<const BYTE*>(&name.set);
                guidStream.insert(guidStream.end(), bytes, bytes + sizeof(GUID));
            }
            guidIndex = static_cast<ULONG>(3 + position);
        }
        Put32(entryStream, static_cast<ULONG>(name.lid));
        ULONG propertyIndex = entry.first - 0x8000;
        Put32(entryStream, (propertyIndex << 16) | (guidIndex << 1));
    }
    hr = WriteStream(mapping, L"__substg1.0_00020102", guidStream);
    if (SUCCEEDED(hr))
        hr = WriteStream(mapping, L"__substg1.0_00030102", entryStream);
    if (SUCCEEDED(hr))
        hr = WriteStream(mapping, L"__substg1.0_00040102", {});
    mapping->Release();
    return hr;
}

} // namespace

HRESULT WriteMsgLayout(IStorage* root, const MsgContent& content)
{
    if (!root)
        return E_POINTER;
    std::vector<BYTE> header(8, 0);
    Put32(header, static_cast<ULONG>(content.recipients.size()));
    Put32(header, static_cast<ULONG>(content.attachments.size()));
    Put32(header, static_cast<ULONG>(content.recipients.size()));
    Put32(header, static_cast<ULONG>(content.attachments.size()));
    header.resize(32, 0);
    HRESULT hr = WriteProperties(root, content.props, header);
    for (size_t i = 0; SUCCEEDED(hr) && i < content.recipients.size(); ++i)
        hr = WriteSubObject(root, L"__recip_version1.0_#", i, content.recipients[i]);
    for (size_t i = 0; SUCCEEDED(hr) && i < content.attachments.size(); ++i)
        hr = WriteSubObject(root, L"__attach_version1.0_#", i, content.attachments[i]);
    if (SUCCEEDED(hr))
        hr = WriteNames(root, content.names);
    return hr;
}

HRESULT WriteMsgFile(const wchar_t* path, const MsgContent& content)
{
    IStorage* root = nullptr;
    HRESULT hr = StgCreateDocfile(path, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &root);
    if (FAILED(hr))
        return hr;
    hr = WriteClassStg(root, kCLSID_MailMessage);
    if (SUCCEEDED(hr))
        hr = WriteMsgLayout(root, content);
    if (SUCCEEDED(hr))
        hr = root->Commit(STGC_DEFAULT);
    root->Release();
    return hr;
}

} // namespace doubles
