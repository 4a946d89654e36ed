#include "package_output.h"

#include <vector>

#include "log_file.h"
#include "package_record.h"
#include "property_store.h"
#include "registry.h"
#include "system_error.h"
#include "text_util.h"

namespace {

const char kNoPath[] = "                No registry path provided for output properties list in %s";
const long kNotFound = 2;  // ERROR_FILE_NOT_FOUND

// "<path>\<upgrade code>"; a path without a root key is taken under HKEY_LOCAL_MACHINE.
std::string OutputKey(const OutputPropertyPlace& place) {
    RegistryPath parsed;
    std::string path = TrimRight(place.registryPath, "\\");
    if (!ParseRegistryPath(path, &parsed))
        path = "HKEY_LOCAL_MACHINE\\" + path;
    return path + "\\" + place.upgradeCode;
}

// Whether the place can hold the package's properties; logs why not.
bool Usable(const PackageRecord& package, const OutputPropertyPlace& place, const char* operation,
            const char* verb) {
    if (place.registryPath.empty()) {
        place.log.Line(kNoPath, operation);
        return false;
    }
    if (place.upgradeCode.empty()) {
        place.log.Warning(
            "Cannot %s output properties list %s msi package: no upgrade code for package '%s'",
            verb, verb[0] == 'w' ? "to" : "from", package.name.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool PublishOutputProperties(const PackageRecord& package, const OutputPropertyPlace& place) {
    const std::vector<std::string> names = SplitNameList(package.outputProperties);
    if (names.empty())
        return true;
    if (!Usable(package, place, "PublishMSIProps()", "write"))
        return false;
    const std::string key = OutputKey(place);
    long error = 0;
    place.registry.DeleteKey(key, kRegistryDefaultView, &error);  // afresh: no former value
    const bool created = place.registry.CreateKey(key, kRegistryDefaultView, &error);
    for (const std::string& property : names) {
        if (created &&
            place.registry.WriteString(key + "\\" + property, "", kRegistryDefaultView, &error))
            continue;
        place.log.Error("Cannot write property '%s' in registry key '%s' (error code %d: %s)",
                        property.c_str(), key.c_str(), static_cast<int>(error),
                        SystemErrorText(error).c_str());
        return false;
    }
    return true;
}

bool RetrieveOutputProperties(const PackageRecord& package, const OutputPropertyPlace& place,
                              PropertyStore& properties) {
    if (SplitNameList(package.outputProperties).empty())
        return true;
    if (!Usable(package, place, "RetrieveMSIProps()()", "read"))
        return false;
    const std::string key = OutputKey(place);
    std::vector<RegistryValue> values;
    long error = 0;
    const bool read = place.registry.EnumerateValues(key, &values, kRegistryDefaultView, &error);
    std::string listing;
    for (std::size_t i = 0; i <= values.size(); ++i) {
        const bool found = i < values.size();
        place.log.Line("    MSI props : Trying to read MSI prop %d from '%s' -> %s",
                       static_cast<int>(i), key.c_str(),
                       found ? values[i].name.c_str() : "NOT FOUND");
        if (!found || values[i].name.empty())
            continue;
        const std::string qualified =
            FormatText("MSI.%s.%s", package.name.c_str(), values[i].name.c_str());
        for (const std::string& property : {qualified, values[i].name}) {
            properties.Set(property.c_str(), values[i].data.c_str(), true);
            listing += FormatText("%s='%s'   ", property.c_str(), values[i].data.c_str());
        }
    }
    place.log.Line("    MSI props : %s", listing.c_str());
    return read;
}

bool RemoveOutputProperties(const PackageRecord& package, const OutputPropertyPlace& place) {
    if (SplitNameList(package.outputProperties).empty())
        return true;
    if (place.registryPath.empty()) {
        place.log.Line(kNoPath, "RemoveMSIProps()");
        return false;
    }
    if (place.upgradeCode.empty())
        return false;
    long error = 0;
    const bool removed = place.registry.DeleteKey(OutputKey(place), kRegistryDefaultView, &error);
    return removed || error == kNotFound;  // nothing was published
}
