#pragma once
// The Windows Installer output properties of a package. Before the installer the package
// publishes the names it wants back under a registry key of its product; the package's
// custom actions fill in the values, which are read back into the property store after
// the installer and removed at the end of the run.

#include <string>

class LogFile;
class PropertyStore;
class RegistryAccess;
struct PackageRecord;

// The registry the output properties live in, and where the run says they go.
struct OutputPropertyPlace {
    RegistryAccess& registry;
    LogFile& log;
    std::string registryPath;  // the "PROPS_REGISTRY_PATH" property
    std::string upgradeCode;   // of the detected product
};

bool PublishOutputProperties(const PackageRecord& package, const OutputPropertyPlace& place);
bool RetrieveOutputProperties(const PackageRecord& package, const OutputPropertyPlace& place,
                              PropertyStore& properties);
bool RemoveOutputProperties(const PackageRecord& package, const OutputPropertyPlace& place);
