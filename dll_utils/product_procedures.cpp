// The product and version procedures of utils.dll. Detection, version comparison, the
// registry and process execution are those of common; this file only maps the procedure
// arguments onto them and words the answers.

#include "product_procedures.h"

#include <windows.h>

#include <msi.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "machine_probe.h"
#include "product_info.h"
#include "property_store.h"
#include "registry.h"
#include "relation.h"
#include "shell_exec.h"
#include "str_util.h"
#include "system_error.h"
#include "system_info.h"
#include "text_util.h"
#include "version_compare.h"

namespace {

const long kKeyNotFound = 2;         // ERROR_FILE_NOT_FOUND
const long kUnknownProperty = 1608;  // ERROR_UNKNOWN_PROPERTY: the product has no such value
const char kBlanks[] = " \t";
const char kPunctuation[] = "\t,;.:!?()[]{}<>\"'";
const char kSqlInstances[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Microsoft SQL Server\\InstalledInstances";
const char* const kRebootKeys[] = {
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WindowsUpdate\\"
    "Auto Update\\RebootRequired",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Component Based "
    "Servicing\\RebootPending",
};

void LogNotFound(PluginSession session, const std::string& identifier) {
    PluginLog(session, kLogPlain, "    Proc call : Product not found with ID '%s'",
              identifier.c_str());
}

// A list entry as an identifier: blanks and tabs trimmed, a bare product code gets "p".
std::string ListedIdentifier(const std::string& entry) {
    const std::string identifier = Trim(entry, kBlanks);
    return !identifier.empty() && identifier[0] == '{' ? "p" + identifier : identifier;
}

// The installed version of a listed identifier; empty (and logged) when none is found.
std::string ListedVersion(PluginSession session, const std::string& entry) {
    const std::string identifier = ListedIdentifier(entry);
    ProductInfo info;
    if (!info.Detect(identifier.c_str()) || info.version[0] == '\0') {
        LogNotFound(session, identifier);
        return std::string();
    }
    return info.version;
}

// Detects the product with the optional version filter (null: none); false (logged) when it
// has no installed version.
bool DetectLogged(PluginSession session, const char* identifier, const char* filter,
                  ProductInfo* info) {
    if (info->Detect(identifier, filter) && info->version[0] != '\0')
        return true;
    LogNotFound(session, identifier);
    return false;
}

// Words whether version lies in list into the result buffer; 1 when it does.
int RangeAnswer(const char* format, const std::string& version, const char* list, char* result,
                int resultSize) {
    const bool inside = VersionInList(version.c_str(), list);
    StrCopyTruncated(result,
                     FormatText(format, version.c_str(), inside ? "" : "NOT ", list).c_str(),
                     resultSize);
    return inside ? 1 : 0;
}

// A bare code is tried as a product code, then as an upgrade code.
bool DetectCode(const char* code, ProductInfo* info) {
    if (code[0] != '{')
        return info->Detect(code);
    return info->Detect((std::string("p") + code).c_str()) ||
           info->Detect((std::string("u") + code).c_str());
}

// Whether any installed component has exactly this code.
bool ComponentInstalled(const char* component) {
    char code[ProductInfo::kCodeSize] = {};
    for (DWORD index = 0; MsiEnumComponentsA(index, code) == ERROR_SUCCESS; ++index) {
        if (std::strcmp(code, component) == 0)
            return true;
    }
    return false;
}

bool KeyExists(const char* keyPath) {
    std::vector<RegistryValue> values;
    long errorCode = 0;
    return EnumerateRegistryValues(keyPath, &values, kRegistryDefaultView, &errorCode);
}

int CountRelatedProducts(const char* upgradeCode) {
    InstallerQueries& queries = ActiveInstallerQueries();
    std::string productCode;
    int count = 0;
    for (unsigned long index = 0;; ++index) {
        const long code = queries.RelatedProduct(upgradeCode, index, &productCode);
        if (code == kInstallerNoMoreItems)
            break;
        if (code != kInstallerSuccess) {
            LogSystemError(code, "CountInstalledProducts(...)", "    ");
            break;
        }
        ++count;
    }
    return count;
}

// Whether the parameter NAME or NAME=VALUE was given on the command line of setup.
bool ParameterGiven(const std::string& parameter) {
    const std::size_t equals = parameter.find('=');
    const std::string name = parameter.substr(0, equals);
    if (name.compare(0, 11, "MSIFeature.") != 0 && name.compare(0, 12, "MSIProperty.") != 0)
        return false;
    const PropertyStore* store = PluginProperties();
    if (!store || !store->IsDefined(name.c_str()))
        return false;
    if (equals == std::string::npos)
        return true;
    return store->Compare(name.c_str(), parameter.substr(equals + 1).c_str(), true) == 0;
}

long UninstallOne(PluginSession session, const std::string& code, const char* extra) {
    ShellExec exec;
    exec.SetCommand("msiexec /x %s %s", code.c_str(), extra);
    PluginLog(session, kLogPlain, "    Proc call : COMMAND: %s", exec.CommandLine().c_str());
    const long exitCode = exec.ExecuteCommand(false, true, true, false);
    PluginLog(session, kLogPlain, "    Proc call : RETCODE: %d (%s)", static_cast<int>(exitCode),
              SystemErrorText(exitCode).c_str());
    return exitCode;
}

// The orphaned child products of a parent: installed products whose uninstall comments
// name the child application, or whose install folder has the child's name.
class ChildProductCleaner {
  public:
    static constexpr int kMaxProducts = 16;

    ChildProductCleaner(PluginSession session, std::string child)
        : session_(session), child_(std::move(child)), queries_(ActiveInstallerQueries()) {}

    void Collect();
    int UninstallAll(const char* parentCode);

  private:
    bool IsChild(const std::string& productCode);
    bool CommentsNameChild(const std::string& productCode);
    bool FolderNamesChild(const std::string& productCode);
    std::string ProductName(const std::string& productCode);
    bool Uninstall(const std::string& productCode);

    PluginSession session_;
    std::string child_;
    InstallerQueries& queries_;
    std::vector<std::string> found_;
};

void ChildProductCleaner::Collect() {
    std::string productCode;
    for (unsigned long index = 0;; ++index) {
        const long code = queries_.InstalledProduct(index, &productCode);
        if (code == kInstallerNoMoreItems)
            return;
        if (code != kInstallerSuccess) {
            const std::string text = SystemErrorText(code);
            PluginLog(session_, kLogPlain, "    Proc call : MsiEnumProducts() returned code %d: %s",
                      static_cast<int>(code), text.c_str());
            PluginLog(session_, kLogWarning,
                      "ClearChildProduct error %d during msi products enum: %s",
                      static_cast<int>(code), text.c_str());
            return;
        }
        if (!IsChild(productCode))
            continue;
        if (static_cast<int>(found_.size()) == kMaxProducts) {
            PluginLog(session_, kLogWarning,
                      "Maximum number (%d) of product codes to be stored has been reached "
                      "(ClearChildProduct)",
                      kMaxProducts);
            return;
        }
        found_.push_back(productCode);
    }
}

bool ChildProductCleaner::IsChild(const std::string& productCode) {
    return CommentsNameChild(productCode) || FolderNamesChild(productCode);
}

bool ChildProductCleaner::CommentsNameChild(const std::string& productCode) {
    const std::string path = FormatText(
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s"
        "\\Comments",
        productCode.c_str());
    std::string comments;
    long errorCode = 0;
    if (!ReadRegistryValue(path, &comments, kRegistryDefaultView, &errorCode)) {
        if (errorCode != kKeyNotFound)
            LogSystemError(errorCode,
                           "ClearChildProduct error during verifying if registry entry COMMENTS "
                           "contains APPNAME",
                           "    ");
        return false;
    }
    const std::string word = "APPNAME=" + child_;
    return ContainsWord(word.c_str(), comments.c_str(), ' ', kPunctuation);
}

bool ChildProductCleaner::FolderNamesChild(const std::string& productCode) {
    std::string folder;
    const long code = queries_.ProductProperty(productCode.c_str(), "InstallLocation", &folder);
    if (code != kInstallerSuccess) {
        LogSystemError(
            code, "ClearChildProduct during verifying if installDir contains \\APPNAME\\ ", "    ");
        return false;
    }
    return folder.find("\\" + child_ + "\\") != std::string::npos;
}

std::string ChildProductCleaner::ProductName(const std::string& productCode) {
    std::string name;
    const long code = queries_.ProductProperty(productCode.c_str(), "InstalledProductName", &name);
    if (code != kInstallerSuccess)
        LogSystemError(code, "ClearChildProduct error during MsiGetProductInfo", "    ");
    return name;
}

int ChildProductCleaner::UninstallAll(const char* parentCode) {
    int removed = 0;
    for (const std::string& productCode : found_) {
        const std::string name = ProductName(productCode);
        if (productCode == parentCode) {
            PluginLog(session_, kLogPlain, "    Proc call : SKIP product '%s'/p%s", name.c_str(),
                      productCode.c_str());
            continue;
        }
        PluginLog(session_, kLogPlain, "    Proc call : UNINSTALL product '%s'/p%s -> %s",
                  name.c_str(), productCode.c_str(), child_.c_str());
        if (Uninstall(productCode))
            ++removed;
    }
    return removed;
}

bool ChildProductCleaner::Uninstall(const std::string& productCode) {
    ShellExec exec;
    exec.SetCommand("msiexec.exe /x %s REBOOT=ReallySuppress /qn", productCode.c_str());
    const long exitCode = exec.ExecuteCommand(false, true, true, false);
    PluginLog(session_, kLogPlain, "    Proc call : Ret code:   %d [%s]",
              static_cast<int>(exitCode), SystemErrorText(exitCode).c_str());
    std::string output;
    exec.GetOutput(&output);
    PluginLog(session_, kLogPlain, "    Proc call : Output:    %s", output.c_str());
    return exitCode == 0;
}

// The word after "APPNAME=" up to the next blank; empty when there is none.
std::string ChildName(const char* parameters) {
    const char* start = std::strstr(parameters, "APPNAME=");
    if (!start)
        return std::string();
    start += std::strlen("APPNAME=");
    return std::string(start, std::strcspn(start, " "));
}

}  // namespace

int IsInstalledVersionProc(PluginSession session, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 3, 3, error))
        return 0;
    ProductInfo info;
    if (!info.Detect(argv[1]) || info.version[0] == '\0') {
        LogNotFound(session, argv[1]);
        return 0;
    }
    // Only the first two characters of the operator word count ("eqx" is "eq"), and its
    // letters only in lower case.
    const std::string word = std::string(argv[2]).substr(0, 2);
    const int comparison = CompareVersions(info.version, argv[3], kVersionCompareSecond);
    return RelationHolds(ParseRelation(word.c_str(), false), comparison) ? 1 : 0;
}

