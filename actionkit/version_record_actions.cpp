#include <string>
#include <vector>

#include "actions.h"
#include "registry.h"

// Where the product family records the version and build it installed. These records are
// this library's own choice: the ini entries "Version", "Build" and "LoadTestVersion" of the
// section "Product", and the values "Version" and "Build" of a key below
// HKEY_LOCAL_MACHINE (64-bit view). Both actions run deferred: a record that cannot be
// written stops the installation.

namespace {

const char* const kQuentiKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex\\Quenti";

// The "|"-separated fields of "CustomActionData" (empty fields kept).
std::vector<std::string> Fields(const std::string& data) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = data.find('|', start);
        fields.push_back(data.substr(start, bar == std::string::npos ? bar : bar - start));
        if (bar == std::string::npos)
            return fields;
        start = bar + 1;
    }
}

bool WriteVersionValues(ActionContext& context, const char* action, const std::string& key,
                        const std::string& version, const std::string& build) {
    RegistryAccess& registry = context.machine.Registry();
    long error = 0;
    if (registry.CreateKey(key, kRegistry64View, &error) &&
        registry.WriteString(key + "\\Version", version, kRegistry64View, &error) &&
        registry.WriteString(key + "\\Build", build, kRegistry64View, &error))
        return true;
    context.log(".Error: %s> Could not write the version to %s (error code %ld)", action,
                key.c_str(), error);
    return false;
}

}  // namespace

// "CustomActionData" = "<ini path>|<version>|<build>|<load-test version>|<registry key>";
// the registry key (below HKEY_LOCAL_MACHINE) may be empty.
unsigned UpdateRaveloIniAction(ActionContext& context) {
    const std::vector<std::string> fields = Fields(context.Get("CustomActionData"));
    if (fields.size() != 5 || fields[0].empty() || fields[1].empty()) {
        context.log(
            ".Error: UpdateRaveloIni> CustomActionData must be"
            " ini|version|build|load-test version|key");
        return kActionFailure;
    }
    const char* keys[] = {"Version", "Build", "LoadTestVersion"};
    for (int i = 0; i < 3; ++i) {
        const unsigned long error =
            context.machine.WriteIniEntry(fields[0], "Product", keys[i], fields[1 + i]);
        if (error != 0) {
            context.log(".Error: UpdateRaveloIni> Could not write %s to %s (error code %lu)",
                        keys[i], fields[0].c_str(), error);
            return kActionFailure;
        }
    }
    if (!fields[4].empty() &&
        !WriteVersionValues(context, "UpdateRaveloIni", "HKEY_LOCAL_MACHINE\\" + fields[4],
                            fields[1], fields[2]))
        return kActionFailure;
    context.log(".Info: UpdateRaveloIni> Version %s, build %s written to %s", fields[1].c_str(),
                fields[2].c_str(), fields[0].c_str());
    return kActionSuccess;
}

// "CustomActionData" = "<version>|<build>".
unsigned UpdateQuentiDllAction(ActionContext& context) {
    const std::vector<std::string> fields = Fields(context.Get("CustomActionData"));
    if (fields.size() != 2 || fields[0].empty()) {
        context.log(".Error: UpdateQuentiDll> CustomActionData must be version|build");
        return kActionFailure;
    }
    if (!WriteVersionValues(context, "UpdateQuentiDll", kQuentiKey, fields[0], fields[1]))
        return kActionFailure;
    context.log(".Info: UpdateQuentiDll> Version %s, build %s", fields[0].c_str(),
                fields[1].c_str());
    return kActionSuccess;
}
