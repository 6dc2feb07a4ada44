// A real compound file (from StgCreateDocfile) behind a storage that can
// refuse SetClass (WriteClassStg) or Commit on cue, as a full disk or a
// vanished file would. Everything else goes to the real storage.
#pragma once

#include "../FakeObjectCount.h"

#include <objidl.h>

namespace doubles {

struct StorageScript {
    HRESULT setClassFailure = S_OK;
    HRESULT commitFailure = S_OK;
    // Which Commit fails, counted over all scripted storages from 1 (0: every one).
    int commitFailureOnCall = 0;
    int commits = 0;
    HRESULT createFailure = S_OK; // the creation itself
};
StorageScript& ScriptedStorages();

// Has the signature of the code's storage creator.
HRESULT CreateScriptedStorage(const wchar_t* path, DWORD mode, IStorage** storage);

} // namespace doubles
