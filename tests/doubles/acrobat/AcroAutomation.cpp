#include "AcroAutomation.h"

#include <objbase.h>

namespace doubles {

namespace {

// {6E7C9B7A-3F0C-4E7B-9A51-2C4D8E1F0A37}: the test's own id for the class
// that Acrobat registers as "AcroExch.App".
const CLSID kAcroAppClassId = {0x6e7c9b7a, 0x3f0c, 0x4e7b, {0x9a, 0x51, 0x2c, 0x4d, 0x8e, 0x1f, 0x0a, 0x37}};
const wchar_t kProgId[] = L"AcroExch.App";

std::string ToAnsi(const wchar_t* text, UINT length)
{
    if (!text || !length)
        return std::string();
    int cb = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(cb > 0 ? cb : 0), '\0');
    if (cb > 0)
        WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), &ansi[0], cb, nullptr, nullptr);
    return ansi;
}

std::wstring ToWide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int cch = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(cch > 0 ? cch : 0), L'\0');
    if (cch > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], cch);
    return wide;
}

void SetObject(VARIANT* result, FakeDispatchPtr object)
{
    if (!result)
        return;
    VariantInit(result);
    result->vt = VT_DISPATCH;
    result->pdispVal = object.Detach();
}

void SetText(VARIANT* result, const std::wstring& text)
{
    if (!result)
        return;
    VariantInit(result);
    result->vt = VT_BSTR;
    result->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

FakeDispatchPtr MakeScriptObject(AcroDocumentSource& source, int id)
{
    FakeDispatchPtr script = FakeDispatch::Create(L"JSObject");
    script->AddMember(L"collection", ACCESS_GET, {},
                      [&source, id](FakeDispatch&, const Invocation&, VARIANT* result) -> HRESULT {
                          if (!result)
                              return S_OK;
                          if (source.IsPortfolio(id)) {
                              SetObject(result, FakeDispatch::Create(L"Collection"));
                          } else {
                              VariantInit(result);
                              result->vt = VT_NULL;
                          }
                          return S_OK;
                      });
    return script;
}

FakeDispatchPtr MakePDDoc(AcroDocumentSource& source, int id)
{
    FakeDispatchPtr doc = FakeDispatch::Create(L"AcroExch.PDDoc");
    doc->AddMember(
        L"GetInfo", ACCESS_METHOD, {Required(VT_BSTR)},
        [&source, id](FakeDispatch&, const Invocation& call, VARIANT* result) -> HRESULT {
            const _variant_t& key = call.args[0];
            SetText(result, source.Info(id, key.bstrVal ? std::wstring(key.bstrVal) : std::wstring()));
            return S_OK;
        },
        8);
    doc->AddMember(
        L"GetFileName", ACCESS_METHOD, {},
        [&source, id](FakeDispatch&, const Invocation&, VARIANT* result) -> HRESULT {
            std::string path = source.DocumentPath(id);
            size_t slash = path.find_last_of("\\/");
            SetText(result, ToWide(slash == std::string::npos ? path : path.substr(slash + 1)));
            return S_OK;
        },
        12);
    doc->AddMember(
        L"Save", ACCESS_METHOD, {Required(VT_I2), Required(VT_BSTR)},
        [&source, id](FakeDispatch&, const Invocation& call, VARIANT* result) -> HRESULT {
            const _variant_t& path = call.args[1];
            bool saved = source.Save(id, call.args[0].iVal, ToAnsi(path.bstrVal, SysStringLen(path.bstrVal)));
            if (result) {
                VariantInit(result);
                result->vt = VT_BOOL;
                result->boolVal = saved ? VARIANT_TRUE : VARIANT_FALSE;
            }
            return S_OK;
        },
        23);
    doc->AddMember(
        L"GetJSObject", ACCESS_METHOD, {},
        [&source, id](FakeDispatch&, const Invocation&, VARIANT* result) -> HRESULT {
            SetObject(result, MakeScriptObject(source, id));
            return S_OK;
        },
        27);
    return doc;
}

FakeDispatchPtr MakeAVDoc(AcroDocumentSource& source, int id)
{
    FakeDispatchPtr doc = FakeDispatch::Create(L"AcroExch.AVDoc");
    doc->AddMember(
        L"GetPDDoc", ACCESS_METHOD, {},
        [&source, id](FakeDispatch&, const Invocation&, VARIANT* result) -> HRESULT {
            SetObject(result, MakePDDoc(source, id));
            return S_OK;
        },
        24);
    return doc;
}

FakeDispatchPtr MakeApp(AcroDocumentSource& source)
{
    FakeDispatchPtr app = FakeDispatch::Create(L"AcroExch.App");
    app->AddMember(
        L"GetNumAVDocs", ACCESS_METHOD, {},
        [&source](FakeDispatch&, const Invocation&, VARIANT* result) -> HRESULT {
            if (result) {
                VariantInit(result);
                result->vt = VT_I4;
                result->lVal = source.DocumentCount();
            }
            return S_OK;
        },
        13);
    app->AddMember(
        L"GetActiveDoc", ACCESS_METHOD, {},
        [&source](FakeDispatch&, const Invocation&, VARIANT* result) -> HRESULT {
            int id = source.ActiveDocument();
            if (id < 0) {
                if (result) {
                    VariantInit(result);
                    result->vt = VT_DISPATCH;
                    result->pdispVal = nullptr;
                }
                return S_OK;
            }
            SetObject(result, MakeAVDoc(source, id));
            return S_OK;
        },
        15);
    return app;
}

} // namespace

AcroAutomation::AcroAutomation(AcroDocumentSource& source)
    : m_factory(FakeClassFactory::Create([&source](REFIID iid, void** ppv) {
          return MakeApp(source)->QueryInterface(iid, ppv);
      })),
      m_registration(kAcroAppClassId, m_factory.GetInterfacePtr(), CLSCTX_LOCAL_SERVER,
                     REGCLS_MULTIPLEUSE, kProgId)
{
}

int AcroAutomation::Created() const
{
    return m_factory->CreateCalls();
}

const CLSID& AcroAutomation::ClassId()
{
    return kAcroAppClassId;
}

} // namespace doubles
