#pragma once
// Starts an installer and waits for it. The program runs it as a hidden child process with
// its output captured (ShellExec); tests give a fake that plays scripted installers.

#include <string>

struct ProcessResult {
    long exitCode = -1;  // -1 when the command could not start
    std::string output;  // the captured output
};

class ProcessRunner {
  public:
    virtual ~ProcessRunner() = default;
    // Runs command and waits for it. name is what the wait dialog shows; showWindow lets the
    // installer's own window show; collectEvents copies the installer's events of the run's
    // time window into the log (the main instance does).
    virtual ProcessResult Run(const std::string& name, const std::string& command, bool showWindow,
                              bool collectEvents) = 0;
    // Sets an environment variable that the processes started afterwards inherit.
    virtual bool SetEnvironment(const std::string& name, const std::string& value) = 0;
};

// The program's runner (Windows build only).
ProcessRunner& SystemProcessRunner();
