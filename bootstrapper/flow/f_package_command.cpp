// FPackage: the command line that starts the installer, composed from the run's base text,
// the Windows Installer features and properties, and the package's input properties.

#include "f_package.h"

#include "log_file.h"
#include "property_store.h"
#include "str_util.h"
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

}  // namespace

void FPackage::PrepareExecution(const std::string& baseText, bool showWindow, bool installerItems,
                                bool mainInstance, const std::string& forwarded,
                                bool setPackageProperties) {
    baseText_ = baseText;
    showWindow_ = showWindow;
    installerItems_ = installerItems;
    mainInstance_ = mainInstance;
    forwarded_ = forwarded;
    setPackageProperties_ = setPackageProperties;
}

std::string FPackage::BuildCommand() {
    std::string command = Trim(ExpandProperties(baseText_.c_str()), kBlanks);
    std::string features;
    std::string properties;
    if (installerItems_)
        AddInstallerItems(&features, &properties);
    AddInputProperties(&properties);
    if (setPackageProperties_)
        SetPackageProperties(features, properties);
    AppendItem(&command, Trim(forwarded_, kBlanks));
    AppendItem(&command, Trim(properties, kBlanks));
    if (!features.empty())
        AppendItem(&command, "ADDLOCAL=" + features);
    return command;
}

// "MSIFeature.<name>" properties set to "Yes" select features; "MSIProperty.<name>" ones
// become "<name>=<value>" items of the command.
void FPackage::AddInstallerItems(std::string* features, std::string* properties) const {
    const PropertyStore* store = CurrentPropertyStore();
    if (!store)
        return;
    const std::size_t featureLength = sizeof(kFeaturePrefix) - 1;
    const std::size_t propertyLength = sizeof(kPropertyPrefix) - 1;
    for (int i = 0; i < store->Count(); ++i) {
        const Property* property = store->At(i);
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

// The input properties are names separated by commas, semicolons or blanks; those that
// exist are handed over as NAME="value".
void FPackage::AddInputProperties(std::string* properties) const {
    const PropertyStore* store = CurrentPropertyStore();
    if (!store)
        return;
    std::string names = inputProperties;
    for (char& c : names) {
        if (c == ';' || c == ' ' || c == '\t')
            c = ',';
    }
    for (const std::string& item : SplitTokens(names.c_str(), ',', 0)) {
        if (item.empty() || !store->IsDefined(item.c_str()))
            continue;
        *properties += FormatText("%s%s=\"%s\"", properties->empty() ? "" : " ", item.c_str(),
                                  store->Get(item.c_str()).c_str());
    }
}

void FPackage::SetPackageProperties(const std::string& features, const std::string& properties) {
    PropertyStore* store = CurrentPropertyStore();
    if (!store)
        return;
    const std::pair<const char*, std::string> values[] = {
        {"PackageTag", tag},
        {"PackageFileName", fileName},
        {"PackageProductCode", product_.productCode},
        {"FeaturesList", Trim(features, kBlanks)},
        {"PropertiesList", Trim(properties, kBlanks)},
        {"Version", version.versionText},
    };
    std::string listing;
    for (const auto& value : values) {
        store->Set(value.first, value.second.c_str(), true);
        listing += FormatText("%s='%s' ", value.first, value.second.c_str());
    }
    Log().Line("    Properties: %s", listing.c_str());
}
