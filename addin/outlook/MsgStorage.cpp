#include "MsgStorage.h"

namespace {

CreateStorageFunction g_creator = nullptr;

} // namespace

HRESULT CreateMsgStorage(const wchar_t* path, DWORD mode, IStorage** storage)
{
    if (g_creator)
        return g_creator(path, mode, storage);
    return StgCreateDocfile(path, mode, 0, storage);
}

CreateStorageFunction ReplaceMsgStorageCreator(CreateStorageFunction creator)
{
    CreateStorageFunction previous = g_creator;
    g_creator = creator;
    return previous;
}
