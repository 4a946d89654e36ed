#pragma once
// The command line that starts a package's installer, composed from the run's base text,
// the Windows Installer features and properties, and the package's input properties.

#include <string>

class LogFile;
class PropertyStore;
struct PackageRecord;

// The run's choices for one execution of a package.
struct CommandRequest {
    std::string baseText;  // "<template> <extra>"
    bool showWindow = false;
    // Adds ADDLOCAL and the MSIProperty.* items (the MAIN package during install).
    bool installerItems = false;
    bool mainInstance = false;  // this setup is the main instance
    std::string forwarded;      // the run's command-line properties, "NAME=value ..."
    // Sets PackageTag, PackageFileName, PackageProductCode, FeaturesList, PropertiesList
    // and Version before the command is composed (logged as "Properties").
    bool setPackageProperties = false;
};

// The command: the base text with its property references expanded, the forwarded
// properties, the Windows Installer properties and input properties, then ADDLOCAL.
// productCode is the detected product's code (may be empty).
std::string BuildPackageCommand(const PackageRecord& package, const CommandRequest& request,
                                const std::string& productCode, PropertyStore& properties,
                                LogFile& log);
