// The registry procedures of utils.dll over the registry interface of common.

#include "registry_procedures.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "deletion_guard.h"
#include "log_file.h"
#include "registry_keys.h"
#include "registry_vocabulary.h"
#include "text_procedures.h"
#include "str_util.h"
#include "system_error.h"
#include "text_util.h"
#include "utils_machine.h"

const RegistryView kBothViews[2] = {kRegistry32View, kRegistry64View};

namespace {

const long kNotFound = 2;  // ERROR_FILE_NOT_FOUND

RegistryAccess& Registry() {
    return *Machine().registry;
}

const char* ViewName(RegistryView view) {
    return view == kRegistry32View ? "32-bit" : view == kRegistry64View ? "64-bit" : "default";
}

std::string KeyArgument(const char* text) {
    return Trim(text, " \\");
}

std::string ValuePath(const std::string& key, const std::string& name) {
    return key + "\\" + name;
}

bool KeyExists(const std::string& key, RegistryView view, long* errorCode) {
    RegistryKeyCounts counts;
    return Registry().CountKeyEntries(key, &counts, view, errorCode);
}

// A number in decimal or, with "0x", hexadecimal that fits a double word.
bool ParseDword(const std::string& text, unsigned long* value) {
    const std::string trimmed = Trim(text, " \t");
    if (trimmed.empty() || trimmed[0] == '-')
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(trimmed.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || parsed > 0xFFFFFFFFull)
        return false;
    *value = static_cast<unsigned long>(parsed);
    return true;
}

// The value type named by argument 4 (a text when absent); any other type than a text or a
// DWORD is logged and gives kRegNone.
unsigned long WritableType(PluginSession session, int argc, char** argv) {
    const unsigned long type =
        argc > 4 ? RegistryTypeFromLongName(Trim(argv[4], " \t")) : kRegString;
    if (type == kRegString || type == kRegDword)
        return type;
    PluginLog(session, kLogPlain, "    Proc call : Invalid registry type: %s", argv[4]);
    return kRegNone;
}

long WriteTyped(const std::string& path, const std::string& data, unsigned long type,
                RegistryView view) {
    long code = 0;
    if (type == kRegString) {
        Registry().WriteString(path, data, view, &code);
        return code;
    }
    unsigned long number = 0;
    if (!ParseDword(data, &number))
        return kRegistryInvalidData;
    Registry().WriteNumber(path, number, view, &code);
    return code;
}

std::string JoinStrings(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& text : texts) joined += text + "/";
    return joined;
}

bool IsSixtyFourBit(PluginSession session) {
    std::string value;
    if (session != 0)
        return ProcProperty(session, "VersionNT64", &value);
    if (!ProcProperty(session, "OSArchitecture", &value)) {
        PluginLog(session, kLogPlain, "    Proc call : Error: Cannot find OS architecture!");
        return false;
    }
    if (EqualsNoCase(value.c_str(), "64-bit"))
        return true;
    PluginLog(session, kLogPlain, "    Proc call : Ignored: No 64 bits architecture");
    return false;
}

int CopyValues(RegistryAccess& registry, const std::string& key, RegistryView from, RegistryView to,
               int* skipped, long* errorCode) {
    std::vector<RegistryValue> values;
    if (!registry.EnumerateValues(key, &values, from, errorCode))
        return -1;
    int copied = 0;
    for (const RegistryValue& value : values) {
        const std::string path = ValuePath(key, value.name);
        TypedRegistryValue typed;
        if (!registry.ReadTyped(path, &typed, from, errorCode))
            return -1;
        bool written = false;
        if (typed.type == kRegString || typed.type == kRegExpandString)
            written = registry.WriteText(path, typed.text, typed.type, to, errorCode);
        else if (typed.type == kRegDword)
            written = registry.WriteNumber(path, std::strtoul(typed.text.c_str(), nullptr, 10), to,
                                           errorCode);
        else {
            ++*skipped;
            continue;
        }
        if (!written)
            return -1;
        ++copied;
    }
    return copied;
}

}  // namespace

