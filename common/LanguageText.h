// Texts by string id, the language file first and the module's string table
// second, and the system's German message boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// 1 when the language file has a section for the id with at least one line.
int GetLanguageText(wchar_t* buffer, size_t cch, UINT id);
// The text of the id; empty when neither source has it.
void LoadText(HINSTANCE module, wchar_t* buffer, size_t cch, UINT id);
// The text of the id formatted with wvsprintfW rules into buffer (cch
// characters, at least 1025); 0 when neither source has the id.
int LoadFormattedText(HINSTANCE module, wchar_t* buffer, size_t cch, UINT id, ...);

// Caption 8006 "Fehler bei der Dokumentablage", top-most, no owner.
void ShowErrorBox(HINSTANCE module, UINT id, ...);
// The error box 8020 naming documents that were not handed off: as many
// whole names as the box holds, then a line "..." for the rest.
void ShowNotHandedOff(HINSTANCE module, const std::vector<std::wstring>& names);
// Caption 8014 "Dokument ablegen": IDYES or IDNO (IDNO without a box when a
// text is missing).
int AskYesNo(HINSTANCE module, UINT id, ...);
int AskYesNoCancel(HINSTANCE module, UINT id, ...);
