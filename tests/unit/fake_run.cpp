#include "fake_run.h"

#include "text_util.h"

#include <algorithm>
#include <cctype>

#include "log_capture.h"
#include "messages.h"
#include "package_callback.h"

namespace {

const long kNotFound = 2;            // ERROR_FILE_NOT_FOUND
const long kUnknownProduct = 1605;   // ERROR_UNKNOWN_PRODUCT
const long kUnknownProperty = 1608;  // ERROR_UNKNOWN_PROPERTY
const long kOpenFailed = 110;        // ERROR_OPEN_FAILED
const std::time_t kEightOClock = 8 * 3600;

std::string KeyOf(const std::string& path) {
    std::string key = ToLowerAscii(path);
    while (!key.empty() && key.back() == '\\') key.pop_back();
    return key;
}

// A value path split at its last "\" into the key and the value name.
void SplitValuePath(const std::string& path, std::string* key, std::string* name) {
    const std::size_t slash = path.find_last_of('\\');
    *key = KeyOf(slash == std::string::npos ? std::string() : path.substr(0, slash));
    *name = slash == std::string::npos ? path : path.substr(slash + 1);
}

class FakePackageFile : public InstallerPackage {
  public:
    explicit FakePackageFile(std::map<std::string, std::string> table) : table_(std::move(table)) {}
    long Property(const char* name, std::string* value) override {
        const auto it = table_.find(name);
        if (it == table_.end())
            return kUnknownProperty;
        *value = it->second;
        return 0;
    }
    long RevisionNumber(std::string* value) override {
        const auto it = table_.find("PackageCode");
        *value = it == table_.end() ? std::string() : it->second;
        return it == table_.end() ? kUnknownProperty : 0;
    }

  private:
    std::map<std::string, std::string> table_;
};

}  // namespace

void FakeMachine::Install(const Product& product) {
    Remove(product.productCode);
    products_.push_back(product);
}

bool FakeMachine::Remove(const std::string& productCode) {
    const auto it = std::find_if(products_.begin(), products_.end(), [&](const Product& p) {
        return ToLowerAscii(p.productCode) == ToLowerAscii(productCode);
    });
    if (it == products_.end())
        return false;
    products_.erase(it);
    return true;
}

const FakeMachine::Product* FakeMachine::Find(const std::string& productCode) const {
    for (const Product& product : products_) {
        if (ToLowerAscii(product.productCode) == ToLowerAscii(productCode))
            return &product;
    }
    return nullptr;
}

std::string FakeMachine::VersionOf(const std::string& productCode) const {
    const Product* product = Find(productCode);
    return product ? product->version : std::string();
}

void FakeMachine::AddPackageFile(const std::string& path,
                                 const std::map<std::string, std::string>& table) {
    File& file = files_[ToLowerAscii(path)];
    file.table = table;
    file.isPackage = true;
}

void FakeMachine::AddFile(const std::string& path, const std::string& fileVersion,
                          const std::string& productName) {
    File& file = files_[ToLowerAscii(path)];
    file.fileVersion = fileVersion;
    file.productName = productName;
}

void FakeMachine::SetValue(const std::string& path, const std::string& value) {
    std::string key, name;
    SplitValuePath(path, &key, &name);
    long ignored = 0;
    CreateKey(key, kRegistryDefaultView, &ignored);
    WriteString(path, value, kRegistryDefaultView, &ignored);
}

std::string FakeMachine::Value(const std::string& path) const {
    std::string key, name;
    SplitValuePath(path, &key, &name);
    for (const auto& value : values_) {
        if (value.key == key && ToLowerAscii(value.name) == ToLowerAscii(name))
            return value.data;
    }
    return std::string();
}

bool FakeMachine::HasKey(const std::string& keyPath) const {
    return std::find(keys_.begin(), keys_.end(), KeyOf(keyPath)) != keys_.end();
}

long FakeMachine::RelatedProduct(const char* upgradeCode, unsigned long index,
                                 std::string* productCode) {
    unsigned long seen = 0;
    for (const Product& product : products_) {
        if (ToLowerAscii(product.upgradeCode) != ToLowerAscii(upgradeCode))
            continue;
        if (seen++ == index) {
            *productCode = product.productCode;
            return 0;
        }
    }
    return kInstallerNoMoreItems;
}

