#include "registry_operation.h"

#include "log_file.h"
#include "registry_keys.h"
#include "str_util.h"
#include "system_error.h"
#include "text_util.h"

namespace {

bool WritesValue(int operation) {
    return operation == kRegOpSet || operation == kRegOpCreate || operation == kRegOpAppend ||
           operation == kRegOpPrefix || operation == kRegOpExtract;
}

// Binary and multi-string values are never rebuilt from text: their text is not the whole
// of their data.
bool RefusedType(LogFile& log, unsigned long type) {
    if (type == kRegBinary) {
        log.Error("Registry operations for binary entries are not implemented!");
        return true;
    }
    if (type == kRegMultiString) {
        log.Error("Registry operations for multiline string entries are not implemented!");
        return true;
    }
    return false;
}

// The types a value can be written with; the others are logged.
bool WritableType(LogFile& log, unsigned long type) {
    if (RefusedType(log, type))
        return false;
    if (type == kRegString || type == kRegExpandString || type == kRegDword)
        return true;
    log.Error("Registry type '%d' not supported", static_cast<int>(type));
    return false;
}

std::vector<std::string> SplitItems(const std::string& text, const std::string& separator) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::string::npos;
         start = end + separator.size())
        items.push_back(text.substr(start, end - start));
    items.push_back(text.substr(start));
    return items;
}

std::string JoinItems(const std::vector<std::string>& items, const std::string& separator) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) text += (i == 0 ? "" : separator) + items[i];
    return text;
}

// Remove: a value, or a key when the path names one (only when the key is empty). What is
// not there is already removed.
long Remove(RegistryAccess& registry, LogFile& log, const RegistryRequest& request,
            RegistryOutcome* outcome) {
    RegistryPath parsed;
    ParseRegistryPath(request.path, &parsed);
    if (parsed.namesKey) {
        const long result = DeleteRegEmptyKey(registry, log, request.path, request.view);
        if (result != kRegistryKeyNotEmpty)
            return IsRegistryNotFound(result) ? 0 : result;
        // The key stays with its default value; the warning is the whole report.
        outcome->hasNew = outcome->hadPrevious;
        outcome->now = outcome->previous;
        return 0;
    }
    long error = 0;
    if (registry.DeleteValue(request.path, request.view, &error) || IsRegistryNotFound(error))
        return 0;
    log.Error("Error %d writing registry value '%s': %s", static_cast<int>(error),
              request.path.c_str(), SystemErrorText(error).c_str());
    return error;
}

// Reads the value before the operation. A value that is there but cannot be read fails the
// operations that build on it: Append on a value that could not be read would replace it.
long ReadPrevious(RegistryAccess& registry, const RegistryRequest& request,
                  TypedRegistryValue* previous, RegistryOutcome* outcome) {
    long error = 0;
    outcome->hadPrevious = registry.ReadTyped(request.path, previous, request.view, &error);
    if (outcome->hadPrevious) {
        outcome->previous = previous->text;
        return 0;
    }
    const bool builds = request.operation != kRegOpCreate && request.operation != kRegOpRemove;
    return builds && !IsRegistryNotFound(error) ? (error != 0 ? error : kRegistryNotFound) : 0;
}

}  // namespace

bool ExtractFromRegistryText(const std::string& text, const std::string& value,
                             const std::string& separator, std::string* result) {
    if (value.empty())
        return false;
    if (separator.empty()) {
        const std::size_t at = text.find(value);
        if (at == std::string::npos)
            return false;
        *result = text.substr(0, at) + text.substr(at + value.size());
        return true;
    }
    std::vector<std::string> items = SplitItems(text, separator);
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (EqualsNoCase(items[i].c_str(), value.c_str())) {
            items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
            *result = JoinItems(items, separator);
            return true;
        }
    }
    return false;
}

bool ComposeRegistryValue(int operation, const std::string* previous, const std::string& value,
                          const std::string& separator, std::string* result) {
    const std::string before = previous ? *previous : std::string();
    switch (operation) {
        case kRegOpSet:
            *result = value;
            return previous != nullptr;
        case kRegOpCreate:
            *result = value;
            return true;
        case kRegOpAppend:
            *result = before.empty() ? value : before + separator + value;
            return true;
        case kRegOpPrefix:
            *result = before.empty() ? value : value + separator + before;
            return true;
        case kRegOpExtract:
            return previous != nullptr && ExtractFromRegistryText(before, value, separator, result);
        default:
            return false;
    }
}

long WriteTypedRegistryValue(RegistryAccess& registry, LogFile& log, const std::string& path,
                             const std::string& text, unsigned long type, bool createKey,
                             RegistryView view) {
    if (!WritableType(log, type))
        return kRegistryNotSupported;
    int number = 0;
    if (type == kRegDword && !ParseInt(text.c_str(), &number)) {
        log.Error("Registry set: cannot convert '%s' value to DWORD", text.c_str());
        return kRegistryInvalidData;
    }
    std::string key;
    if (!RegistryKeyOf(log, path, false, &key))
        return kRegistryInvalidParameter;
    RegistryKeyCounts counts;
    long error = 0;
    if (!registry.CountKeyEntries(key, &counts, view, &error)) {
        const bool created = createKey && registry.CreateKey(key, view, &error);
        if (!created) {
            log.Error("Registry key '%s' does not exist%s!", key.c_str(),
                      createKey ? " and could not be created" : "");
            return error != 0 ? error : kRegistryNotFound;
        }
    }
    const bool written =
        type == kRegDword
            ? registry.WriteNumber(path, static_cast<unsigned long>(static_cast<unsigned>(number)),
                                   view, &error)
            : registry.WriteText(path, text, type, view, &error);
    if (written)
        return 0;
    log.Error("Error %d writing registry value '%s': %s", static_cast<int>(error), path.c_str(),
              SystemErrorText(error).c_str());
    return error;
}

long RegistryOperation(RegistryAccess& registry, LogFile& log, const RegistryRequest& request,
                       RegistryOutcome* outcome) {
    *outcome = RegistryOutcome{};
    std::string key;
    if (!RegistryKeyOf(log, request.path, request.operation == kRegOpRemove, &key))
        return kRegistryInvalidParameter;
    if (WritesValue(request.operation) && !WritableType(log, request.type))
        return kRegistryNotSupported;
    TypedRegistryValue previous;
    const long readError = ReadPrevious(registry, request, &previous, outcome);
    if (readError != 0)
        return readError;
    if (request.operation == kRegOpRemove)
        return Remove(registry, log, request, outcome);
    const bool rebuilds = request.operation == kRegOpAppend || request.operation == kRegOpPrefix ||
                          request.operation == kRegOpExtract;
    if (rebuilds && outcome->hadPrevious && RefusedType(log, previous.type))
        return kRegistryNotSupported;
    // Unless something is written, the value after the operation is the one before it.
    outcome->hasNew = outcome->hadPrevious;
    outcome->now = outcome->previous;
    std::string text;
    if (!ComposeRegistryValue(request.operation,
                              outcome->hadPrevious ? &outcome->previous : nullptr, request.value,
                              request.separator, &text))
        return 0;
    const long error = WriteTypedRegistryValue(registry, log, request.path, text, request.type,
                                               request.operation != kRegOpSet, request.view);
    if (error == 0) {
        outcome->hasNew = true;
        outcome->now = text;
    }
    return error;
}