int GetProductVersionProc(PluginSession session, int argc, char** argv, char* result,
                          int resultSize, int* error) {
    if (!CheckPluginArgCount(argc, 1, 2, error))
        return 0;
    int maximum = 0;
    if (argc > 2 && !ParseInt(argv[2], &maximum))
        maximum = 0;
    std::string versions;
    int taken = 0;
    for (const std::string& entry : SplitTokens(argv[1], ',', 0)) {
        if (maximum > 0 && taken == maximum)
            break;
        versions += (taken++ > 0 ? "," : "") + ListedVersion(session, entry);
    }
    StrCopyTruncated(result, versions.c_str(), resultSize);
    return 0;
}

int GetInstalledComponentsProc(PluginSession, int argc, char** argv, char*, int, int* error) {
    SetPluginStatus(error, 0);
    int count = 0;
    for (int i = 1; i < argc && i <= kPluginMaxArguments; ++i) {
        if (ComponentInstalled(argv[i]))
            ++count;
    }
    return count;
}

int IsChassisProc(PluginSession, int, char**, char*, int, int* error) {
    SetPluginStatus(error, 0);
    return IsChassis(SystemMachineProbe()) ? 1 : 0;
}

int AllowInstallClientProc(PluginSession, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    if (!IsChassis(SystemMachineProbe()))
        return 1;
    const char* path = argv[1][0] != '\0' ? argv[1] + 1 : argv[1];
    std::string value;
    long errorCode = 0;
    return ReadRegistryValue(path, &value, kRegistryDefaultView, &errorCode) ? 0 : 1;
}

