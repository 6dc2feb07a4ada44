#include "MapiPropValue.h"

#include <mapicode.h>

#include <cstdio>
#include <cstring>

namespace doubles {

bool PropValue::operator==(const PropValue& other) const
{
    if (tag != other.tag)
        return false;
    switch (Type()) {
    case PT_UNICODE:
        return text == other.text;
    case PT_STRING8:
        return text8 == other.text8;
    case PT_BINARY:
        return bytes == other.bytes;
    case PT_LONG:
    case PT_ERROR:
        return l == other.l;
    case PT_I2:
        return i == other.i;
    case PT_BOOLEAN:
        return (b != 0) == (other.b != 0);
    case PT_DOUBLE:
        return dbl == other.dbl;
    case PT_SYSTIME:
        return ft.dwLowDateTime == other.ft.dwLowDateTime && ft.dwHighDateTime == other.ft.dwHighDateTime;
    case PT_I8:
        return li == other.li;
    default:
        return true;
    }
}

PropValue TextProp(ULONG tag, const std::wstring& text)
{
    PropValue v;
    v.tag = CHANGE_PROP_TYPE(tag, PT_UNICODE);
    v.text = text;
    return v;
}

PropValue Text8Prop(ULONG tag, const std::string& text)
{
    PropValue v;
    v.tag = CHANGE_PROP_TYPE(tag, PT_STRING8);
    v.text8 = text;
    return v;
}

PropValue BinaryProp(ULONG tag, const std::vector<BYTE>& bytes)
{
    PropValue v;
    v.tag = CHANGE_PROP_TYPE(tag, PT_BINARY);
    v.bytes = bytes;
    return v;
}

PropValue LongProp(ULONG tag, LONG value)
{
    PropValue v;
    v.tag = CHANGE_PROP_TYPE(tag, PT_LONG);
    v.l = value;
    return v;
}

PropValue I2Prop(ULONG tag, short value)
{
    PropValue v;
    v.tag = CHANGE_PROP_TYPE(tag, PT_I2);
    v.i = value;
    return v;
}

PropValue BoolProp(ULONG tag, bool value)
{
    PropValue v;
    v.tag = CHANGE_PROP_TYPE(tag, PT_BOOLEAN);
    v.b = value ? 1 : 0;
    return v;
}

PropValue DoubleProp(ULONG tag, double value)
{
    PropValue v;
    v.tag = CHANGE_PROP_TYPE(tag, PT_DOUBLE);
    v.dbl = value;
    return v;
}

PropValue TimeProp(ULONG tag, const FILETIME& value)
{
    PropValue v;
    v.tag = CHANGE_PROP_TYPE(tag, PT_SYSTIME);
    v.ft = value;
    return v;
}

FILETIME UtcFileTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME st = {};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    st.wSecond = second;
    FILETIME ft = {0, 0};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

PropValue ErrorProp(ULONG tag, SCODE error)
{
    PropValue v;
    v.tag = CHANGE_PROP_TYPE(tag, PT_ERROR);
    v.l = error;
    return v;
}

SCODE CopyToSPropValue(const PropValue& value, SPropValue* out, LPALLOCATEMORE allocateMore, void* base)
{
    memset(out, 0, sizeof(*out));
    out->ulPropTag = value.tag;
    switch (value.Type()) {
    case PT_UNICODE: {
        void* text = nullptr;
        ULONG cb = static_cast<ULONG>((value.text.size() + 1) * sizeof(wchar_t));
        SCODE sc = allocateMore(cb, base, &text);
        if (FAILED(sc))
            return sc;
        memcpy(text, value.text.c_str(), cb);
        out->Value.lpszW = static_cast<LPWSTR>(text);
        return S_OK;
    }
    case PT_STRING8: {
        void* text = nullptr;
        ULONG cb = static_cast<ULONG>(value.text8.size() + 1);
        SCODE sc = allocateMore(cb, base, &text);
        if (FAILED(sc))
            return sc;
        memcpy(text, value.text8.c_str(), cb);
        out->Value.lpszA = static_cast<LPSTR>(text);
        return S_OK;
    }
    case PT_BINARY: {
        out->Value.bin.cb = static_cast<ULONG>(value.bytes.size());
        if (value.bytes.empty())
            return S_OK;
        void* data = nullptr;
        SCODE sc = allocateMore(out->Value.bin.cb, base, &data);
        if (FAILED(sc))
            return sc;
        memcpy(data, value.bytes.data(), value.bytes.size());
        out->Value.bin.lpb = static_cast<LPBYTE>(data);
        return S_OK;
    }
    case PT_LONG:
        out->Value.l = value.l;
        return S_OK;
    case PT_ERROR:
        out->Value.err = value.l;
        return S_OK;
    case PT_I2:
        out->Value.i = value.i;
        return S_OK;
    case PT_BOOLEAN:
        out->Value.b = value.b;
        return S_OK;
    case PT_DOUBLE:
        out->Value.dbl = value.dbl;
        return S_OK;
    case PT_SYSTIME:
        out->Value.ft = value.ft;
        return S_OK;
    case PT_I8:
        out->Value.li.QuadPart = value.li;
        return S_OK;
    default:
        return MAPI_E_NO_SUPPORT;
    }
}

PropValue FromSPropValue(const SPropValue& value)
{
    PropValue v;
    v.tag = value.ulPropTag;
    switch (v.Type()) {
    case PT_UNICODE:
        v.text = value.Value.lpszW ? value.Value.lpszW : L"";
        break;
    case PT_STRING8:
        v.text8 = value.Value.lpszA ? value.Value.lpszA : "";
        break;
    case PT_BINARY:
        if (value.Value.bin.cb && value.Value.bin.lpb)
            v.bytes.assign(value.Value.bin.lpb, value.Value.bin.lpb + value.Value.bin.cb);
        break;
    case PT_LONG:
        v.l = value.Value.l;
        break;
    case PT_ERROR:
        v.l = value.Value.err;
        break;
    case PT_I2:
        v.i = value.Value.i;
        break;
    case PT_BOOLEAN:
        v.b = value.Value.b;
        break;
    case PT_DOUBLE:
        v.dbl = value.Value.dbl;
        break;
    case PT_SYSTIME:
        v.ft = value.Value.ft;
        break;
    case PT_I8:
        v.li = value.Value.li.QuadPart;
        break;
    default:
        break;
    }
    return v;
}

bool StreamBytes(const PropValue& value, std::vector<BYTE>* bytes)
{
    switch (value.Type()) {
    case PT_UNICODE: {
        const BYTE* p = reinterpret_cast<const BYTE*>(value.text.data());
        bytes->assign(p, p + value.text.size() * sizeof(wchar_t));
        return true;
    }
    case PT_STRING8:
        bytes->assign(value.text8.begin(), value.text8.end());
        return true;
    case PT_BINARY:
        *bytes = value.bytes;
        return true;
    default:
        return false;
    }
}

std::string Describe(const PropValue& value)
{
    char head[32];
    snprintf(head, sizeof(head), "0x%08lX=", static_cast<unsigned long>(value.tag));
    std::string text = head;
    char number[64];
    switch (value.Type()) {
    case PT_UNICODE:
        for (wchar_t c : value.text)
            text += c < 128 ? static_cast<char>(c) : '?';
        break;
    case PT_STRING8:
        text += value.text8;
        break;
    case PT_BINARY:
        for (BYTE byte : value.bytes) {
            snprintf(number, sizeof(number), "%02X", byte);
            text += number;
        }
        break;
    case PT_DOUBLE:
        snprintf(number, sizeof(number), "%g", value.dbl);
        text += number;
        break;
    case PT_SYSTIME:
        snprintf(number, sizeof(number), "%08lX%08lX", static_cast<unsigned long>(value.ft.dwHighDateTime),
                 static_cast<unsigned long>(value.ft.dwLowDateTime));
        text += number;
        break;
    case PT_I2:
        snprintf(number, sizeof(number), "%d", value.i);
        text += number;
        break;
    case PT_BOOLEAN:
        snprintf(number, sizeof(number), "%u", value.b);
        text += number;
        break;
    default:
        snprintf(number, sizeof(number), "%ld", static_cast<long>(value.l));
        text += number;
        break;
    }
    return text;
}

bool NamedId::operator<(const NamedId& other) const
{
    int c = memcmp(&set, &other.set, sizeof(GUID));
    return c < 0 || (c == 0 && lid < other.lid);
}

bool NamedId::operator==(const NamedId& other) const
{
    return memcmp(&set, &other.set, sizeof(GUID)) == 0 && lid == other.lid;
}

} // namespace doubles
