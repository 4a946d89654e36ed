#include "registry.h"

#include <algorithm>

#include "text_util.h"

const char* const kInstallInfoKey = "SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo";

const std::vector<std::string>& RegistryRootNames() {
    static const std::vector<std::string> names = {
        "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_CONFIG",
        "HKEY_CURRENT_USER",     "HKEY_LOCAL_MACHINE",
        "HKEY_PERFORMANCE_DATA", "HKEY_PERFORMANCE_NLSTEXT",
        "HKEY_PERFORMANCE_TEXT", "HKEY_USERS",
        "HKEY_DYN_DATA"};
    return names;
}

bool ParseRegistryPath(const std::string& path, RegistryPath* parsed) {
    const std::size_t firstSlash = path.find('\\');
    const std::string root = path.substr(0, firstSlash);
    bool known = false;
    for (const std::string& name : RegistryRootNames())
        known = known || EqualsNoCase(name.c_str(), root.c_str());
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

std::vector<std::string> SplitMultiString(const std::string& data) {
    std::vector<std::string> texts;
    for (std::size_t start = 0; start < data.size();) {
        const std::size_t end = std::min(data.find('\0', start), data.size());
        if (end > start)
            texts.push_back(data.substr(start, end - start));
        start = end + 1;
    }
    return texts;
}

namespace {

class SystemRegistryAccess : public RegistryAccess {
  public:
    bool ReadValue(const std::string& path, std::string* value, RegistryView view,
                   long* errorCode) override {
        return ReadRegistryValue(path, value, view, errorCode);
    }
    bool CreateKey(const std::string& keyPath, RegistryView view, long* errorCode) override {
        return CreateRegistryKey(keyPath, view, errorCode);
    }
    bool DeleteKey(const std::string& keyPath, RegistryView view, long* errorCode) override {
        return DeleteRegistryKey(keyPath, view, errorCode);
    }
    bool WriteString(const std::string& path, const std::string& value, RegistryView view,
                     long* errorCode) override {
        return WriteRegistryString(path, value, view, errorCode);
    }
    bool DeleteValue(const std::string& path, RegistryView view, long* errorCode) override {
        return DeleteRegistryValue(path, view, errorCode);
    }
    bool WriteNumber(const std::string& path, unsigned long value, RegistryView view,
                     long* errorCode) override {
        return WriteRegistryNumber(path, value, view, errorCode);
    }
    bool ReadStrings(const std::string& path, std::vector<std::string>* texts, RegistryView view,
                     long* errorCode) override {
        return ReadRegistryStrings(path, texts, view, errorCode);
    }
    bool EnumerateValues(const std::string& keyPath, std::vector<RegistryValue>* values,
                         RegistryView view, long* errorCode) override {
        return EnumerateRegistryValues(keyPath, values, view, errorCode);
    }
    bool ReadTyped(const std::string& path, TypedRegistryValue* value, RegistryView view,
                   long* errorCode) override {
        return ReadRegistryTyped(path, value, view, errorCode);
    }
    bool WriteText(const std::string& path, const std::string& value, unsigned long type,
                   RegistryView view, long* errorCode) override {
        return WriteRegistryText(path, value, type, view, errorCode);
    }
    bool CountKeyEntries(const std::string& keyPath, RegistryKeyCounts* counts, RegistryView view,
                         long* errorCode) override {
        return CountRegistryKeyEntries(keyPath, counts, view, errorCode);
    }
    bool DeleteEmptyKey(const std::string& keyPath, RegistryView view, long* errorCode) override {
        return DeleteEmptyRegistryKey(keyPath, view, errorCode);
    }
    bool EnumerateSubKeys(const std::string& keyPath, std::vector<std::string>* names,
                          RegistryView view, long* errorCode) override {
        return EnumerateRegistrySubKeys(keyPath, names, view, errorCode);
    }
};

}  // namespace

RegistryAccess& SystemRegistry() {
    static SystemRegistryAccess registry;
    return registry;
}