int GetFeatureStateProc(PluginSession session, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 2, 3, error))
        return 0;
    ProductInfo info;
    if (!DetectLogged(session, argv[1], argc > 3 ? argv[3] : nullptr, &info))
        return 0;
    return MsiQueryFeatureStateA(info.productCode, argv[2]);
}

int IsMsSQLInstanceProc(PluginSession, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    std::vector<std::string> names;
    long errorCode = 0;
    ReadRegistryStrings(kSqlInstances, &names, kRegistryDefaultView, &errorCode);
    for (const std::string& name : names) {
        if (EqualsNoCase(name.c_str(), argv[1]))
            return 1;
    }
    return 0;
}

int IsRebootRequiredProc(PluginSession, int argc, char**, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 0, 0, error))
        return 0;
    for (const char* key : kRebootKeys) {
        if (KeyExists(key))
            return 1;
    }
    return 0;
}

int GetInstallLocationProc(PluginSession session, int argc, char** argv, char* result,
                           int resultSize, int* error) {
    if (!CheckPluginArgCount(argc, 1, 2, error))
        return 0;
    ProductInfo info;
    if (DetectLogged(session, argv[1], argc > 2 ? argv[2] : nullptr, &info))
        StrCopyTruncated(result, TrimRight(info.installLocation, "\\").c_str(), resultSize);
    return 0;
}

int GetProductCodeProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                       int* error) {
    if (!CheckPluginArgCount(argc, 1, 2, error))
        return 0;
    ProductInfo info;
    if (DetectLogged(session, argv[1], argc > 2 ? argv[2] : nullptr, &info))
        StrCopyTruncated(result, TrimRight(info.productCode, "\\").c_str(), resultSize);
    return 0;
}

