#include "FakeMapiTable.h"

namespace doubles {

FakeMapiTable* FakeMapiTable::Create(std::vector<std::vector<PropValue>> rows)
{
    return new FakeMapiTable(std::move(rows));
}

STDMETHODIMP FakeMapiTable::QueryInterface(REFIID iid, LPVOID* ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kIID_IMAPITable)) {
        *ppv = static_cast<IMAPITable*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) FakeMapiTable::AddRef()
{
    return ++m_refs;
}

STDMETHODIMP_(ULONG) FakeMapiTable::Release()
{
    ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

STDMETHODIMP FakeMapiTable::GetLastError(HRESULT, ULONG, LPMAPIERROR* error)
{
    if (error)
        *error = nullptr;
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiTable::Advise(ULONG, LPMAPIADVISESINK, ULONG* connection)
{
    if (connection)
        *connection = 0;
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiTable::Unadvise(ULONG)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiTable::GetStatus(ULONG* status, ULONG* type)
{
    if (status)
        *status = TBLSTAT_COMPLETE;
    if (type)
        *type = TBLTYPE_SNAPSHOT;
    return S_OK;
}

STDMETHODIMP FakeMapiTable::SetColumns(LPSPropTagArray, ULONG)
{
    return m_script.Enter("SetColumns");
}

STDMETHODIMP FakeMapiTable::QueryColumns(ULONG, LPSPropTagArray* tags)
{
    if (tags)
        *tags = nullptr;
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiTable::GetRowCount(ULONG, ULONG* count)
{
    if (!count)
        return MAPI_E_INVALID_PARAMETER;
    *count = static_cast<ULONG>(m_rows.size());
    return S_OK;
}

STDMETHODIMP FakeMapiTable::SeekRow(BOOKMARK origin, LONG rows, LONG* sought)
{
    LONG base = origin == BOOKMARK_BEGINNING ? 0
                : origin == BOOKMARK_CURRENT ? static_cast<LONG>(m_cursor)
                : origin == BOOKMARK_END     ? static_cast<LONG>(m_rows.size())
                                             : -1;
    if (base < 0)
        return MAPI_E_INVALID_BOOKMARK;
    LONG target = base + rows;
    if (target < 0)
        target = 0;
    if (target > static_cast<LONG>(m_rows.size()))
        target = static_cast<LONG>(m_rows.size());
    if (sought)
        *sought = target - base;
    m_cursor = static_cast<size_t>(target);
    return S_OK;
}

STDMETHODIMP FakeMapiTable::SeekRowApprox(ULONG, ULONG)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiTable::QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator)
{
    if (row)
        *row = static_cast<ULONG>(m_cursor);
    if (numerator)
        *numerator = static_cast<ULONG>(m_cursor);
    if (denominator)
        *denominator = static_cast<ULONG>(m_rows.size());
    return S_OK;
}

STDMETHODIMP FakeMapiTable::FindRow(LPSRestriction, BOOKMARK, ULONG)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiTable::Restrict(LPSRestriction, ULONG)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiTable::CreateBookmark(BOOKMARK* position)
{
    if (position)
        *position = 0;
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiTable::FreeBookmark(BOOKMARK)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiTable::SortTable(LPSSortOrderSet, ULONG)
{
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiTable::QuerySortOrder(LPSSortOrderSet* order)
{
    if (order)
        *order = nullptr;
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiTable::QueryRows(LONG count, ULONG, LPSRowSet* rows)
{
    if (!rows)
        return MAPI_E_INVALID_PARAMETER;
    *rows = nullptr;
    HRESULT hr = m_script.Enter("QueryRows");
    if (FAILED(hr))
        return hr;
    if (count < 0)
        return MAPI_E_NO_SUPPORT;
    size_t n = m_rows.size() - m_cursor;
    if (n > static_cast<size_t>(count))
        n = static_cast<size_t>(count);
    const MapiAllocator& allocator = DoublesAllocator();
    void* memory = nullptr;
    SCODE sc = allocator.allocateBuffer(CbNewSRowSet(n), &memory);
    if (FAILED(sc))
        return sc;
    LPSRowSet set = static_cast<LPSRowSet>(memory);
    set->cRows = 0;
    for (size_t i = 0; i < n; ++i) {
        const std::vector<PropValue>& row = m_rows[m_cursor + i];
        LPSPropValue values = nullptr;
        sc = AllocatePropArray(row, &values);
        if (FAILED(sc)) {
            for (ULONG k = 0; k < set->cRows; ++k)
                allocator.freeBuffer(set->aRow[k].lpProps);
            allocator.freeBuffer(set);
            return sc;
        }
        set->aRow[i].ulAdrEntryPad = 0;
        set->aRow[i].cValues = static_cast<ULONG>(row.size());
        set->aRow[i].lpProps = values;
        set->cRows = static_cast<ULONG>(i + 1);
    }
    m_cursor += n;
    *rows = set;
    return S_OK;
}

STDMETHODIMP FakeMapiTable::Abort()
{
    return S_OK;
}

STDMETHODIMP FakeMapiTable::ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet* rows, ULONG* more)
{
    if (rows)
        *rows = nullptr;
    if (more)
        *more = 0;
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiTable::CollapseRow(ULONG, LPBYTE, ULONG, ULONG* count)
{
    if (count)
        *count = 0;
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiTable::WaitForCompletion(ULONG, ULONG, ULONG* status)
{
    if (status)
        *status = TBLSTAT_COMPLETE;
    return S_OK;
}

STDMETHODIMP FakeMapiTable::GetCollapseState(ULONG, ULONG, LPBYTE, ULONG* cb, LPBYTE* state)
{
    if (cb)
        *cb = 0;
    if (state)
        *state = nullptr;
    return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP FakeMapiTable::SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK* location)
{
    if (location)
        *location = 0;
    return MAPI_E_NO_SUPPORT;
}

} // namespace doubles
