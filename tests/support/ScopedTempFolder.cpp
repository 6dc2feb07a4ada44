#include "ScopedTempFolder.h"

#include <windows.h>

#include <gtest/gtest.h>

ScopedTempFolder::ScopedTempFolder(const std::wstring& name)
    : m_tmp(Save(L"TMP")), m_temp(Save(L"TEMP"))
{
    m_path = m_dir.MakeDir(name) + L"\\";
    SetEnvironmentVariableW(L"TMP", m_path.c_str());
    SetEnvironmentVariableW(L"TEMP", m_path.c_str());
}

ScopedTempFolder::ScopedTempFolder(const std::wstring& name, size_t pathChars)
    : m_tmp(Save(L"TMP")), m_temp(Save(L"TEMP"))
{
    std::wstring padded = name;
    size_t used = m_dir.Path().size() + 1 + padded.size() + 1;
    if (used < pathChars)
        padded.append(pathChars - used, L'x');
    m_path = m_dir.MakeDir(padded) + L"\\";
    EXPECT_EQ(pathChars, m_path.size()) << "the temporary folder can not have that length";
    SetEnvironmentVariableW(L"TMP", m_path.c_str());
    SetEnvironmentVariableW(L"TEMP", m_path.c_str());
}

ScopedTempFolder::~ScopedTempFolder()
{
    Restore(L"TMP", m_tmp);
    Restore(L"TEMP", m_temp);
}

ScopedTempFolder::Saved ScopedTempFolder::Save(const wchar_t* name)
{
    Saved saved;
    DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n > 0) {
        saved.value.resize(n);
        n = GetEnvironmentVariableW(name, &saved.value[0], n);
        saved.value.resize(n);
        saved.present = true;
    }
    return saved;
}

void ScopedTempFolder::Restore(const wchar_t* name, const Saved& saved)
{
    SetEnvironmentVariableW(name, saved.present ? saved.value.c_str() : nullptr);
}
