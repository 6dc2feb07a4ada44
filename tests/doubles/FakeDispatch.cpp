#include "FakeDispatch.h"

#include <algorithm>
#include <cwctype>

namespace doubles {

namespace {

std::wstring Lower(const wchar_t* text)
{
    std::wstring s(text ? text : L"");
    for (wchar_t& c : s)
        c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

bool SameName(const std::wstring& a, const wchar_t* b)
{
    return b && _wcsicmp(a.c_str(), b) == 0;
}

// The single ACCESS_ bit a call is served as, or 0 when the member does not
// accept any of the requested kinds of access.
unsigned ServedAccess(unsigned accepted, WORD flags)
{
    if ((flags & DISPATCH_PROPERTYPUTREF) && (accepted & ACCESS_PUTREF))
        return ACCESS_PUTREF;
    if ((flags & DISPATCH_PROPERTYPUT) && (accepted & ACCESS_PUT))
        return ACCESS_PUT;
    if ((flags & DISPATCH_METHOD) && (accepted & ACCESS_METHOD))
        return ACCESS_METHOD;
    if ((flags & DISPATCH_PROPERTYGET) && (accepted & ACCESS_GET))
        return ACCESS_GET;
    return 0;
}

} // namespace

bool IsMissing(const VARIANT& v)
{
    return V_VT(&v) == VT_ERROR && V_ERROR(&v) == DISP_E_PARAMNOTFOUND;
}

_variant_t Missing()
{
    _variant_t v;
    V_VT(&v) = VT_ERROR;
    V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
    return v;
}

_variant_t DispatchVariant(IDispatch* obj)
{
    return _variant_t(obj, true);
}

// One event interface's connection point. It lives as long as its container
// holds it or a caller holds a reference; the container's pointer is weak,
// so the two do not keep each other alive.
class FakeDispatch::ConnectionPoint : public IConnectionPoint, public FakeObjectCounted
{
public:
    ConnectionPoint(FakeDispatch* owner, REFIID iid) : m_refs(1), m_owner(owner), m_iid(iid) {}

    void Detach()
    {
        m_owner = nullptr;
        // A sink that is never unadvised must not keep itself alive through
        // a connection point whose container is gone.
        auto sinks = std::move(m_sinks);
        for (auto& s : sinks)
            s.second->Release();
    }

    const IID& Iid() const { return m_iid; }
    int SinkCount() const { return static_cast<int>(m_sinks.size()); }

    HRESULT Fire(DISPID id, std::vector<_variant_t> args)
    {
        std::reverse(args.begin(), args.end());
        std::vector<VARIANT> raw(args.size());
        for (size_t i = 0; i < args.size(); ++i)
            raw[i] = args[i];
        DISPPARAMS params = {raw.empty() ? nullptr : raw.data(), nullptr, static_cast<UINT>(raw.size()), 0};
        // A sink may unadvise itself (and others) from inside its Invoke.
        std::vector<IDispatch*> sinks;
        for (auto& s : m_sinks) {
            s.second->AddRef();
            sinks.push_back(s.second);
        }
        HRESULT hr = S_OK;
        for (IDispatch* sink : sinks) {
            hr = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                              nullptr);
            sink->Release();
        }
        return hr;
    }

