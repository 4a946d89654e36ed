#pragma once
// The services the installer run calls around its walk. Dependencies are checked in full;
// the others have the least behaviour that keeps the run honest until their own work
// lands: the installer file is looked for beside setup only, nothing is cached and no
// reference count is kept.

#include <string>
#include <vector>

struct DependencyRecord;
class FPackage;

struct DependencyOutcome {
    int vitalFailures = 0;
    int nonVitalFailures = 0;
    std::string vitalText;
    std::string nonVitalText;
    std::string summary;
};

// The dependency check of the run (logs its lines and returns the outcome).
DependencyOutcome CheckRunDependencies(const std::vector<DependencyRecord>& records,
                                       bool checkDepends);

struct ResolvedInstaller {
    bool found = false;
    std::string path;
    std::string reason;
};

// Where the installer file of a package is (logs the resolver lines).
ResolvedInstaller ResolveInstaller(const FPackage& package);