bool ReadValueForDisplay(RegistryAccess& registry, const std::string& path, RegistryView view,
                         std::string* text, long* errorCode) {
    TypedRegistryValue typed;
    if (!registry.ReadTyped(path, &typed, view, errorCode))
        return false;
    if (typed.type != kRegMultiString) {
        *text = typed.text;
        return true;
    }
    std::vector<std::string> texts;
    if (!registry.ReadStrings(path, &texts, view, errorCode))
        return false;
    *text = JoinStrings(texts);
    return true;
}

int CopyRegistryKey(RegistryAccess& registry, const std::string& keyPath, RegistryView from,
                    RegistryView to, int* skipped, long* errorCode) {
    if (!registry.CreateKey(keyPath, to, errorCode))
        return -1;
    int copied = CopyValues(registry, keyPath, from, to, skipped, errorCode);
    if (copied < 0)
        return -1;
    ++copied;
    std::vector<std::string> names;
    if (!registry.EnumerateSubKeys(keyPath, &names, from, errorCode))
        return -1;
    for (const std::string& name : names) {
        const int below =
            CopyRegistryKey(registry, keyPath + "\\" + name, from, to, skipped, errorCode);
        if (below < 0)
            return -1;
        copied += below;
    }
    return copied;
}

int RegistryExistsProc(PluginSession, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 1, 2, error))
        return 0;
    const std::string key = KeyArgument(argv[1]);
    long code = 0;
    if (argc == 2)
        return KeyExists(key, kRegistryDefaultView, &code) ? 1 : 0;
    TypedRegistryValue value;
    const std::string path = ValuePath(key, Trim(argv[2], " \\"));
    return Registry().ReadTyped(path, &value, kRegistryDefaultView, &code) ? 1 : 0;
}

// The entries of a key are its values and its sub-keys.
int RegistryEntriesCountProc(PluginSession session, int argc, char** argv, char* result,
                             int resultSize, int* error) {
    if (!CheckPluginArgCount(argc, 1, 2, error))
        return 0;
    if (argc == 3)
        return RegistryExistsProc(session, argc, argv, result, resultSize, error);
    RegistryKeyCounts counts;
    long code = 0;
    if (!Registry().CountKeyEntries(KeyArgument(argv[1]), &counts, kRegistryDefaultView, &code)) {
        if (code != kNotFound)
            LogSystemError(code, "RegistryEntriesCount(...)", "    ");
        return 0;
    }
    return static_cast<int>(counts.subKeys + counts.values);
}

int RegistryGetValueProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                         int* error) {
    if (!CheckPluginArgCount(argc, 2, 3, error))
        return 0;
    const std::string key = TrimRight(ReplaceChar(argv[1], '/', '\\'), "\\");
    std::string text;
    long code = 0;
    if (!ReadValueForDisplay(Registry(), ValuePath(key, argv[2]), kRegistryDefaultView, &text,
                             &code)) {
        PluginLog(session, kLogPlain, "    Proc call : Error reading value: %s",
                  SystemErrorText(code).c_str());
        StrCopyTruncated(result, argc > 3 ? argv[3] : "", resultSize);
        return 0;
    }
    if (static_cast<int>(text.size()) >= resultSize) {
        PluginLog(session, kLogWarning,
                  "Return value is too large and will be truncated from %d to %d",
                  static_cast<int>(text.size()), resultSize - 1);
    }
    StrCopyTruncated(result, text.c_str(), resultSize);
    return 1;
}

