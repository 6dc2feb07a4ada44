#include "VariantText.h"

#include "AnsiText.h"

#include <cstdio>

namespace {

std::wstring TypeName(VARTYPE vt)
{
    switch (vt) {
    case VT_EMPTY:
        return L"VT_EMPTY";
    case VT_BSTR:
        return L"VT_BSTR";
    case VT_BOOL:
        return L"VT_BOOL";
    case VT_INT:
        return L"VT_INT";
    case VT_HRESULT:
        return L"VT_HRESULT";
    case VT_LPSTR:
        return L"VT_LPSTR";
    case VT_LPWSTR:
        return L"VT_LPWSTR";
    default: {
        wchar_t text[32];
        _snwprintf(text, 32, L"unknown type: %d", static_cast<int>(vt));
        text[31] = L'\0';
        return text;
    }
    }
}

} // namespace

namespace {

// VariantClear refuses the types that a VARIANT may not hold (VT_HRESULT,
// the pointer texts); they own nothing it could free.
void Clear(VARIANT* value)
{
    if (FAILED(VariantClear(value)))
        value->vt = VT_EMPTY;
}

} // namespace

std::wstring VariantTypeName(VARIANT* value)
{
    std::wstring name = TypeName(value->vt);
    Clear(value);
    return name;
}

std::wstring VariantToText(VARIANT* value, bool withType)
{
    std::wstring text;
    wchar_t number[32];
    switch (value->vt) {
    case VT_EMPTY:
        text = L"<empty>";
        break;
    case VT_BSTR:
        text = value->bstrVal ? std::wstring(value->bstrVal, SysStringLen(value->bstrVal)) : std::wstring();
        break;
    case VT_LPSTR:
        // Pointer texts in the variant's pointer field, owned by whoever
        // filled it.
        text = value->byref ? AnsiToWide(static_cast<const char*>(value->byref)) : std::wstring();
        break;
    case VT_LPWSTR:
        text = value->byref ? static_cast<const wchar_t*>(value->byref) : L"";
        break;
    case VT_BOOL:
        text = value->boolVal ? L"true" : L"false";
        break;
    case VT_INT:
        _snwprintf(number, 32, L"%d", value->intVal);
        number[31] = L'\0';
        text = number;
        break;
    case VT_HRESULT:
        _snwprintf(number, 32, L"0x%08lx", static_cast<unsigned long>(value->scode));
        number[31] = L'\0';
        text = number;
        break;
    default:
        text = L"<" + TypeName(value->vt) + L">";
        break;
    }
    if (withType)
        text += L"  (" + TypeName(value->vt) + L")";
    Clear(value);
    return text;
}
