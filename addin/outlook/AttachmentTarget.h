// Where a chosen attachment's file goes: a hand-off folder of its own and,
// in it, the attachment's name reduced to a plain file name. The name comes
// from the mail's sender and is not trusted.
#pragma once

#include <windows.h>

// Characters of an attachment's folder and file paths, with the NUL.
const size_t ATTACHMENT_PATH_CHARS = MAX_PATH;

// Makes a new hand-off folder (with its closing backslash) into folder and
// the target path of name into target (both ATTACHMENT_PATH_CHARS). False,
// with a log line, when no folder can be made or the path does not fit; a
// folder made for it is removed again.
bool MakeAttachmentTarget(const wchar_t* name, wchar_t* folder, wchar_t* target);

// Removes a hand-off folder that an attachment left empty.
void RemoveEmptyAttachmentFolder(const wchar_t* folder);
