// Points the process's temporary folder (TMP and TEMP, which GetTempPathW
// reads) at a new empty folder for the life of the object, so a test sees
// an inbox of its own. The previous values come back afterwards.
#pragma once

#include "TempDir.h"

#include <string>

class ScopedTempFolder
{
public:
    // The folder is created below the current temporary folder, as `name`.
    explicit ScopedTempFolder(const std::wstring& name = L"temp");
    // The name is padded so that Path() has exactly pathChars characters
    // (closing backslash included); a length that cannot be had fails the test.
    ScopedTempFolder(const std::wstring& name, size_t pathChars);
    ~ScopedTempFolder();
    ScopedTempFolder(const ScopedTempFolder&) = delete;
    ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

    // The new temporary folder with its closing backslash, as GetTempPathW
    // now returns it.
    const std::wstring& Path() const { return m_path; }

private:
    struct Saved {
        bool present = false;
        std::wstring value;
    };
    static Saved Save(const wchar_t* name);
    static void Restore(const wchar_t* name, const Saved& saved);

    TempDir m_dir;
    std::wstring m_path;
    Saved m_tmp;
    Saved m_temp;
};
