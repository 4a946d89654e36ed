#pragma once
// The dependency check of the run: the products that the installed product needs but the
// chain does not install, each compared with its wanted versions. The machine type (a
// chassis or an ordinary workstation) comes from machine_probe.h.

#include <string>
#include <vector>

#include "machine_probe.h"
#include "run_services.h"

struct DependencyRecord;

// The result text of one dependency and whether it failed.
struct DependencyResult {
    std::string text;
    bool failed = false;
};

// Compares one dependency with what is installed (detection through the active installer
// queries); chassis tells the machine type.
DependencyResult CheckDependency(const DependencyRecord& record, bool chassis);

// The whole check: logs a line per dependency and returns the counters, the failure texts
// and the summary.
DependencyOutcome CheckDependencies(const std::vector<DependencyRecord>& records, bool checkDepends,
                                    MachineProbe& probe);
