#pragma once
// The command line that starts a package's installer, composed from the run's base text,
// the Windows Installer features and properties, and the package's input properties.
//
// Values are untrusted (they come from the command line of setup, the configuration and
// the registry): each one reaches the installer as exactly one value. Values are quoted as
// Windows Installer reads them (a double quote inside is doubled), property and feature
// names that Windows Installer would not take are dropped, and the log gets a copy of the
// command in which the values of secret properties are masked.

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
    // The run's product key (the MAIN package's): the File elements record under it what they
    // changed, so that a later run of the same product finds it.
    std::string productKey;
};

struct PackageCommandLine {
    std::string command;  // what is started
    std::string display;  // what the log shows: secret values masked
};

// The command: the base text with its property references expanded, the forwarded
// properties, the Windows Installer properties and input properties, then ADDLOCAL.
// productCode is the detected product's code (may be empty).
PackageCommandLine BuildPackageCommand(const PackageRecord& package, const CommandRequest& request,
                                       const std::string& productCode, PropertyStore& properties,
                                       LogFile& log);

// A value as Windows Installer reads it as one value: unchanged when it needs no quotes or
// is already one quoted text, otherwise in double quotes with each inner quote doubled.
std::string InstallerValue(const std::string& value);
