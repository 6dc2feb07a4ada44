// CollectMapiProperties: one hand-off property per row of a property table.
#include "OutlookPropertyReaders.h"

#include "LogFile.h"
#include "MapiValueText.h"

#include <string>

namespace {

// A stream whose whole content cannot be held with a text terminator in one
// MAPI buffer: its size and the two bytes must fit the allocator's ULONG.
const ULONGLONG MAX_STREAM_VALUE = 0xFFFFFFFDull;

// The tag a row reads; 0 when its named property is unknown (logged).
ULONG RowTag(IMAPIProp* object, const MapiPropertyDef& row, const MapiFunctions* mapi)
{
    if (!row.propertySet)
        return row.tag;
    g_Log.Info(L"CDO property set\n");
    MAPINAMEID name;
    name.lpguid = const_cast<LPGUID>(row.propertySet);
    name.ulKind = MNID_ID;
    name.Kind.lID = static_cast<LONG>(row.lid);
    LPMAPINAMEID names[1] = {&name};
    CMapiBuffer<SPropTagArray> tags(mapi);
    HRESULT hr = object->GetIDsFromNames(1, names, 0, tags.Receive());
    if (FAILED(hr) || hr == MAPI_W_ERRORS_RETURNED || !tags || tags->cValues < 1 ||
        PROP_TYPE(tags->aulPropTag[0]) == PT_ERROR) {
        g_Log.Warning(L"Failed to get ID for CDO named property %s! hr = 0x%08X\n", row.key, static_cast<unsigned>(hr));
        return 0;
    }
    ULONG type = row.format == FORMAT_DATE_ONLY ? PT_SYSTIME : row.format;
    return PROP_TAG(type, PROP_ID(tags->aulPropTag[0]));
}

// Reads a value that GetProps could only answer with an error (too large)
// through its stream, into memory tied to value. False (logged) when the
// row has to be left out.
bool ReadThroughStream(IMAPIProp* object, const MapiPropertyDef& row, ULONG tag, LPSPropValue value,
                       const MapiFunctions* mapi)
{
    g_Log.Info(L"PT_ERROR\n");
    IUnknown* unknown = nullptr;
    HRESULT hr = object->OpenProperty(tag, &IID_IStream, 0, 0, &unknown);
    if (FAILED(hr) || !unknown) {
        g_Log.Warning(L"Failed to open PT_ERROR MAPI property %s! hr = 0x%08X\n", row.key,
                      static_cast<unsigned>(FAILED(hr) ? hr : E_NOINTERFACE));
        return false;
    }
    // OpenProperty hands out the interface asked for.
    IStream* stream = static_cast<IStream*>(unknown);
    bool read = false;
    STATSTG stat = {};
    hr = stream->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr) || stat.cbSize.QuadPart > MAX_STREAM_VALUE) {
        g_Log.Warning(L"Failed to determine size of value for PT_ERROR MAPI property %s! hr = 0x%08X\n", row.key,
                      static_cast<unsigned>(FAILED(hr) ? hr : MAPI_E_NOT_ENOUGH_MEMORY));
    } else if (row.format != PT_BINARY && row.format != PT_UNICODE) {
        // No other format is fetched through a stream; the error value stays.
        read = true;
    } else {
        ULONG size = stat.cbSize.LowPart;
        bool isText = row.format == PT_UNICODE;
        void* buffer = nullptr;
        SCODE sc = mapi->MAPIAllocateMore(size + (isText ? 2 : 0), value, &buffer);
        if (FAILED(sc) || !buffer) {
            g_Log.Warning(L"Failed to reallocate PT_ERROR MAPI property %s!\n", row.key);
        } else {
            // A stream may hand out its content in parts.
            ULONG total = 0;
            hr = S_OK;
            while (total < size) {
                ULONG got = 0;
                hr = stream->Read(static_cast<BYTE*>(buffer) + total, size - total, &got);
                if (FAILED(hr) || got == 0)
                    break;
                total += got;
            }
            if (FAILED(hr)) {
                g_Log.Warning(L"Failed to read PT_ERROR MAPI property %s! hr = 0x%08X\n", row.key,
                              static_cast<unsigned>(hr));
            } else if (isText) {
                // Only whole UTF-16 characters: an odd last byte is dropped.
                wchar_t* text = static_cast<wchar_t*>(buffer);
                text[total / sizeof(wchar_t)] = L'\0';
                value->Value.lpszW = text;
                value->ulPropTag = tag;
                read = true;
            } else {
                value->Value.bin.cb = total;
                value->Value.bin.lpb = static_cast<LPBYTE>(buffer);
                value->ulPropTag = tag;
                read = true;
            }
        }
    }
    stream->Release();
    return read;
}

void CollectRow(IMAPIProp* object, const MapiPropertyDef& row, CPropertyCollection* properties,
                const MapiFunctions* mapi)
{
    g_Log.Info(L"Property %s\n", row.key);
    ULONG tag = RowTag(object, row, mapi);
    if (!tag)
        return;
    SizedSPropTagArray(1, tags) = {1, {tag}};
    ULONG count = 0;
    CMapiBuffer<SPropValue> value(mapi);
    HRESULT hr = object->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), MAPI_UNICODE, &count, value.Receive());
    if (FAILED(hr) || !value || count < 1) {
        g_Log.Warning(L"Failed to get MAPI property %s! hr = 0x%08X\n", row.key,
                      static_cast<unsigned>(FAILED(hr) ? hr : MAPI_E_NOT_FOUND));
        return;
    }
    if (hr == MAPI_W_ERRORS_RETURNED && PROP_TYPE(value->ulPropTag) == PT_ERROR &&
        !ReadThroughStream(object, row, tag, value.Get(), mapi))
        return;
    std::wstring text;
    if (!MapiValueToText(*value.Get(), row.format, mapi, &text))
        return;
    g_Log.Info(L"Collect MAPI property %s value %s\n", row.key, text.c_str());
    properties->Add(row.key, text.c_str(), row.valueType);
}

} // namespace

void CollectMapiProperties(IMAPIProp* object, const MapiPropertyDef* table, CPropertyCollection* properties)
{
    if (!object || !table || !properties)
        return;
    HRESULT hr = S_OK;
    const MapiFunctions* mapi = GetMapiFunctions(&hr);
    if (!mapi) {
        g_Log.Error(L"Can't collect MAPI properties without MAPI32! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return;
    }
    for (const MapiPropertyDef* row = table; row->key; ++row)
        CollectRow(object, *row, properties, mapi);
}
