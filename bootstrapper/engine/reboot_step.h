#pragma once
// The end of a run that needs a reboot: the event, the resume entry, the question, the
// restart and the banner that says what became of the reboot.

#include <string>

struct RunServices;

struct RebootRequest {
    bool externalControl = false;
    bool continueAfterReboot = false;  // the chain resumes after the restart
    bool reboot = false;               // the machine should restart now
    bool ask = false;                  // the user is asked first (normal mode)
    bool noCancel = false;             // the question has no Cancel button
    bool writeCompletionEvent = true;
    const char* questionTag = "REBOOT_REQ";  // the message of the question
    std::string productName;
    // Setup's own path and arguments, for the resume entry.
    std::string programPath;
    std::string arguments;
};

// Returns RC_RebootInProgress when the restart was started, else RC_RebootRequired.
int RunRebootStep(RunServices& run, const RebootRequest& request);
