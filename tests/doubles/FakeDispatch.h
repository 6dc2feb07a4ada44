// The one generic IDispatch double from which every host double is built
// (Office, Outlook, Redemption, "AcroExch.App"). It behaves as a host's
// dual automation object does:
// - members are found by name without regard to case (GetIDsOfNames);
// - a member accepts only the access its kind allows: a property called with
//   DISPATCH_METHOD alone, or a method read with DISPATCH_PROPERTYGET alone,
//   gives DISP_E_MEMBERNOTFOUND, so the retries of the late-bound helpers
//   show up as they would in a host;
// - the argument count and each argument's VARTYPE are checked against the
//   member's parameters (DISP_E_BADPARAMCOUNT, DISP_E_TYPEMISMATCH with the
//   argument-error index); an optional parameter may be left out at the end
//   or passed as the "missing" variant (VT_ERROR, DISP_E_PARAMNOTFOUND);
// - QueryInterface answers IUnknown, IDispatch, the interface ids a test adds
//   (a dual host interface is reached through the same IDispatch), and
//   IConnectionPointContainer once an event interface is added.
// Every call is logged; any member can fail on cue; every object counts in
// FakeObjectCount() from construction to destruction, so that a test can end
// with no host object left alive.
#pragma once

#include <windows.h>
#include <comdef.h>
#include <ocidl.h>

#include "FakeObjectCount.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace doubles {

// What a member accepts; combine with |.
enum MemberAccess : unsigned {
    ACCESS_GET = 1,     // DISPATCH_PROPERTYGET
    ACCESS_PUT = 2,     // DISPATCH_PROPERTYPUT
    ACCESS_PUTREF = 4,  // DISPATCH_PROPERTYPUTREF
    ACCESS_METHOD = 8,  // DISPATCH_METHOD
};

// One parameter: its VARTYPE (VT_VARIANT: any type) and whether the caller
// may leave it out.
struct Param {
    VARTYPE type;
    bool optional;
};
inline Param Required(VARTYPE type) { return Param{type, false}; }
inline Param Optional(VARTYPE type) { return Param{type, true}; }

// True for the "missing" variant (VT_ERROR with DISP_E_PARAMNOTFOUND).
bool IsMissing(const VARIANT& v);

class FakeDispatch;

// One call as the fake received it.
struct Invocation {
    std::wstring member;
    DISPID id;
    WORD flags;
    // In call order: the first argument first (the reverse of rgvarg). For a
    // put, the value is the last element.
    std::vector<_variant_t> args;

    // The access the call was served as (one ACCESS_ bit).
    unsigned access;
};

// A member's behaviour: fills result (may be null) and returns the HRESULT
// of Invoke. args are in call order; for a put, the value comes last.
using MemberHandler = std::function<HRESULT(FakeDispatch& self, const Invocation& call, VARIANT* result)>;

class FakeDispatch : public IDispatch, public IConnectionPointContainer, public FakeObjectCounted
{
public:
    // A new object with one reference, owned by the returned pointer.
    static _com_ptr_t<_com_IIID<FakeDispatch, &IID_IDispatch>> Create(const wchar_t* typeName);

    // A member with a handler. Returns its DISPID (assigned in order from 1
    // unless given).
    DISPID AddMember(const wchar_t* name, unsigned access, std::vector<Param> params, MemberHandler handler,
                     DISPID id = DISPID_UNKNOWN);
    // A property whose value the fake keeps: a get gives a copy, a put (and
    // a put-by-reference, when access allows it) replaces it.
    DISPID AddProperty(const wchar_t* name, const _variant_t& value, unsigned access = ACCESS_GET);
    // A method without effect beyond the log, returning S_OK and an empty
    // result.
    DISPID AddMethod(const wchar_t* name, std::vector<Param> params = {});

    // The stored value of a property (VT_EMPTY when none).
    _variant_t Property(const wchar_t* name) const;
    void SetProperty(const wchar_t* name, const _variant_t& value);
    // Releases every object held in stored properties: breaks reference
    // cycles between doubles at the end of a test.
    void ClearObjectProperties();

    // The n-th Invoke of the member (1 = the next one, counting every Invoke
    // of it, retries included; 0: every one) fails with hr.
    void FailInvoke(const wchar_t* member, int nth, HRESULT hr);
    // Every Invoke of the member for which when() gives a failure fails with
    // it (a host that refuses some arguments, such as a save to one path).
    void FailInvokeWhen(const wchar_t* member, std::function<HRESULT(const Invocation& call)> when);
    // GetIDsOfNames of that name fails with hr.
    void FailLookup(const wchar_t* member, HRESULT hr);
    // QueryInterface also answers iid with this object.
    void AcceptInterface(REFIID iid);

    // The calls received, in order.
    const std::vector<Invocation>& Calls() const { return m_calls; }
    // The calls of one member (name without regard to case).
    std::vector<Invocation> CallsOf(const wchar_t* member) const;
    int CallCount(const wchar_t* member) const;
    void ClearCalls() { m_calls.clear(); }
    const std::wstring& TypeName() const { return m_typeName; }

    // Connection points: an event interface this object fires.
    void AddEventInterface(REFIID eventIid);
    // Scripted failures of the event road: FindConnectionPoint, Advise and
    // Unadvise of that interface's connection point (S_OK: none).
    void FailFindConnectionPoint(REFIID eventIid, HRESULT hr);
    void FailAdvise(REFIID eventIid, HRESULT hr);
    // Calls Invoke(id, DISPATCH_METHOD) on every advised sink with args in
    // call order; returns the last sink's result (S_OK when none).
    HRESULT Fire(REFIID eventIid, DISPID id, std::vector<_variant_t> args = {});
    int SinkCount(REFIID eventIid) const;

    // IUnknown (shared by both bases)
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argError) override;
    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** ppCP) override;

    ULONG RefCount() const { return m_refs; }

protected:
    explicit FakeDispatch(const wchar_t* typeName);
    ~FakeDispatch() override;

private:
    struct Member {
        std::wstring name;
        DISPID id;
        unsigned access;
        std::vector<Param> params;
        MemberHandler handler;
        bool stored;
        _variant_t value;
    };
    struct Failure {
        int countdown; // 0: every call
        HRESULT hr;
    };
    class ConnectionPoint;

    Member* FindByName(const wchar_t* name);
    const Member* FindByName(const wchar_t* name) const;
    Member* FindById(DISPID id);
    HRESULT CheckArguments(const Member& member, const DISPPARAMS& params, bool isPut, UINT* argError) const;
    ConnectionPoint* FindPoint(REFIID iid) const;

    ULONG m_refs;
    std::wstring m_typeName;
    std::vector<std::unique_ptr<Member>> m_members;
    DISPID m_nextId;
    std::vector<Invocation> m_calls;
    std::map<std::wstring, Failure> m_invokeFailures; // key: lower-case name
    std::map<std::wstring, std::function<HRESULT(const Invocation&)>> m_invokeFilters;
    std::map<std::wstring, HRESULT> m_lookupFailures;
    std::vector<IID> m_extraIids;
    std::vector<std::pair<IID, HRESULT>> m_findPointFailures;
    std::vector<ConnectionPoint*> m_points;
};

using FakeDispatchPtr = _com_ptr_t<_com_IIID<FakeDispatch, &IID_IDispatch>>;

// The "missing" variant for optional arguments.
_variant_t Missing();
// A VT_DISPATCH variant holding obj with a reference of its own.
_variant_t DispatchVariant(IDispatch* obj);

} // namespace doubles
