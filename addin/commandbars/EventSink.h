// The common part of the add-in's event sinks: an IDispatch that advises
// itself on one event source through its connection point and hands the
// events it receives to the add-in.
//
// Lifetime follows the references: the sink's owner holds one, the source's
// connection point one while advised, and Invoke one of its own while an
// event runs, so that an action which unadvises and releases the sink (a
// window that closes) never pulls it away under its own feet. Unadvise also
// forgets the add-in: a source that still calls an unadvised sink reaches
// nothing.
//
// Every call comes on the host's user-interface thread; the count is plain.
#pragma once

#include <windows.h>
#include <ocidl.h>

class CMarvikAddin;

class CEventSink : public IDispatch
{
public:
    CEventSink(const CEventSink&) = delete;
    CEventSink& operator=(const CEventSink&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argError) override;

    // Connects the sink to the source's connection point for its event
    // interface. Failures are silent: the sink then never fires. A
    // connection point that was found is kept even when its Advise fails,
    // so that Unadvise releases it.
    void Advise(IDispatch* source);
    // Disconnects; a second call does nothing.
    virtual void Unadvise();

    bool IsAdvised() const { return m_point != nullptr && m_cookie != 0; }

    // One event of the sink's interface: its name, dispatch id and number
    // of arguments.
    struct EventEntry {
        const wchar_t* name;
        DISPID id;
        UINT argCount;
    };

protected:
    CEventSink(CMarvikAddin* addin, REFIID eventIid, const EventEntry* events, size_t eventCount);
    virtual ~CEventSink();

    // The event's action, with the argument count already checked. The
    // add-in is not null. The action may unadvise and release the sink.
    virtual void OnEvent(DISPID id, const DISPPARAMS& params) = 0;

    CMarvikAddin* Addin() const { return m_addin; }

    // The object argument at rgvarg[index] (VT_DISPATCH, or a reference to
    // one); null for anything else.
    static IDispatch* ObjectArgument(const DISPPARAMS& params, UINT index);

private:
    const EventEntry* FindEvent(DISPID id) const;

    ULONG m_refs;
    CMarvikAddin* m_addin;
    IConnectionPoint* m_point;
    DWORD m_cookie;
    const IID& m_eventIid;
    const EventEntry* m_events;
    size_t m_eventCount;
};
