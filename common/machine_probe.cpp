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
    return IsChassisManufacturer(manufacturer);
}

bool IsChassisManufacturer(const std::string& manufacturer) {
    std::string lower = manufacturer;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return !lower.empty() && std::string("tarvex").find(lower) != std::string::npos;
}
