#include <windows.h>

#include "registry.h"
#include "text_util.h"

namespace {

HKEY RootKey(const std::string& root) {
    struct Root {
        const char* name;
        HKEY key;
    } static const roots[] = {
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
        {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
        {"HKEY_PERFORMANCE_NLSTEXT", HKEY_PERFORMANCE_NLSTEXT},
        {"HKEY_PERFORMANCE_TEXT", HKEY_PERFORMANCE_TEXT},
        {"HKEY_USERS", HKEY_USERS},
        {"HKEY_DYN_DATA", HKEY_DYN_DATA},
    };
    for (const Root& entry : roots) {
        if (EqualsNoCase(entry.name, root.c_str()))
            return entry.key;
    }
    return nullptr;
}

REGSAM ViewFlag(RegistryView view) {
    if (view == kRegistry32View)
        return KEY_WOW64_32KEY;
    if (view == kRegistry64View)
        return KEY_WOW64_64KEY;
    return 0;
}

class KeyHandle {
  public:
    ~KeyHandle() {
        if (key_)
            RegCloseKey(key_);
    }
    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

std::string ValueAsText(DWORD type, const std::string& data) {
    if (type == REG_DWORD && data.size() >= 4) {
        DWORD number = 0;
        memcpy(&number, data.data(), sizeof(number));
        return std::to_string(number);
    }
    if (type == REG_QWORD && data.size() >= 8) {
        unsigned long long number = 0;
        memcpy(&number, data.data(), sizeof(number));
        return std::to_string(number);
    }
    return std::string(data.c_str());  // text types: up to the terminator
}

}  // namespace

bool ReadRegistryValue(const std::string& path, std::string* value, RegistryView view,
                       long* errorCode) {
    RegistryPath parsed;
    *errorCode = ERROR_INVALID_PARAMETER;
    if (!ParseRegistryPath(path, &parsed))
        return false;
    KeyHandle key;
    LONG result = RegOpenKeyExA(RootKey(parsed.root), parsed.key.c_str(), 0,
                                KEY_QUERY_VALUE | ViewFlag(view), key.Out());
    if (result != ERROR_SUCCESS) {
        *errorCode = result;
        return false;
    }
    const char* name = parsed.namesKey ? nullptr : parsed.valueName.c_str();
    DWORD type = 0;
    DWORD size = 0;
    result = RegQueryValueExA(key.Get(), name, nullptr, &type, nullptr, &size);
    std::string data(size + 2, '\0');
    if (result == ERROR_SUCCESS)
        result = RegQueryValueExA(key.Get(), name, nullptr, &type,
                                  reinterpret_cast<BYTE*>(&data[0]), &size);
    *errorCode = result;
    if (result != ERROR_SUCCESS)
        return false;
    data.resize(size);
    data.push_back('\0');
    *value = ValueAsText(type, data);
    return true;
}
