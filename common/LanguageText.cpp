#include "LanguageText.h"

#include "CommonResource.h"
#include "FormatFields.h"
#include "LogFile.h"
#include "OneAtATime.h"
#include "RegistryValue.h"
#include "ScopedHandles.h"
#include "Settings.h"
#include "TextHelpers.h"
#include "WideFormat.h"

#include <shlwapi.h>

#include <cwchar>
#include <memory>
#include <new>

namespace {

const size_t DIR_CHARS = 4096 / sizeof(wchar_t);
const size_t LANGUAGE_CODE_CHARS = 128 / sizeof(wchar_t);
const size_t LANGUAGE_FILE_CHARS = 2048;
const size_t SECTION_NAME_CHARS = 16;
const DWORD SECTION_BUFFER_CHARS = 65536;
// The joined text: at most 2047 characters and the terminating NUL.
const size_t LANGUAGE_TEXT_CHARS = 2048;
const size_t TEXT_CHARS = 1024;
const size_t BOX_TEXT_CHARS = 260;
// wvsprintfW never writes more than 1024 characters and the NUL.
const size_t FORMATTED_CHARS = 1025;

// The language file "<Dir>\lang_<l>.bin"; false when either value is missing.
bool GetLanguageFileName(wchar_t* fileName, size_t cch)
{
    CRegKey global;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SETTINGS_KEY, 0, KEY_READ, global.Receive()) != ERROR_SUCCESS)
        return false;
    wchar_t dir[DIR_CHARS];
    if (!ReadRegText(global, SZ_DIR, dir, DIR_CHARS))
        return false;

    wchar_t userKey[SETTING_TEXT_CHARS + USER_NAME_CHARS];
    wchar_t code[LANGUAGE_CODE_CHARS] = L"";
    bool haveCode = false;
    if (GetUserSettingsKey(userKey, _countof(userKey))) {
        CRegKey user;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, userKey, 0, KEY_READ, user.Receive()) == ERROR_SUCCESS)
            haveCode = ReadRegText(user, SZ_LANGUAGE, code, LANGUAGE_CODE_CHARS);
    }
    if (!haveCode)
        haveCode = ReadRegText(global, SZ_LANGUAGE, code, LANGUAGE_CODE_CHARS);
    if (!haveCode)
        return false;

    // A cut name would read some other file.
    if (wcslen(dir) + wcslen(code) + wcslen(L"\\lang_.bin") >= cch)
        return false;
    FormatText(fileName, cch, L"%s\\lang_%s.bin", dir, code);
    return true;
}

// The text of a string-table entry of the module; false when it has none.
bool LoadModuleText(HINSTANCE module, UINT id, wchar_t* buffer, size_t cch)
{
    buffer[0] = L'\0';
    return LoadStringW(module, id, buffer, static_cast<int>(cch)) > 0;
}

// A translated text that asks for other arguments than the program passes
// would make wvsprintfW read what was never passed: it is used as a format
// only with the fields of the string table's text of the same id. A text
// without fields asks for nothing and is always used.
bool FitsAsFormat(HINSTANCE module, UINT id, const wchar_t* languageText)
{
    std::vector<std::wstring> fields = FormatFieldsOf(languageText);
    if (fields.empty())
        return true;
    wchar_t own[TEXT_CHARS];
    LoadModuleText(module, id, own, TEXT_CHARS);
    if (fields == FormatFieldsOf(own))
        return true;
    g_Log.Warning(L"Language text %d has other format fields than the program's text, the program's text is used\n",
                  static_cast<int>(id));
    return false;
}

// Both texts of a box from the language file or both from the string
// table; false when no box can be shown for want of a text.
bool ChooseBoxTexts(HINSTANCE module, UINT id, UINT captionId, wchar_t (&format)[BOX_TEXT_CHARS],
                    wchar_t (&caption)[BOX_TEXT_CHARS])
{
    if (GetLanguageText(format, BOX_TEXT_CHARS, id) && GetLanguageText(caption, BOX_TEXT_CHARS, captionId) &&
        FitsAsFormat(module, id, format))
        return true;
    return LoadModuleText(module, id, format, BOX_TEXT_CHARS) &&
           LoadModuleText(module, captionId, caption, BOX_TEXT_CHARS);
}

int ShowChosenBox(const wchar_t* format, const wchar_t* caption, UINT style, va_list args)
{
    wchar_t text[FORMATTED_CHARS];
    text[0] = L'\0';
    wvnsprintfW(text, static_cast<int>(FORMATTED_CHARS), format, args);
    // A box shown by a running command is that command's to raise.
    CCommandBoxCapture capture;
    return MessageBoxW(nullptr, text, caption, MB_TOPMOST | style);
}

int ShowChosenBox(const wchar_t* format, const wchar_t* caption, UINT style, ...)
{
    va_list args;
    va_start(args, style);
    int answer = ShowChosenBox(format, caption, style, args);
    va_end(args);
    return answer;
}

