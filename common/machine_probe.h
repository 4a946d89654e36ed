#pragma once
// The machine type: a chassis or an ordinary workstation. The raw facts come through a
// probe so that tests can pick them; setup's dependency check and utils.dll share the test.

#include <string>

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

// Whether a manufacturer text names this product family: its lower-cased text occurs
// within "tarvex" (an empty text names nothing).
bool IsChassisManufacturer(const std::string& manufacturer);

// Whether the machine is a chassis; a missing system folder is logged and counts as no.
bool IsChassis(MachineProbe& probe);
