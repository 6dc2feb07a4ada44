// A double's class registered in the test's own process for the life of the
// object: its class object through CoRegisterClassObject, and, when a ProgID
// is given, the ProgID's key under HKEY_CLASSES_ROOT naming the class id, as
// the class's setup writes it (CLSIDFromProgID reads that key only). Both
// are taken back on destruction.
#pragma once

#include <windows.h>

#include <string>

namespace doubles {

class ClassRegistration
{
public:
    // context and flags go to CoRegisterClassObject. A null class object
    // writes the ProgID only: a ProgID that names a class no one serves. A
    // ProgID that cannot be written registers no class object either.
    ClassRegistration(REFCLSID clsid, IUnknown* classObject, DWORD context, DWORD flags,
                      const wchar_t* progId = nullptr);
    ~ClassRegistration();
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;

    // The class object is registered.
    bool Registered() const { return m_cookie != 0; }

private:
    DWORD m_cookie = 0;
    // The ProgID whose key this registration wrote (or tried to).
    std::wstring m_progId;
};

} // namespace doubles
