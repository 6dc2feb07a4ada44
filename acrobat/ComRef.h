// Owns one reference to a COM interface of this plug-in's own use (MSXML's
// DOM, the connector), released when it goes.
#pragma once

#include <windows.h>
#include <objbase.h>

template <typename T>
class ComRef
{
public:
    ComRef() = default;
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    T* Get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }
    // For out parameters: releases what is held first.
    T** Out()
    {
        Reset();
        return &m_ptr;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    void Reset()
    {
        if (m_ptr) {
            m_ptr->Release();
            m_ptr = nullptr;
        }
    }

private:
    T* m_ptr = nullptr;
};

// COM on this thread for the life of the object; uninitialised only when
// this object's own initialisation succeeded.
class ComInitScope
{
public:
    ComInitScope() : m_hr(CoInitialize(nullptr)) {}
    ~ComInitScope()
    {
        if (SUCCEEDED(m_hr))
            CoUninitialize();
    }
    ComInitScope(const ComInitScope&) = delete;
    ComInitScope& operator=(const ComInitScope&) = delete;

private:
    HRESULT m_hr;
};
