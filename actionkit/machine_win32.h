#pragma once
// The system's machine behind ActionMachine.

#include "action_machine.h"

class SystemMachine : public ActionMachine {
  public:
    bool ProcessRunning(const std::string& moduleName) override;
    bool EndProcesses(const std::string& moduleName, int* count) override;
    LaunchResult Launch(const LaunchRequest& request) override;
    unsigned long ShellOpen(const std::string& file, const std::string& arguments) override;
    bool EventExists(const std::string& name) override;
    unsigned long long PhysicalMemoryBytes() override;
    std::string FileVersion(const std::string& path) override;
    bool FileExists(const std::string& path) override;
    bool ReadWholeFile(const std::string& path, std::string* bytes) override;
    unsigned long RewriteFile(const std::string& path, const std::string& bytes) override;
    unsigned long CreateFolders(const std::string& folder) override;
    unsigned long CopyOneFile(const std::string& source, const std::string& target) override;
    int CountKeyValues(const std::string& keyPath) override;
    DialogAnswer PressDialogButton(const std::string& title,
                                   const std::string& buttonText) override;
    void Sleep(unsigned seconds) override;
    InstallerQueries& Installer() override;
    RegistryAccess& Registry() override;
    FileSystem& Files() override;
    EventLogAccess& EventLog() override;
    bool CheckLogon(const std::string& user, const std::string& domain, const std::string& password,
                    unsigned long* error) override;
    std::string ErrorText(unsigned long error) override;
    ServiceStep SetServiceRecovery(const std::string& service, const ServiceRecovery& recovery,
                                   unsigned long* error) override;
    std::string IniEntry(const std::string& path, const char* section, const char* key,
                         const char* fallback) override;
    unsigned long WriteIniEntry(const std::string& path, const char* section, const char* key,
                                const std::string& value) override;
};
