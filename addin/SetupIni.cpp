#include "SetupIni.h"

#include "WideFormat.h"

#include <cwchar>
#include <string>

namespace {

// Lines are read in pieces of this many characters and joined again.
const int SETUP_PIECE_CHARS = 4094;

struct HostKey {
    const wchar_t* key;
    const wchar_t* name;
};

const HostKey g_hostKeys[OFFICE_HOST_COUNT] = {
    {L"MSExcel", L"Excel"},
    {L"MSPowerPoint", L"PowerPoint"},
    {L"MSWord", L"Word"},
    {L"MSOutlook", L"Outlook"},
};

bool IsYes(const wchar_t* value)
{
    return _wcsicmp(value, L"yes") == 0;
}

} // namespace

const wchar_t* GetOfficeHostName(OfficeHost host)
{
    return host >= 0 && host < OFFICE_HOST_COUNT ? g_hostKeys[host].name : L"";
}

bool SetupChoices::AnyHost() const
{
    for (bool chosen : hosts)
        if (chosen)
            return true;
    return false;
}

void ApplySetupLine(const wchar_t* line, CKQCSettings& settings, SetupChoices& choices, int& paramCount)
{
    const wchar_t* equals = wcschr(line, L'=');
    if (!equals)
        return;
    // No blanks are trimmed: " MSWord" is no host key.
    std::wstring key(line, static_cast<size_t>(equals - line));
    const wchar_t* value = equals + 1;

    for (int host = 0; host < OFFICE_HOST_COUNT; ++host) {
        if (_wcsicmp(key.c_str(), g_hostKeys[host].key) == 0) {
            if (IsYes(value))
                choices.hosts[host] = true;
            return;
        }
    }
    if (_wcsicmp(key.c_str(), L"COM") == 0) {
        if (IsYes(value))
            choices.connector = true;
        return;
    }

    for (const SettingDef* def = SettingDefs; def->name; ++def) {
        if (_wcsicmp(key.c_str(), def->name) != 0)
            continue;
        switch (def->type) {
        case SETTING_STRING:
            settings.SetValue(def->name, new CSettingValue(value, SETTING_STRING));
            break;
        case SETTING_BOOL:
            settings.SetValue(def->name, new CSettingValue(IsYes(value)));
            break;
        case SETTING_DWORD:
            settings.SetValue(def->name, new CSettingValue(static_cast<DWORD>(wcstoul(value, nullptr, 10))));
            break;
        case SETTING_PARAM: {
            wchar_t name[64];
            FormatText(name, _countof(name), L"%s%d", def->name, ++paramCount);
            settings.SetValue(name, new CSettingValue(value, SETTING_PARAM));
            break;
        }
        default:
            break;
        }
        return;
    }
}

void ReadSetupFile(FILE* file, CKQCSettings& settings, SetupChoices& choices)
{
    int paramCount = 0;
    wchar_t piece[SETUP_PIECE_CHARS + 1];
    // A piece without its line end is only the start of a line: the tail of
    // a long comment must not count as a line of its own.
    std::wstring line;
    auto apply = [&] {
        line.resize(wcscspn(line.c_str(), L"\r\n"));
        ApplySetupLine(line.c_str(), settings, choices, paramCount);
        line.clear();
    };
    while (fgetws(piece, SETUP_PIECE_CHARS + 1, file)) {
        line += piece;
        if (!line.empty() && line.back() == L'\n')
            apply();
    }
    if (!line.empty())
        apply();
}
