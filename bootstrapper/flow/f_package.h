#pragma once
// FPackage: one installable unit of the chain (a prerequisite, the MAIN package or a
// postrequisite). This part holds what the configuration says of a package; detection,
// the decision, the command line and the run are added with the installer run.

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "f_base.h"
#include "product_info.h"

// How the installed product compares with what a package or a dependency requires.
enum ComparisonResult {
    kNoRequirement = 0,
    kNotInstalled = 1,
    kOlderInstalled = 2,
    kSameInstalled = 3,
    kNewerInstalled = 4,
    kPatternMatched = 5,
    kPatternNotMatched = 6,
    kInRange = 7,
    kOutOfRange = 8,
    kBadPattern = 9,
};

// What a package (or a dependency) requires of an installed product.
struct VersionRequirement {
    bool isPattern = false;   // the version text is a regular expression
    std::string productId;    // "u{...}", "p{...}", "n...", "r...", "f..."
    std::string versionText;  // trimmed of blanks and tabs
    std::string versionList;  // "a-b,c"
    std::string installedVersion;
    bool multiversion = false;
};

// Detects the product of a requirement into product and compares it with the requirement
// (a ComparisonResult); fills requirement.installedVersion. Shared with dependency checks.
int CompareRequirement(VersionRequirement& requirement, ProductInfo& product);

// An InstallCondition or UninstallCondition of a package.
struct ConditionRecord {
    int kind = 0;  // 0 install, 1 uninstall
    std::string condition;
    std::string precondition;  // action and mode filter
    std::string message;
};

// The command lines of one action for the normal, silent and quiet mode; an absent
// attribute leaves its slot unset.
struct CommandLines {
    std::optional<std::string> normal, silent, quiet;
};

// The operating system a package is made for (its Dependencies child).
struct OsRequirement {
    std::string type;  // "WinNT" or "Win9x"
    std::string version;
    std::string architecture;
    std::string versionOperator;
    std::string packages;
};

// The run's decision for one package.
struct PackageDecision {
    std::string reason;  // comma-separated phrases, each ending with ", "
    bool selected = false;
    bool detected = false;
    int state = 0;                 // 0 not set, 1 execute, 2 skip
    int commandAction = 0;         // the action whose command lines run (repair may install)
    bool stopWalk = false;         // a newer MAIN on install: the walk ends after this package
    bool conditionFailed = false;  // an install/uninstall condition was false
    // The message of the false condition (already logged and sent to the event log).
    std::string conditionMessage;
    // The run shows conditionMessage in a message box: exclamation icon, error icon for MAIN.
    bool showMessage = false;
};

// Starts an installer and waits for it. The program uses the process runner; tests give
// fakes.
class PackageRunner {
  public:
    virtual ~PackageRunner() = default;
    // Returns the exit code, -1 when the command could not start.
    virtual long Run(const std::string& name, const std::string& command, bool showWindow,
                     bool mainInstance) = 0;
    virtual std::string Output() const = 0;
};
using PackageRunnerFactory = std::unique_ptr<PackageRunner> (*)();
// Null restores the system's runner.
void SetPackageRunnerFactory(PackageRunnerFactory factory);
// The system's runner: ShellExec on Windows; on the host one that logs an error and
// returns -1.
std::unique_ptr<PackageRunner> CreateSystemPackageRunner();

// The key under HKEY_LOCAL_MACHINE where chained setups leave their return code.
extern const char* const kReturnCodesKey;

class FPackage : public FBase {
  public:
    FPackage();
    // Runs the package: the Execute children, the File elements around the installer, the
    // installer itself. 0 on success, else the OnFail type.
    //
    // Every element of both lists gets SetOperation(operation) and, in its reserved texts,
    // the package's context: 0 the Name, 1 the detected product code, 2 the wanted version,
    // 3 the reference-count key of a multiversion package (else empty), 4 the last
    // comparison result as decimal text. The Execute children run with the operation. The
    // File elements run with the phase as direction: 1 (backward) before the installer while
    // the product is present, 0 (forward) after it once the product is present.
    int Execute(int operation) override;
    std::unique_ptr<FBase> Clone() const override { return std::make_unique<FPackage>(*this); }
    std::string GetTag() const override { return tag_; }
    std::string DisplayName() const { return appName.empty() ? name : appName; }
    bool IsMain() const { return feature == "MAIN"; }
    // The reboot code as a number: 0 (none) unless the text starts with a digit.
    int RebootCodeValue() const;

