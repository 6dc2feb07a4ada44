// What registration writes, read back in this program's registry view or
// in the other one, and removed again after a test.
#pragma once

#include <windows.h>

#include <string>

enum class RegView { Own, Other };

bool KeyExistsInView(HKEY root, const std::wstring& key, RegView view);

// "{...}" of a class id.
std::wstring ClassIdText(REFCLSID clsid);
std::wstring ClassKey(REFCLSID clsid);
std::wstring AddinKey(const std::wstring& host);

extern const wchar_t* const OFFICE_HOSTS[4];

// Removes the class, ProgID, "Addins" and settings keys in this view.
void RemoveRegistration();
