#include "DropletOptions.h"

#include <cwchar>
#include <memory>

const wchar_t DEFAULT_DROPLET_TITLE[] = L"marvik dovrane droplet";
const wchar_t DEFAULT_VALUE_PREFIX[] = L"Corvelle";

DropletOptions g_DropletOptions;

namespace {

// The lines of a section as GetPrivateProfileSectionW returns them.
std::vector<std::wstring> ReadSectionLines(const std::wstring& iniPath, const wchar_t* section)
{
    std::unique_ptr<wchar_t[]> buffer(new wchar_t[INI_SECTION_CHARS]);
    buffer[0] = buffer[1] = L'\0';
    DWORD length = ::GetPrivateProfileSectionW(section, buffer.get(), INI_SECTION_CHARS, iniPath.c_str());
    std::vector<std::wstring> lines;
    for (const wchar_t* line = buffer.get(); line < buffer.get() + length && *line; line += wcslen(line) + 1)
        lines.emplace_back(line);
    return lines;
}

int ReadFlag(const std::wstring& iniPath, const wchar_t* section, const wchar_t* key)
{
    wchar_t text[64];
    ::GetPrivateProfileStringW(section, key, L"1", text, _countof(text), iniPath.c_str());
    return _wtoi(text) != 0 ? 1 : 0;
}

// "*", "*." and "*.*" stand for every file.
bool IsAllFilesLine(const std::wstring& line)
{
    return line.size() <= 3 && _wcsnicmp(line.c_str(), L"*.*", line.size()) == 0;
}

} // namespace

std::wstring ReadFirstSectionLine(const std::wstring& iniPath, const wchar_t* section)
{
    std::vector<std::wstring> lines = ReadSectionLines(iniPath, section);
    return lines.empty() ? std::wstring() : lines.front();
}

bool LoadDropletOptions(const std::wstring& folder, DropletOptions* options)
{
    options->folder = folder;
    options->iniPath = folder + L"Corvelle.ini";
    options->uploadIni = folder + L"upload.ini";

    std::wstring picture = ReadFirstSectionLine(options->iniPath, L"Icon");
    options->picturePath = picture.empty() ? std::wstring() : folder + picture;

    WalkRules& rules = options->rules;
    rules.acceptAll = 0;
    rules.extensions.clear();
    std::vector<std::wstring> types = ReadSectionLines(options->iniPath, L"Mimetype");
    if (types.empty())
        rules.acceptAll = 1;
    for (const std::wstring& line : types) {
        if (IsAllFilesLine(line))
            rules.acceptAll = 1;
        else
            rules.extensions.push_back(line);
    }

    options->silent = ReadFlag(options->iniPath, L"Multiupload", L"silent");
    options->fileQuestion = ReadFlag(options->iniPath, L"Multiupload", L"filequestion");
    options->showTray = ReadFlag(options->iniPath, L"Tray", L"showtray");
    options->showTaskbar = ReadFlag(options->iniPath, L"Tray", L"showtaskbar");
    options->forceProgress = ReadFlag(options->iniPath, L"Multiupload", L"forceprogress");

    std::wstring name = ReadFirstSectionLine(options->iniPath, L"Anwendungsname");
    if (name.empty()) {
        options->title = DEFAULT_DROPLET_TITLE;
        options->valuePrefix = DEFAULT_VALUE_PREFIX;
    } else {
        options->title = name.substr(0, DROPLET_TITLE_CHARS - 1);
        options->valuePrefix = name;
    }
    return !picture.empty();
}
