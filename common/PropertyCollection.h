// The properties of one document, from the code that collects them to the
// hand-off writer: an ordered map from name to typed text.
#pragma once

#include "CodeUnitOrder.h"

#include <map>

class CPropertyValue
{
public:
    CPropertyValue(const wchar_t* value, int type);

    const _bstr_t& GetValue() const { return m_value; }
    int GetType() const { return m_type; }

private:
    _bstr_t m_value;
    int m_type;
};

class CPropertyCollection
{
public:
    using Map = std::map<_bstr_t, CPropertyValue*, CodeUnitLess>;

    CPropertyCollection() = default;
    ~CPropertyCollection();

    CPropertyCollection(const CPropertyCollection&) = delete;
    CPropertyCollection& operator=(const CPropertyCollection&) = delete;

    // Returns the number of entries after the call, 0 when ignored (null or
    // empty name, null value).
    size_t Add(const wchar_t* name, const wchar_t* value, int type);
    const wchar_t* GetValue(const wchar_t* name) const;
    int GetType(const wchar_t* name) const;
    void Remove(const wchar_t* name);
    void Clear();

    size_t Count() const { return m_entries.size(); }
    Map::const_iterator begin() const { return m_entries.begin(); }
    Map::const_iterator end() const { return m_entries.end(); }

private:
    const CPropertyValue* Find(const wchar_t* name) const;

    Map m_entries;
};
