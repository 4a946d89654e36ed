#include "registry.h"

#include "text_util.h"

const char* const kInstallInfoKey = "SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo";

namespace {

const char* const kRootNames[] = {"HKEY_CLASSES_ROOT",     "HKEY_CURRENT_CONFIG",
                                  "HKEY_CURRENT_USER",     "HKEY_LOCAL_MACHINE",
                                  "HKEY_PERFORMANCE_DATA", "HKEY_PERFORMANCE_NLSTEXT",
                                  "HKEY_PERFORMANCE_TEXT", "HKEY_USERS",
                                  "HKEY_DYN_DATA"};

}  // namespace

bool ParseRegistryPath(const std::string& path, RegistryPath* parsed) {
    const std::size_t firstSlash = path.find('\\');
    const std::string root = path.substr(0, firstSlash);
    bool known = false;
    for (const char* name : kRootNames) known = known || EqualsNoCase(name, root.c_str());
    if (!known)
        return false;
    *parsed = RegistryPath{};
    parsed->root = root;
    if (firstSlash == std::string::npos) {
        parsed->namesKey = true;
        return true;
    }
    const std::string rest = path.substr(firstSlash + 1);
    const std::size_t lastSlash = rest.find_last_of('\\');
    parsed->namesKey = !rest.empty() && rest.back() == '\\';
    if (lastSlash == std::string::npos) {
        parsed->valueName = rest;
    } else {
        parsed->key = rest.substr(0, lastSlash);
        parsed->valueName = rest.substr(lastSlash + 1);
    }
    return true;
}
