#pragma once
// The prerequisites location that a run remembers for the runs after it (a chained setup,
// or the same setup started again after a reboot), in
// "HKEY_LOCAL_MACHINE\SOFTWARE\...\InstallInfo\Bootstrapper\PrereqLocation".

#include <string>

class LogFile;
class PropertyStore;
class RegistryAccess;

std::string PrereqLocationPath();
// Writes folder there, creating the key; a failure is logged and given as false.
bool SetRegPrereqLocation(RegistryAccess& registry, LogFile& log, const std::string& folder);
// The remembered location, "" when there is none (a missing value is no error).
std::string GetRegPrereqLocation(RegistryAccess& registry);
// Forgets it; a value that is not there is no failure.
bool DeleteRegPrereqLocation(RegistryAccess& registry, LogFile& log);

// Before the walk, when automatic download is off and "PrerequisitesLocation" is empty:
// the remembered location becomes "PrerequisitesLocation"; without one, prerequisites that
// are found nowhere are downloaded ("AutoDownloadPrerequisites" becomes "Yes").
void ApplyRegPrereqLocation(PropertyStore& properties, RegistryAccess& registry);
