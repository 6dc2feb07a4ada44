// The property side of every MAPI double (messages, attachments, mail
// users, messages on storage), as IMAPIProp documents it:
// - GetProps answers each tag with its value, or with PT_ERROR and
//   MAPI_E_NOT_FOUND and the warning MAPI_W_ERRORS_RETURNED; a value too
//   large for GetProps answers MAPI_E_NOT_ENOUGH_MEMORY and is read through
//   OpenProperty; MAPI_UNICODE chooses the text type of PT_UNSPECIFIED;
// - GetIDsFromNames maps a set and numeric id to a property id of 0x8000 or
//   more, creating it only with MAPI_CREATE; an unknown name answers PT_ERROR
//   and the warning;
// - every result is memory of the doubles' MAPI allocator, for the caller to
//   free with MAPIFreeBuffer;
// - any method can fail on cue.
#pragma once

#include "../FakeObjectCount.h"
#include "CountingMapiAllocator.h"
#include "FakeMapiStream.h"
#include "MapiPropValue.h"

#include <mapicode.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace doubles {

// The named properties of one message store.
class NameRegistry
{
public:
    // 0 when the name is unknown and may not be created.
    ULONG IdOf(const NamedId& name, bool create);
    bool NameOf(ULONG id, NamedId* name) const;
    const std::map<ULONG, NamedId>& Names() const { return m_names; }

private:
    std::map<NamedId, ULONG> m_ids;
    std::map<ULONG, NamedId> m_names;
    ULONG m_next = 0x8000;
};

// Scripted failures and the calls received, by method name.
class MapiScript
{
public:
    // The method fails with hr on its nth call from now (1: the next; 0:
    // every call).
    void Fail(const std::string& method, HRESULT hr, int nth = 0);
    // Records a call; the scripted failure or S_OK.
    HRESULT Enter(const std::string& method);
    int Calls(const std::string& method) const;

private:
    struct Failure {
        HRESULT hr;
        int countdown;
    };
    std::map<std::string, Failure> m_failures;
    std::map<std::string, int> m_calls;
};

// Allocates a value array of n entries and copies values into it.
SCODE AllocatePropArray(const std::vector<PropValue>& values, LPSPropValue* array);

