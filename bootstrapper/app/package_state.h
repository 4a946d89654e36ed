#pragma once
// The states of a package in the run, as the log and the progress dialog name them.

#include <string>

enum PackageState {
    PS_Error = -1,
    PS_None = 0,
    PS_InProgress = 1,
    PS_Completed = 2,
    PS_Failed = 3,
    PS_Skipped = 4,
    PS_Canceled = 5,
    PS_Preprocessing = 6,
    PS_Preprocessed = 7,
};

// Not a state: what a reader of the status table gets for a slot it cannot read (no such
// slot, no view of the shared block, or reading stopped by the access flags). It lies
// outside the states so that it is never taken for PS_Error, a state a package really can
// be in. The engine reads it as "no status", the same as for a package without a slot.
const int kStateUnreadable = -2;

// Log text of a state: "error", "none", "in progress", ... and "unknown status".
std::string StateName(int state);

// One row of the progress dialog's status table.
struct ProgressStatus {
    int state;
    const char* text;
    char overrideText[128];  // replaces text when set (e.g. "Version uninstalled")
    int iconResource;
    int imageIndex;  // filled when the dialog loads its icons
};

// The row of a state (0..7); a state without a row is logged as an error and gives null.
ProgressStatus* FindProgressStatus(int state);
// The text the dialog shows for a state: the override text when set, else the text;
// empty when the state has no row.
std::string ProgressStatusText(int state);
