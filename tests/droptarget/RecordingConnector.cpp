#include "RecordingConnector.h"

#include "ConnectorIds.h"

namespace {

HRESULT g_result = S_OK;
std::vector<RecordedCall> g_calls;
std::vector<std::wstring> g_names;

class CConnectorDouble : public IDispatch
{
public:
    virtual ~CConnectorDouble() = default;
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch)
            return E_NOINTERFACE;
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override
    {
        ULONG refs = --m_refs;
        if (refs == 0)
            delete this;
        return refs;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        *info = nullptr;
        return E_FAIL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override
    {
        g_names.push_back(names[0]);
        std::wstring name = names[0];
        if (name == L"KQConnectorCOM.Run")
            *ids = DISPID_CONNECTOR_RUN;
        else if (name == L"KQConnectorCOM.DisplaySettings")
            *ids = DISPID_CONNECTOR_DISPLAYSETTINGS;
        else
            return DISP_E_UNKNOWNNAME;
        return S_OK;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override
    {
        RecordedCall call;
        call.member = id == DISPID_CONNECTOR_RUN ? L"Run" : L"DisplaySettings";
        call.argCount = params->cArgs;
        call.flags = flags;
        call.locale = locale;
        if (params->cArgs == 4) {
            VARIANT* slots = params->rgvarg;
            for (int i = 0; i < 4; ++i)
                call.types[i] = slots[i].vt;
            call.length = slots[ARG_LISTLENGTH].intVal;
            call.count = slots[ARG_PATHCOUNT].intVal;
            call.iniIsNull = slots[ARG_PROPERTIES].bstrVal == nullptr;
            if (!call.iniIsNull)
                call.iniPath = slots[ARG_PROPERTIES].bstrVal;
            const wchar_t* list = static_cast<const wchar_t*>(slots[ARG_PATHLIST].byref);
            int at = 0;
            while (at < call.length - 1 && list[at]) {
                std::wstring path = list + at;
                call.paths.push_back(path);
                at += static_cast<int>(path.size()) + 1;
            }
            call.listClosed = at == call.length - 1 && list[at] == L'\0';
        }
        g_calls.push_back(call);
        return g_result;
    }

private:
    ULONG m_refs = 1;
};

} // namespace

RecordingConnector::RecordingConnector(HRESULT result)
    : m_factory(doubles::FakeClassFactory::Create([](REFIID riid, void** out) {
          CConnectorDouble* object = new CConnectorDouble;
          HRESULT hr = object->QueryInterface(riid, out);
          object->Release();
          return hr;
      })),
      m_registration(CLSID_KQConnectorCOM, m_factory.GetInterfacePtr(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE)
{
    g_result = result;
    g_calls.clear();
    g_names.clear();
}

const std::vector<RecordedCall>& RecordingConnector::Calls() const
{
    return g_calls;
}

std::vector<std::wstring> RecordingConnector::NamesAsked() const
{
    return g_names;
}
