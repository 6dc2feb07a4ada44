#include "RegisteredKeys.h"

#include "ConnectorIds.h"
#include "RegistryFixture.h"

const wchar_t* const OFFICE_HOSTS[4] = {L"Excel", L"PowerPoint", L"Word", L"Outlook"};

bool KeyExistsInView(HKEY root, const std::wstring& key, RegView view)
{
    REGSAM other = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    REGSAM sam = KEY_READ | (view == RegView::Other ? other : 0);
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, sam, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

std::wstring ClassIdText(REFCLSID clsid)
{
    wchar_t text[40];
    StringFromGUID2(clsid, text, 40);
    return text;
}

std::wstring ClassKey(REFCLSID clsid)
{
    return L"CLSID\\" + ClassIdText(clsid);
}

std::wstring AddinKey(const std::wstring& host)
{
    return L"Software\\Microsoft\\Office\\" + host + L"\\Addins\\" PROGID_MARVIKADDIN;
}

void RemoveRegistration()
{
    RegistryFixture::DeleteTree(HKEY_CLASSES_ROOT, ClassKey(CLSID_MarvikAddin));
    RegistryFixture::DeleteTree(HKEY_CLASSES_ROOT, ClassKey(CLSID_KQConnectorCOM));
    RegistryFixture::DeleteTree(HKEY_CLASSES_ROOT, PROGID_MARVIKADDIN);
    RegistryFixture::DeleteTree(HKEY_CLASSES_ROOT, PROGID_KQCONNECTORCOM);
    for (const wchar_t* host : OFFICE_HOSTS)
        RegistryFixture::DeleteTree(HKEY_LOCAL_MACHINE, AddinKey(host));
    RegistryFixture::DeleteAllSettings();
}
