#include "ConnectorCall.h"

#include "ComSupport.h"
#include "ConnectorIds.h"

const wchar_t CONNECTOR_RUN[] = L"KQConnectorCOM.Run";
const wchar_t CONNECTOR_DISPLAYSETTINGS[] = L"KQConnectorCOM.DisplaySettings";

namespace {
_COM_SMARTPTR_TYPEDEF(IClassFactory, __uuidof(IClassFactory));
// The connector's members are found by name and by the user's locale.
const LCID CONNECTOR_LOCALE = 0x400;
} // namespace

ConnectorCallResult CallConnector(const wchar_t* member, DISPPARAMS* params, VARIANT* result) noexcept
{
    ConnectorCallResult outcome{CONNECTOR_UNREACHABLE, E_UNEXPECTED};
    // Nothing in here throws, but a foreign module's exception must not end
    // the client either.
    try {
        IClassFactoryPtr factory;
        HRESULT hr = CoGetClassObject(CLSID_KQConnectorCOM, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                      reinterpret_cast<void**>(&factory));
        if (FAILED(hr) || !factory)
            return {CONNECTOR_NOT_REGISTERED, FAILED(hr) ? hr : E_NOINTERFACE};
        IDispatchPtr connector;
        hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&connector));
        if (FAILED(hr) || !connector)
            return {CONNECTOR_UNREACHABLE, FAILED(hr) ? hr : E_NOINTERFACE};
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR name = const_cast<LPOLESTR>(member);
        hr = connector->GetIDsOfNames(IID_NULL, &name, 1, CONNECTOR_LOCALE, &id);
        if (FAILED(hr))
            return {CONNECTOR_UNREACHABLE, hr};
        hr = connector->Invoke(id, IID_NULL, CONNECTOR_LOCALE, DISPATCH_METHOD | DISPATCH_PROPERTYGET, params,
                               result, nullptr, nullptr);
        outcome = {CONNECTOR_INVOKED, hr};
    } catch (const _com_error& e) {
        outcome.hr = FAILED(e.Error()) ? e.Error() : E_FAIL;
    } catch (...) {
        outcome.hr = E_UNEXPECTED;
    }
    return outcome;
}
