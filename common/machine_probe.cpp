#include "machine_probe.h"

#include <algorithm>
#include <cctype>

#include "system_error.h"

bool IsChassis(MachineProbe& probe) {
    if (probe.HasChassisSerial())
        return true;
    std::string manufacturer;
    long errorCode = 0;
    if (!probe.OemManufacturer(&manufacturer, &errorCode)) {
        LogSystemError(errorCode, "IsChassis", "    ");
        return false;
    }
    std::transform(manufacturer.begin(), manufacturer.end(), manufacturer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return !manufacturer.empty() && std::string("tarvex").find(manufacturer) != std::string::npos;
}