template <typename Interface>
class FakeMapiProp : public Interface, public FakeObjectCounted
{
public:
    // The property bag.
    void Set(const PropValue& value)
    {
        for (PropValue& existing : m_props) {
            if (existing.Id() == value.Id()) {
                existing = value;
                return;
            }
        }
        m_props.push_back(value);
    }
    // A named property of a set; returns its property id.
    ULONG SetNamed(const GUID& set, LONG lid, PropValue value)
    {
        ULONG id = m_names->IdOf(NamedId{set, lid}, true);
        value.tag = PROP_TAG(value.Type(), id);
        Set(value);
        return id;
    }
    bool Find(ULONG id, PropValue* value) const
    {
        for (const PropValue& existing : m_props) {
            if (existing.Id() == id) {
                if (value)
                    *value = existing;
                return true;
            }
        }
        return false;
    }
    const std::vector<PropValue>& Props() const { return m_props; }
    void Remove(ULONG id)
    {
        for (auto it = m_props.begin(); it != m_props.end(); ++it) {
            if (it->Id() == id) {
                m_props.erase(it);
                return;
            }
        }
    }
    // OpenProperty of this property id gives what the factory makes.
    void SetStream(ULONG id, std::function<IStream*()> factory) { m_streams[id] = std::move(factory); }
    // GetProps answers this property id with MAPI_E_NOT_ENOUGH_MEMORY: it is
    // only read through its stream.
    void SetStreamOnly(ULONG id) { m_streamOnly[id] = true; }
    // Share the named properties of another object (one message store).
    void ShareNames(const std::shared_ptr<NameRegistry>& names) { m_names = names; }
    const std::shared_ptr<NameRegistry>& Names() const { return m_names; }
    MapiScript& Script() { return m_script; }
    ULONG RefCount() const { return m_refs; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, LPVOID* ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kIID_IMAPIProp) || AnswersIid(iid)) {
            *ppv = static_cast<Interface*>(this);
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

    // IMAPIProp
    STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR* error) override
    {
        if (error)
            *error = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP SaveChanges(ULONG flags) override
    {
        HRESULT hr = m_script.Enter("SaveChanges");
        return FAILED(hr) ? hr : OnSaveChanges(flags);
    }
    STDMETHODIMP GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* values) override
    {
        if (!count || !values)
            return MAPI_E_INVALID_PARAMETER;
        *count = 0;
        *values = nullptr;
        HRESULT hr = m_script.Enter("GetProps");
        if (FAILED(hr))
            return hr;
        std::vector<PropValue> answer;
        bool errors = false;
        if (!tags) {
            answer = m_props;
        } else {
            for (ULONG i = 0; i < tags->cValues; ++i) {
                answer.push_back(Answer(tags->aulPropTag[i], flags));
                errors = errors || answer.back().Type() == PT_ERROR;
            }
        }
        SCODE sc = AllocatePropArray(answer, values);
        if (FAILED(sc))
            return sc;
        *count = static_cast<ULONG>(answer.size());
        return errors ? MAPI_W_ERRORS_RETURNED : S_OK;
    }
    STDMETHODIMP GetPropList(ULONG, LPSPropTagArray* tags) override
    {
        if (!tags)
            return MAPI_E_INVALID_PARAMETER;
        *tags = nullptr;
        HRESULT hr = m_script.Enter("GetPropList");
        if (FAILED(hr))
            return hr;
        void* memory = nullptr;
        SCODE sc = DoublesAllocator().allocateBuffer(CbNewSPropTagArray(m_props.size()), &memory);
        if (FAILED(sc))
            return sc;
        *tags = static_cast<LPSPropTagArray>(memory);
        (*tags)->cValues = static_cast<ULONG>(m_props.size());
        for (size_t i = 0; i < m_props.size(); ++i)
            (*tags)->aulPropTag[i] = m_props[i].tag;
        return S_OK;
    }
    STDMETHODIMP OpenProperty(ULONG tag, LPCIID iid, ULONG, ULONG, LPUNKNOWN* unknown) override
    {
        if (!unknown)
            return MAPI_E_INVALID_PARAMETER;
        *unknown = nullptr;
        HRESULT hr = m_script.Enter("OpenProperty");
        if (FAILED(hr))
            return hr;
        if (!iid || !IsEqualIID(*iid, IID_IStream))
            return MAPI_E_INTERFACE_NOT_SUPPORTED;
        auto factory = m_streams.find(PROP_ID(tag));
        if (factory != m_streams.end()) {
            *unknown = factory->second();
            return *unknown ? S_OK : MAPI_E_NOT_FOUND;
        }
        PropValue value;
        std::vector<BYTE> bytes;
        if (!Find(PROP_ID(tag), &value) || !StreamBytes(value, &bytes))
            return MAPI_E_NOT_FOUND;
        *unknown = FakeMapiStream::Create(bytes);
        return S_OK;
    }
    STDMETHODIMP SetProps(ULONG count, LPSPropValue values, LPSPropProblemArray* problems) override
    {
        if (problems)
            *problems = nullptr;
        HRESULT hr = m_script.Enter("SetProps");
        if (FAILED(hr))
            return hr;
        if (count && !values)
            return MAPI_E_INVALID_PARAMETER;
        for (ULONG i = 0; i < count; ++i) {
            PropValue value = FromSPropValue(values[i]);
            if (value.Type() != PT_ERROR)
                Set(Stored(value));
        }
        return S_OK;
    }
    STDMETHODIMP DeleteProps(LPSPropTagArray tags, LPSPropProblemArray* problems) override
    {
        if (problems)
            *problems = nullptr;
        if (!tags)
            return MAPI_E_INVALID_PARAMETER;
        for (ULONG i = 0; i < tags->cValues; ++i)
            Remove(PROP_ID(tags->aulPropTag[i]));
        return S_OK;
    }
    STDMETHODIMP CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID iid, LPVOID destination, ULONG,
                        LPSPropProblemArray* problems) override
    {
        if (problems)
            *problems = nullptr;
        HRESULT hr = m_script.Enter("CopyTo");
        if (FAILED(hr))
            return hr;
        return OnCopyTo(iid, destination);
    }
    STDMETHODIMP CopyProps(LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                           LPSPropProblemArray* problems) override
    {
        if (problems)
            *problems = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG* count, LPMAPINAMEID** names) override
    {
        if (count)
            *count = 0;
        if (names)
            *names = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP GetIDsFromNames(ULONG count, LPMAPINAMEID* names, ULONG flags, LPSPropTagArray* tags) override
    {
        if (!tags || (count && !names))
            return MAPI_E_INVALID_PARAMETER;
        *tags = nullptr;
        HRESULT hr = m_script.Enter("GetIDsFromNames");
        if (FAILED(hr))
            return hr;
        void* memory = nullptr;
        SCODE sc = DoublesAllocator().allocateBuffer(CbNewSPropTagArray(count), &memory);
        if (FAILED(sc))
            return sc;
        *tags = static_cast<LPSPropTagArray>(memory);
        (*tags)->cValues = count;
        bool errors = false;
        for (ULONG i = 0; i < count; ++i) {
            ULONG id = 0;
            const MAPINAMEID* name = names[i];
            if (name && name->lpguid && name->ulKind == MNID_ID)
                id = m_names->IdOf(NamedId{*name->lpguid, name->Kind.lID}, (flags & MAPI_CREATE) != 0);
            (*tags)->aulPropTag[i] = id ? PROP_TAG(PT_UNSPECIFIED, id) : PROP_TAG(PT_ERROR, 0);
            errors = errors || id == 0;
        }
        return errors ? MAPI_W_ERRORS_RETURNED : S_OK;
    }

protected:
    FakeMapiProp() : m_names(std::make_shared<NameRegistry>()) {}
    ~FakeMapiProp() override = default;

    // Interfaces beyond IUnknown and IMAPIProp.
    virtual bool AnswersIid(REFIID) const { return false; }
    virtual HRESULT OnSaveChanges(ULONG) { return S_OK; }
    virtual HRESULT OnCopyTo(LPCIID, LPVOID) { return MAPI_E_NO_SUPPORT; }
    // How a value given to SetProps is kept.
    virtual PropValue Stored(const PropValue& value) const { return value; }

private:
    PropValue Answer(ULONG tag, ULONG flags) const
    {
        PropValue value;
        if (!Find(PROP_ID(tag), &value))
            return ErrorProp(tag, MAPI_E_NOT_FOUND);
        if (m_streamOnly.count(PROP_ID(tag)))
            return ErrorProp(tag, MAPI_E_NOT_ENOUGH_MEMORY);
        ULONG wanted = PROP_TYPE(tag);
        if (wanted == PT_UNSPECIFIED)
            wanted = value.Type() == PT_STRING8 && (flags & MAPI_UNICODE) ? PT_UNICODE : value.Type();
        if (wanted == value.Type())
            return value;
        if (wanted == PT_UNICODE && value.Type() == PT_STRING8)
            return TextProp(tag, Widen(value.text8));
        if (wanted == PT_STRING8 && value.Type() == PT_UNICODE)
            return Text8Prop(tag, Narrow(value.text));
        return ErrorProp(tag, MAPI_E_NOT_FOUND);
    }

public:
    // The Windows ANSI code page, as MAPI converts texts.
    static std::wstring Widen(const std::string& text)
    {
        int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
        std::wstring wide(static_cast<size_t>(n), L'\0');
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &wide[0], n);
        return wide;
    }
    static std::string Narrow(const std::wstring& text)
    {
        int n =
            WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
        std::string narrow(static_cast<size_t>(n), '\0');
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &narrow[0], n, nullptr, nullptr);
        return narrow;
    }

private:
    ULONG m_refs = 1;
    std::vector<PropValue> m_props;
    std::map<ULONG, std::function<IStream*()>> m_streams;
    std::map<ULONG, bool> m_streamOnly;
    std::shared_ptr<NameRegistry> m_names;
    MapiScript m_script;
};

} // namespace doubles
