#include "package_command.h"

#include "log_file.h"
#include "package_record.h"
#include "property_store.h"
#include "text_util.h"

namespace {

const char kFeaturePrefix[] = "MSIFeature.";
const char kPropertyPrefix[] = "MSIProperty.";
const char kBlanks[] = " \t";

// A value with blanks would split into several arguments; it is quoted unless it already is.
std::string CommandValue(const std::string& value) {
    const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    if (quoted || value.find_first_of(kBlanks) == std::string::npos)
        return value;
    return "\"" + value + "\"";
}

void AppendItem(std::string* text, const std::string& item) {
    if (item.empty())
        return;
    if (!text->empty())
        *text += " ";
    *text += item;
}

// "MSIFeature.<name>" properties set to "Yes" select features; "MSIProperty.<name>" ones
// become "<name>=<value>" items of the command.
void AddInstallerItems(const PropertyStore& store, std::string* features, std::string* properties) {
    const std::size_t featureLength = sizeof(kFeaturePrefix) - 1;
    const std::size_t propertyLength = sizeof(kPropertyPrefix) - 1;
    for (int i = 0; i < store.Count(); ++i) {
        const Property* property = store.At(i);
        if (StartsWithNoCase(property->Name, kFeaturePrefix) &&
            EqualsNoCase(property->Value.c_str(), "Yes")) {
            if (!features->empty())
                *features += ",";
            *features += property->Name.substr(featureLength);
        } else if (StartsWithNoCase(property->Name, kPropertyPrefix)) {
            *properties += FormatText("%s%s=%s", properties->empty() ? "" : " ",
                                      property->Name.substr(propertyLength).c_str(),
                                      CommandValue(property->Value).c_str());
        }
    }
}

// The input properties that exist are handed over as NAME="value".
void AddInputProperties(const PackageRecord& package, const PropertyStore& store,
                        std::string* properties) {
    for (const std::string& item : PropertyNameList(package.inputProperties)) {
        if (!store.IsDefined(item.c_str()))
            continue;
        *properties += FormatText("%s%s=\"%s\"", properties->empty() ? "" : " ", item.c_str(),
                                  store.Get(item.c_str()).c_str());
    }
}

void SetPackageProperties(const PackageRecord& package, const std::string& productCode,
                          const std::string& features, const std::string& properties,
                          PropertyStore& store, LogFile& log) {
    const std::pair<const char*, std::string> values[] = {
        {"PackageTag", package.tag},
        {"PackageFileName", package.fileName},
        {"PackageProductCode", productCode},
        {"FeaturesList", Trim(features, kBlanks)},
        {"PropertiesList", Trim(properties, kBlanks)},
        {"Version", package.version.versionText},
    };
    std::string listing;
    for (const auto& value : values) {
        store.Set(value.first, value.second.c_str(), true);
        listing += FormatText("%s='%s' ", value.first, value.second.c_str());
    }
    log.Line("    Properties: %s", listing.c_str());
}

}  // namespace

std::string BuildPackageCommand(const PackageRecord& package, const CommandRequest& request,
                                const std::string& productCode, PropertyStore& properties,
                                LogFile& log) {
    std::string command = Trim(properties.Expand(request.baseText.c_str()), kBlanks);
    std::string features;
    std::string items;
    if (request.installerItems)
        AddInstallerItems(properties, &features, &items);
    AddInputProperties(package, properties, &items);
    if (request.setPackageProperties)
        SetPackageProperties(package, productCode, features, items, properties, log);
    AppendItem(&command, Trim(request.forwarded, kBlanks));
    AppendItem(&command, Trim(items, kBlanks));
    if (!features.empty())
        AppendItem(&command, "ADDLOCAL=" + features);
    return command;
}
