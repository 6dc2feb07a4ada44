// The module's version, shown by its VERSIONINFO.
#pragma once

#define BRENMARK_VERSION 2, 1, 0, 0
#define BRENMARK_VERSION_TEXT "2.1.0.0"
