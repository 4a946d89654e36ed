// The machine probe of the host build: there is no registry and no system folder with an
// oeminfo.ini, so the host is an ordinary workstation.

#include "machine_probe.h"

namespace {

class HostMachineProbe : public MachineProbe {
  public:
    bool HasChassisSerial() override { return false; }
    bool OemManufacturer(std::string* manufacturer, long* errorCode) override {
        *manufacturer = "NO";
        *errorCode = 0;
        return true;
    }
};

}  // namespace

MachineProbe& SystemMachineProbe() {
    static HostMachineProbe probe;
    return probe;
}
