#pragma once
// The process procedures of utils.dll (Process, ProcessIsRunning) over a small view of the
// machine's processes, so that the matching and stopping rules run against a fake in the
// host build.

#include <string>
#include <vector>

#include "plugin_interface.h"

struct ProcessRecord {
    unsigned long id = 0;
    unsigned long parentId = 0;
    std::string imagePath;  // full path of the main module; empty when it cannot be read
};

class ProcessSystem {
  public:
    virtual ~ProcessSystem() = default;
    // A snapshot of the running processes; false with a system error code when none can
    // be taken.
    virtual bool List(std::vector<ProcessRecord>* processes, long* errorCode) = 0;
    virtual unsigned long CurrentId() = 0;
    // Terminates the process with exit code 1 and waits up to timeoutMs for its end: 0 when
    // it has ended, else a system error code (258 when it still runs).
    virtual long Terminate(unsigned long id, unsigned long timeoutMs) = 0;
    // Starts the quoted program with the arguments without waiting for it: 0 or an error.
    virtual long Start(const std::string& program, const std::string& arguments) = 0;
    // The full path of a path with a folder, as the system resolves it.
    virtual std::string FullPath(const std::string& path) = 0;
};

// How long a stop waits for each terminated process to really end.
constexpr unsigned long kProcessEndWaitMs = 10000;

// The wanted executable: blanks, tabs, line ends and double quotes trimmed off both ends.
// A text with a folder ("\\", "/" or ":") becomes a full path; a bare file name stays bare.
std::string WantedExecutable(ProcessSystem& system, const std::string& argument);

// A bare name matches the file-name part of the image path, a name with a folder the whole
// image path; both without regard to case, "/" read as "\\".
bool ProcessMatches(const std::string& wanted, const std::string& imagePath);

// The processes that no stop may end: this process and its chain of parents (the setup
// that called, the installer that runs the custom action).
std::vector<unsigned long> ProtectedProcesses(const std::vector<ProcessRecord>& processes,
                                              unsigned long currentId);

int ProcessProc(ProcessSystem& system, PluginSession session, int argc, char** argv, char* result,
                int resultSize, int* error);
int ProcessIsRunningProc(ProcessSystem& system, PluginSession session, int argc, char** argv,
                         char* result, int resultSize, int* error);
