#pragma once
// PackageRecord: what the configuration says of a package (its Package element and the
// standard package it is based on), read once and never changed by the run except for the
// product id and version text that an installer file may fill in.

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "version_requirement.h"

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

struct PackageRecord {
    std::string DisplayName() const { return appName.empty() ? name : appName; }
    bool IsMain() const { return feature == "MAIN"; }
    // The reboot code as a number: 0 (none) unless the text starts with a digit.
    int RebootCodeValue() const;
    // The product key name of the reference counts: the Name, followed by the wanted
    // version for a multiversion package.
    std::string RefCountKeyName() const;
    // The command-line template of an action (0..2) and mode (0 normal, 1 silent, 2 quiet).
    const std::optional<std::string>& CommandLineTemplate(int action, int mode) const;

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
    // A package with a Cache element keeps a copy of its installer file for later repairs
    // and uninstalls; cacheLocation (when given) replaces the default folder.
    bool cached = false;
    std::string cacheLocation;
    OsRequirement os;
    VersionRequirement version;
    std::vector<ConditionRecord> conditions;
    CommandLines install, uninstall, repair;
    std::string inputProperties;
    std::string outputProperties;
    std::string collapseBy;       // at most 7 characters
    std::string extraParameters;  // at most 511 characters
};
