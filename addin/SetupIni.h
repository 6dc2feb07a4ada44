// setup.ini, which registration reads from the current folder: key=value
// lines that choose the Office hosts and the connector and carry the
// settings for the global key.
#pragma once

#include "Settings.h"

#include <cstdio>

// The Office hosts in the order in which they are registered.
enum OfficeHost {
    OFFICE_EXCEL,
    OFFICE_POWERPOINT,
    OFFICE_WORD,
    OFFICE_OUTLOOK,
    OFFICE_HOST_COUNT,
};

// The host's name in its "Software\Microsoft\Office\<host>" key.
const wchar_t* GetOfficeHostName(OfficeHost host);

struct SetupChoices {
    bool hosts[OFFICE_HOST_COUNT] = {};
    bool connector = false;

    bool AnyHost() const;
};

// Takes one line (without its line end) into the settings and the choices;
// lines that name nothing known are ignored.
void ApplySetupLine(const wchar_t* line, CKQCSettings& settings, SetupChoices& choices, int& paramCount);

// Reads every line of the open file, each whole whatever its length.
void ReadSetupFile(FILE* file, CKQCSettings& settings, SetupChoices& choices);
