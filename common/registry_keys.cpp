#include "registry_keys.h"

#include "log_file.h"
#include "system_error.h"

namespace {

long Failed(LogFile& log, const char* format, long code, const std::string& path) {
    log.Error(format, static_cast<int>(code), path.c_str(), SystemErrorText(code).c_str());
    return code;
}

// A key path with its final "\", as the path parser reads a key.
std::string AsKeyPath(const std::string& keyPath) {
    return !keyPath.empty() && keyPath.back() == '\\' ? keyPath : keyPath + "\\";
}

long Result(bool ok, long errorCode) {
    return ok ? 0 : (errorCode != 0 ? errorCode : kRegistryInvalidParameter);
}

}  // namespace

bool IsRegistryNotFound(long errorCode) {
    return errorCode == kRegistryNotFound || errorCode == kRegistryPathNotFound;
}

bool RegistryKeyOf(LogFile& log, const std::string& path, bool keyRequired, std::string* keyPath) {
    RegistryPath parsed;
    if (!ParseRegistryPath(path, &parsed) || (keyRequired && parsed.key.empty())) {
        Failed(log, "Error %d parsing registry path '%s': %s", kRegistryInvalidParameter, path);
        return false;
    }
    *keyPath = parsed.key.empty() ? parsed.root : parsed.root + "\\" + parsed.key;
    return true;
}

long CreateRegKey(RegistryAccess& registry, LogFile& log, const std::string& keyPath,
                  RegistryView view) {
    std::string key;
    if (!RegistryKeyOf(log, AsKeyPath(keyPath), true, &key))
        return kRegistryInvalidParameter;
    long error = 0;
    const bool ok = registry.CreateKey(key, view, &error);
    const long result = Result(ok, error);
    return result == 0 ? 0 : Failed(log, "Error %d creating registry key '%s': %s", result, key);
}

long DeleteRegKey(RegistryAccess& registry, LogFile& log, const std::string& keyPath,
                  RegistryView view) {
    std::string key;
    if (!RegistryKeyOf(log, AsKeyPath(keyPath), true, &key))
        return kRegistryInvalidParameter;
    long error = 0;
    const bool ok = registry.DeleteKey(key, view, &error);
    const long result = Result(ok, error);
    if (result == 0 || IsRegistryNotFound(result))
        return result;
    return Failed(log, "Error %d writing registry key '%s': %s", result, key);
}

long DeleteRegEmptyKey(RegistryAccess& registry, LogFile& log, const std::string& keyPath,
                       RegistryView view) {
    std::string key;
    if (!RegistryKeyOf(log, AsKeyPath(keyPath), true, &key))
        return kRegistryInvalidParameter;
    long error = 0;
    const bool ok = registry.DeleteEmptyKey(key, view, &error);
    const long result = Result(ok, error);
    if (result == kRegistryKeyNotEmpty) {
        log.Warning("Registry key '%s' not empty and it will not be deleted!", key.c_str());
        return result;
    }
    if (result == 0 || IsRegistryNotFound(result))
        return result;
    return Failed(log, "Error %d writing registry key '%s': %s", result, key);
}

long CheckRegKey(RegistryAccess& registry, LogFile& log, const std::string& keyPath,
                 RegistryView view) {
    std::string key;
    if (!RegistryKeyOf(log, AsKeyPath(keyPath), false, &key))
        return kRegistryInvalidParameter;
    RegistryKeyCounts counts;
    long error = 0;
    const bool ok = registry.CountKeyEntries(key, &counts, view, &error);
    const long result = Result(ok, error);
    if (IsRegistryNotFound(result))
        log.Line("Key not found");
    else if (result != 0)
        log.Error("Error opening key");
    return result;
}

long EnumerateRegKeys(RegistryAccess& registry, LogFile& log, const std::string& keyPath,
                      std::vector<std::string>* names, RegistryView view) {
    long error = 0;
    const bool ok = registry.EnumerateSubKeys(keyPath, names, view, &error);
    const long result = Result(ok, error);
    if (result != 0 && !IsRegistryNotFound(result))
        log.Error("Error %d during registry enum keys: %s", static_cast<int>(result),
                  SystemErrorText(result).c_str());
    return result;
}

long EnumerateRegValues(RegistryAccess& registry, LogFile& log, const std::string& keyPath,
                        std::vector<RegistryValue>* values, RegistryView view) {
    long error = 0;
    const bool ok = registry.EnumerateValues(keyPath, values, view, &error);
    const long result = Result(ok, error);
    if (result != 0 && !IsRegistryNotFound(result))
        log.Error("Error %d during registry enum values: %s", static_cast<int>(result),
                  SystemErrorText(result).c_str());
    return result;
}
