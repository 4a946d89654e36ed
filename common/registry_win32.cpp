#include <windows.h>

#include "registry_key_win32.h"

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

// The name to give the registry functions: none for the key's default value.
const char* ValueName(const RegistryPath& parsed) {
    return parsed.namesKey ? nullptr : parsed.valueName.c_str();
}

// Reads the whole data of a value with its type, whatever its length. The value may grow
// between the query of its size and its reading: its size is asked again then.
LONG QueryWholeValue(HKEY key, const char* name, DWORD* type, std::string* data) {
    LONG result = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 3 && result == ERROR_MORE_DATA; ++attempt) {
        DWORD size = 0;
        result = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
        if (result != ERROR_SUCCESS)
            return result;
        data->assign(size + 2, '\0');
        result =
            RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(&(*data)[0]), &size);
        if (result == ERROR_SUCCESS)
            data->resize(size);
    }
    return result;
}

}  // namespace

bool ReadRegistryTyped(const std::string& path, TypedRegistryValue* value, RegistryView view,
                       long* errorCode) {
    RegistryPath parsed;
    *errorCode = ERROR_INVALID_PARAMETER;
    if (!ParseRegistryPath(path, &parsed))
        return false;
    KeyHandle key;
    LONG result = RegOpenKeyExA(RootKey(parsed.root), parsed.key.c_str(), 0,
                                KEY_QUERY_VALUE | ViewFlag(view), key.Out());
    DWORD type = REG_NONE;
    std::string data;
    if (result == ERROR_SUCCESS)
        result = QueryWholeValue(key.Get(), ValueName(parsed), &type, &data);
    *errorCode = result;
    if (result != ERROR_SUCCESS)
        return false;
    data.push_back('\0');
    value->type = type;
    value->text = ValueAsText(type, data);
    return true;
}

bool ReadRegistryValue(const std::string& path, std::string* value, RegistryView view,
                       long* errorCode) {
    TypedRegistryValue typed;
    if (!ReadRegistryTyped(path, &typed, view, errorCode))
        return false;
    *value = typed.text;
    return true;
}

namespace {

// A key path names the whole key, with or without its final "\".
bool ParseKeyPath(const std::string& keyPath, RegistryPath* parsed) {
    const std::string path = !keyPath.empty() && keyPath.back() == '\\' ? keyPath : keyPath + "\\";
    return ParseRegistryPath(path, parsed) && RootKey(parsed->root) != nullptr;
}

LONG OpenKey(const RegistryPath& parsed, const std::string& key, REGSAM access, RegistryView view,
             KeyHandle* handle) {
    return RegOpenKeyExA(RootKey(parsed.root), key.c_str(), 0, access | ViewFlag(view),
                         handle->Out());
}

bool Done(LONG result, long* errorCode) {
    *errorCode = result;
    return result == ERROR_SUCCESS;
}

// Opens the key a key path names; ERROR_INVALID_PARAMETER when the path names none.
LONG OpenKeyPath(const std::string& keyPath, REGSAM access, RegistryView view, KeyHandle* key) {
    RegistryPath parsed;
    if (!ParseKeyPath(keyPath, &parsed))
        return ERROR_INVALID_PARAMETER;
    return OpenKey(parsed, parsed.key, access, view, key);
}

// Opens the key that holds the value a value path names; ERROR_INVALID_PARAMETER when the path
// names none.
LONG OpenValueKey(const std::string& path, REGSAM access, RegistryView view, RegistryPath* parsed,
                  KeyHandle* key) {
    if (!ParseRegistryPath(path, parsed) || RootKey(parsed->root) == nullptr)
        return ERROR_INVALID_PARAMETER;
    return OpenKey(*parsed, parsed->key, access, view, key);
}

}  // namespace

bool CreateRegistryKey(const std::string& keyPath, RegistryView view, long* errorCode) {
    RegistryPath parsed;
    if (!ParseKeyPath(keyPath, &parsed))
        return Done(ERROR_INVALID_PARAMETER, errorCode);
    KeyHandle key;
    return Done(RegCreateKeyExA(RootKey(parsed.root), parsed.key.c_str(), 0, nullptr,
                                REG_OPTION_NON_VOLATILE, KEY_WRITE | ViewFlag(view), nullptr,
                                key.Out(), nullptr),
                errorCode);
}

bool DeleteRegistryKey(const std::string& keyPath, RegistryView view, long* errorCode) {
    RegistryPath parsed;
    if (!ParseKeyPath(keyPath, &parsed) || parsed.key.empty())
        return Done(ERROR_INVALID_PARAMETER, errorCode);
    // The key is removed through its parent, opened in the wanted view.
    const std::size_t slash = parsed.key.find_last_of('\\');
    const std::string parent = slash == std::string::npos ? "" : parsed.key.substr(0, slash);
    const std::string leaf = parsed.key.substr(slash == std::string::npos ? 0 : slash + 1);
    KeyHandle key;
    LONG result = OpenKey(parsed, parent, KEY_ALL_ACCESS, view, &key);
    if (result == ERROR_SUCCESS)
        result = RegDeleteTreeA(key.Get(), leaf.c_str());
    return Done(result, errorCode);
}

namespace {

// Sets a value of an existing key from its raw data.
bool SetRegistryValue(const std::string& path, DWORD type, const void* data, DWORD size,
                      RegistryView view, long* errorCode) {
    RegistryPath parsed;
    KeyHandle key;
    LONG result = OpenValueKey(path, KEY_SET_VALUE, view, &parsed, &key);
    if (result == ERROR_SUCCESS)
        result = RegSetValueExA(key.Get(), ValueName(parsed), 0, type,
                                static_cast<const BYTE*>(data), size);
    return Done(result, errorCode);
}

}  // namespace