    HRESULT m_adviseFailure = S_OK;

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
            *ppv = static_cast<IConnectionPoint*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override
    {
        ULONG refs = --m_refs;
        if (refs == 0)
            delete this;
        return refs;
    }
    STDMETHODIMP GetConnectionInterface(IID* iid) override
    {
        if (!iid)
            return E_POINTER;
        *iid = m_iid;
        return S_OK;
    }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override
    {
        if (!container)
            return E_POINTER;
        *container = m_owner;
        if (!m_owner)
            return E_UNEXPECTED;
        m_owner->AddRef();
        return S_OK;
    }
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override
    {
        if (!sink || !cookie)
            return E_POINTER;
        *cookie = 0;
        if (FAILED(m_adviseFailure))
            return m_adviseFailure;
        IDispatch* events = nullptr;
        if (FAILED(sink->QueryInterface(m_iid, reinterpret_cast<void**>(&events))) || !events)
            return CONNECT_E_CANNOTCONNECT;
        *cookie = ++m_lastCookie;
        m_sinks.emplace_back(*cookie, events);
        return S_OK;
    }
    STDMETHODIMP Unadvise(DWORD cookie) override
    {
        for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
            if (it->first == cookie) {
                IDispatch* sink = it->second;
                m_sinks.erase(it);
                sink->Release();
                return S_OK;
            }
        }
        return CONNECT_E_NOCONNECTION;
    }
    STDMETHODIMP EnumConnections(IEnumConnections** ppEnum) override
    {
        if (ppEnum)
            *ppEnum = nullptr;
        return E_NOTIMPL;
    }

private:
    ~ConnectionPoint() override { Detach(); }

    ULONG m_refs;
    FakeDispatch* m_owner;
    IID m_iid;
    DWORD m_lastCookie = 0;
    std::vector<std::pair<DWORD, IDispatch*>> m_sinks;
};

FakeDispatchPtr FakeDispatch::Create(const wchar_t* typeName)
{
    FakeDispatch* object = new FakeDispatch(typeName);
    FakeDispatchPtr ptr(object, false);
    return ptr;
}

FakeDispatch::FakeDispatch(const wchar_t* typeName) : m_refs(1), m_typeName(typeName ? typeName : L""), m_nextId(1)
{
}

FakeDispatch::~FakeDispatch()
{
    for (ConnectionPoint* point : m_points) {
        point->Detach();
        point->Release();
    }
}

DISPID FakeDispatch::AddMember(const wchar_t* name, unsigned access, std::vector<Param> params,
                               MemberHandler handler, DISPID id)
{
    if (Member* existing = FindByName(name)) {
        existing->access = access;
        existing->params = std::move(params);
        existing->handler = std::move(handler);
        existing->stored = false;
        return existing->id;
    }
    auto member = std::make_unique<Member>();
    member->name = name;
    member->id = id == DISPID_UNKNOWN ? m_nextId++ : id;
    member->access = access;
    member->params = std::move(params);
    member->handler = std::move(handler);
    member->stored = false;
    DISPID result = member->id;
    m_members.push_back(std::move(member));
    return result;
}

DISPID FakeDispatch::AddProperty(const wchar_t* name, const _variant_t& value, unsigned access)
{
    DISPID id = AddMember(name, access, {}, nullptr);
    Member* member = FindByName(name);
    member->stored = true;
    member->value = value;
    return id;
}

DISPID FakeDispatch::AddMethod(const wchar_t* name, std::vector<Param> params)
{
    return AddMember(name, ACCESS_METHOD, std::move(params), nullptr);
}

_variant_t FakeDispatch::Property(const wchar_t* name) const
{
    const Member* member = FindByName(name);
    return member && member->stored ? member->value : _variant_t();
}

void FakeDispatch::SetProperty(const wchar_t* name, const _variant_t& value)
{
    Member* member = FindByName(name);
    if (!member) {
        AddProperty(name, value);
        return;
    }
    member->stored = true;
    member->value = value;
}

void FakeDispatch::ClearObjectProperties()
{
    for (auto& member : m_members) {
        VARTYPE vt = V_VT(&member->value);
        if (vt == VT_DISPATCH || vt == VT_UNKNOWN)
            member->value.Clear();
    }
}

void FakeDispatch::FailInvoke(const wchar_t* member, int nth, HRESULT hr)
{
    m_invokeFailures[Lower(member)] = Failure{nth, hr};
}

void FakeDispatch::FailInvokeWhen(const wchar_t* member, std::function<HRESULT(const Invocation&)> when)
{
    m_invokeFilters[Lower(member)] = std::move(when);
}

void FakeDispatch::FailLookup(const wchar_t* member, HRESULT hr)
{
    m_lookupFailures[Lower(member)] = hr;
}

