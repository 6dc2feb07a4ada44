// What the plug-in's tests share: the built Ostrelle.api, a fixture that
// gives each test its own temporary folder and a fresh test host, and the
// check that a test leaves the host as clean as the interface demands.
#pragma once

#include "AcroTestHost.h"
#include "ScopedTempFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// KQ_BINARY_DIR\acrobat\Ostrelle.api
std::wstring OstrelleApiPath();

// No breach of the interface was seen and nothing the plug-in took from the
// host is left: path names, platform paths, texts, memory, exception
// frames, and (once it is unloaded) menus, items and toolbar buttons.
void ExpectCleanHost(const acrohost::AcroTestHost& host);

// The bytes of a text file, empty when it cannot be read.
std::string ReadText(const std::wstring& path);
// The bytes of a file of tests/acrobat/fixtures.
std::string Fixture(const char* name);

class OstrelleHostTest : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the built plug-in and runs its initialisation.
    void LoadPlugin();

    // The temporary folder of this test (with its closing backslash), where
    // the plug-in's log and inbox go.
    std::wstring Temp() const { return m_temp->Path(); }

    std::unique_ptr<ScopedTempFolder> m_temp;
    std::unique_ptr<acrohost::AcroTestHost> host;
};
