// The compound file under a .msg file, made by StgCreateDocfile; tests put
// a storage in its place that can fail its class id or its commit.
#pragma once

#include <windows.h>
#include <objidl.h>

typedef HRESULT (*CreateStorageFunction)(const wchar_t* path, DWORD mode, IStorage** storage);

HRESULT CreateMsgStorage(const wchar_t* path, DWORD mode, IStorage** storage);
// Returns the creator before (null restores StgCreateDocfile).
CreateStorageFunction ReplaceMsgStorageCreator(CreateStorageFunction creator);
