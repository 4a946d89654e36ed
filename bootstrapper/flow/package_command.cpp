#include "package_command.h"

#include <cctype>

#include "log_file.h"
#include "package_record.h"
#include "property_store.h"
#include "secrets.h"
#include "text_util.h"

namespace {

const char kFeaturePrefix[] = "MSIFeature.";
const char kPropertyPrefix[] = "MSIProperty.";
const char kBlanks[] = " \t";

std::string Quoted(const std::string& value) {
    std::string text = "\"";
    for (char c : value) text += c == '"' ? std::string("\"\"") : std::string(1, c);
    return text + "\"";
}

// A Windows Installer property or feature name: letters, digits, "_" and ".", not starting
// with a digit or ".". Anything else could carry a blank or a quote into the command.
bool IsInstallerName(const std::string& name) {
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0])) || name[0] == '.')
        return false;
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '.')
            return false;
    }
    return true;
}

bool InsideQuotes(const std::string& before) {
    std::size_t quotes = 0;
    for (char c : before) quotes += c == '"';
    return quotes % 2 == 1;
}

// A property value put into the base text: inside a quoted part of the template its quotes
// are doubled, so it cannot end the quoted part; outside, a value with a quote is quoted
// whole. A value with blanks outside quotes stays as it is: configurations keep several
// switches in one property ("/norestart REBOOT=ReallySuppress").
std::string CommandText(const Property& property, const std::string& before, const PropertyStore&) {
    if (InsideQuotes(before)) {
        const std::string quoted = Quoted(property.Value);
        return quoted.substr(1, quoted.size() - 2);
    }
    return property.Value.find('"') == std::string::npos ? property.Value : Quoted(property.Value);
}

std::string DisplayText(const Property& property, const std::string& before,
                        const PropertyStore& store) {
    return IsSecretProperty(store, property.Name) ? kSecretMask
                                                  : CommandText(property, before, store);
}

// The command and its copy for the log, built side by side.
struct Composition {
    PackageCommandLine line;
    std::string features;
    PackageCommandLine items;

    void AddItem(const std::string& name, const std::string& value, bool secret) {
        const std::string separator = items.command.empty() ? "" : " ";
        items.command += separator + name + "=" + value;
        items.display += separator + name + "=" + (secret ? kSecretMask : value);
    }
};

// "MSIFeature.<name>" properties set to "Yes" select features; "MSIProperty.<name>" ones
// become "<name>=<value>" items of the command.
void AddInstallerItems(const PropertyStore& store, Composition& composition, LogFile& log) {
    const std::size_t featureLength = sizeof(kFeaturePrefix) - 1;
    const std::size_t propertyLength = sizeof(kPropertyPrefix) - 1;
    for (int i = 0; i < store.Count(); ++i) {
        const Property* property = store.At(i);
        const bool feature = StartsWithNoCase(property->Name, kFeaturePrefix);
        if (!feature && !StartsWithNoCase(property->Name, kPropertyPrefix))
            continue;
        const std::string name = property->Name.substr(feature ? featureLength : propertyLength);
        if (!IsInstallerName(name)) {
            log.Warning("Invalid Windows Installer %s name '%s' ignored",
                        feature ? "feature" : "property", name.c_str());
            continue;
        }
        if (!feature) {
            composition.AddItem(
                name, InstallerValue(property->Value),
                IsSecretProperty(store, name) || IsSecretProperty(store, property->Name));
        } else if (EqualsNoCase(property->Value.c_str(), "Yes")) {
            composition.features += (composition.features.empty() ? "" : ",") + name;
        }
    }
}

// The input properties that exist are handed over as NAME="value".
void AddInputProperties(const PackageRecord& package, const PropertyStore& store,
                        Composition& composition, LogFile& log) {
    for (const std::string& item : SplitNameList(package.inputProperties)) {
        if (!store.IsDefined(item.c_str()))
            continue;
        if (!IsInstallerName(item)) {
            log.Warning("Invalid Windows Installer property name '%s' ignored", item.c_str());
            continue;
        }
        composition.AddItem(item, Quoted(store.Get(item.c_str())), IsSecretProperty(store, item));
    }
}

void SetPackageProperties(const PackageRecord& package, const std::string& productCode,
                          const Composition& composition, PropertyStore& store, LogFile& log) {
    struct Value {
        const char* name;
        std::string value;
        std::string display;
    };
    const Value values[] = {
        {"PackageTag", package.tag, package.tag},
        {"PackageFileName", package.fileName, package.fileName},
        {"PackageProductCode", productCode, productCode},
        {"FeaturesList", composition.features, composition.features},
        {"PropertiesList", Trim(composition.items.command, kBlanks),
         Trim(composition.items.display, kBlanks)},
        {"Version", package.version.versionText, package.version.versionText},
    };
    std::string listing;
    for (const Value& value : values) {
        store.Set(value.name, value.value.c_str(), true);
        listing += FormatText("%s='%s' ", value.name, value.display.c_str());
    }
    log.Line("    Properties: %s", listing.c_str());
}

void Append(PackageCommandLine* line, const PackageCommandLine& item) {
    for (auto part : {std::make_pair(&line->command, &item.command),
                      std::make_pair(&line->display, &item.display)}) {
        const std::string text = Trim(*part.second, kBlanks);
        if (text.empty())
            continue;
        *part.first += (part.first->empty() ? "" : " ") + text;
    }
}

}  // namespace

std::string InstallerValue(const std::string& value) {
    const bool quotedOnce = value.size() >= 2 && value.front() == '"' && value.back() == '"' &&
                            value.find('"', 1) == value.size() - 1;
    if (quotedOnce)
        return value;
    if (!value.empty() && value.find_first_of(" \t\"") == std::string::npos)
        return value;
    return Quoted(value);
}

PackageCommandLine BuildPackageCommand(const PackageRecord& package, const CommandRequest& request,
                                       const std::string& productCode, PropertyStore& properties,
                                       LogFile& log) {
    Composition composition;
    composition.line.command =
        Trim(properties.ExpandFiltered(request.baseText.c_str(), CommandText), kBlanks);
    composition.line.display =
        Trim(properties.ExpandFiltered(request.baseText.c_str(), DisplayText), kBlanks);
    if (request.installerItems)
        AddInstallerItems(properties, composition, log);
    AddInputProperties(package, properties, composition, log);
    if (request.setPackageProperties)
        SetPackageProperties(package, productCode, composition, properties, log);
    Append(&composition.line, {request.forwarded, request.forwarded});
    Append(&composition.line, composition.items);
    if (!composition.features.empty()) {
        const std::string addLocal = "ADDLOCAL=" + composition.features;
        Append(&composition.line, {addLocal, addLocal});
    }
    return composition.line;
}
