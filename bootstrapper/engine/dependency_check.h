#pragma once
// The dependency check of the run: the products that the installed product needs but the
// chain does not install, each compared with its wanted versions. The machine type (a
// chassis or an ordinary workstation) comes through a probe so that tests can pick it.

#include <string>
#include <vector>

#include "run_services.h"

struct DependencyRecord;

// The raw facts the machine type is decided from.
class MachineProbe {
  public:
    virtual ~MachineProbe() = default;
    // Whether the chassis serial number value exists in the registry.
    virtual bool HasChassisSerial() = 0;
    // The "Manufacturer" entry of the "General" section of oeminfo.ini in the system folder
    // ("NO" when the file or the entry is missing). false with a system error code when the
    // system folder cannot be found.
    virtual bool OemManufacturer(std::string* manufacturer, long* errorCode) = 0;
};

// The probe of the running system (on the host: no serial, no oeminfo.ini).
MachineProbe& SystemMachineProbe();

// Whether the machine is a chassis; a missing system folder is logged and counts as no.
bool IsChassis(MachineProbe& probe);

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
