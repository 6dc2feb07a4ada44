#include "PropertyCollection.h"

#include "LogFile.h"

#include <memory>

CPropertyValue::CPropertyValue(const wchar_t* value, int type)
    : m_value(value ? value : L""), m_type(type)
{
}

CPropertyCollection::~CPropertyCollection()
{
    for (auto& entry : m_entries)
        delete entry.second;
}

size_t CPropertyCollection::Add(const wchar_t* name, const wchar_t* value, int type)
{
    if (!name || !*name || !value)
        return 0;
    std::unique_ptr<CPropertyValue> record(new CPropertyValue(value, type));
    _bstr_t key(name);
    auto it = m_entries.find(key);
    if (it != m_entries.end()) {
        delete it->second;
        it->second = record.release();
    } else {
        m_entries.emplace(key, record.get());
        record.release();
    }
    return m_entries.size();
}

const CPropertyValue* CPropertyCollection::Find(const wchar_t* name) const
{
    if (!name)
        return nullptr;
    auto it = m_entries.find(_bstr_t(name));
    return it == m_entries.end() ? nullptr : it->second;
}

const wchar_t* CPropertyCollection::GetValue(const wchar_t* name) const
{
    const CPropertyValue* record = Find(name);
    return record ? static_cast<const wchar_t*>(record->GetValue()) : nullptr;
}

int CPropertyCollection::GetType(const wchar_t* name) const
{
    const CPropertyValue* record = Find(name);
    return record ? record->GetType() : 0;
}

void CPropertyCollection::Remove(const wchar_t* name)
{
    if (!name)
        return;
    auto it = m_entries.find(_bstr_t(name));
    if (it == m_entries.end())
        return;
    delete it->second;
    m_entries.erase(it);
}

void CPropertyCollection::Clear()
{
    for (auto& entry : m_entries) {
        g_Log.Info(L"Deleting property %s value %s\n", static_cast<const wchar_t*>(entry.first),
                   static_cast<const wchar_t*>(entry.second->GetValue()));
        delete entry.second;
    }
    m_entries.clear();
}
