#include "ref_count.h"

#include <algorithm>

#include "log_file.h"
#include "registry.h"
#include "system_error.h"
#include "text_util.h"

namespace {

const long kNotFound = 2;  // ERROR_FILE_NOT_FOUND: a missing key or value
const char kIndent[] = "    ";

// A product key or reference name is one registry name: an empty one would make the store's
// own key the product key (and its last removal delete every product's references), and a
// backslash would reach into another key.
bool IsOneName(const std::string& name) {
    return !name.empty() && name.find('\\') == std::string::npos;
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

}  // namespace

std::string PermanentRefCountRoot() {
    return std::string("HKEY_LOCAL_MACHINE\\") + kInstallInfoKey + "\\RefCount";
}

std::string TemporaryRefCountRoot() {
    return std::string("HKEY_LOCAL_MACHINE\\") + kInstallInfoKey + "\\RefCountTemporary";
}

RefCount::RefCount(std::string rootPath, RegistryAccess& registry, LogFile& log)
    : root_(std::move(rootPath)), registry_(registry), log_(log) {}

std::string RefCount::KeyPath(const std::string& product) const {
    return root_ + "\\" + product;
}

void RefCount::LogError(long code, const char* context) {
    LogSystemError(log_, code, context, kIndent);
}

bool RefCount::References(const std::string& product, std::vector<RegistryValue>* values,
                          const char* context) {
    long error = 0;
    if (registry_.EnumerateValues(KeyPath(product), values, kRegistryDefaultView, &error))
        return true;
    if (error != kNotFound)
        LogError(error, context);
    values->clear();
    return false;
}

bool RefCount::AddRefCount(const std::string& product, const std::string& reference,
                           const std::string& data) {
    if (!IsOneName(product) || !IsOneName(reference)) {
        log_.Error("RefCount::AddRefCount(): invalid name '%s' / '%s'", product.c_str(),
                   reference.c_str());
        return false;
    }
    long error = 0;
    if (registry_.CreateKey(KeyPath(product), kRegistryDefaultView, &error) &&
        registry_.WriteString(KeyPath(product) + "\\" + reference, data, kRegistryDefaultView,
                              &error))
        return true;
    LogError(error, "RefCount::AddRefCount()");
    return false;
}

int RefCount::RemoveRefCount(const std::string& product, const std::string& reference) {
    const char* const context = "RefCount::RemoveRefCount()";
    if (!IsOneName(product) || !IsOneName(reference)) {
        log_.Error("%s: invalid name '%s' / '%s'", context, product.c_str(), reference.c_str());
        return -1;
    }
    std::vector<RegistryValue> values;
    long error = 0;
    if (!registry_.EnumerateValues(KeyPath(product), &values, kRegistryDefaultView, &error)) {
        if (error == kNotFound)
            return 0;  // no key: nothing to remove
        LogError(error, context);
        return -1;
    }
    if (!registry_.DeleteValue(KeyPath(product) + "\\" + reference, kRegistryDefaultView, &error) &&
        error != kNotFound)
        LogError(error, context);
    if (!References(product, &values, context))
        return 0;
    if (values.empty() && !registry_.DeleteKey(KeyPath(product), kRegistryDefaultView, &error))
        LogError(error, context);
    return static_cast<int>(values.size());
}

int RefCount::GetRefCount(const std::string& product) {
    std::vector<RegistryValue> values;
    References(product, &values, "RefCount::GetRefCount(...)");
    return static_cast<int>(values.size());
}

bool RefCount::HasReference(const std::string& product, const std::string& reference) {
    std::string data;
    return ReadReference(product, reference, &data);
}

bool RefCount::ReadReference(const std::string& product, const std::string& reference,
                             std::string* data) {
    long error = 0;
    if (registry_.ReadValue(KeyPath(product) + "\\" + reference, data, kRegistryDefaultView,
                            &error))
        return true;
    if (error != kNotFound)
        LogError(error, "RefCount::ReadReference()");
    data->clear();
    return false;
}

bool RefCount::Exists(const std::string& product) {
    std::vector<RegistryValue> values;
    long error = 0;
    if (registry_.EnumerateValues(KeyPath(product), &values, kRegistryDefaultView, &error))
        return true;
    if (error == kNotFound)
        return false;
    LogError(error, "RefCount::Exists()");
    return true;
}

std::string RefCount::GetRefCountList(const std::string& product) {
    std::vector<RegistryValue> values;
    References(product, &values, "RefCount::GetRefCountList(...)");
    std::vector<std::string> names;
    for (const RegistryValue& value : values) names.push_back(value.name);
    return JoinNames(names);
}

// The references are taken from the key itself, not from its joined list, so that a name
// that holds a comma is still one name.
bool RefCount::RemoveOrphans(const std::string& product, const std::vector<std::string>& kept,
                             std::string* removed) {
    std::vector<RegistryValue> values;
    References(product, &values, "RefCount::RemoveOrphans()");
    std::vector<std::string> orphans;
    for (const RegistryValue& value : values) {
        const bool keep = std::any_of(kept.begin(), kept.end(), [&value](const std::string& name) {
            return EqualsNoCase(name.c_str(), value.name.c_str());
        });
        if (keep || Exists(value.name))
            continue;
        RemoveRefCount(product, value.name);
        orphans.push_back(value.name);
    }
    *removed = JoinNames(orphans);
    return !orphans.empty();
}