void FakeDispatch::AcceptInterface(REFIID iid)
{
    m_extraIids.push_back(iid);
}

std::vector<Invocation> FakeDispatch::CallsOf(const wchar_t* member) const
{
    std::vector<Invocation> calls;
    for (const Invocation& call : m_calls)
        if (SameName(call.member, member))
            calls.push_back(call);
    return calls;
}

int FakeDispatch::CallCount(const wchar_t* member) const
{
    return static_cast<int>(CallsOf(member).size());
}

void FakeDispatch::AddEventInterface(REFIID eventIid)
{
    if (!FindPoint(eventIid))
        m_points.push_back(new ConnectionPoint(this, eventIid));
}

void FakeDispatch::FailFindConnectionPoint(REFIID eventIid, HRESULT hr)
{
    for (auto& failure : m_findPointFailures) {
        if (IsEqualIID(failure.first, eventIid)) {
            failure.second = hr;
            return;
        }
    }
    m_findPointFailures.emplace_back(eventIid, hr);
}

void FakeDispatch::FailAdvise(REFIID eventIid, HRESULT hr)
{
    if (ConnectionPoint* point = FindPoint(eventIid))
        point->m_adviseFailure = hr;
}

HRESULT FakeDispatch::Fire(REFIID eventIid, DISPID id, std::vector<_variant_t> args)
{
    ConnectionPoint* point = FindPoint(eventIid);
    if (!point)
        return CONNECT_E_NOCONNECTION;
    // The sink's action may release this object's last outside reference.
    point->AddRef();
    AddRef();
    HRESULT hr = point->Fire(id, std::move(args));
    Release();
    point->Release();
    return hr;
}

int FakeDispatch::SinkCount(REFIID eventIid) const
{
    ConnectionPoint* point = FindPoint(eventIid);
    return point ? point->SinkCount() : 0;
}

STDMETHODIMP FakeDispatch::QueryInterface(REFIID iid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
        *ppv = static_cast<IDispatch*>(this);
    } else if (IsEqualIID(iid, IID_IConnectionPointContainer) && !m_points.empty()) {
        *ppv = static_cast<IConnectionPointContainer*>(this);
    } else {
        for (const IID& extra : m_extraIids)
            if (IsEqualIID(iid, extra))
                *ppv = static_cast<IDispatch*>(this);
    }
    if (!*ppv)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) FakeDispatch::AddRef()
{
    return ++m_refs;
}

STDMETHODIMP_(ULONG) FakeDispatch::Release()
{
    ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

STDMETHODIMP FakeDispatch::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP FakeDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    return TYPE_E_ELEMENTNOTFOUND;
}

