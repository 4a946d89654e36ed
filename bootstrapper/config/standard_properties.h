#pragma once
// The properties every run starts with, then those of the command line and of the
// configuration, in their order of precedence.

#include <ctime>
#include <string>
#include <vector>

#include "property_store.h"

class ArgumentLists;

// What the machine tells about itself (gathered once by the configuration).
struct MachineFacts {
    int platform = 0;                // 2 on the NT family
    std::string osVersion;           // major.minor.servicePack on NT
    std::string osArchitecture;      // "64-bit", "32-bit" or "UNKNOWN"
    bool ntWorkstation = false;      // product type workstation
    int installerMajorVersion = 0;   // of msi.dll; 0 when unknown
    std::string programFilesFolder;  // environment "ProgramFiles"
    std::string tempFolder;          // environment "TEMP"
    std::string commonFilesFolder;   // environment "CommonProgramFiles"
    std::string systemFolder;
    std::string windowsFolder;
    std::string systemDomain = "NT AUTHORITY";  // account S-1-5-18
    std::string systemAccount = "SYSTEM";
    std::string localServiceAccount = "LocalService";  // account S-1-5-19
};

// Gathers the facts of the running machine.
MachineFacts GatherMachineFacts();

// What the run is.
struct RunFacts {
    int action = 0;          // 0 install, 1 uninstall, 2 repair
    unsigned modeFlags = 0;  // bit 0 silent, bit 1 quiet, bit 2 controlled install
    int packageScope = 0;    // 0 all, 1 prerequisites only, 2 postrequisites only
    std::time_t startTime = 0;
    std::string productName;
    std::string setupFolder;
};

void SetStandardProperties(PropertyStore& store, const RunFacts& run, const MachineFacts& machine);

// A canned configuration of "config.xml": a named set of features and properties that
// one command-line argument selects.
struct CannedConfig {
    std::string name;
    std::string tag;
    bool isDefault = false;
    std::vector<std::pair<std::string, std::string>> options;  // tag, value
};

// The properties of the arguments: the selected canned configuration first, then the
// feature, MSI-property and plain property arguments, which win over it.
void ApplyArgumentProperties(PropertyStore& store, const ArgumentLists& lists,
                             const std::vector<CannedConfig>& cannedConfigs);

// The configuration's own properties, set last and without overwriting.
void ApplyConfigurationProperties(PropertyStore& store, const std::vector<Property>& properties);
