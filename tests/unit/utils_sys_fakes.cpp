// Fakes of the machine parts of utils.dll's procedures.

#include "utils_sys_fakes.h"

#include <cstdlib>

#include "text_util.h"

namespace {

const long kNotFound = 2;

struct Split {
    std::string key;
    std::string name;
};

Split SplitValue(const std::string& path) {
    const std::size_t slash = path.rfind('\\');
    return {ToLowerAscii(path.substr(0, slash)), path.substr(slash + 1)};
}

std::string KeyOf(const std::string& keyPath) {
    return ToLowerAscii(TrimRight(keyPath, "\\"));
}

bool Fail(long* errorCode, long code) {
    *errorCode = code;
    return false;
}

}  // namespace

void ViewRegistry::Set(RegistryView view, const std::string& path, const std::string& data,
                       unsigned long type) {
    long code = 0;
    const Split split = SplitValue(path);
    CreateKey(split.key, view, &code);
    TypedRegistryValue value;
    value.type = type;
    value.text = data;
    Write(path, value, view, &code);
}

bool ViewRegistry::Has(RegistryView view, const std::string& path) const {
    const Split split = SplitValue(path);
    const auto key = Of(view).find(split.key);
    return key != Of(view).end() && key->second.values.count(ToLowerAscii(split.name)) != 0;
}

std::string ViewRegistry::Get(RegistryView view, const std::string& path) const {
    if (!Has(view, path))
        return "<missing>";
    const Split split = SplitValue(path);
    return Of(view).at(split.key).values.at(ToLowerAscii(split.name)).text;
}

bool ViewRegistry::HasKey(RegistryView view, const std::string& key) const {
    return Of(view).count(KeyOf(key)) != 0;
}

bool ViewRegistry::Write(const std::string& path, const TypedRegistryValue& value,
                         RegistryView view, long* errorCode) {
    const Split split = SplitValue(path);
    const auto key = Of(view).find(split.key);
    if (key == Of(view).end())
        return Fail(errorCode, kNotFound);
    key->second.values[ToLowerAscii(split.name)] = value;
    key->second.names[ToLowerAscii(split.name)] = split.name;
    return true;
}

bool ViewRegistry::ReadValue(const std::string& path, std::string* value, RegistryView view,
                             long* errorCode) {
    TypedRegistryValue typed;
    if (!ReadTyped(path, &typed, view, errorCode))
        return false;
    *value = typed.text;
    return true;
}

bool ViewRegistry::CreateKey(const std::string& keyPath, RegistryView view, long*) {
    std::string key = KeyOf(keyPath);
    while (!key.empty()) {
        Of(view)[key];
        const std::size_t slash = key.rfind('\\');
        key = slash == std::string::npos ? std::string() : key.substr(0, slash);
    }
    return true;
}

bool ViewRegistry::DeleteKey(const std::string& keyPath, RegistryView view, long* errorCode) {
    const std::string key = KeyOf(keyPath);
    if (Of(view).count(key) == 0)
        return Fail(errorCode, kNotFound);
    for (auto it = Of(view).begin(); it != Of(view).end();) {
        if (it->first == key || it->first.compare(0, key.size() + 1, key + "\\") == 0)
            it = Of(view).erase(it);
        else
            ++it;
    }
    return true;
}

bool ViewRegistry::WriteString(const std::string& path, const std::string& value, RegistryView view,
                               long* errorCode) {
    return WriteText(path, value, kRegString, view, errorCode);
}

bool ViewRegistry::DeleteValue(const std::string& path, RegistryView view, long* errorCode) {
    const Split split = SplitValue(path);
    const auto key = Of(view).find(split.key);
    if (key == Of(view).end() || key->second.values.erase(ToLowerAscii(split.name)) == 0)
        return Fail(errorCode, kNotFound);
    return true;
}

bool ViewRegistry::WriteNumber(const std::string& path, unsigned long value, RegistryView view,
                               long* errorCode) {
    TypedRegistryValue typed;
    typed.type = kRegDword;
    typed.text = std::to_string(value);
    return Write(path, typed, view, errorCode);
}

bool ViewRegistry::ReadStrings(const std::string& path, std::vector<std::string>* texts,
                               RegistryView view, long* errorCode) {
    if (!Has(view, path))
        return Fail(errorCode, kNotFound);
    const Split split = SplitValue(path);
    const TypedRegistryValue& typed = Of(view).at(split.key).values.at(ToLowerAscii(split.name));
    *texts = typed.type == kRegMultiString ? SplitMultiString(typed.text)
                                           : std::vector<std::string>{typed.text};
    return true;
}

bool ViewRegistry::EnumerateValues(const std::string& keyPath, std::vector<RegistryValue>* values,
                                   RegistryView view, long* errorCode) {
    const auto key = Of(view).find(KeyOf(keyPath));
    if (key == Of(view).end())
        return Fail(errorCode, kNotFound);
    for (const auto& value : key->second.values)
        values->push_back({key->second.names.at(value.first), value.second.text});
    return true;
}

