// The machine probe of Windows: the chassis serial number in the registry and the
// manufacturer named by oeminfo.ini in the system folder.

#include <windows.h>

#include "machine_probe.h"
#include "registry.h"

namespace {

const char kChassisSerialValue[] =
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager\\Environment\\"
    "ChassisSN";

class Win32MachineProbe : public MachineProbe {
  public:
    bool HasChassisSerial() override {
        std::string value;
        long errorCode = 0;
        return ReadRegistryValue(kChassisSerialValue, &value, kRegistryDefaultView, &errorCode);
    }

    bool OemManufacturer(std::string* manufacturer, long* errorCode) override {
        char folder[MAX_PATH] = {};
        const UINT length = GetSystemDirectoryA(folder, sizeof(folder));
        if (length == 0 || length >= sizeof(folder)) {
            *errorCode = static_cast<long>(GetLastError());
            return false;
        }
        const std::string path = std::string(folder, length) + "\\oeminfo.ini";
        char value[256] = {};
        GetPrivateProfileStringA("General", "Manufacturer", "NO", value, sizeof(value),
                                 path.c_str());
        *manufacturer = value;
        *errorCode = 0;
        return true;
    }
};

}  // namespace

MachineProbe& SystemMachineProbe() {
    static Win32MachineProbe probe;
    return probe;
}
