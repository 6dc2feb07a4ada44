// Owners for the Windows handles and keys of the system: each closes its
// handle once, on every path, and cannot be copied.
#pragma once

#include <windows.h>
#include <cstdio>
#include <utility>

template <typename Traits>
class CScopedHandle
{
public:
    using handle_type = typename Traits::handle_type;

    CScopedHandle() noexcept : m_h(Traits::invalid()) {}
    explicit CScopedHandle(handle_type h) noexcept : m_h(h) {}
    ~CScopedHandle() { Close(); }

    CScopedHandle(const CScopedHandle&) = delete;
    CScopedHandle& operator=(const CScopedHandle&) = delete;
    CScopedHandle(CScopedHandle&& other) noexcept : m_h(other.Detach()) {}
    CScopedHandle& operator=(CScopedHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }

    bool IsValid() const noexcept { return m_h != Traits::invalid(); }
    explicit operator bool() const noexcept { return IsValid(); }
    handle_type Get() const noexcept { return m_h; }
    operator handle_type() const noexcept { return m_h; }

    // For functions that return the handle through an out parameter.
    handle_type* Receive() noexcept
    {
        Close();
        return &m_h;
    }

    void Reset(handle_type h = Traits::invalid()) noexcept
    {
        Close();
        m_h = h;
    }

    handle_type Detach() noexcept
    {
        handle_type h = m_h;
        m_h = Traits::invalid();
        return h;
    }

    void Close() noexcept
    {
        if (IsValid()) {
            Traits::close(m_h);
            m_h = Traits::invalid();
        }
    }

private:
    handle_type m_h;
};

struct FileHandleTraits {
    using handle_type = HANDLE;
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};

// Kernel objects whose failure value is null (processes, events).
struct KernelHandleTraits {
    using handle_type = HANDLE;
    static HANDLE invalid() noexcept { return nullptr; }
    static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};

struct RegKeyTraits {
    using handle_type = HKEY;
    static HKEY invalid() noexcept { return nullptr; }
    static void close(HKEY h) noexcept { ::RegCloseKey(h); }
};

struct FindHandleTraits {
    using handle_type = HANDLE;
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { ::FindClose(h); }
};

struct GlobalMemTraits {
    using handle_type = HGLOBAL;
    static HGLOBAL invalid() noexcept { return nullptr; }
    static void close(HGLOBAL h) noexcept { ::GlobalFree(h); }
};

struct GdiObjectTraits {
    using handle_type = HGDIOBJ;
    static HGDIOBJ invalid() noexcept { return nullptr; }
    static void close(HGDIOBJ h) noexcept { ::DeleteObject(h); }
};

struct MemoryDCTraits {
    using handle_type = HDC;
    static HDC invalid() noexcept { return nullptr; }
    static void close(HDC h) noexcept { ::DeleteDC(h); }
};

// A stream of the C runtime (fopen, _wfopen).
struct StdioFileTraits {
    using handle_type = FILE*;
    static FILE* invalid() noexcept { return nullptr; }
    static void close(FILE* f) noexcept { fclose(f); }
};

using CFileHandle   = CScopedHandle<FileHandleTraits>;
using CKernelHandle = CScopedHandle<KernelHandleTraits>;
using CRegKey       = CScopedHandle<RegKeyTraits>;
using CFindHandle   = CScopedHandle<FindHandleTraits>;
using CGlobalMem    = CScopedHandle<GlobalMemTraits>;
using CGdiObject    = CScopedHandle<GdiObjectTraits>;
using CMemoryDC     = CScopedHandle<MemoryDCTraits>;
using CStdioFile    = CScopedHandle<StdioFileTraits>;

// A window's device context, released to its window.
class CWindowDC
{
public:
    explicit CWindowDC(HWND hwnd) noexcept : m_hwnd(hwnd), m_hdc(::GetDC(hwnd)) {}
    ~CWindowDC()
    {
        if (m_hdc)
            ::ReleaseDC(m_hwnd, m_hdc);
    }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    HDC Get() const noexcept { return m_hdc; }
    operator HDC() const noexcept { return m_hdc; }

private:
    HWND m_hwnd;
    HDC m_hdc;
};

// A locked global memory block, unlocked on every path.
template <typename T>
class CGlobalLock
{
public:
    explicit CGlobalLock(HGLOBAL h) noexcept : m_h(h), m_p(h ? static_cast<T*>(::GlobalLock(h)) : nullptr) {}
    ~CGlobalLock()
    {
        if (m_p)
            ::GlobalUnlock(m_h);
    }
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;
    T* Get() const noexcept { return m_p; }
    SIZE_T Size() const noexcept { return m_p ? ::GlobalSize(m_h) : 0; }

private:
    HGLOBAL m_h;
    T* m_p;
};