STDMETHODIMP FakeDispatch::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (!IsEqualIID(iid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids)
        return E_POINTER;
    if (count == 0)
        return E_INVALIDARG;
    auto failure = m_lookupFailures.find(Lower(names[0]));
    if (failure != m_lookupFailures.end())
        return failure->second;
    // Named arguments are not modelled: only the member's own name.
    const Member* member = FindByName(names[0]);
    ids[0] = member ? member->id : DISPID_UNKNOWN;
    for (UINT i = 1; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    return member && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

STDMETHODIMP FakeDispatch::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO*, UINT* argError)
{
    if (!IsEqualIID(iid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (!params)
        return E_POINTER;
    Member* member = FindById(id);
    if (!member)
        return DISP_E_MEMBERNOTFOUND;

    Invocation call;
    call.member = member->name;
    call.id = id;
    call.flags = flags;
    call.access = ServedAccess(member->access, flags);
    for (UINT i = params->cArgs; i > 0; --i)
        call.args.emplace_back(params->rgvarg[i - 1]);
    m_calls.push_back(call);

    auto failure = m_invokeFailures.find(Lower(member->name.c_str()));
    if (failure != m_invokeFailures.end()) {
        Failure& f = failure->second;
        if (f.countdown == 0)
            return f.hr;
        if (--f.countdown == 0) {
            HRESULT hr = f.hr;
            m_invokeFailures.erase(failure);
            return hr;
        }
    }

    auto filter = m_invokeFilters.find(Lower(member->name.c_str()));
    if (filter != m_invokeFilters.end()) {
        HRESULT hr = filter->second(call);
        if (FAILED(hr))
            return hr;
    }

    if (call.access == 0)
        return DISP_E_MEMBERNOTFOUND;
    bool isPut = call.access == ACCESS_PUT || call.access == ACCESS_PUTREF;
    if (isPut && (params->cNamedArgs != 1 || !params->rgdispidNamedArgs ||
                  params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
        return DISP_E_PARAMNOTOPTIONAL;
    HRESULT hr = CheckArguments(*member, *params, isPut, argError);
    if (FAILED(hr))
        return hr;

    if (member->handler) {
        // The handler may change the member table; keep it alive.
        MemberHandler handler = member->handler;
        return handler(*this, call, result);
    }
    if (member->stored) {
        if (isPut) {
            member->value = call.args.back();
            return S_OK;
        }
        if (result) {
            VariantInit(result);
            return VariantCopy(result, &member->value);
        }
        return S_OK;
    }
    if (result)
        VariantInit(result);
    return S_OK;
}

STDMETHODIMP FakeDispatch::EnumConnectionPoints(IEnumConnectionPoints** ppEnum)
{
    if (ppEnum)
        *ppEnum = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP FakeDispatch::FindConnectionPoint(REFIID iid, IConnectionPoint** ppCP)
{
    if (!ppCP)
        return E_POINTER;
    *ppCP = nullptr;
    for (const auto& failure : m_findPointFailures)
        if (IsEqualIID(failure.first, iid) && FAILED(failure.second))
            return failure.second;
    ConnectionPoint* point = FindPoint(iid);
    if (!point)
        return CONNECT_E_NOCONNECTION;
    point->AddRef();
    *ppCP = point;
    return S_OK;
}

FakeDispatch::Member* FakeDispatch::FindByName(const wchar_t* name)
{
    for (auto& member : m_members)
        if (SameName(member->name, name))
            return member.get();
    return nullptr;
}

const FakeDispatch::Member* FakeDispatch::FindByName(const wchar_t* name) const
{
    for (const auto& member : m_members)
        if (SameName(member->name, name))
            return member.get();
    return nullptr;
}

FakeDispatch::Member* FakeDispatch::FindById(DISPID id)
{
    for (auto& member : m_members)
        if (member->id == id)
            return member.get();
    return nullptr;
}

HRESULT FakeDispatch::CheckArguments(const Member& member, const DISPPARAMS& params, bool isPut,
                                     UINT* argError) const
{
    // A put's value is the named argument rgvarg[0]; the parameters (an
    // indexed property's index) follow it.
    UINT skip = isPut ? 1 : 0;
    if (params.cArgs < skip)
        return DISP_E_BADPARAMCOUNT;
    UINT given = params.cArgs - skip;
    if (given > member.params.size())
        return DISP_E_BADPARAMCOUNT;
    for (size_t p = 0; p < member.params.size(); ++p) {
        const Param& param = member.params[p];
        if (p >= given) {
            if (!param.optional)
                return DISP_E_PARAMNOTOPTIONAL;
            continue;
        }
        UINT index = params.cArgs - 1 - static_cast<UINT>(p);
        const VARIANT& arg = params.rgvarg[index];
        if (IsMissing(arg)) {
            if (!param.optional) {
                if (argError)
                    *argError = index;
                return DISP_E_PARAMNOTOPTIONAL;
            }
            continue;
        }
        if (param.type != VT_VARIANT && V_VT(&arg) != param.type) {
            if (argError)
                *argError = index;
            return DISP_E_TYPEMISMATCH;
        }
    }
    return S_OK;
}

FakeDispatch::ConnectionPoint* FakeDispatch::FindPoint(REFIID iid) const
{
    for (ConnectionPoint* point : m_points)
        if (IsEqualIID(point->Iid(), iid))
            return point;
    return nullptr;
}

} // namespace doubles
