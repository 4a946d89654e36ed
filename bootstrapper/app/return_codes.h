#pragma once
// The return codes of a run: the exit code of setup, the code a chained child setup
// reports to its parent, and the code printed in the closing "Returned" line of the log.

enum ReturnCode {
    RC_None = -1,  // no code yet; printed as "Ignored"
    RC_AllCompleted = 0,
    RC_NotCompleted = 1,
    RC_RebootRequired = 2,
    RC_RebootInProgress = 3,
    RC_InvalidArguments = 4,
    RC_InvalidConfiguration = 5,
    RC_MainPackageNotDetected = 6,
    RC_InstallationAborted = 7,
    RC_UnhandledException = 8,
    RC_DependenciesFailed = 9,
    RC_CallbackFailed = 10,
    RC_ANewerVerAlreadyInstalled = 11,
    RC_ActionCanceled = 12,
    RC_ActionQuit = 13,
    RC_AnotherInstanceRunning = 14,
    RC_PendingRebootDetected = 15,
    RC_OriginalInstallerNotFound = 16,
    RC_InvalidCRC32Checksum = 17,
    RC_ItemsNb
};

// "Ignored" for -1, the code's name for 0..17, "RETURN CODE NOT FOUND" otherwise.
// The text is static.
const char* ReturnCodeName(int code);

// Completed runs: all completed, reboot required, reboot in progress.
bool IsSuccessCode(int code);