// Multi-string data is kept with its zero bytes; reading it as text gives the first string.
bool ViewRegistry::ReadTyped(const std::string& path, TypedRegistryValue* value, RegistryView view,
                             long* errorCode) {
    if (!Has(view, path))
        return Fail(errorCode, kNotFound);
    const Split split = SplitValue(path);
    *value = Of(view).at(split.key).values.at(ToLowerAscii(split.name));
    if (value->type == kRegMultiString)
        value->text = value->text.substr(0, value->text.find('\0'));
    return true;
}

bool ViewRegistry::WriteText(const std::string& path, const std::string& value, unsigned long type,
                             RegistryView view, long* errorCode) {
    TypedRegistryValue typed;
    typed.type = type;
    typed.text = value;
    return Write(path, typed, view, errorCode);
}

bool ViewRegistry::CountKeyEntries(const std::string& keyPath, RegistryKeyCounts* counts,
                                   RegistryView view, long* errorCode) {
    const std::string key = KeyOf(keyPath);
    const auto found = Of(view).find(key);
    if (found == Of(view).end())
        return Fail(errorCode, kNotFound);
    std::vector<std::string> names;
    EnumerateSubKeys(key, &names, view, errorCode);
    counts->subKeys = names.size();
    counts->values = found->second.values.size();
    return true;
}

bool ViewRegistry::DeleteEmptyKey(const std::string& keyPath, RegistryView view, long* errorCode) {
    return DeleteKey(keyPath, view, errorCode);
}

bool ViewRegistry::EnumerateSubKeys(const std::string& keyPath, std::vector<std::string>* names,
                                    RegistryView view, long* errorCode) {
    const std::string key = KeyOf(keyPath);
    if (Of(view).count(key) == 0)
        return Fail(errorCode, kNotFound);
    for (const auto& entry : Of(view)) {
        if (entry.first.compare(0, key.size() + 1, key + "\\") == 0 &&
            entry.first.find('\\', key.size() + 1) == std::string::npos)
            names->push_back(entry.first.substr(key.size() + 1));
    }
    return true;
}

long ShortNameFiles::ListMatches(const std::string& folder, const std::string& pattern,
                                 std::vector<std::string>* names) {
    const long code = FakeMachine::ListMatches(folder, pattern, names);
    if (code == 0 && pattern.find_first_of("*?") != std::string::npos) {
        for (const std::string& name : shortMatches[ToLowerAscii(folder)]) names->push_back(name);
    }
    return code;
}

long FakeRewriter::WriteTemporary(const std::string& folder, const std::string& content,
                                  std::string* tempPath) {
    *tempPath = folder + "\\bst" + std::to_string(++temporaries) + ".tmp";
    files_.SetFileContent(*tempPath,
                          writeFailure != 0 ? content.substr(0, content.size() / 2) : content);
    return writeFailure;
}

long FakeRewriter::ReplaceWith(const std::string& original, const std::string& tempPath) {
    if (replaceFailure != 0)
        return replaceFailure;
    return files_.MoveFileTo(tempPath, original);
}

long FakeRewriter::RemoveEmptyFolder(const std::string& folder) {
    if (!files_.Below(folder).empty())
        return 145;  // ERROR_DIR_NOT_EMPTY
    return files_.RemoveFolder(folder);
}

bool FakeSystem::FreeBytes(const std::string& folder, unsigned long long* bytes, long* errorCode) {
    const auto it = freeBytes.find(folder);
    if (it == freeBytes.end())
        return Fail(errorCode, 3);
    *bytes = it->second;
    return true;
}

bool FakeSystem::IsAdministrator(bool* member, long* errorCode) {
    if (membershipFailure != 0)
        return Fail(errorCode, membershipFailure);
    *member = administrator;
    return true;
}

bool FakeSystem::AccountName(const std::string& sid, std::string* name, long* errorCode) {
    const auto it = accounts.find(sid);
    if (it == accounts.end())
        return Fail(errorCode, 1332);
    *name = it->second;
    return true;
}

bool FakeSystem::Environment(const std::string& name, std::string* value) {
    const auto it = environment.find(name);
    if (it == environment.end())
        return false;
    *value = it->second;
    return true;
}

ProcOutcome RunProc(PluginProc proc, const std::vector<std::string>& arguments,
                    PluginSession session, int resultSize) {
    std::vector<std::string> texts = arguments;
    std::vector<char*> argv(kPluginArgvSize, nullptr);
    for (std::size_t i = 0; i < texts.size(); ++i) argv[i] = &texts[i][0];
    std::vector<char> result(resultSize > 0 ? resultSize : 1, '\0');
    ProcOutcome out{0, "", ERR_PROC_NOT_FOUND};
    out.number = proc(session, static_cast<int>(texts.size()), argv.data(), result.data(),
                      resultSize, &out.status);
    out.text = result.data();
    return out;
}