int RegistrySetValueProc(PluginSession session, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 3, 4, error))
        return 0;
    const unsigned long type = WritableType(session, argc, argv);
    if (type == kRegNone)
        return 0;
    const std::string key = KeyArgument(argv[1]);
    long code = 0;
    if (!Registry().CreateKey(key, kRegistryDefaultView, &code))
        PluginLog(session, kLogPlain, "    Proc call : Error creating registry key: %s",
                  SystemErrorText(code).c_str());
    code = WriteTyped(ValuePath(key, argv[2]), argv[3], type, kRegistryDefaultView);
    if (code == 0)
        return 1;
    PluginLog(session, kLogPlain,
              type == kRegString ? "    Proc call : Error writing string value: %s"
                                 : "    Proc call : Error writing DWORD value: %s",
              SystemErrorText(code).c_str());
    return 0;
}

int RegistrySetValueBothProc(PluginSession session, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 3, 4, error))
        return 0;
    const unsigned long type = WritableType(session, argc, argv);
    if (type == kRegNone)
        return 0;
    const std::string path = ValuePath(KeyArgument(argv[1]), argv[2]);
    int written = 0;
    for (const RegistryView view : kBothViews) {
        const long code = WriteTyped(path, argv[3], type, view);
        if (code == 0) {
            ++written;
            continue;
        }
        PluginLog(session, kLogPlain,
                  type == kRegString ? "    Proc call : Error %d writing string value: %s"
                                     : "    Proc call : Error %d writing DWORD value: %s",
                  static_cast<int>(code), (path + " (" + ViewName(view) + " view)").c_str());
    }
    return written == 2 ? 1 : 0;
}

int RegistryMakeKeyBothProc(PluginSession session, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    const std::string key = KeyArgument(argv[1]);
    int made = 0;
    for (const RegistryView view : kBothViews) {
        long code = 0;
        if (Registry().CreateKey(key, view, &code)) {
            ++made;
            continue;
        }
        PluginLog(session, kLogPlain, "    Proc call : Error %d writing value: %s",
                  static_cast<int>(code), (key + " (" + ViewName(view) + " view)").c_str());
    }
    return made == 2 ? 1 : 0;
}

// setup is a 64-bit program: what it and the packages it runs wrote natively lives in the
// 64-bit view, and the copy makes it visible to 32-bit programs.
int RegistryCopyKeyWow6432Proc(PluginSession session, int argc, char** argv, char*, int,
                               int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    if (!IsSixtyFourBit(session))
        return 0;
    const std::string key = KeyArgument(argv[1]);
    int skipped = 0;
    long code = 0;
    const int copied =
        CopyRegistryKey(Registry(), key, kRegistry64View, kRegistry32View, &skipped, &code);
    if (copied < 0) {
        PluginLog(session, kLogPlain, "    Proc call : Error %d copying key %s: %s",
                  static_cast<int>(code), key.c_str(), SystemErrorText(code).c_str());
        return 0;
    }
    if (skipped > 0)
        PluginLog(session, kLogWarning, "%d values of %s were not copied: their type cannot be",
                  skipped, key.c_str());
    PluginLog(session, kLogPlain, "    Proc call : Keys/Values duplicated: %d", copied);
    return 1;
}

// The key goes from both views; a key missing in a view is already gone there.
int RegistryDeleteKeyWow64Proc(PluginSession session, int argc, char** argv, char*, int,
                               int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    const std::string key = KeyArgument(argv[1]);
    PluginLog(session, kLogPlain, "    Proc call : Preparing to delete Registry Key %s",
              key.c_str());
    std::string reason;
    if (!KeyMayBeDeleted(key, &reason)) {
        PluginLog(session, kLogError, "Refusing to delete registry key '%s': %s", key.c_str(),
                  reason.c_str());
        return 0;
    }
    int gone = 0;
    for (const RegistryView view : {kRegistry64View, kRegistry32View}) {
        long code = 0;
        if (Registry().DeleteKey(key, view, &code) || IsRegistryNotFound(code)) {
            ++gone;
            continue;
        }
        PluginLog(session, kLogPlain, "    Proc call : Error %d deleting key %s: %s",
                  static_cast<int>(code), (key + " (" + ViewName(view) + " view)").c_str(),
                  SystemErrorText(code).c_str());
    }
    return gone == 2 ? 1 : 0;
}