    // Detection and comparison: refreshes the product information and compares it with
    // the version requirement.
    int Compare();
    int LastComparison() const { return comparison_; }
    const ProductInfo& Product() const { return product_; }
    // The product key name of the reference counts: the Name, followed by the wanted
    // version for a multiversion package.
    std::string RefCountKeyName() const;
    // Fills an empty product id and version text from the installer file (MSI database or
    // the version resource of an ISEXEMSI executable).
    void ReadPackageInformation(const std::string& installerPath);

    // The decision of the run for this package (the package's conditions are evaluated
    // here, with the current property store). forced: the run's "Force" list names the
    // package, which makes an uninstall execute unless a condition is false.
    PackageDecision Decide(int action, int comparison, bool showMessages, bool forced = false);
    // The command-line template of an action (0..2) and mode (0 normal, 1 silent, 2 quiet).
    const std::optional<std::string>& CommandLineTemplate(int action, int mode) const;

    // The run's choices before Execute: the base text ("<template> <extra>"), whether the
    // installer's window may show, whether the Windows Installer items (ADDLOCAL and
    // MSIProperty.*) are added, whether this run is the main instance, the forwarded
    // command-line properties, and whether the package properties are published.
    void PrepareExecution(const std::string& baseText, bool showWindow, bool installerItems,
                          bool mainInstance, const std::string& forwarded,
                          bool setPackageProperties);
    // The command Execute starts, from the prepared base text and the property store; logs
    // the package properties when they are published.
    std::string BuildCommand();
    // False when the last Execute skipped the installer (empty command line): the package
    // then counts as not executed, and its exit code stays 0.
    bool InstallerStarted() const { return installerStarted_; }
    // The captured output of the last installer run.
    const std::string& Output() const { return output_; }
    long ExitCode() const { return exitCode_; }
    bool IsSuccess(bool checkCallback) const;
    bool CallbackCheck() const;
    int CallbackReturnCode() const { return callbackReturnCode_; }
    bool CallbackUsed() const { return callbackUsed_; }
    // Arms the return-code handshake with a chained setup (the MAIN package, once a run).
    void ArmCallback();
    // Reads the code a chained setup left (after the installer); stores and returns it.
    int ReadCallbackReturn();
    bool PublishOutputProperties(const std::string& registryPath);
    bool RetrieveOutputProperties(const std::string& registryPath);
    bool RemoveOutputProperties(const std::string& registryPath);

    // The per-package block of the log (the run writes the lines in between).
    void LogDetected() const;
    void LogResult(bool rebootDue) const;  // callback, return code, output, event, reboot

    void AddConfigurationError(const std::string& text);
    const std::string& ConfigurationErrors() const { return configurationErrors_; }

    std::string tag;
    std::string type;
    std::string name;
    std::string fileName;
    std::string archiveName;
    std::string feature;
    std::string rebootCode;
    std::string appName;
    bool vital = true;
    bool refCounted = true;
    bool required = true;
    bool permanent = false;
    bool silent = false;
    bool delayReboot = false;
    bool showProgress = false;
    bool basedOnStandard = false;
    std::set<int> successCodes;
    bool allCodesSucceed = false;
    std::set<int> errorCodes;
    std::set<int> cancelCodes;
    std::string cacheLocation;
    OsRequirement os;
    VersionRequirement version;
    std::vector<ConditionRecord> conditions;
    CommandLines install, uninstall, repair;
    std::string inputProperties;
    std::string outputProperties;
    std::string collapseBy;       // at most 7 characters
    std::string extraParameters;  // at most 511 characters
    FlowList beforeInstaller;     // the Execute children
    FlowList aroundInstaller;     // the File children

  private:
    bool RunElements(const FlowList& list, int operation, int direction);
    void GiveContext(FBase& element) const;
    void RunInstaller();
    void AddInstallerItems(std::string* features, std::string* properties) const;
    void AddInputProperties(std::string* properties) const;
    void SetPackageProperties(const std::string& features, const std::string& properties);
    void DecideByComparison(int action, int comparison, PackageDecision& decision);
    void CheckConditions(int action, PackageDecision& decision);
    std::string OutcomeText(bool forEvent) const;
    std::string OutputKey(const std::string& registryPath) const;

    std::string configurationErrors_;
    ProductInfo product_;
    std::string baseText_;
    std::string forwarded_;
    bool showWindow_ = false;
    bool installerItems_ = false;
    bool mainInstance_ = false;
    bool setPackageProperties_ = false;
    long exitCode_ = 0;
    std::string output_;
    bool callbackUsed_ = false;
    int callbackReturnCode_ = -1;
    bool callbackFailed_ = false;
    int comparison_ = kNoRequirement;
    bool installerStarted_ = false;
    mutable bool bothWaysWarned_ = false;  // the success/error overlap is reported once a run
};
