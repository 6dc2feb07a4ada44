// Extended MAPI as the capture uses it: the nine MAPI32 functions, imported
// at run time by ordinal from "mapi32.dll" into one table of function
// pointers, and owners for what MAPI hands out.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <mapix.h>
#include <mapiutil.h>
#include <imessage.h>
#include <comdef.h>

// MAPI32 exports these under decorated names only in some builds: the
// ordinals are what every mapi32.dll shares.
enum MapiOrdinal : WORD {
    ORDINAL_MAPIAllocateBuffer = 13,
    ORDINAL_MAPIAllocateMore = 15,
    ORDINAL_MAPIFreeBuffer = 17,
    ORDINAL_HexFromBin = 45,
    ORDINAL_MAPIGetDefaultMalloc = 59,
    ORDINAL_OpenStreamOnFile = 147,
    ORDINAL_OpenIMsgSession = 196,
    ORDINAL_CloseIMsgSession = 197,
    ORDINAL_OpenIMsgOnIStg = 198,
};

struct MapiFunctions {
    LPMALLOC(WINAPI* MAPIGetDefaultMalloc)();
    SCODE(WINAPI* OpenIMsgSession)(LPMALLOC malloc, ULONG flags, LPMSGSESS* session);
    SCODE(WINAPI* OpenIMsgOnIStg)
    (LPMSGSESS session, LPALLOCATEBUFFER allocateBuffer, LPALLOCATEMORE allocateMore, LPFREEBUFFER freeBuffer,
     LPMALLOC malloc, LPVOID mapiSupport, LPSTORAGE storage, MSGCALLRELEASE* release, ULONG callerData, ULONG flags,
     LPMESSAGE* message);
    void(WINAPI* CloseIMsgSession)(LPMSGSESS session);
    LPALLOCATEBUFFER MAPIAllocateBuffer;
    LPALLOCATEMORE MAPIAllocateMore;
    LPFREEBUFFER MAPIFreeBuffer;
    // MAPI's one implementation of these two takes 8-bit texts.
    HRESULT(WINAPI* OpenStreamOnFile)
    (LPALLOCATEBUFFER allocateBuffer, LPFREEBUFFER freeBuffer, ULONG flags, LPSTR fileName, LPSTR prefix,
     LPSTREAM* stream);
    void(WINAPI* HexFromBin)(LPBYTE bytes, int count, LPSTR text);
};

// The table, filled from mapi32.dll on first use and kept. Null when the
// module or one of its entries is missing: that is logged, and *result (may
// be null) receives the reason.
const MapiFunctions* GetMapiFunctions(HRESULT* result = nullptr);

// Fills table from the named module by ordinal; the module stays loaded in
// *module on success. Used by GetMapiFunctions with "mapi32.dll".
HRESULT LoadMapiFunctions(const wchar_t* moduleName, MapiFunctions* table, HMODULE* module);

// Puts another table in place of the loaded one (null: back to loading
// mapi32.dll) and returns the one before. For tests that run the capture
// in-process against MAPI doubles.
const MapiFunctions* ReplaceMapiFunctions(const MapiFunctions* table);

// A buffer from MAPIAllocateBuffer (or handed out by a MAPI object), freed
// with the table's MAPIFreeBuffer on every path.
template <typename T>
class CMapiBuffer
{
public:
    explicit CMapiBuffer(const MapiFunctions* mapi) noexcept : m_mapi(mapi), m_p(nullptr) {}
    ~CMapiBuffer() { Free(); }
    CMapiBuffer(const CMapiBuffer&) = delete;
    CMapiBuffer& operator=(const CMapiBuffer&) = delete;

    T* Get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    T** Receive() noexcept
    {
        Free();
        return &m_p;
    }
    void Free() noexcept
    {
        if (m_p)
            m_mapi->MAPIFreeBuffer(m_p);
        m_p = nullptr;
    }

private:
    const MapiFunctions* m_mapi;
    T* m_p;
};

// A row set from IMAPITable::QueryRows: each row's values and the set itself
// are separate MAPI buffers.
class CMapiRowSet
{
public:
    explicit CMapiRowSet(const MapiFunctions* mapi) noexcept : m_mapi(mapi), m_rows(nullptr) {}
    ~CMapiRowSet() { Free(); }
    CMapiRowSet(const CMapiRowSet&) = delete;
    CMapiRowSet& operator=(const CMapiRowSet&) = delete;

    LPSRowSet Get() const noexcept { return m_rows; }
    LPSRowSet operator->() const noexcept { return m_rows; }
    LPSRowSet* Receive() noexcept
    {
        Free();
        return &m_rows;
    }
    void Free() noexcept;

private:
    const MapiFunctions* m_mapi;
    LPSRowSet m_rows;
};

// MAPI interfaces in smart pointers.
typedef _com_ptr_t<_com_IIID<IMAPIProp, &IID_IMAPIProp>> CMapiPropPtr;
typedef _com_ptr_t<_com_IIID<IMessage, &IID_IMessage>> CMessagePtr;
typedef _com_ptr_t<_com_IIID<IMAPITable, &IID_IMAPITable>> CMapiTablePtr;
typedef _com_ptr_t<_com_IIID<IMAPISession, &IID_IMAPISession>> CMapiSessionPtr;
typedef _com_ptr_t<_com_IIID<IAddrBook, &IID_IAddrBook>> CAddrBookPtr;
typedef _com_ptr_t<_com_IIID<IAttach, &IID_IAttachment>> CAttachPtr;

// A tag that MinGW's headers do not name.
const ULONG TAG_SMTP_ADDRESS_W = 0x39FE001F;
