#include <cstdlib>
#include <string>

#include "actions.h"
#include "registry.h"
#include "text_edit.h"

// The packages that call these actions are 64-bit, and the keys they name are the
// machine's own: every action reads and writes the 64-bit view, whatever the process.
// Key classes ("Anything") carry no meaning to Windows and are not set.

namespace {

const RegistryView kView = kRegistry64View;
const char* const kMachineRoot = "HKEY_LOCAL_MACHINE\\";
const char* const kRemoteAccessKey = "System\\CurrentControlSet\\Services\\RemoteAccess";

// A key path below HKEY_LOCAL_MACHINE as the package writes it: no leading "\" and not
// empty. A value that did not expand must not turn into the root of the hive.
bool UsableKey(const std::string& key) {
    return !key.empty() && key[0] != '\\' && key.find_first_not_of("\\ ") != std::string::npos;
}

// The reference count of the list value; 0 when it is missing or no number.
unsigned long ReadCount(ActionContext& context, const std::string& valuePath) {
    TypedRegistryValue value;
    long error = 0;
    if (!context.machine.Registry().ReadTyped(valuePath, &value, kView, &error) ||
        value.type != kRegDword)
        return 0;
    return std::strtoul(value.text.c_str(), nullptr, 10);
}

struct RegList {
    std::string key;    // "HKEY_LOCAL_MACHINE\<AppKeyPath>"
    std::string value;  // key + "\<PARENTNAME>"
};

bool ReadRegList(ActionContext& context, const char* action, RegList* list) {
    const std::string parent = context.Get("PARENTNAME");
    const std::string key = context.Get("AppKeyPath");
    if (parent.empty() || !UsableKey(key) || parent.find('\\') != std::string::npos) {
        context.log(".Error: %s> PARENTNAME and AppKeyPath must be set", action);
        return false;
    }
    list->key = kMachineRoot + key;
    list->value = list->key + "\\" + parent;
    return true;
}

}  // namespace

// "CustomActionData" is "<key>|<value name>|<text>" (the key below HKEY_LOCAL_MACHINE,
// split at the first two "|" so that the text may hold "|"; a value name is required). The second
// action reads a text "None" (any case) as empty, as the second search-and-replace action does.
// Deferred: a failure stops the installation.
unsigned UpdateRegistryValueAction(ActionContext& context, bool noneMeansEmpty) {
    const char* action = noneMeansEmpty ? "UpdateRegistryValue2" : "UpdateRegistryValue";
    ReplaceData data;  // file: the key, search: the value name, replacement: the text
    const std::string text = context.Get("CustomActionData");
    if (!ParseReplaceData(text, noneMeansEmpty, &data) || !UsableKey(data.file)) {
        context.log(".Error: %s> CustomActionData must be key|name|value with a key", action);
        return kActionFailure;
    }
    const std::string key = kMachineRoot + data.file;
    long error = 0;
    RegistryAccess& registry = context.machine.Registry();
    if (!registry.CreateKey(key, kView, &error) ||
        !registry.WriteString(key + "\\" + data.search, data.replacement, kView, &error)) {
        context.log(".Error: %s> Could not set '%s' in %s (error code %ld)", action,
                    data.search.c_str(), key.c_str(), error);
        return kActionFailure;
    }
    context.log(".Info: %s> Set '%s' in %s", action, data.search.c_str(), key.c_str());
    return kActionSuccess;
}

// Sets "ExternalPing" = 4 (a double word) in the service's key. The key of a service that
// is not installed is not created: that would leave a broken service entry behind.
unsigned SetRemoteAccessExternalPingAction(ActionContext& context) {
    const std::string key = std::string(kMachineRoot) + kRemoteAccessKey;
    RegistryAccess& registry = context.machine.Registry();
    RegistryKeyCounts counts;
    long error = 0;
    if (!registry.CountKeyEntries(key, &counts, kView, &error)) {
        context.log(".Info: SetRemoteAccessExternalPingToFour> %s not found (error code %ld)",
                    key.c_str(), error);
        return kActionSuccess;
    }
    if (!registry.WriteNumber(key + "\\ExternalPing", 4, kView, &error))
        context.log(
            ".Error: SetRemoteAccessExternalPingToFour> Could not set ExternalPing"
            " (error code %ld)",
            error);
    return kActionSuccess;
}

unsigned AddAppToRegListAction(ActionContext& context) {
    RegList list;
    if (!ReadRegList(context, "AddAppToRegList", &list))
        return kActionSuccess;
    const unsigned long count = ReadCount(context, list.value) + 1;
    long error = 0;
    RegistryAccess& registry = context.machine.Registry();
    if (!registry.CreateKey(list.key, kView, &error) ||
        !registry.WriteNumber(list.value, count, kView, &error)) {
        context.log(".Error: AddAppToRegList> Could not set %s (error code %ld)",
                    list.value.c_str(), error);
        return kActionSuccess;
    }
    context.log(".Info: AddAppToRegList> %s = %lu", list.value.c_str(), count);
    return kActionSuccess;
}

// A missing count means that no application is left in the list: "REMOVEALL" = "Y" then
// too. A key that holds nothing more after the value went is deleted.
unsigned DelAppFromRegListAction(ActionContext& context) {
    RegList list;
    if (!ReadRegList(context, "DelAppFromRegList", &list))
        return kActionSuccess;
    const unsigned long count = ReadCount(context, list.value);
    RegistryAccess& registry = context.machine.Registry();
    long error = 0;
    if (count > 1) {
        if (!registry.WriteNumber(list.value, count - 1, kView, &error))
            context.log(".Error: DelAppFromRegList> Could not set %s (error code %ld)",
                        list.value.c_str(), error);
        else
            context.log(".Info: DelAppFromRegList> %s = %lu", list.value.c_str(), count - 1);
        return kActionSuccess;
    }
    if (count == 1 && !registry.DeleteValue(list.value, kView, &error)) {
        context.log(".Error: DelAppFromRegList> Could not delete %s (error code %ld)",
                    list.value.c_str(), error);
        return kActionSuccess;
    }
    registry.DeleteEmptyKey(list.key, kView, &error);
    context.log(".Info: DelAppFromRegList> %s is no longer listed", list.value.c_str());
    context.Set("REMOVEALL", "Y");
    return kActionSuccess;
}
