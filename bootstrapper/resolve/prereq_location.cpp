#include "prereq_location.h"

#include "log_file.h"
#include "registry.h"
#include "system_error.h"

namespace {

std::string BootstrapperKey() {
    return std::string("HKEY_LOCAL_MACHINE\\") + kInstallInfoKey + "\\Bootstrapper";
}

}  // namespace

std::string PrereqLocationPath() {
    return BootstrapperKey() + "\\PrereqLocation";
}

bool SetRegPrereqLocation(RegistryAccess& registry, LogFile& log, const std::string& folder) {
    long error = 0;
    if (registry.CreateKey(BootstrapperKey(), kRegistryDefaultView, &error) &&
        registry.WriteString(PrereqLocationPath(), folder, kRegistryDefaultView, &error))
        return true;
    log.Error("SetRegPrereqLocation: cannot write '%s': error code %ld (%s)",
              PrereqLocationPath().c_str(), error, SystemErrorText(error).c_str());
    return false;
}
