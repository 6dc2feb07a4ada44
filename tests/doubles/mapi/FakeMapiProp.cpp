#include "FakeMapiProp.h"

namespace doubles {

ULONG NameRegistry::IdOf(const NamedId& name, bool create)
{
    auto found = m_ids.find(name);
    if (found != m_ids.end())
        return found->second;
    if (!create)
        return 0;
    ULONG id = m_next++;
    m_ids[name] = id;
    m_names[id] = name;
    return id;
}

bool NameRegistry::NameOf(ULONG id, NamedId* name) const
{
    auto found = m_names.find(id);
    if (found == m_names.end())
        return false;
    if (name)
        *name = found->second;
    return true;
}

void MapiScript::Fail(const std::string& method, HRESULT hr, int nth)
{
    m_failures[method] = Failure{hr, nth};
}

HRESULT MapiScript::Enter(const std::string& method)
{
    ++m_calls[method];
    auto found = m_failures.find(method);
    if (found == m_failures.end())
        return S_OK;
    Failure& failure = found->second;
    if (failure.countdown == 0)
        return failure.hr;
    if (--failure.countdown == 0) {
        HRESULT hr = failure.hr;
        m_failures.erase(found);
        return hr;
    }
    return S_OK;
}

int MapiScript::Calls(const std::string& method) const
{
    auto found = m_calls.find(method);
    return found == m_calls.end() ? 0 : found->second;
}

SCODE AllocatePropArray(const std::vector<PropValue>& values, LPSPropValue* array)
{
    *array = nullptr;
    const MapiAllocator& allocator = DoublesAllocator();
    void* memory = nullptr;
    ULONG cb = static_cast<ULONG>((values.empty() ? 1 : values.size()) * sizeof(SPropValue));
    SCODE sc = allocator.allocateBuffer(cb, &memory);
    if (FAILED(sc))
        return sc;
    LPSPropValue out = static_cast<LPSPropValue>(memory);
    for (size_t i = 0; i < values.size(); ++i) {
        sc = CopyToSPropValue(values[i], &out[i], allocator.allocateMore, memory);
        if (FAILED(sc)) {
            allocator.freeBuffer(memory);
            return sc;
        }
    }
    *array = out;
    return S_OK;
}

} // namespace doubles
