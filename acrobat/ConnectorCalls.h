// The plug-in's calls of Brenmark's connector class: Run with a saved
// document and its properties ini file, DisplaySettings and DisplayInfo.
#pragma once

#include <string>

// Hands one document and its properties ini file to the connector's Run;
// true when Run's result is not negative. *result (when given) receives
// the HRESULT of the last step.
bool KVUpload(const std::string& documentPath, const std::string& iniPath, long* result = nullptr);
void KVDisplayInfo();
void KVDisplaySettings();

// The caption of every box the plug-in shows.
extern const char kPluginCaption[];