// The three boxes share one road: a top-most box without owner. 0 when no
// box could be shown for want of a text.
int ShowTextBox(HINSTANCE module, UINT id, UINT captionId, UINT style, va_list args)
{
    wchar_t format[BOX_TEXT_CHARS];
    wchar_t caption[BOX_TEXT_CHARS];
    if (!ChooseBoxTexts(module, id, captionId, format, caption))
        return 0;
    return ShowChosenBox(format, caption, style, args);
}

} // namespace

int GetLanguageText(wchar_t* buffer, size_t cch, UINT id)
{
    if (!buffer || cch == 0)
        return 0;
    wchar_t fileName[LANGUAGE_FILE_CHARS];
    if (!GetLanguageFileName(fileName, LANGUAGE_FILE_CHARS))
        return 0;
    wchar_t section[SECTION_NAME_CHARS];
    FormatText(section, SECTION_NAME_CHARS, L"%u", id);

    std::unique_ptr<wchar_t[]> lines(new (std::nothrow) wchar_t[SECTION_BUFFER_CHARS]);
    if (!lines)
        return 0;
    DWORD got = GetPrivateProfileSectionW(section, lines.get(), SECTION_BUFFER_CHARS, fileName);
    if (got == 0 || lines[0] == L'\0')
        return 0;

    // Lines come back NUL-separated, ended by an empty one; a section longer
    // than the buffer comes back cut, which the end check below allows for.
    wchar_t text[LANGUAGE_TEXT_CHARS];
    size_t length = 0;
    const wchar_t* end = lines.get() + got;
    for (const wchar_t* line = lines.get(); line < end && *line; line += wcslen(line) + 1) {
        if (line != lines.get())
            length += CopyText(text + length, LANGUAGE_TEXT_CHARS - length, L"\r\n");
        length += CopyText(text + length, LANGUAGE_TEXT_CHARS - length, line);
        if (length + 1 >= LANGUAGE_TEXT_CHARS)
            break;
    }
    text[length] = L'\0';
    CopyText(buffer, cch, text);
    return 1;
}

void LoadText(HINSTANCE module, wchar_t* buffer, size_t cch, UINT id)
{
    if (!buffer || cch == 0)
        return;
    wchar_t text[TEXT_CHARS];
    if (!GetLanguageText(text, TEXT_CHARS, id))
        LoadModuleText(module, id, text, TEXT_CHARS);
    CopyText(buffer, cch, text);
}

int LoadFormattedText(HINSTANCE module, wchar_t* buffer, size_t cch, UINT id, ...)
{
    if (!buffer || cch == 0)
        return 0;
    buffer[0] = L'\0';
    wchar_t format[TEXT_CHARS];
    if (!GetLanguageText(format, TEXT_CHARS, id) || !FitsAsFormat(module, id, format))
        LoadModuleText(module, id, format, TEXT_CHARS);
    if (format[0] == L'\0')
        return 0;
    va_list args;
    va_start(args, id);
    size_t limit = cch < FORMATTED_CHARS ? cch : FORMATTED_CHARS;
    wvnsprintfW(buffer, static_cast<int>(limit), format, args);
    va_end(args);
    buffer[limit - 1] = L'\0';
    return static_cast<int>(wcslen(buffer));
}

void ShowErrorBox(HINSTANCE module, UINT id, ...)
{
    va_list args;
    va_start(args, id);
    ShowTextBox(module, id, IDS_ERROR_CAPTION, MB_ICONERROR, args);
    va_end(args);
}

void ShowNotHandedOff(HINSTANCE module, const std::vector<std::wstring>& names)
{
    wchar_t format[BOX_TEXT_CHARS];
    wchar_t caption[BOX_TEXT_CHARS];
    if (!ChooseBoxTexts(module, IDS_NOT_HANDED_OFF, IDS_ERROR_CAPTION, format, caption))
        return;
    // Measured on the text the box shows; its "%s" gives way to the names.
    size_t fixed = wcslen(format);
    fixed = fixed >= 2 ? fixed - 2 : 0;
    size_t room = fixed < FORMATTED_CHARS - 1 ? FORMATTED_CHARS - 1 - fixed : 0;
    ShowChosenBox(format, caption, MB_ICONERROR, JoinNamesThatFit(names, room).c_str());
}

int AskYesNo(HINSTANCE module, UINT id, ...)
{
    va_list args;
    va_start(args, id);
    int answer = ShowTextBox(module, id, IDS_QUESTION_CAPTION, MB_ICONQUESTION | MB_YESNO, args);
    va_end(args);
    return answer == IDYES ? IDYES : IDNO;
}

int AskYesNoCancel(HINSTANCE module, UINT id, ...)
{
    va_list args;
    va_start(args, id);
    int answer = ShowTextBox(module, id, IDS_QUESTION_CAPTION, MB_ICONQUESTION | MB_YESNOCANCEL, args);
    va_end(args);
    return answer == 0 ? IDNO : answer;
}
