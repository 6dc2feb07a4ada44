// Demo program: loads the settings from the registry as Brenmark would and
// prints them, logging to its log file on the way.
#include "LogFile.h"
#include "Settings.h"

#include <cstdio>

int wmain()
{
    CKQCSettings settings;
    HRESULT hr = LoadSettings(&settings);
    g_Log.Info(L"LoadSettings returned hr = 0x%08X\n", static_cast<unsigned>(hr));
    wprintf(L"LoadSettings: hr = 0x%08X\n", static_cast<unsigned>(hr));
    for (const auto& entry : settings.GetValues()) {
        const CSettingValue* v = entry.second;
        if (v->IsText())
            wprintf(L"  %-14ls text   %ls\n", static_cast<const wchar_t*>(entry.first), v->GetText());
        else if (v->GetType() == SETTING_NONE)
            wprintf(L"  %-14ls (not set)\n", static_cast<const wchar_t*>(entry.first));
        else
            wprintf(L"  %-14ls number %lu\n", static_cast<const wchar_t*>(entry.first), v->GetNumber());
    }
    wprintf(L"log file: %ls\n", g_Log.GetFileName() ? g_Log.GetFileName() : L"(none)");
    return FAILED(hr) ? 1 : 0;
}