int IsVersionInRangeProc(PluginSession, int argc, char** argv, char* result, int resultSize,
                         int* error) {
    if (!CheckPluginArgCount(argc, 2, 2, error))
        return 0;
    ProductInfo info;
    if (argv[1][0] == '\0')
        StrCopyTruncated(result, "Product (upgrade) code is not specified", resultSize);
    else if (argv[2][0] == '\0')
        StrCopyTruncated(result, "Version list is not specified", resultSize);
    else if (!DetectCode(argv[1], &info) || info.version[0] == '\0')
        StrCopyTruncated(result, "Version not found", resultSize);
    else
        return RangeAnswer("Installed version '%s' is %sin the specified range [%s]", info.version,
                           argv[2], result, resultSize);
    return 0;
}

int IsFileVersionInRangeProc(PluginSession, int argc, char** argv, char* result, int resultSize,
                             int* error) {
    if (!CheckPluginArgCount(argc, 2, 2, error))
        return 0;
    if (argv[1][0] == '\0') {
        StrCopyTruncated(result, "File path not specified", resultSize);
        return 0;
    }
    if (argv[2][0] == '\0') {
        StrCopyTruncated(result, "Version list is not specified", resultSize);
        return 0;
    }
    const std::string version = GetVersion(argv[1], "FileVersion");
    if (version.empty()) {
        StrCopyTruncated(result, "Version not found", resultSize);
        return 0;
    }
    return RangeAnswer("File version '%s' is %sin the specified range [%s]", version, argv[2],
                       result, resultSize);
}

int CountInstalledProductsProc(PluginSession, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    switch (argv[1][0]) {
        case 'u':
            return CountRelatedProducts(argv[1] + 1);
        case 'i':
            return static_cast<int>(FindInstallAnywhereProducts(argv[1] + 1).size());
        default:
            SetPluginStatus(error, ERR_PROC_BAD_ARG_VALUE);
            return 0;
    }
}

int RefCountProc(PluginSession, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    std::vector<RegistryValue> values;
    long errorCode = 0;
    if (EnumerateRegistryValues(argv[1], &values, kRegistryDefaultView, &errorCode))
        return static_cast<int>(values.size());
    if (errorCode != kKeyNotFound)
        LogSystemError(errorCode, "RefCount(...)", "    ");
    return 0;
}

// The command-line parameter gates the version test: without it the answer is 0; with it,
// 1 when the installed version of one of the listed products lies in the range list.
int CheckVersionAndCmdLineParamProc(PluginSession session, int argc, char** argv, char*, int,
                                    int* error) {
    if (!CheckPluginArgCount(argc, 3, 3, error))
        return 0;
    const bool given = ParameterGiven(argv[3]);
    PluginLog(session, kLogPlain, "    Proc call : '%s' %sfound in command line", argv[3],
              given ? "" : "NOT ");
    if (!given)
        return 0;
    for (const std::string& entry : SplitTokens(argv[1], ',', 0)) {
        const std::string version = ListedVersion(session, entry);
        if (version.empty())
            continue;
        const bool inside = VersionInList(version.c_str(), argv[2]);
        PluginLog(session, kLogPlain,
                  "    Proc call : Version '%s'installed -> %sin the specified range [%s]",
                  version.c_str(), inside ? "" : "NOT ", argv[2]);
        if (inside)
            return 1;
    }
    return 0;
}

int UninstallMsiProductProc(PluginSession session, int argc, char** argv, char* result,
                            int resultSize, int* error) {
    if (!CheckPluginArgCount(argc, 1, 2, error))
        return 0;
    const std::vector<std::string> codes = SplitTokens(argv[1], ',', 0);
    const int count = static_cast<int>(codes.size());
    PluginLog(session, kLogPlain, "    Proc call : Try uninstall %d product%s", count,
              count > 1 ? "s" : "");
    const char* extra = argc > 2 ? argv[2] : "";
    std::string codesText;
    for (const std::string& code : codes) {
        const long exitCode = UninstallOne(session, Trim(code, kBlanks), extra);
        codesText += (codesText.empty() ? "" : ",") + std::to_string(exitCode);
    }
    StrCopyTruncated(result, codesText.c_str(), resultSize);
    return 0;
}

// The optional third argument is accepted and not used. The result is the number of child
// products that were uninstalled without error.
int ClearChildProductProc(PluginSession session, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 2, 3, error))
        return 0;
    const std::string child = ChildName(argv[2]);
    ProductInfo parent;
    parent.Detect(argv[1]);
    if (child.empty()) {
        PluginLog(session, kLogError, "Child product name cannot be obtained from %s", argv[2]);
        return 0;
    }
    ChildProductCleaner cleaner(session, child);
    cleaner.Collect();
    return cleaner.UninstallAll(parent.productCode);
}
