#include "product_info.h"

#include <cctype>
#include <cstring>
#include <set>

#include "log_file.h"
#include "property_store.h"
#include "str_util.h"
#include "system_error.h"
#include "text_util.h"

const char* const kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

namespace {

InstallerQueries* activeQueries = nullptr;
long lastInstallerError = 0;

// Product codes, upgrade codes and InstallAnywhere identifiers are braced GUIDs.
const std::size_t kIdentifierLength = 38;
const long kRegistryKeyMissing = 2;  // ERROR_FILE_NOT_FOUND

// Keeps a Windows Installer result as the last error unless it is a success or the end of
// a list; returns it unchanged.
long Keep(long code) {
    if (code != kInstallerSuccess && code != kInstallerNoMoreItems)
        lastInstallerError = code;
    return code;
}

// Copies an installer answer into a record field; an answer that does not fit leaves the
// field empty rather than cut.
bool StoreAnswer(char* field, std::size_t size, const std::string& value) {
    field[0] = '\0';
    if (value.size() + 1 > size) {
        Log().Warning("Buffer too small (%u), requires %u buffer size!",
                      static_cast<unsigned>(size), static_cast<unsigned>(value.size() + 1));
        return false;
    }
    std::memcpy(field, value.c_str(), value.size() + 1);
    return true;
}

template <std::size_t N>
bool StoreAnswer(char (&field)[N], const std::string& value) {
    return StoreAnswer(field, N, value);
}

std::string Extension(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

// One detection: the kind-specific part of ProductInfo::Detect.
class Detector {
  public:
    Detector(ProductInfo& info, InstallerQueries& queries) : info_(info), queries_(queries) {}

    // False for an identifier that is not valid (logged).
    bool Run(const char* identifier, const char* versionFilter);
    // Install location, source and package code of the known product code.
    void AddInstallDetails();

  private:
    bool ProductCode(const char* code);
    bool UpgradeCode(const char* code, const char* versionFilter);
    bool ProductName(const char* name);
    bool RegistryValue(const char* argument);
    bool File(const char* identifier);
    bool InstallAnywhere(const char* identifier);

    std::string Property(const std::string& productCode, const char* property);
    void TakeProduct(const std::string& productCode);
    void TakeProduct(const std::string& productCode, const std::string& version);
    bool NextRelated(const char* upgradeCode, unsigned long index, std::string* productCode);
    std::string FirstRelatedWithVersion(const char* upgradeCode, std::string* version);
    std::string RelatedOfVersion(const char* upgradeCode, const char* wanted, std::string* version);

    ProductInfo& info_;
    InstallerQueries& queries_;
};

bool Detector::Run(const char* identifier, const char* versionFilter) {
    const char* argument = identifier + 1;
    switch (std::tolower(static_cast<unsigned char>(identifier[0]))) {
        case 'p':
            return ProductCode(argument);
        case 'u':
            return UpgradeCode(argument, versionFilter);
        case 'n':
            return ProductName(argument);
        case 'r':
            return RegistryValue(argument);
        case 'f':
            return File(identifier);
        case 'i':
            return InstallAnywhere(argument);
        default:
            Log().Warning("Unknown Product ID prefix '%c' from '%s' (the prefix must be u|p|n|r|f)",
                          identifier[0], identifier);
            return false;
    }
}

std::string Detector::Property(const std::string& productCode, const char* property) {
    std::string value;
    if (Keep(queries_.ProductProperty(productCode.c_str(), property, &value)) != kInstallerSuccess)
        return std::string();
    return value;
}

void Detector::TakeProduct(const std::string& productCode) {
    TakeProduct(productCode, Property(productCode, "VersionString"));
}

// The version is the one just read while the product was chosen: each query of Windows
// Installer costs a round of registry reads, and a chain detects every package several times.
void Detector::TakeProduct(const std::string& productCode, const std::string& version) {
    StrNCopy(info_.productCode, productCode.c_str());
    StoreAnswer(info_.version, version);
    StoreAnswer(info_.productName, Property(productCode, "InstalledProductName"));
}

bool Detector::ProductCode(const char* code) {
    if (std::strlen(code) != kIdentifierLength) {
        Log().Warning("Invalid Product Code '%s'!", code);
        return false;
    }
    TakeProduct(code);
    return true;
}

bool Detector::UpgradeCode(const char* code, const char* versionFilter) {
    if (std::strlen(code) != kIdentifierLength) {
        Log().Warning("Invalid Upgrade Code '%s'!", code);
        return false;
    }
    StrNCopy(info_.upgradeCode, code);
    std::string version;
    const std::string productCode = IsEmptyText(versionFilter)
                                        ? FirstRelatedWithVersion(code, &version)
                                        : RelatedOfVersion(code, versionFilter, &version);
    if (!productCode.empty())
        TakeProduct(productCode, version);
    return true;
}

bool Detector::NextRelated(const char* upgradeCode, unsigned long index, std::string* productCode) {
    const long result = Keep(queries_.RelatedProduct(upgradeCode, index, productCode));
    if (result != kInstallerSuccess && result != kInstallerNoMoreItems)
        Log().Warning("Error '%d' enumerating related products for '%s': %s",
                      static_cast<int>(result), upgradeCode, SystemErrorText(result).c_str());
    return result == kInstallerSuccess;
}

std::string Detector::FirstRelatedWithVersion(const char* upgradeCode, std::string* version) {
    std::string productCode;
    for (unsigned long index = 0; NextRelated(upgradeCode, index, &productCode); ++index) {
        *version = Property(productCode, "VersionString");
        if (!version->empty())
            return productCode;
    }
    return std::string();
}

// Several products of one upgrade code may carry the same version (products installed side
// by side); the first one Windows Installer lists is taken.
std::string Detector::RelatedOfVersion(const char* upgradeCode, const char* wanted,
                                       std::string* version) {
    std::string productCode;
    std::string chosen;
    int count = 0;
    for (unsigned long index = 0; NextRelated(upgradeCode, index, &productCode); ++index) {
        std::string found;
        const long result =
            Keep(queries_.ProductProperty(productCode.c_str(), "VersionString", &found));
        if (result != kInstallerSuccess) {
            Log().Warning(
                "Error '%d' during version retrieving for product '%s' with code '%s': %s",
                static_cast<int>(result), upgradeCode, productCode.c_str(),
                SystemErrorText(result).c_str());
        } else if (EqualsNoCase(found.c_str(), wanted) && ++count == 1) {
            chosen = productCode;
            *version = found;
        }
    }
    if (count > 1)
        Log().Warning("Detected %d instances of %s version for '%s' upgrade code!", count, wanted,
                      upgradeCode);
    return chosen;
}

bool Detector::ProductName(const char* name) {
    StrNCopy(info_.productName, name);
    if (IsEmptyText(name))
        return true;  // no product has an empty name worth finding
    std::string productCode;
    for (unsigned long index = 0;; ++index) {
        const long result = Keep(queries_.InstalledProduct(index, &productCode));
        if (result != kInstallerSuccess) {
            if (result != kInstallerNoMoreItems)
                Log().Warning("Error '%d' enumerating installed products: %s",
                              static_cast<int>(result), SystemErrorText(result).c_str());
            return true;
        }
        if (EqualsNoCase(Property(productCode, "InstalledProductName").c_str(), name)) {
            StrNCopy(info_.productCode, productCode.c_str());
            StoreAnswer(info_.version, Property(productCode, "VersionString"));
            return true;
        }
    }
}

// "64" and "32" before the path choose a view explicitly: the process's own view is the
// 64-bit one in the 64-bit build, so the 32-bit view needs a name of its own.
bool Detector::RegistryValue(const char* argument) {
    RegistryView view = kRegistryDefaultView;
    if (std::strncmp(argument, "64", 2) == 0)
        view = kRegistry64View;
    else if (std::strncmp(argument, "32", 2) == 0)
        view = kRegistry32View;
    if (view != kRegistryDefaultView)
        argument += 2;
    StrNCopy(info_.registry, argument);
    std::string value;
    long error = 0;
    if (queries_.ReadRegistry(argument, view, &value, &error))
        StrNCopy(info_.version, value.c_str());
    return true;
}

// The path sits between two one-character marks: 'f"C:\x.msi"'.
bool Detector::File(const char* identifier) {
    const std::size_t length = std::strlen(identifier);
    std::string path = length > 3 ? std::string(identifier + 2, length - 3) : std::string();
    StrNCopy(info_.installerFile, path.c_str());
    if (EqualsNoCase(Extension(path).c_str(), "msi")) {
        info_.ReadFromPackage(path.c_str(), -1);
        return true;
    }
    path = ExpandProperties(path.c_str());
    StrNCopy(info_.installerFile, path.c_str());
    StrNCopy(info_.version, queries_.FileVersion(path.c_str()).c_str());
    return true;
}

bool Detector::InstallAnywhere(const char* identifier) {
    if (std::strlen(identifier) != kIdentifierLength) {
        Log().Warning("Invalid InstallAnywhere Product ID '%s'!", identifier);
        return false;
    }
    StrNCopy(info_.installAnywhereId, identifier);
    const std::vector<InstallAnywhereEntry> found =
        FindInstallAnywhereProducts(identifier, queries_);
    if (found.size() > 1)
        Log().Warning("%d InstallAnywhere products carry the ID '%s': none is taken",
                      static_cast<int>(found.size()), identifier);
    if (found.size() != 1)
        return true;
    StrNCopy(info_.productName, found[0].displayName.c_str());
    StrNCopy(info_.version, found[0].displayVersion.c_str());
    StrNCopy(info_.installLocation, found[0].installLocation.c_str());
    StrNCopy(info_.uninstallString, found[0].uninstallString.c_str());
    return true;
}

// Only answers that Windows Installer gives replace a field: the package code read from a
// package file stays when the product is not installed.
void Detector::AddInstallDetails() {
    const std::string productCode = info_.productCode;
    const std::string location = Property(productCode, "InstallLocation");
    const std::string source = Property(productCode, "InstallSource");
    const std::string packageCode = Property(productCode, "PackageCode");
    if (!location.empty())
        StoreAnswer(info_.installLocation, location);
    if (!source.empty())
        StoreAnswer(info_.installSource, source);
    if (!packageCode.empty())
        StoreAnswer(info_.packageCode, packageCode);
}

struct FieldBuffer {
    char* text;
    std::size_t size;
};

FieldBuffer PackageField(ProductInfo& info, int selector) {
    switch (selector) {
        case 0:
            return {info.version, sizeof(info.version)};
        case 1:
            return {info.productName, sizeof(info.productName)};
        case 2:
            return {info.productCode, sizeof(info.productCode)};
        case 3:
            return {info.upgradeCode, sizeof(info.upgradeCode)};
        default:
            return {info.packageCode, sizeof(info.packageCode)};
    }
}

const char* const kPackageProperties[] = {"ProductVersion", "ProductName", "ProductCode",
                                          "UpgradeCode"};
const int kRevisionSelector = 4;

bool ReadPackageField(InstallerPackage& package, int selector, ProductInfo& info) {
    const FieldBuffer field = PackageField(info, selector);
    field.text[0] = '\0';
    std::string value;
    const long result = Keep(selector == kRevisionSelector
                                 ? package.RevisionNumber(&value)
                                 : package.Property(kPackageProperties[selector], &value));
    return result == kInstallerSuccess && StoreAnswer(field.text, field.size, value);
}

std::string UninstallValue(InstallerQueries& queries, const std::string& keyName,
                           const char* valueName, RegistryView view) {
    const std::string path =
        std::string("HKEY_LOCAL_MACHINE\\") + kUninstallKey + "\\" + keyName + "\\" + valueName;
    std::string value;
    long error = 0;
    return queries.ReadRegistry(path, view, &value, &error) ? value : std::string();
}

// The entry under keyName when its "ProductID" is the wanted one.
bool ReadMatchingEntry(InstallerQueries& queries, const std::string& keyName, RegistryView view,
                       const std::string& wanted, InstallAnywhereEntry* entry) {
    entry->productId = UninstallValue(queries, keyName, "ProductID", view);
    if (!EqualsNoCase(entry->productId.c_str(), wanted.c_str()))
        return false;
    entry->displayName = UninstallValue(queries, keyName, "DisplayName", view);
    entry->displayVersion = UninstallValue(queries, keyName, "DisplayVersion", view);
    entry->installLocation = UninstallValue(queries, keyName, "InstallLocation", view);
    entry->uninstallString = UninstallValue(queries, keyName, "UninstallString", view);
    return true;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The uninstall key names of a view; a view without the key has none.
std::vector<std::string> UninstallKeyNames(InstallerQueries& queries, RegistryView view) {
    std::vector<std::string> names;
    const long result = queries.ListMachineSubkeys(kUninstallKey, view, &names);
    if (result != 0 && result != kRegistryKeyMissing)
        Log().Error("Cannot determine installed products by InstallAnywhere. Error code '%d': %s",
                    static_cast<int>(result), SystemErrorText(result).c_str());
    if (result != 0)
        names.clear();
    return names;
}

#if !defined(_WIN32)
// The host build has no Windows Installer and no registry: nothing is ever found there.
class UnsupportedQueries : public InstallerQueries {
  public:
    static constexpr long kNotSupported = 50;  // ERROR_NOT_SUPPORTED

    long RelatedProduct(const char*, unsigned long, std::string*) override { return kNotSupported; }
    long InstalledProduct(unsigned long, std::string*) override { return kNotSupported; }
    long ProductProperty(const char*, const char*, std::string*) override { return kNotSupported; }
    std::unique_ptr<InstallerPackage> OpenPackage(const char*, long* error) override {
        *error = kNotSupported;
        return nullptr;
    }
    bool ReadRegistry(const std::string&, RegistryView, std::string*, long* error) override {
        *error = kNotSupported;
        return false;
    }
    long ListMachineSubkeys(const char*, RegistryView, std::vector<std::string>*) override {
        return kNotSupported;
    }
    std::string FileVersion(const char*) override { return std::string(); }
    std::string FileProductName(const char*) override { return std::string(); }
};
#endif

}  // namespace

#if !defined(_WIN32)
InstallerQueries& SystemInstallerQueries() {
    static UnsupportedQueries queries;
    return queries;
}
#endif

InstallerQueries& ActiveInstallerQueries() {
    return activeQueries ? *activeQueries : SystemInstallerQueries();
}

InstallerQueries* SetInstallerQueries(InstallerQueries* queries) {
    InstallerQueries* previous = activeQueries;
    activeQueries = queries;
    return previous;
}

long LastInstallerError() {
    return lastInstallerError;
}

void SetLastInstallerError(long code) {
    lastInstallerError = code;
}

bool ProductInfo::Detect(const char* identifier, const char* versionFilter) {
    return Detect(identifier, versionFilter, ActiveInstallerQueries());
}

bool ProductInfo::Detect(const char* identifier, const char* versionFilter,
                         InstallerQueries& queries) {
    Clear();
    SetLastInstallerError(0);
    if (IsEmptyText(identifier)) {
        Log().Warning("Empty Product ID!");
        return false;
    }
    Detector detector(*this, queries);
    if (!detector.Run(identifier, versionFilter))
        return false;
    if (productCode[0] != '\0')
        detector.AddInstallDetails();
    installed = version[0] != '\0';
    return installed;
}

void ProductInfo::Print(const char* prefix) const {
    if (!prefix)
        prefix = "";
    LogFile& log = Log();
    log.Line("%sProduct info:", prefix);
    log.Line("%s  Version      = %s", prefix, version);
    log.Line("%s  Product name = %s", prefix, productName);
    log.Line("%s  Product code = %s", prefix, productCode);
    log.Line("%s  Upgrade code = %s", prefix, upgradeCode);
    log.Line("%s  Registry     = %s", prefix, registry);
    log.Line("%s  Inst.file    = %s", prefix, installerFile);
    log.Line("%s  Inst.location= %s", prefix, installLocation);
    log.Line("%s  Inst.source  = %s", prefix, installSource);
}

bool ProductInfo::ReadFromPackage(const char* packagePath, int selector) {
    return ReadFromPackage(packagePath, selector, ActiveInstallerQueries());
}

bool ProductInfo::ReadFromPackage(const char* packagePath, int selector,
                                  InstallerQueries& queries) {
    SetLastInstallerError(0);
    if (selector < -1 || selector > kRevisionSelector) {
        Log().Warning("Unknown package field %d asked from '%s'", selector,
                      packagePath ? packagePath : "");
        return false;
    }
    long error = 0;
    std::unique_ptr<InstallerPackage> package =
        queries.OpenPackage(packagePath ? packagePath : "", &error);
    if (!package) {
        Keep(error);
        Log().Warning("Cannot open the package '%s'. Error code '%d': %s",
                      packagePath ? packagePath : "", static_cast<int>(error),
                      SystemErrorText(error).c_str());
        return false;
    }
    bool complete = true;
    for (int field = 0; field <= kRevisionSelector; ++field) {
        if (selector == -1 || selector == field)
            complete = ReadPackageField(*package, field, *this) && complete;
    }
    return complete;
}

std::vector<InstallAnywhereEntry> FindInstallAnywhereProducts(const char* identifier) {
    return FindInstallAnywhereProducts(identifier, ActiveInstallerQueries());
}

std::vector<InstallAnywhereEntry> FindInstallAnywhereProducts(const char* identifier,
                                                              InstallerQueries& queries) {
    const std::string wanted = Trim(identifier ? identifier : "", "{}");
    std::vector<InstallAnywhereEntry> found;
    std::set<std::string> seen;  // key names compare without regard to case
    for (RegistryView view : {kRegistry64View, kRegistry32View}) {
        for (const std::string& name : UninstallKeyNames(queries, view)) {
            InstallAnywhereEntry entry;
            if (seen.insert(Lower(name)).second &&
                ReadMatchingEntry(queries, name, view, wanted, &entry))
                found.push_back(entry);
        }
    }
    return found;
}
