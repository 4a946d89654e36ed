#pragma once
// ProductInfo: what is known about one product after detection. A product is named by an
// identifier whose first letter (any case) gives its kind and whose rest is the argument:
//   p{product code}     a Windows Installer product
//   u{upgrade code}     the related products of an upgrade code (optionally of one version)
//   n<product name>     the first installed Windows Installer product of that name
//   r<registry path>    a registry value in the registry layer's path syntax; "r64"
//                       reads the 64-bit view, "r32" the 32-bit view, plain "r" the
//                       process's own view
//   f?<file path>?      a package file (".msi") or any file with a version resource; the
//                       path sits between two one-character marks, usually quotes
//   i{identifier}       an InstallAnywhere product in the Uninstall registry
//
// The Windows Installer and registry questions go through InstallerQueries, so that the
// decisions can be tested with a fake; the process uses the system's unless told otherwise.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "registry.h"

// Windows Installer answers that the detection tells apart.
constexpr long kInstallerSuccess = 0;
constexpr long kInstallerNoMoreItems = 259;  // ERROR_NO_MORE_ITEMS: the end of a list

// An opened package database (read-only).
class InstallerPackage {
  public:
    virtual ~InstallerPackage() = default;
    // A value of the Property table; a Windows Installer error code (0 on success).
    virtual long Property(const char* name, std::string* value) = 0;
    // The revision number of the summary information: the package code.
    virtual long RevisionNumber(std::string* value) = 0;
};

class InstallerQueries {
  public:
    virtual ~InstallerQueries() = default;
    // The related product at index of an upgrade code; kInstallerNoMoreItems past the end.
    virtual long RelatedProduct(const char* upgradeCode, unsigned long index,
                                std::string* productCode) = 0;
    // The installed product at index; kInstallerNoMoreItems past the end.
    virtual long InstalledProduct(unsigned long index, std::string* productCode) = 0;
    // An installed product's property ("VersionString", "InstalledProductName", ...).
    virtual long ProductProperty(const char* productCode, const char* property,
                                 std::string* value) = 0;
    // Null with the error code when the package cannot be opened.
    virtual std::unique_ptr<InstallerPackage> OpenPackage(const char* path, long* error) = 0;
    // A registry value as text in the given view (the registry layer's ReadRegistryValue).
    virtual bool ReadRegistry(const std::string& path, RegistryView view, std::string* value,
                              long* error) = 0;
    // The names of the sub-keys of a key under HKEY_LOCAL_MACHINE in a view; a Windows
    // error code.
    virtual long ListMachineSubkeys(const char* key, RegistryView view,
                                    std::vector<std::string>* names) = 0;
    // The "FileVersion" string of a file's version resource; empty when there is none.
    virtual std::string FileVersion(const char* path) = 0;
    // The "ProductName" string of a file's version resource; empty when there is none.
    virtual std::string FileProductName(const char* path) = 0;
};

// The system's queries (on the host build, where there is no Windows Installer, every query
// fails with "not supported").
InstallerQueries& SystemInstallerQueries();
// The queries that detection uses: those set last, or the system's.
InstallerQueries& ActiveInstallerQueries();
// Makes queries the active ones (null: the system's again); returns the previous setting.
InstallerQueries* SetInstallerQueries(InstallerQueries* queries);

// The last Windows Installer error that a detection met (0 when none), for the callers'
// messages. Detect and ReadFromPackage clear it when they start; the end of a list is not
// an error.
long LastInstallerError();
void SetLastInstallerError(long code);

struct ProductInfo {
    static constexpr std::size_t kCodeSize = 39;  // a braced GUID and its terminator
    static constexpr std::size_t kNameSize = 256;
    static constexpr std::size_t kTextSize = 1024;  // versions, paths and commands

    char upgradeCode[kCodeSize] = {};
    char packageCode[kCodeSize] = {};
    char productCode[kCodeSize] = {};
    char productName[kNameSize] = {};
    char installerFile[kTextSize] = {};  // the path of an "f" identifier
    char version[kTextSize] = {};
    char registry[kTextSize] = {};  // the value path of an "r" identifier
    char installLocation[kTextSize] = {};
    char installSource[kTextSize] = {};
    char installAnywhereId[kCodeSize] = {};
    char uninstallString[kTextSize] = {};  // InstallAnywhere products
    bool installed = false;                // a version was found

    // Clears the record and fills it from the identifier. versionFilter (null or empty: none)
    // picks among the related products of an upgrade code. Returns whether an installed
    // version was found; invalid identifiers are logged as warnings.
    bool Detect(const char* identifier, const char* versionFilter = nullptr);
    // The same with the given queries in place of the active ones.
    bool Detect(const char* identifier, const char* versionFilter, InstallerQueries& queries);

    // Writes the record to the log, each line after prefix.
    void Print(const char* prefix) const;

    // Reads fields from a package file: selector 0 version (ProductVersion), 1 product name,
    // 2 product code, 3 upgrade code, 4 package code (summary revision number), -1 all five.
    // A selected field that cannot be read is left empty. Returns whether every selected
    // field was read.
    bool ReadFromPackage(const char* packagePath, int selector);
    bool ReadFromPackage(const char* packagePath, int selector, InstallerQueries& queries);

    void Clear() { *this = ProductInfo(); }
};

// The key of the installed programs' uninstall entries under HKEY_LOCAL_MACHINE.
extern const char* const kUninstallKey;

// An installed InstallAnywhere product, from its uninstall entry.
struct InstallAnywhereEntry {
    std::string productId;
    std::string displayName;
    std::string displayVersion;
    std::string installLocation;
    std::string uninstallString;
};

// The uninstall entries whose "ProductID" equals identifier without its braces (no regard
// to case). Both registry views are searched, 64-bit first: a 64-bit process would
// otherwise miss the products of 32-bit installers. A key name already seen in the first
// view is not taken again.
std::vector<InstallAnywhereEntry> FindInstallAnywhereProducts(const char* identifier);
std::vector<InstallAnywhereEntry> FindInstallAnywhereProducts(const char* identifier,
                                                              InstallerQueries& queries);