long FakeMachine::InstalledProduct(unsigned long index, std::string* productCode) {
    if (index >= products_.size())
        return kInstallerNoMoreItems;
    *productCode = products_[index].productCode;
    return 0;
}

long FakeMachine::ProductProperty(const char* productCode, const char* property,
                                  std::string* value) {
    const Product* product = Find(productCode);
    if (!product)
        return kUnknownProduct;
    const std::string name = property;
    if (name == "VersionString")
        *value = product->version;
    else if (name == "InstalledProductName" || name == "ProductName")
        *value = product->name;
    else
        return kUnknownProperty;
    return 0;
}

std::unique_ptr<InstallerPackage> FakeMachine::OpenPackage(const char* path, long* error) {
    const auto it = files_.find(ToLowerAscii(path));
    if (it == files_.end() || !it->second.isPackage) {
        *error = kOpenFailed;
        return nullptr;
    }
    *error = 0;
    return std::make_unique<FakePackageFile>(it->second.table);
}

bool FakeMachine::ReadRegistry(const std::string& path, RegistryView view, std::string* value,
                               long* error) {
    return ReadValue(path, value, view, error);
}

long FakeMachine::ListMachineSubkeys(const char* key, RegistryView,
                                     std::vector<std::string>* names) {
    names->clear();
    const std::string parent = KeyOf(std::string("HKEY_LOCAL_MACHINE\\") + key);
    for (const std::string& candidate : keys_) {
        if (candidate.size() > parent.size() + 1 &&
            candidate.compare(0, parent.size(), parent) == 0 && candidate[parent.size()] == '\\' &&
            candidate.find('\\', parent.size() + 1) == std::string::npos)
            names->push_back(candidate.substr(parent.size() + 1));
    }
    return HasKey(parent) ? 0 : kNotFound;
}

std::string FakeMachine::FileVersion(const char* path) {
    const auto it = files_.find(ToLowerAscii(path));
    return it == files_.end() ? std::string() : it->second.fileVersion;
}

std::string FakeMachine::FileProductName(const char* path) {
    const auto it = files_.find(ToLowerAscii(path));
    return it == files_.end() ? std::string() : it->second.productName;
}

bool FakeMachine::ReadValue(const std::string& path, std::string* value, RegistryView,
                            long* errorCode) {
    std::string key, name;
    SplitValuePath(path, &key, &name);
    for (const auto& entry : values_) {
        if (entry.key == key && ToLowerAscii(entry.name) == ToLowerAscii(name)) {
            *value = entry.data;
            *errorCode = 0;
            return true;
        }
    }
    *errorCode = kNotFound;
    return false;
}

bool FakeMachine::CreateKey(const std::string& keyPath, RegistryView, long* errorCode) {
    // Every key above is created too, as the registry does.
    const std::string key = KeyOf(keyPath);
    if (createKeyFailure != 0 && !HasKey(key)) {
        *errorCode = createKeyFailure;
        return false;
    }
    for (std::size_t slash = key.find('\\');; slash = key.find('\\', slash + 1)) {
        const std::string part = key.substr(0, slash);
        if (std::find(keys_.begin(), keys_.end(), part) == keys_.end())
            keys_.push_back(part);
        if (slash == std::string::npos)
            break;
    }
    *errorCode = 0;
    return true;
}

bool FakeMachine::DeleteKey(const std::string& keyPath, RegistryView, long* errorCode) {
    const std::string key = KeyOf(keyPath);
    if (!HasKey(key)) {
        *errorCode = kNotFound;
        return false;
    }
    const auto below = [&key](const std::string& other) {
        return other == key ||
               (other.size() > key.size() && other.compare(0, key.size(), key) == 0 &&
                other[key.size()] == '\\');
    };
    keys_.erase(std::remove_if(keys_.begin(), keys_.end(), below), keys_.end());
    values_.erase(std::remove_if(values_.begin(), values_.end(),
                                 [&below](const Entry& value) { return below(value.key); }),
                  values_.end());
    *errorCode = 0;
    return true;
}

