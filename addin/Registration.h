// Self-registration of the server: the class keys of its two classes, the
// Office "Addins" keys of the add-in and the global settings, all chosen by
// setup.ini in the current folder.
#pragma once

#include <windows.h>

// DllRegisterServer and DllUnregisterServer.
HRESULT RegisterServer();
HRESULT UnregisterServer();

// Writes the host's "Addins" key of the ProgID under HKEY_LOCAL_MACHINE;
// E_ACCESSDENIED after its own message when a value cannot be written.
HRESULT RegisterCOMAddin(const wchar_t* host, const wchar_t* progId, const wchar_t* friendlyName,
                         DWORD loadBehavior);
void UnregisterCOMAddin(const wchar_t* host, const wchar_t* progId);
