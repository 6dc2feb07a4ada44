// One rule for every file name that comes from outside: dropped virtual
// files, mail attachments, mails and documents named by a host.
#pragma once

#include <string>

// Input: a name from outside, possibly null, a whole path, or hostile.
// Output: a plain file name that stays inside the folder it is appended to:
//   - only the part behind the last "\", "/" or ":" is kept (so no folder,
//     drive or stream name survives);
//   - control characters and \ / : * ? " < > | are removed;
//   - characters that XML cannot carry (U+FFFE, U+FFFF, unpaired
//     surrogates) become "_", so that a hand-off file names the file saved;
//   - trailing dots and blanks are removed (Windows would drop them and
//     name another file, or the folder itself);
//   - a reserved device name (CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$,
//     CONOUT$, in any case, with or without an extension, e.g. "nul.txt",
//     "COM1.pdf") gets a leading "_", so that it names a file and not the
//     device ("_nul.txt"); so does the name of the deletion marker
//     ("__freetodelete__.bin"), which would mark its folder as deletable;
//   - when nothing is left, the result is "Dokument".
// The result is never empty. It is not shortened: the caller checks that the
// whole path fits its buffer.
std::wstring MakeSafeFileName(const wchar_t* name);

// True when Windows opens a device for this plain file name in any folder.
bool IsReservedDeviceName(const std::wstring& name);
