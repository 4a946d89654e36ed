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

// What a package (or a dependency) requires of an installed product.
struct VersionRequirement {
    bool isPattern = false;   // the version text is a regular expression
    std::string productId;    // "u{...}", "p{...}", "n...", "r...", "f..."
    std::string versionText;  // trimmed of blanks and tabs
    std::string versionList;  // "a-b,c"
    std::string installedVersion;
    bool multiversion = false;
};

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

class FPackage : public FBase {
public:
    FPackage();
    int Execute(int operation) override;
    std::unique_ptr<FBase> Clone() const override { return std::make_unique<FPackage>(*this); }
    std::string GetTag() const override { return tag_; }
    std::string DisplayName() const { return appName.empty() ? name : appName; }
    bool IsMain() const { return feature == "MAIN"; }
    // The reboot code as a number: 0 (none) unless the text starts with a digit.
    int RebootCodeValue() const;

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
    std::string collapseBy;  // at most 7 characters
    std::string extraParameters;  // at most 511 characters
    FlowList beforeInstaller;  // the Execute children
    FlowList aroundInstaller;  // the File children

private:
    std::string configurationErrors_;
};