bool FakeMachine::ReadStrings(const std::string& path, std::vector<std::string>* texts,
                              RegistryView view, long* errorCode) {
    std::string data;
    texts->clear();
    if (!ReadValue(path, &data, view, errorCode))
        return false;
    *texts = SplitMultiString(data);
    return true;
}

bool FakeMachine::WriteNumber(const std::string& path, unsigned long value, RegistryView view,
                              long* errorCode) {
    return WriteText(path, std::to_string(value), kRegDword, view, errorCode);
}

bool FakeMachine::WriteString(const std::string& path, const std::string& value, RegistryView,
                              long* errorCode) {
    std::string key, name;
    SplitValuePath(path, &key, &name);
    if (!HasKey(key)) {
        *errorCode = kNotFound;
        return false;
    }
    for (auto& entry : values_) {
        if (entry.key == key && ToLowerAscii(entry.name) == ToLowerAscii(name)) {
            entry.data = value;
            entry.type = kRegString;
            *errorCode = 0;
            return true;
        }
    }
    values_.push_back(Entry{key, name, value});
    *errorCode = 0;
    return true;
}

bool FakeMachine::DeleteValue(const std::string& path, RegistryView, long* errorCode) {
    std::string key, name;
    SplitValuePath(path, &key, &name);
    const auto it = std::find_if(values_.begin(), values_.end(), [&](const Entry& value) {
        return value.key == key && ToLowerAscii(value.name) == ToLowerAscii(name);
    });
    if (it == values_.end()) {
        *errorCode = kNotFound;
        return false;
    }
    values_.erase(it);
    *errorCode = 0;
    return true;
}

bool FakeMachine::EnumerateValues(const std::string& keyPath, std::vector<RegistryValue>* values,
                                  RegistryView, long* errorCode) {
    values->clear();
    const std::string key = KeyOf(keyPath);
    if (!HasKey(key)) {
        *errorCode = kNotFound;
        return false;
    }
    for (const auto& entry : values_) {
        if (entry.key == key)
            values->push_back(RegistryValue{entry.name, entry.data});
    }
    *errorCode = 0;
    return true;
}

FakeMachine::Entry* FakeMachine::FindEntry(const std::string& path) {
    std::string key, name;
    SplitValuePath(path, &key, &name);
    for (auto& entry : values_) {
        if (entry.key == key && ToLowerAscii(entry.name) == ToLowerAscii(name))
            return &entry;
    }
    return nullptr;
}

std::vector<std::string> FakeMachine::SubKeys(const std::string& key) const {
    std::vector<std::string> names;
    for (const std::string& candidate : keys_) {
        if (candidate.size() > key.size() + 1 && candidate.compare(0, key.size(), key) == 0 &&
            candidate[key.size()] == '\\' &&
            candidate.find('\\', key.size() + 1) == std::string::npos)
            names.push_back(candidate.substr(key.size() + 1));
    }
    return names;
}

bool FakeMachine::ReadTyped(const std::string& path, TypedRegistryValue* value, RegistryView,
                            long* errorCode) {
    const Entry* entry = FindEntry(path);
    if (!entry || typedReadFailure != 0) {
        *errorCode = entry ? typedReadFailure : kNotFound;
        return false;
    }
    value->type = entry->type;
    value->text = entry->type == kRegMultiString ? std::string(entry->data.c_str()) : entry->data;
    *errorCode = 0;
    return true;
}

bool FakeMachine::WriteText(const std::string& path, const std::string& value, unsigned long type,
                            RegistryView view, long* errorCode) {
    if (!WriteString(path, value, view, errorCode))
        return false;
    FindEntry(path)->type = type;
    return true;
}

