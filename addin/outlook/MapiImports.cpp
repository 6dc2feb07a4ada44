#include "MapiImports.h"

#include "LogFile.h"

namespace {

const wchar_t MAPI_MODULE[] = L"mapi32.dll";

MapiFunctions g_loaded = {};
bool g_isLoaded = false;
const MapiFunctions* g_replacement = nullptr;

template <typename Fn>
bool Resolve(HMODULE module, WORD ordinal, const wchar_t* name, Fn* slot, const wchar_t* moduleName)
{
    FARPROC entry = GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
    if (!entry) {
        g_Log.Error(L"MAPI function %s (ordinal %u) is missing in %s! error = %u\n", name,
                    static_cast<unsigned>(ordinal), moduleName, static_cast<unsigned>(GetLastError()));
        return false;
    }
    *slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(entry));
    return true;
}

} // namespace

HRESULT LoadMapiFunctions(const wchar_t* moduleName, MapiFunctions* table, HMODULE* module)
{
    if (!moduleName || !table || !module)
        return E_POINTER;
    *module = nullptr;
    HMODULE loaded = LoadLibraryW(moduleName);
    if (!loaded) {
        DWORD error = GetLastError();
        g_Log.Error(L"Can't load %s! error = %u\n", moduleName, static_cast<unsigned>(error));
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    MapiFunctions filled = {};
    bool complete =
        Resolve(loaded, ORDINAL_MAPIGetDefaultMalloc, L"MAPIGetDefaultMalloc", &filled.MAPIGetDefaultMalloc,
                moduleName) &&
        Resolve(loaded, ORDINAL_OpenIMsgSession, L"OpenIMsgSession", &filled.OpenIMsgSession, moduleName) &&
        Resolve(loaded, ORDINAL_OpenIMsgOnIStg, L"OpenIMsgOnIStg", &filled.OpenIMsgOnIStg, moduleName) &&
        Resolve(loaded, ORDINAL_CloseIMsgSession, L"CloseIMsgSession", &filled.CloseIMsgSession, moduleName) &&
        Resolve(loaded, ORDINAL_MAPIAllocateBuffer, L"MAPIAllocateBuffer", &filled.MAPIAllocateBuffer, moduleName) &&
        Resolve(loaded, ORDINAL_MAPIAllocateMore, L"MAPIAllocateMore", &filled.MAPIAllocateMore, moduleName) &&
        Resolve(loaded, ORDINAL_MAPIFreeBuffer, L"MAPIFreeBuffer", &filled.MAPIFreeBuffer, moduleName) &&
        Resolve(loaded, ORDINAL_OpenStreamOnFile, L"OpenStreamOnFile", &filled.OpenStreamOnFile, moduleName) &&
        Resolve(loaded, ORDINAL_HexFromBin, L"HexFromBin", &filled.HexFromBin, moduleName);
    if (!complete) {
        FreeLibrary(loaded);
        return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    }
    *table = filled;
    *module = loaded;
    return S_OK;
}

const MapiFunctions* GetMapiFunctions(HRESULT* result)
{
    HRESULT hr = S_OK;
    const MapiFunctions* table = g_replacement;
    if (!table && !g_isLoaded) {
        HMODULE module = nullptr;
        hr = LoadMapiFunctions(MAPI_MODULE, &g_loaded, &module);
        // The module stays loaded for the life of the process, as the
        // table points into it; a failed load is tried again next time.
        g_isLoaded = SUCCEEDED(hr);
    }
    if (!table && g_isLoaded)
        table = &g_loaded;
    if (result)
        *result = table ? S_OK : hr;
    return table;
}

const MapiFunctions* ReplaceMapiFunctions(const MapiFunctions* table)
{
    const MapiFunctions* previous = g_replacement;
    g_replacement = table;
    return previous;
}

void CMapiRowSet::Free() noexcept
{
    if (!m_rows)
        return;
    for (ULONG i = 0; i < m_rows->cRows; ++i)
        if (m_rows->aRow[i].lpProps)
            m_mapi->MAPIFreeBuffer(m_rows->aRow[i].lpProps);
    m_mapi->MAPIFreeBuffer(m_rows);
    m_rows = nullptr;
}
