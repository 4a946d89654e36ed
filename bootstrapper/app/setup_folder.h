#pragma once
// The folder of setup, where the configuration files lie. The run driver sets it from the
// command line; until then readers get the current directory.

#include <string>

void SetSetupFolder(const std::string& folder);
std::string SetupFolder();