bool FakeMachine::CountKeyEntries(const std::string& keyPath, RegistryKeyCounts* counts,
                                  RegistryView, long* errorCode) {
    *counts = RegistryKeyCounts{};
    const std::string key = KeyOf(keyPath);
    if (!HasKey(key)) {
        *errorCode = kNotFound;
        return false;
    }
    counts->subKeys = static_cast<unsigned long>(SubKeys(key).size());
    counts->values = static_cast<unsigned long>(std::count_if(
        values_.begin(), values_.end(), [&key](const Entry& entry) { return entry.key == key; }));
    *errorCode = 0;
    return true;
}

bool FakeMachine::DeleteEmptyKey(const std::string& keyPath, RegistryView view, long* errorCode) {
    RegistryKeyCounts counts;
    if (!CountKeyEntries(keyPath, &counts, view, errorCode))
        return false;
    if (counts.subKeys != 0 || counts.values != 0) {
        *errorCode = 145;  // ERROR_DIR_NOT_EMPTY
        return false;
    }
    return DeleteKey(keyPath, view, errorCode);
}

bool FakeMachine::EnumerateSubKeys(const std::string& keyPath, std::vector<std::string>* names,
                                   RegistryView, long* errorCode) {
    const std::string key = KeyOf(keyPath);
    *names = SubKeys(key);
    *errorCode = HasKey(key) ? 0 : kNotFound;
    return *errorCode == 0;
}

void FakeMachine::SetTypedValue(const std::string& path, const std::string& data,
                                unsigned long type) {
    SetValue(path, data);
    FindEntry(path)->type = type;
}

unsigned long FakeMachine::TypeOf(const std::string& path) const {
    std::string key, name;
    SplitValuePath(path, &key, &name);
    for (const auto& entry : values_) {
        if (entry.key == key && ToLowerAscii(entry.name) == ToLowerAscii(name))
            return entry.type;
    }
    return kRegNone;
}

bool FakeMachine::FileExists(const std::string& path) {
    return files_.count(ToLowerAscii(path)) > 0 || IsFolder(ToLowerAscii(path));
}

std::string FakeMachine::InCurrentDirectory(const std::string& path) const {
    const bool absolute =
        (path.size() >= 2 && path[1] == ':') || (!path.empty() && path[0] == '\\');
    return absolute ? path : currentDirectory_ + "\\" + path;
}

void FakeMachine::SetFileContent(const std::string& path, const std::string& content) {
    File& file = files_[ToLowerAscii(InCurrentDirectory(path))];
    file.content = content;
    file.path = InCurrentDirectory(path);
}

bool FakeMachine::ReadBlocks(const std::string& path, std::size_t blockSize,
                             const BlockReceiver& receive) {
    const auto it =
        path.empty() ? files_.end() : files_.find(ToLowerAscii(InCurrentDirectory(path)));
    if (it == files_.end() || blockSize == 0)
        return false;
    const std::string& content = it->second.content;
    for (std::size_t at = 0; at < content.size(); at += blockSize) {
        if (!receive(content.data() + at, std::min(blockSize, content.size() - at)))
            break;
    }
    return true;
}

bool FakeMachine::OemManufacturer(std::string* manufacturer, long* errorCode) {
    *manufacturer = "NO";
    *errorCode = 0;
    return true;
}

ProcessResult FakeInstallers::Run(const std::string& name, const std::string& command,
                                  bool showWindow, bool collectEvents) {
    starts_.push_back(Start{name, command, showWindow, collectEvents});
    const auto it = scripts_.find(name);
    if (it == scripts_.end())
        return ProcessResult{0, std::string()};
    const InstallerScript& script = it->second;
    if (script.effect)
        script.effect(machine_);
    if (!script.callbackValue.empty())
        machine_.SetValue(std::string("HKEY_LOCAL_MACHINE\\") + kReturnCodesKey + "\\" + name,
                          script.callbackValue);
    return ProcessResult{script.exitCode, script.output};
}

bool FakeInstallers::SetEnvironment(const std::string& name, const std::string& value) {
    environment_[name] = value;
    return true;
}

