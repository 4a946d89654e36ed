// FPackage: the Windows Installer output properties. Before the installer the package
// publishes the names it wants back under a registry key of its product; the package's
// custom actions fill in the values, which the package reads back into the property store.

#include "f_package.h"

#include "log_file.h"
#include "property_store.h"
#include "registry.h"
#include "str_util.h"
#include "system_error.h"
#include "text_util.h"

namespace {

const char kNoPath[] = "                No registry path provided for output properties list in %s";

std::vector<std::string> Names(std::string list) {
    for (char& c : list) {
        if (c == ';' || c == ' ' || c == '\t')
            c = ',';
    }
    std::vector<std::string> names;
    for (const std::string& item : SplitTokens(list.c_str(), ',', 0)) {
        if (!item.empty())
            names.push_back(item);
    }
    return names;
}

}  // namespace

// "<path>\<upgrade code>"; a path without a root key is taken under HKEY_LOCAL_MACHINE.
std::string FPackage::OutputKey(const std::string& registryPath) const {
    RegistryPath parsed;
    std::string path = TrimRight(registryPath, "\\");
    if (!ParseRegistryPath(path, &parsed))
        path = "HKEY_LOCAL_MACHINE\\" + path;
    return path + "\\" + product_.upgradeCode;
}

bool FPackage::PublishOutputProperties(const std::string& registryPath) {
    const std::vector<std::string> names = Names(outputProperties);
    if (names.empty())
        return true;
    if (registryPath.empty()) {
        Log().Line(kNoPath, "PublishMSIProps()");
        return false;
    }
    if (!product_.upgradeCode[0]) {
        Log().Warning(
            "Cannot write output properties list to msi package: no upgrade code for "
            "package '%s'",
            name.c_str());
        return false;
    }
    const std::string key = OutputKey(registryPath);
    long error = 0;
    DeleteRegistryKey(key, kRegistryDefaultView, &error);  // afresh: no value of a former run
    const bool created = CreateRegistryKey(key, kRegistryDefaultView, &error);
    for (const std::string& property : names) {
        if (created && WriteRegistryString(key + "\\" + property, "", kRegistryDefaultView, &error))
            continue;
        Log().Error("Cannot write property '%s' in registry key '%s' (error code %d: %s)",
                    property.c_str(), key.c_str(), static_cast<int>(error),
                    SystemErrorText(error).c_str());
        return false;
    }
    return true;
}

bool FPackage::RetrieveOutputProperties(const std::string& registryPath) {
    if (Names(outputProperties).empty())
        return true;
    if (registryPath.empty()) {
        Log().Line(kNoPath, "RetrieveMSIProps()()");
        return false;
    }
    if (!product_.upgradeCode[0]) {
        Log().Warning(
            "Cannot read output properties list from msi package: no upgrade code for "
            "package '%s'",
            name.c_str());
        return false;
    }
    const std::string key = OutputKey(registryPath);
    std::vector<RegistryValue> values;
    long error = 0;
    const bool read = EnumerateRegistryValues(key, &values, kRegistryDefaultView, &error);
    LogFile& log = Log();
    std::string listing;
    PropertyStore* store = CurrentPropertyStore();
    for (std::size_t i = 0; i <= values.size(); ++i) {
        const bool found = i < values.size();
        log.Line("    MSI props : Trying to read MSI prop %d from '%s' -> %s", static_cast<int>(i),
                 key.c_str(), found ? values[i].name.c_str() : "NOT FOUND");
        if (!found || values[i].name.empty() || !store)
            continue;
        const std::string qualified = FormatText("MSI.%s.%s", name.c_str(), values[i].name.c_str());
        for (const std::string& property : {qualified, values[i].name}) {
            store->Set(property.c_str(), values[i].data.c_str(), true);
            listing += FormatText("%s='%s'   ", property.c_str(), values[i].data.c_str());
        }
    }
    log.Line("    MSI props : %s", listing.c_str());
    return read;
}

bool FPackage::RemoveOutputProperties(const std::string& registryPath) {
    if (Names(outputProperties).empty())
        return true;
    if (registryPath.empty()) {
        Log().Line(kNoPath, "RemoveMSIProps()");
        return false;
    }
    if (!product_.upgradeCode[0])
        return false;
    long error = 0;
    const bool removed = DeleteRegistryKey(OutputKey(registryPath), kRegistryDefaultView, &error);
    return removed || error == 2;  // ERROR_FILE_NOT_FOUND: nothing was published
}
