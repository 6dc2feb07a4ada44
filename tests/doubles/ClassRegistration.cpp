#include "ClassRegistration.h"

#include <objbase.h>

namespace doubles {

namespace {

bool WriteProgId(const wchar_t* progId, REFCLSID clsid)
{
    wchar_t clsidText[64];
    StringFromGUID2(clsid, clsidText, 64);
    HKEY key = nullptr;
    std::wstring path = std::wstring(progId) + L"\\CLSID";
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG written = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(clsidText),
                                  static_cast<DWORD>((wcslen(clsidText) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return written == ERROR_SUCCESS;
}

} // namespace

ClassRegistration::ClassRegistration(REFCLSID clsid, IUnknown* classObject, DWORD context, DWORD flags,
                                     const wchar_t* progId)
{
    if (progId) {
        m_progId = progId;
        if (!WriteProgId(progId, clsid))
            return;
    }
    if (classObject && FAILED(CoRegisterClassObject(clsid, classObject, context, flags, &m_cookie)))
        m_cookie = 0;
}

ClassRegistration::~ClassRegistration()
{
    if (m_cookie)
        CoRevokeClassObject(m_cookie);
    if (!m_progId.empty())
        RegDeleteTreeW(HKEY_CLASSES_ROOT, m_progId.c_str());
}

} // namespace doubles
