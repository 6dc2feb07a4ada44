#include "EventSink.h"

#include "LogFile.h"

#include <cwchar>

CEventSink::CEventSink(CMarvikAddin* addin, REFIID eventIid, const EventEntry* events, size_t eventCount)
    : m_refs(0), m_addin(addin), m_point(nullptr), m_cookie(0), m_eventIid(eventIid), m_events(events),
      m_eventCount(eventCount)
{
}

CEventSink::~CEventSink()
{
    // The last Release unadvises first; this only guards a sink that is
    // destroyed some other way.
    if (m_point)
        m_point->Release();
}

STDMETHODIMP CEventSink::QueryInterface(REFIID iid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, m_eventIid)) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CEventSink::AddRef()
{
    return ++m_refs;
}

STDMETHODIMP_(ULONG) CEventSink::Release()
{
    ULONG refs = --m_refs;
    if (refs == 0) {
        // Unadvising may call back into Release (the connection point lets
        // go of its reference); keep the count above zero meanwhile.
        m_refs = 1;
        Unadvise();
        delete this;
    }
    return refs;
}

STDMETHODIMP CEventSink::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP CEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    return E_FAIL;
}

STDMETHODIMP CEventSink::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (!IsEqualIID(iid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids)
        return E_POINTER;
    if (count != 1)
        return E_INVALIDARG;
    for (size_t i = 0; i < m_eventCount; ++i) {
        if (names[0] && wcscmp(names[0], m_events[i].name) == 0) {
            ids[0] = m_events[i].id;
            return S_OK;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP CEventSink::Invoke(DISPID id, REFIID iid, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                UINT*)
{
    if (!IsEqualIID(iid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    const EventEntry* event = FindEvent(id);
    if (!event)
        return DISP_E_MEMBERNOTFOUND;
    if (!params)
        return E_POINTER;
    if (params->cArgs != event->argCount)
        return DISP_E_BADPARAMCOUNT;
    if (!m_addin)
        return S_OK;

    // The action may unadvise and release this sink; the reference held
    // here keeps it alive until the action has returned.
    AddRef();
    try {
        OnEvent(id, *params);
    } catch (...) {
        // An exception must not unwind into the host's event loop.
        g_Log.Error(L"Unexpected exception while handling event %d\n", static_cast<int>(id));
    }
    Release();
    return S_OK;
}

void CEventSink::Advise(IDispatch* source)
{
    if (!source || m_point)
        return;
    IConnectionPointContainer* container = nullptr;
    if (FAILED(source->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))) ||
        !container)
        return;
    IConnectionPoint* point = nullptr;
    if (SUCCEEDED(container->FindConnectionPoint(m_eventIid, &point)) && point) {
        m_point = point;
        DWORD cookie = 0;
        if (SUCCEEDED(m_point->Advise(static_cast<IDispatch*>(this), &cookie)))
            m_cookie = cookie;
    }
    container->Release();
}

void CEventSink::Unadvise()
{
    m_addin = nullptr;
    IConnectionPoint* point = m_point;
    if (!point)
        return;
    m_point = nullptr;
    DWORD cookie = m_cookie;
    m_cookie = 0;
    if (cookie)
        point->Unadvise(cookie);
    point->Release();
}

IDispatch* CEventSink::ObjectArgument(const DISPPARAMS& params, UINT index)
{
    if (index >= params.cArgs || !params.rgvarg)
        return nullptr;
    const VARIANT& arg = params.rgvarg[index];
    if (V_VT(&arg) == VT_DISPATCH)
        return V_DISPATCH(&arg);
    if (V_VT(&arg) == (VT_DISPATCH | VT_BYREF) && V_DISPATCHREF(&arg))
        return *V_DISPATCHREF(&arg);
    return nullptr;
}

const CEventSink::EventEntry* CEventSink::FindEvent(DISPID id) const
{
    for (size_t i = 0; i < m_eventCount; ++i)
        if (m_events[i].id == id)
            return &m_events[i];
    return nullptr;
}
