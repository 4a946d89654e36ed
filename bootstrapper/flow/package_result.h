#pragma once
// What one run of a package's installer gave, how its exit code is classified against the
// package's success, error and cancel sets, and the result lines of the package's block.

#include <string>

class LogFile;
struct PackageRecord;

struct InstallerOutcome {
    bool started = false;  // false when the command was empty and nothing ran
    long exitCode = 0;
    std::string output;
    bool callbackUsed = false;
    int callbackCode = -1;  // -1: none
};

// Whether the exit code counts as success: the error and cancel sets win over the success
// set (a code in both is logged as a warning, once while *warned is false); then the
// success set (or "*"), 0 and the reboot code succeed. With checkCallback, a chained
// setup's code that does not pass fails the package too.
bool IsSuccessfulExit(const PackageRecord& package, const InstallerOutcome& outcome,
                      bool checkCallback, LogFile& log, bool* warned);

// Whether the exit code asks for a reboot: it is the package's reboot code, or it is 0
// and the chained setup reported that a reboot is required.
bool RequiresReboot(const PackageRecord& package, const InstallerOutcome& outcome);

// The result lines of the package's block: callback, return code, output, the event entry
// of a code other than 0, and the reboot line.
void LogPackageResult(const PackageRecord& package, const InstallerOutcome& outcome, bool rebootDue,
                      LogFile& log);
