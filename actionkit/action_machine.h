#pragma once
// The machine as the custom actions reach it: processes, windows, events, memory, files,
// the registry and Windows Installer's product queries. machine_win32.cpp holds the
// system's; the host tests hand the actions a fake, which is also how the actions that
// need a facility Wine lacks are tested.

#include <string>
#include <vector>

class InstallerQueries;
class EventLogAccess;
class FileSystem;
class RegistryAccess;

// A program to start. commandLine is complete (program path quoted); program is the path
// itself, handed to the system separately so that it is never searched for.
struct LaunchRequest {
    std::string program;
    std::string commandLine;
    std::string folder;  // working folder; empty: the caller's
    bool wait = true;
    bool toFront = false;  // while waiting, bring the program's windows to the foreground
};

struct LaunchResult {
    bool started = false;
    unsigned long error = 0;     // the system's error code when it did not start
    unsigned long exitCode = 0;  // with wait
};

// The recovery settings of a service: what to do after the first, second, ... failure, and
// after how many seconds without failure the count starts again.
struct ServiceRecovery {
    unsigned long resetSeconds = 0;  // 0xFFFFFFFF: never
    std::vector<bool> restart;       // per failure: restart (true) or do nothing
};

// Where changing a service's settings stopped.
enum class ServiceStep { kDone, kOpenManager, kLockDatabase, kOpenService, kChange };

class ActionMachine {
  public:
    virtual ~ActionMachine() = default;

    // Whether a process runs whose main module has that base name (any case); a name with a
    // folder is compared with the full image path instead.
    virtual bool ProcessRunning(const std::string& moduleName) = 0;
    // Ends every process that ProcessRunning would match, except this process and those it
    // descends from; true when each of them really ended (bounded wait). *count receives
    // how many were to end.
    virtual bool EndProcesses(const std::string& moduleName, int* count) = 0;
    virtual LaunchResult Launch(const LaunchRequest& request) = 0;
    // Opens file with the shell verb "open", shown normally; 0 or the system's error code.
    virtual unsigned long ShellOpen(const std::string& file, const std::string& arguments) = 0;
    // Whether a named event of that name can be opened.
    virtual bool EventExists(const std::string& name) = 0;
    virtual unsigned long long PhysicalMemoryBytes() = 0;

    // The version of a file as Windows Installer reports it; empty when it has none.
    virtual std::string FileVersion(const std::string& path) = 0;
    virtual bool FileExists(const std::string& path) = 0;
    virtual bool ReadWholeFile(const std::string& path, std::string* bytes) = 0;
    // Replaces the file's contents: written to a unique file beside it first, which takes
    // the place of the original only when complete (keeping the original's security);
    // clears the read-only attribute. A file that does not exist yet is created. 0 or the
    // system's error code.
    virtual unsigned long RewriteFile(const std::string& path, const std::string& bytes) = 0;
    // Creates the folder with every folder missing above it; an existing one is no error.
    // 0 or the system's error code.
    virtual unsigned long CreateFolders(const std::string& folder) = 0;
    // Copies source over target; 0 or the system's error code.
    virtual unsigned long CopyOneFile(const std::string& source, const std::string& target) = 0;
    // The number of values of a key under HKEY_LOCAL_MACHINE (64-bit view); -1 when it
    // cannot be opened.
    virtual int CountKeyValues(const std::string& keyPath) = 0;

    // Window checks: the top-level window titled title exists, and then whether a child
    // with the text buttonText was found and pressed.
    struct DialogAnswer {
        bool windowFound = false;
        bool buttonPressed = false;
    };
    virtual DialogAnswer PressDialogButton(const std::string& title,
                                           const std::string& buttonText) = 0;
    virtual void Sleep(unsigned seconds) = 0;

    virtual InstallerQueries& Installer() = 0;
    // The registry; the actions name the view they write in.
    virtual RegistryAccess& Registry() = 0;
    // Sets the service's recovery settings with the service database locked; the step that
    // failed (kDone on success) with the system's error code in *error.
    virtual ServiceStep SetServiceRecovery(const std::string& service,
                                           const ServiceRecovery& recovery,
                                           unsigned long* error) = 0;
    // Whether the logon service accepts the user's password (a network logon, whose token is
    // closed at once); the system's error code in *error when not.
    virtual bool CheckLogon(const std::string& user, const std::string& domain,
                            const std::string& password, unsigned long* error) = 0;
    // The system's text for an error code, without its final line break.
    virtual std::string ErrorText(unsigned long error) = 0;
    // The Application event log (Wine's keeps nothing: tested through the fake).
    virtual EventLogAccess& EventLog() = 0;
    // Listing, copying and removing files.
    virtual FileSystem& Files() = 0;
    // An entry of an ini file, or fallback when the file, the section or the entry is
    // missing.
    virtual std::string IniEntry(const std::string& path, const char* section, const char* key,
                                 const char* fallback) = 0;
    // Sets an entry of an ini file, creating the file or the section; 0 or the system's
    // error code.
    virtual unsigned long WriteIniEntry(const std::string& path, const char* section,
                                        const char* key, const std::string& value) = 0;
};
