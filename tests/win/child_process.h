#pragma once
// Starts a Windows program for a test and waits for it.

#include <string>
#include <vector>

class ChildProcess {
  public:
    // Starts commandLine in folder with the current environment changed by the given
    // "NAME=value" entries; "NAME=" removes a variable.
    ChildProcess(const std::string& commandLine, const std::string& folder,
                 const std::vector<std::string>& environmentChanges);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return process_ != nullptr; }
    unsigned long Id() const { return id_; }
    // The exit code, or -1 when the process did not end within the time.
    long Wait(unsigned long milliseconds);

  private:
    void* process_ = nullptr;
    unsigned long id_ = 0;
};

// The folder of the running test program.
std::string TestProgramFolder();