bool WriteRegistryString(const std::string& path, const std::string& value, RegistryView view,
                         long* errorCode) {
    return SetRegistryValue(path, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1), view,
                            errorCode);
}

bool WriteRegistryText(const std::string& path, const std::string& value, unsigned long type,
                       RegistryView view, long* errorCode) {
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return Done(ERROR_INVALID_PARAMETER, errorCode);
    return SetRegistryValue(path, type, value.c_str(), static_cast<DWORD>(value.size() + 1), view,
                            errorCode);
}

bool WriteRegistryNumber(const std::string& path, unsigned long value, RegistryView view,
                         long* errorCode) {
    const DWORD number = static_cast<DWORD>(value);
    return SetRegistryValue(path, REG_DWORD, &number, sizeof(number), view, errorCode);
}

bool DeleteRegistryValue(const std::string& path, RegistryView view, long* errorCode) {
    RegistryPath parsed;
    KeyHandle key;
    LONG result = OpenValueKey(path, KEY_SET_VALUE, view, &parsed, &key);
    if (result == ERROR_SUCCESS)
        result = RegDeleteValueA(key.Get(), ValueName(parsed));
    return Done(result, errorCode);
}

bool EnumerateRegistryValues(const std::string& keyPath, std::vector<RegistryValue>* values,
                             RegistryView view, long* errorCode) {
    values->clear();
    KeyHandle key;
    LONG result = OpenKeyPath(keyPath, KEY_QUERY_VALUE, view, &key);
    DWORD nameSize = 0;
    DWORD dataSize = 0;
    if (result == ERROR_SUCCESS)
        result = RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, &nameSize, &dataSize, nullptr, nullptr);
    for (DWORD index = 0; result == ERROR_SUCCESS; ++index) {
        std::string name(nameSize + 1, '\0');
        std::string data(dataSize + 2, '\0');
        DWORD nameLength = nameSize + 1;
        DWORD dataLength = dataSize;
        DWORD type = 0;
        result = RegEnumValueA(key.Get(), index, &name[0], &nameLength, nullptr, &type,
                               reinterpret_cast<BYTE*>(&data[0]), &dataLength);
        if (result != ERROR_SUCCESS)
            break;
        data.resize(dataLength);
        data.push_back('\0');
        values->push_back({name.substr(0, nameLength), ValueAsText(type, data)});
    }
    return Done(result == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : result, errorCode);
}

bool ReadRegistryStrings(const std::string& path, std::vector<std::string>* texts,
                         RegistryView view, long* errorCode) {
    texts->clear();
    RegistryPath parsed;
    KeyHandle key;
    LONG result = OpenValueKey(path, KEY_QUERY_VALUE, view, &parsed, &key);
    std::string data;
    DWORD type = REG_NONE;
    if (result == ERROR_SUCCESS)
        result = QueryWholeValue(key.Get(), ValueName(parsed), &type, &data);
    if (result != ERROR_SUCCESS)
        return Done(result, errorCode);
    *texts = SplitMultiString(data);
    return Done(ERROR_SUCCESS, errorCode);
}

bool CountRegistryKeyEntries(const std::string& keyPath, RegistryKeyCounts* counts,
                             RegistryView view, long* errorCode) {
    *counts = RegistryKeyCounts{};
    KeyHandle key;
    LONG result = OpenKeyPath(keyPath, KEY_QUERY_VALUE, view, &key);
    DWORD subKeys = 0;
    DWORD values = 0;
    if (result == ERROR_SUCCESS)
        result = RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                                  &values, nullptr, nullptr, nullptr, nullptr);
    counts->subKeys = subKeys;
    counts->values = values;
    return Done(result, errorCode);
}

bool DeleteEmptyRegistryKey(const std::string& keyPath, RegistryView view, long* errorCode) {
    RegistryPath parsed;
    if (!ParseKeyPath(keyPath, &parsed) || parsed.key.empty())
        return Done(ERROR_INVALID_PARAMETER, errorCode);
    RegistryKeyCounts counts;
    if (!CountRegistryKeyEntries(keyPath, &counts, view, errorCode))
        return false;
    // Windows deletes a key with values but without sub-keys: the values are checked here.
    // Something written between the count and the deletion is not seen; the registry has no
    // way to delete a key only when it is empty.
    if (counts.subKeys != 0 || counts.values != 0)
        return Done(ERROR_DIR_NOT_EMPTY, errorCode);
    return Done(RegDeleteKeyExA(RootKey(parsed.root), parsed.key.c_str(), ViewFlag(view), 0),
                errorCode);
}

bool EnumerateRegistrySubKeys(const std::string& keyPath, std::vector<std::string>* names,
                              RegistryView view, long* errorCode) {
    names->clear();
    KeyHandle key;
    LONG result = OpenKeyPath(keyPath, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, view, &key);
    DWORD longest = 0;
    if (result == ERROR_SUCCESS)
        result = RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, &longest, nullptr,
                                  nullptr, nullptr, nullptr, nullptr, nullptr);
    for (DWORD index = 0; result == ERROR_SUCCESS; ++index) {
        std::string name(longest + 1, '\0');
        DWORD length = longest + 1;
        result =
            RegEnumKeyExA(key.Get(), index, &name[0], &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_SUCCESS)
            names->push_back(name.substr(0, length));
    }
    return Done(result == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : result, errorCode);
}
