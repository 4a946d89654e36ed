#include "standard_properties.h"

#include "arguments.h"
#include "local_time.h"
#include "log_file.h"
#include "text_util.h"

namespace {

const char* YesNo(bool value) {
    return value ? "Yes" : "No";
}

const char* ActionName(int action) {
    switch (action) {
        case 0:
            return "Install";
        case 1:
            return "Uninstall";
        case 2:
            return "Repair";
        default:
            return "None";
    }
}

const char* ModeName(unsigned modeFlags) {
    if (modeFlags & 1)
        return "Silent";
    if (modeFlags & 2)
        return "Quiet";
    return "Normal";
}

void SetRunProperties(PropertyStore& store, const RunFacts& run) {
    const bool controlled = (run.modeFlags & 4) != 0;
    store.Set("ProductName", run.productName.c_str(), true);
    store.Set("PendingReboot", "", true);
    store.Set("ControlledInstall", YesNo(controlled), false);
    store.Set("EventLogActions", YesNo(controlled), false);
    store.Set("Prerequisites", YesNo(run.packageScope != 2), false);
    store.Set("Postrequisites", YesNo(run.packageScope != 1), false);
    store.Set("SkipMain", YesNo(run.packageScope != 0), false);
    store.Set("Action", ActionName(run.action), true);
    store.Set("Mode", ModeName(run.modeFlags), true);
    std::string mainInstance = "No";
    if (run.packageScope == 0) {
        mainInstance = store.Get("MainInstance");
        if (mainInstance.empty())
            mainInstance = "Yes";
    }
    store.Set("MainInstance", mainInstance.c_str(), true);
    store.Set("Rollback", "0", true);
    const std::tm local = LocalTime(run.startTime);
    store.Set("Date",
              FormatText("%04d%s%02d%s%02d", local.tm_year + 1900, "_", local.tm_mon + 1, "_",
                         local.tm_mday)
                  .c_str(),
              true);
    store.Set(
        "Time",
        FormatText("%02d%s%02d%s%02d", local.tm_hour, "_", local.tm_min, "_", local.tm_sec).c_str(),
        true);
}

void SetMachineProperties(PropertyStore& store, const RunFacts& run, const MachineFacts& machine) {
    const bool controlled = (run.modeFlags & 4) != 0;
    const bool newInstaller = machine.installerMajorVersion > 2;
    store.Set("OSVersion", machine.platform == 2 ? machine.osVersion.c_str() : "", true);
    store.Set("OSArchitecture", machine.osArchitecture.c_str(), true);
    store.Set("IsNtWorkstation", machine.ntWorkstation ? "1" : "0", true);
    for (const char* name : {"InstallDir", "UninstallString"}) store.Set(name, "", true);
    store.Set("MainIsInstalled", "0", true);
    for (const char* name : {"MainInstalledVersion", "SkipCRC32", "PackageTag", "PackageFileName",
                             "PackageProductCode", "FeaturesList", "PropertiesList"})
        store.Set(name, "", true);
    store.Set("WI_SilentMode", newInstaller ? "/passive" : "/qb!", true);
    store.Set("WI_QuietMode", newInstaller ? "/quiet" : "/qn", true);
    store.Set("SetupFolder", run.setupFolder.c_str(), true);
    store.Set("ProgramFilesFolder", machine.programFilesFolder.c_str(), true);
    store.Set("TempFolder", machine.tempFolder.c_str(), true);
    store.Set("CommonFilesFolder", machine.commonFilesFolder.c_str(), true);
    store.Set("SystemFolder", machine.systemFolder.c_str(), true);
    store.Set("WindowsFolder", machine.windowsFolder.c_str(), true);
    store.Set("SIDReferencedDomainName", machine.systemDomain.c_str(), true);
    store.Set("SIDAccountName", machine.systemAccount.c_str(), true);
    store.Set("SIDLocalServiceAccountName", machine.localServiceAccount.c_str(), true);
    store.Set("AUTOREBOOT", YesNo(!controlled), true);
    store.Set("AutoDownloadPrerequisites", YesNo(run.modeFlags != 0), true);
    store.Set("PrerequisitesLocation", "", true);
    store.Set("ShowDownloadPrereqDlg", YesNo(run.modeFlags == 0), true);
    store.Set("LastPackageReturnCode", "0", true);
}

const CannedConfig* FindCannedConfig(const std::vector<CannedConfig>& configs,
                                     const std::string& name) {
    // The argument may name a canned configuration by its tag or by its name.
    for (const CannedConfig& config : configs) {
        if (EqualsNoCase(config.tag.c_str(), name.c_str()))
            return &config;
    }
    for (const CannedConfig& config : configs) {
        if (EqualsNoCase(config.name.c_str(), name.c_str()))
            return &config;
    }
    return nullptr;
}

void ApplyCannedConfig(PropertyStore& store, const ArgumentLists& lists,
                       const std::vector<CannedConfig>& configs) {
    for (const std::string& argument : lists.List(kArgBsProperties)) {
        const std::string text = TrimLeft(argument, " \t");
        if (!StartsWithNoCase(text, "CannedConfig="))
            continue;
        const std::string name = Trim(text.substr(13), " \t\r\n\"");
        const CannedConfig* config = FindCannedConfig(configs, name);
        if (!config)
            return;
        for (const auto& option : config->options) {
            const std::string& tag = option.first;
            if (StartsWithNoCase(tag, "F."))
                store.Set(("MSIFeature." + tag.substr(2)).c_str(), option.second.c_str(), false);
            else if (StartsWithNoCase(tag, "P."))
                store.Set(("MSIProperty." + tag.substr(2)).c_str(), option.second.c_str(), false);
            else
                Log().Warning(
                    "Invalid MSI Feature or Property name '%s': not starting with 'F.' "
                    "or 'P.'",
                    tag.c_str());
        }
        return;
    }
}

void ApplyArgumentList(PropertyStore& store, const std::vector<std::string>& list,
                       const char* namePrefix, std::size_t markerSize) {
    for (const std::string& argument : list) {
        std::string name, value;
        const std::string text = TrimLeft(argument, " \t");
        if (!SplitAssignment(text.substr(markerSize), &name, &value))
            continue;
        store.Set((namePrefix + name).c_str(), value.c_str(), true);
    }
}

}  // namespace

void SetStandardProperties(PropertyStore& store, const RunFacts& run, const MachineFacts& machine) {
    SetRunProperties(store, run);
    SetMachineProperties(store, run, machine);
}

void ApplyArgumentProperties(PropertyStore& store, const ArgumentLists& lists,
                             const std::vector<CannedConfig>& cannedConfigs) {
    ApplyCannedConfig(store, lists, cannedConfigs);
    ApplyArgumentList(store, lists.List(kArgMsiFeatures), "MSIFeature.", 2);
    ApplyArgumentList(store, lists.List(kArgMsiProperties), "MSIProperty.", 2);
    ApplyArgumentList(store, lists.List(kArgBsProperties), "", 0);
}

void ApplyConfigurationProperties(PropertyStore& store, const std::vector<Property>& properties) {
    for (const Property& property : properties)
        store.Set(property.Name.c_str(), property.Value.c_str(), property.Type.c_str(), false);
}
