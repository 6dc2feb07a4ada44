// A MAPI table (recipients, attachments) as IMAPITable documents it:
// QueryRows hands out the next rows in a row set whose rows' value arrays
// are MAPI buffers of their own, and an empty set at the end.
#pragma once

#include "FakeMapiProp.h"

namespace doubles {

class FakeMapiTable : public IMAPITable, public FakeObjectCounted
{
public:
    // A table with one reference; a row's columns in their order.
    static FakeMapiTable* Create(std::vector<std::vector<PropValue>> rows);
    MapiScript& Script() { return m_script; }

    STDMETHODIMP QueryInterface(REFIID iid, LPVOID* ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR* error) override;
    STDMETHODIMP Advise(ULONG, LPMAPIADVISESINK, ULONG* connection) override;
    STDMETHODIMP Unadvise(ULONG) override;
    STDMETHODIMP GetStatus(ULONG* status, ULONG* type) override;
    STDMETHODIMP SetColumns(LPSPropTagArray tags, ULONG flags) override;
    STDMETHODIMP QueryColumns(ULONG flags, LPSPropTagArray* tags) override;
    STDMETHODIMP GetRowCount(ULONG flags, ULONG* count) override;
    STDMETHODIMP SeekRow(BOOKMARK origin, LONG rows, LONG* sought) override;
    STDMETHODIMP SeekRowApprox(ULONG numerator, ULONG denominator) override;
    STDMETHODIMP QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator) override;
    STDMETHODIMP FindRow(LPSRestriction, BOOKMARK, ULONG) override;
    STDMETHODIMP Restrict(LPSRestriction, ULONG) override;
    STDMETHODIMP CreateBookmark(BOOKMARK* position) override;
    STDMETHODIMP FreeBookmark(BOOKMARK) override;
    STDMETHODIMP SortTable(LPSSortOrderSet, ULONG) override;
    STDMETHODIMP QuerySortOrder(LPSSortOrderSet* order) override;
    STDMETHODIMP QueryRows(LONG count, ULONG flags, LPSRowSet* rows) override;
    STDMETHODIMP Abort() override;
    STDMETHODIMP ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet* rows, ULONG* more) override;
    STDMETHODIMP CollapseRow(ULONG, LPBYTE, ULONG, ULONG* count) override;
    STDMETHODIMP WaitForCompletion(ULONG, ULONG, ULONG* status) override;
    STDMETHODIMP GetCollapseState(ULONG, ULONG, LPBYTE, ULONG* cb, LPBYTE* state) override;
    STDMETHODIMP SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK* location) override;

private:
    explicit FakeMapiTable(std::vector<std::vector<PropValue>> rows) : m_rows(std::move(rows)) {}
    ~FakeMapiTable() override = default;

    ULONG m_refs = 1;
    std::vector<std::vector<PropValue>> m_rows;
    size_t m_cursor = 0;
    MapiScript m_script;
};

} // namespace doubles
