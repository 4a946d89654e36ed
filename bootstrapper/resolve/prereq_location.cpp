#include "prereq_location.h"

#include "log_file.h"
#include "property_store.h"
#include "registry.h"
#include "system_error.h"
#include "text_util.h"

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

std::string GetRegPrereqLocation(RegistryAccess& registry) {
    std::string value;
    long error = 0;
    if (!registry.ReadValue(PrereqLocationPath(), &value, kRegistryDefaultView, &error))
        return "";
    return Trim(value.substr(0, 4096), " \t");
}

bool DeleteRegPrereqLocation(RegistryAccess& registry, LogFile& log) {
    long error = 0;
    std::string value;
    if (!registry.ReadValue(PrereqLocationPath(), &value, kRegistryDefaultView, &error))
        return true;
    if (registry.DeleteValue(PrereqLocationPath(), kRegistryDefaultView, &error))
        return true;
    log.Error("DeleteRegPrereqLocation: cannot delete '%s': error code %ld (%s)",
              PrereqLocationPath().c_str(), error, SystemErrorText(error).c_str());
    return false;
}

void ApplyRegPrereqLocation(PropertyStore& properties, RegistryAccess& registry) {
    if (properties.IsYes("AutoDownloadPrerequisites") ||
        !properties.Get("PrerequisitesLocation").empty())
        return;
    const std::string location = GetRegPrereqLocation(registry);
    if (location.empty())
        properties.Set("AutoDownloadPrerequisites", "Yes", true);
    else
        properties.Set("PrerequisitesLocation", location.c_str(), true);
}
