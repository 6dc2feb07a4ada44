// A small late-bound driver for the host's automation objects ("AcroExch.App"
// and the documents it hands out), called by dispatch id as the host's
// automation interface numbers its members.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

// Holds one IDispatch: created by ProgID, or attached to a returned one,
// which it then owns.
class CIacDispatchDriver
{
public:
    CIacDispatchDriver() = default;
    ~CIacDispatchDriver() { ReleaseDispatch(); }
    CIacDispatchDriver(const CIacDispatchDriver&) = delete;
    CIacDispatchDriver& operator=(const CIacDispatchDriver&) = delete;

    HRESULT CreateDispatch(const wchar_t* progId);
    void AttachDispatch(IDispatch* dispatch);
    void ReleaseDispatch();
    IDispatch* Get() const { return m_dispatch; }

protected:
    // A method call with args in call order; the result is converted to
    // resultType (VT_EMPTY: left as it came).
    HRESULT InvokeMethod(DISPID id, VARIANT* args, UINT count, VARTYPE resultType, VARIANT* result) const;
    // A method whose result is an object: the object, owned by the caller,
    // or NULL.
    IDispatch* InvokeForObject(DISPID id) const;
    std::string InvokeForText(DISPID id, VARIANT* args, UINT count) const;
    std::wstring InvokeForWideText(DISPID id, VARIANT* args, UINT count) const;

private:
    IDispatch* m_dispatch = nullptr;
};

class CIacApp : public CIacDispatchDriver
{
public:
    long GetNumAVDocs() const;
    IDispatch* GetActiveDoc() const;
};

class CIacAVDoc : public CIacDispatchDriver
{
public:
    IDispatch* GetPDDoc() const;
};

class CIacPDDoc : public CIacDispatchDriver
{
public:
    IDispatch* GetJSObject() const;
    // The host's answer converted to a number (0: not saved).
    long Save(short type, const std::string& path) const;
    std::string GetFileName() const;
    std::wstring GetInfo(const wchar_t* key) const;
};

// Reads a member of `dispatch` by name: GetIDsOfNames, then Invoke as method
// and property get without arguments. E_POINTER for a NULL dispatch.
HRESULT InvokeGetProperty(IDispatch* dispatch, const wchar_t* name, VARIANT* result);
