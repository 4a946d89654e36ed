#pragma once
// The run's decision for one package: from how its product compares with the wanted
// version, the run's action and the package's conditions, whether it executes, with which
// action's command lines, and the reason phrases of its "Status" line.

#include <string>

class LogFile;
class PropertyStore;
struct PackageRecord;

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

// What the decision needs besides the package's configuration.
struct DecisionInputs {
    int action = 0;          // the run's action: 0 install, 1 uninstall, 2 repair
    int comparison = 0;      // a ComparisonResult
    bool installed = false;  // detection found an installed version
    bool showMessages = false;
    bool forced = false;  // the run's "Force" list names the package: an uninstall executes
};

// Decides; the conditions are evaluated with the properties (their lines are logged).
PackageDecision DecidePackage(const PackageRecord& package, const DecisionInputs& inputs,
                              const PropertyStore& properties, LogFile& log);
