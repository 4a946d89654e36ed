#pragma once
// The folder of setup, where the configuration files lie: the folder of the running
// program, unless a test names another one.

#include <string>

void SetSetupFolder(const std::string& folder);
std::string SetupFolder();