int FakePrompts::Show(const char* tag, const char* text, unsigned type) {
    shown.push_back(Shown{tag ? tag : "", text ? text : "", type});
    if (!answers.empty()) {
        const int answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    return (type & 0xF) == kBoxOk ? kBoxAnswerOk : defaultAnswer;
}

FakeClock::FakeClock() {
    // 08:00:00 local time on the second day of 1970, whatever the time zone of the host.
    std::tm local{};
    local.tm_year = 70;
    local.tm_mday = 2;
    local.tm_hour = 8;
    local.tm_isdst = -1;
    now_ = std::mktime(&local);
    if (now_ == static_cast<std::time_t>(-1))
        now_ = 86400 + kEightOClock;
}

void FakeClock::Sleep(unsigned milliseconds) {
    slept_ += milliseconds;
    now_ += milliseconds / 1000;
}

MemoryLog::MemoryLog() : log_(nullptr, std::string(), std::string()), stream_(std::tmpfile()) {
    if (stream_)
        log_.AddStreamSink(stream_);
}

MemoryLog::~MemoryLog() {
    log_.Close();
    if (stream_)
        std::fclose(stream_);
}

std::string MemoryLog::Text() const {
    return StreamText(stream_, start_);
}

void MemoryLog::Clear() {
    if (!stream_)
        return;
    std::fflush(stream_);
    std::fseek(stream_, 0, SEEK_END);
    const long size = std::ftell(stream_);
    start_ = size > 0 ? static_cast<std::size_t>(size) : 0;
}

FakeRun::FakeRun() : FakeRun(ownProperties) {}

FakeRun::FakeRun(PropertyStore& properties)
    : resolver_(kSetupFolder, machine, log.File()), services_{log.File(), properties, prompts,
                                                              progress,   installers, resolver_,
                                                              machine,    machine,    machine,
                                                              machine,    clock,      events,
                                                              pump,       restart,    dialog} {}

// ---- FakeMachine: changing files ----

namespace {

const long kFileNotFound = 2;
const long kPathNotFound = 3;
const long kSharingViolation = 32;

std::string LowerParent(const std::string& lowerPath) {
    const std::size_t slash = lowerPath.rfind('\\');
    return slash == std::string::npos ? std::string() : lowerPath.substr(0, slash);
}

// "*" and "?" as the file system matches them (without regard to case).
bool Matches(const char* pattern, const char* name) {
    if (*pattern == '\0')
        return *name == '\0';
    if (*pattern == '*')
        return Matches(pattern + 1, name) || (*name != '\0' && Matches(pattern, name + 1));
    if (*name == '\0')
        return false;
    const bool same = *pattern == '?' || std::tolower(static_cast<unsigned char>(*pattern)) ==
                                             std::tolower(static_cast<unsigned char>(*name));
    return same && Matches(pattern + 1, name + 1);
}

}  // namespace

bool FakeMachine::IsFolder(const std::string& lowerPath) const {
    if (lowerPath.empty())
        return false;
    if (std::find(folders_.begin(), folders_.end(), lowerPath) != folders_.end())
        return true;
    const std::string prefix = lowerPath + "\\";
    const auto below = [&prefix](const std::string& path) { return path.rfind(prefix, 0) == 0; };
    return std::any_of(folders_.begin(), folders_.end(), below) ||
           std::any_of(files_.begin(), files_.end(),
                       [&below](const auto& file) { return below(file.first); });
}

void FakeMachine::Lock(const std::string& path) {
    locked_.push_back(ToLowerAscii(path));
}

bool FakeMachine::Locked(const std::string& path) const {
    return std::find(locked_.begin(), locked_.end(), ToLowerAscii(path)) != locked_.end();
}

void FakeMachine::AddFolder(const std::string& folder) {
    const std::string lower = ToLowerAscii(folder);
    if (!IsFolder(lower))
        folders_.push_back(lower);
}

void FakeMachine::MakeFoldersAbove(const std::string& path) {
    const std::string parent = LowerParent(ToLowerAscii(path));
    if (!parent.empty() && parent.back() != ':')
        AddFolder(parent);
}

long FakeMachine::ListMatches(const std::string& folder, const std::string& pattern,
                              std::vector<std::string>* names) {
    const std::size_t slash = pattern.rfind('\\');
    const std::string within = slash == std::string::npos ? "" : pattern.substr(0, slash + 1);
    const std::string namePattern = pattern.substr(within.size());
    const std::string searched = ToLowerAscii(folder + (within.empty() ? "" : "\\" + within));
    const std::string searchedFolder = TrimRight(searched, "\\");
    if (!IsFolder(searchedFolder))
        return kPathNotFound;
    for (const auto& file : files_) {
        if (LowerParent(file.first) != searchedFolder)
            continue;
        const std::string written = file.second.path.empty() ? file.first : file.second.path;
        const std::string name = written.substr(written.rfind('\\') + 1);
        if (Matches(namePattern.c_str(), name.c_str()))
            names->push_back(within + name);
    }
    return 0;
}

long FakeMachine::MoveFileTo(const std::string& source, const std::string& destination) {
    if (Locked(source) || Locked(destination))
        return kSharingViolation;
    const auto it = files_.find(ToLowerAscii(source));
    if (it == files_.end())
        return kFileNotFound;
    File moved = it->second;
    files_.erase(it);
    moved.path = destination;
    MakeFoldersAbove(destination);
    files_[ToLowerAscii(destination)] = moved;
    return 0;
}

long FakeMachine::CopyFileTo(const std::string& source, const std::string& destination) {
    if (Locked(source) || Locked(destination))
        return kSharingViolation;
    const auto it = files_.find(ToLowerAscii(source));
    if (it == files_.end())
        return kFileNotFound;
    File copy = it->second;
    copy.path = destination;
    MakeFoldersAbove(destination);
    files_[ToLowerAscii(destination)] = copy;
    return 0;
}

long FakeMachine::RemoveFile(const std::string& path) {
    if (Locked(path))
        return kSharingViolation;
    return files_.erase(ToLowerAscii(path)) > 0 ? 0 : kFileNotFound;
}

long FakeMachine::RemoveFolder(const std::string& folder) {
    const std::string lower = ToLowerAscii(folder);
    if (!IsFolder(lower))
        return kPathNotFound;
    const std::vector<std::string> below = Below(folder);
    for (const std::string& path : below) {
        if (Locked(path))
            return kSharingViolation;
    }
    const auto inside = [&lower](const std::string& path) {
        return path == lower || path.rfind(lower + "\\", 0) == 0;
    };
    const auto held = [this](const std::string& path) {
        for (const std::string& file : held_) {
            if (file == path || file.rfind(path + "\\", 0) == 0)
                return true;
        }
        return false;
    };
    for (auto it = files_.begin(); it != files_.end();)
        it = inside(it->first) && !held(it->first) ? files_.erase(it) : std::next(it);
    folders_.erase(
        std::remove_if(folders_.begin(), folders_.end(),
                       [&](const std::string& path) { return inside(path) && !held(path); }),
        folders_.end());
    return 0;
}

void FakeMachine::SetWriteTime(const std::string& path, unsigned long long time) {
    files_[ToLowerAscii(path)].writeTime = time;
}

long FakeMachine::LastWriteTime(const std::string& path, unsigned long long* time) {
    const auto it = files_.find(ToLowerAscii(path));
    if (it == files_.end())
        return kFileNotFound;
    *time = it->second.writeTime;
    return 0;
}

void FakeMachine::HoldUntilRestart(const std::string& path) {
    held_.push_back(ToLowerAscii(path));
}

long FakeMachine::RemoveAtRestart(const std::string& path) {
    removalsAtRestart.push_back(path);
    return 0;
}

std::string FakeMachine::Content(const std::string& path) const {
    const auto it = files_.find(ToLowerAscii(path));
    return it == files_.end() ? "<missing>" : it->second.content;
}

std::vector<std::string> FakeMachine::Below(const std::string& folder) const {
    const std::string prefix = ToLowerAscii(folder) + "\\";
    std::vector<std::string> paths;
    for (const std::string& path : folders_) {
        if (path.rfind(prefix, 0) == 0)
            paths.push_back(path);
    }
    for (const auto& file : files_) {
        if (file.first.rfind(prefix, 0) == 0)
            paths.push_back(file.first);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}
