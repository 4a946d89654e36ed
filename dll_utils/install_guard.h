#pragma once
// PreventConcurrentInstallations: counts the running processes that look like
// installations of the named kind and, while more run than allowed, waits, cancels or asks
// the user. The process query, the owner look-up, the message pump and the question sit
// behind GuardEnvironment so that the counting, waiting and cancelling run against a fake.

#include <string>
#include <vector>

#include "plugin_interface.h"

struct GuardProcess {
    unsigned long id = 0;
    std::string name;
    bool hasCommandLine = false;
    std::string commandLine;
};

class GuardEnvironment {
  public:
    virtual ~GuardEnvironment() = default;
    // All running processes; false with the message of the failing step.
    virtual bool ListProcesses(std::vector<GuardProcess>* processes, std::string* failure) = 0;
    // The account that runs the process ("DOMAIN\\user"), empty when unknown.
    virtual std::string OwnerOf(unsigned long id) = 0;
    virtual void PumpMessages() = 0;
    // Whether the user asked setup (or the installer) to quit: "Quit" is "Cancel".
    virtual bool QuitRequested() = 0;
    // Shows the question; true for Retry, false for Cancel.
    virtual bool AskRetry(const std::string& text) = 0;
    virtual void Sleep(unsigned long milliseconds) = 0;
};

// Whether the command line carries any of the comma-separated texts, without regard to
// case; blank pieces are ignored, so a list of only blanks matches nothing.
bool CommandLineMatches(const std::string& commandLine, const std::string& texts);

struct InstanceCount {
    int count = 0;  // -1 when the query failed
    std::string owner;
    std::string failure;
};

InstanceCount CountInstances(GuardEnvironment& environment, const std::string& name,
                             const std::string& texts);

int PreventConcurrentInstallationsProc(GuardEnvironment& environment, PluginSession session,
                                       int argc, char** argv, char* result, int resultSize,
                                       int* error);
