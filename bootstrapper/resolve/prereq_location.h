#pragma once
// The prerequisites location that a run remembers for the runs after it (a chained setup,
// or the same setup started again after a reboot), in
// "HKEY_LOCAL_MACHINE\SOFTWARE\...\InstallInfo\Bootstrapper\PrereqLocation".

#include <string>

class LogFile;
class RegistryAccess;

std::string PrereqLocationPath();
// Writes folder there, creating the key; a failure is logged and given as false.
bool SetRegPrereqLocation(RegistryAccess& registry, LogFile& log, const std::string& folder);
