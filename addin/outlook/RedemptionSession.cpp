#include "RedemptionSession.h"

#include "LogFile.h"

const wchar_t REDEMPTION_PROGID[] = L"Redemption.RDOSession";

namespace {

const wchar_t CAPTION[] = L"marvik dovrane";
const wchar_t NOT_REGISTERED[] = L"Die Redemption Schnittstelle ist nicht registriert.";
const wchar_t NO_SESSION[] = L"Fehler bei der Kommunikation mit der Redemption Schnittstelle.";

void ShowRedemptionError(const wchar_t* text)
{
    MessageBoxW(nullptr, text, CAPTION, MB_TOPMOST | MB_ICONERROR);
}

} // namespace

HRESULT CreateRedemptionSession(IDispatch** session, bool* classIdMissing)
{
    if (classIdMissing)
        *classIdMissing = false;
    if (!session)
        return E_POINTER;
    *session = nullptr;
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(REDEMPTION_PROGID, &clsid);
    if (FAILED(hr)) {
        g_Log.Error(L"Can't get CLSID for Redemption.RDOSession! hr = 0x%08X\n", static_cast<unsigned>(hr));
        ShowRedemptionError(NOT_REGISTERED);
        if (classIdMissing)
            *classIdMissing = true;
        return hr;
    }
    IClassFactory* factory = nullptr;
    hr = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr) || !factory) {
        ShowRedemptionError(NOT_REGISTERED);
        return FAILED(hr) ? hr : E_POINTER;
    }
    hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(session));
    factory->Release();
    if (FAILED(hr) || !*session) {
        if (*session) {
            (*session)->Release();
            *session = nullptr;
        }
        ShowRedemptionError(NO_SESSION);
        return FAILED(hr) ? hr : E_POINTER;
    }
    return S_OK;
}
