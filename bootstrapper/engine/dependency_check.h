#pragma once
// The dependency check of the run: the products that the installed product needs but the
// chain does not install, each compared with its wanted versions. The machine type (a
// chassis or an ordinary workstation) comes from machine_probe.h.

#include <string>
#include <vector>

#include "machine_probe.h"

class InstallerQueries;
class LogFile;
struct DependencyRecord;

// What the check found: the failures by kind with their texts for the user, and the
// summary line.
struct DependencyOutcome {
    int vitalFailures = 0;
    int nonVitalFailures = 0;
    std::string vitalText;
    std::string nonVitalText;
    std::string summary;
};

// The result text of one dependency and whether it failed.
struct DependencyResult {
    std::string text;
    bool failed = false;
};

// Compares one dependency with what is installed (detection through queries); chassis
// tells the machine type.
DependencyResult CheckDependency(const DependencyRecord& record, bool chassis,
                                 InstallerQueries& queries);

// The whole check: logs a line per dependency and returns the counters, the failure texts
// and the summary.
DependencyOutcome CheckDependencies(const std::vector<DependencyRecord>& records, bool checkDepends,
                                    MachineProbe& probe, InstallerQueries& queries, LogFile& log);
