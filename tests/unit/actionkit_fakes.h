#pragma once
// A session and a machine for the custom actions of actionkit, so that their logic runs
// without Windows Installer.

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "action_context.h"
#include "event_log_access.h"
#include "fake_run.h"
#include "product_info.h"

class FakeActionSession : public ActionSession {
  public:
    std::map<std::string, std::string> properties;
    std::vector<std::string> lines;
    bool refuseSet = false;

    std::string Get(const char* name) override {
        auto found = properties.find(name);
        return found == properties.end() ? std::string() : found->second;
    }
    unsigned Set(const char* name, const std::string& value) override {
        if (refuseSet)
            return 1627;  // ERROR_FUNCTION_FAILED, as in a deferred action
        properties[name] = value;
        return 0;
    }
    void Write(const std::string& line) override { lines.push_back(line); }

    bool Logged(const std::string& part) const {
        for (const std::string& line : lines) {
            if (line.find(part) != std::string::npos)
                return true;
        }
        return false;
    }
    std::string AllLines() const {
        std::string all;
        for (const std::string& line : lines) all += line + "\n";
        return all;
    }
};

// Related products by upgrade code and versions by product code.
class FakeActionProducts : public InstallerQueries {
  public:
    std::map<std::string, std::vector<std::string>> related;
    std::map<std::string, std::string> versions;

    long RelatedProduct(const char* upgradeCode, unsigned long index, std::string* code) override {
        auto found = related.find(upgradeCode);
        if (found == related.end() || index >= found->second.size())
            return kInstallerNoMoreItems;
        *code = found->second[index];
        return kInstallerSuccess;
    }
    long InstalledProduct(unsigned long, std::string*) override { return kInstallerNoMoreItems; }
    long ProductProperty(const char* code, const char* property, std::string* value) override {
        auto found = versions.find(code);
        if (std::string(property) != "VersionString" || found == versions.end())
            return 1605;  // ERROR_UNKNOWN_PRODUCT
        *value = found->second;
        return kInstallerSuccess;
    }
    std::unique_ptr<InstallerPackage> OpenPackage(const char*, long* error) override {
        *error = 1619;
        return nullptr;
    }
    bool ReadRegistry(const std::string&, RegistryView, std::string*, long* error) override {
        *error = 2;
        return false;
    }
    long ListMachineSubkeys(const char*, RegistryView, std::vector<std::string>*) override {
        return 2;
    }
    std::string FileVersion(const char*) override { return std::string(); }
    std::string FileProductName(const char*) override { return std::string(); }
};

// An event log that keeps what is reported; reading finds nothing.
class FakeActionEventLog : public EventLogAccess {
  public:
    std::vector<EventRecord> reported;
    long reportError = 0;

    bool Report(const std::string& source, unsigned short type, unsigned long eventId,
                const std::string& text, long* error) override {
        *error = reportError;
        if (reportError != 0)
            return false;
        EventRecord record;
        record.source = source;
        record.type = type;
        record.eventId = eventId;
        record.strings = {text};
        reported.push_back(record);
        return true;
    }
    bool Read(unsigned long, const EventRecordVisitor&, long* error) override {
        *error = 0;
        return true;
    }
    MessageResult MessageText(const std::string&, unsigned long, const std::vector<std::string>&,
                              std::string*, long* error) override {
        *error = 2;
        return MessageResult::kNotFound;
    }
    bool ExpandEnvironment(const std::string& text, std::string* expanded, long*) override {
        *expanded = text;
        return true;
    }
    std::string SystemFolder() override { return "C:\\Windows\\system32"; }
};

class FakeActionMachine : public ActionMachine {
  public:
    std::vector<std::string> processes;
    std::vector<std::string> events;
    unsigned long long memory = 0;
    std::map<std::string, std::string> files;
    std::map<std::string, std::string> fileVersions;
    std::map<std::string, int> keyValueCounts;
    unsigned long rewriteError = 0;
    std::vector<LaunchRequest> launches;
    std::vector<std::string> opened;  // files given to ShellOpen
    LaunchResult launchResult;
    std::string dialogTitle;  // the one dialog on the screen, with an "OK" button
    int dialogRoundsHidden = 0;
    int dialogRounds = 0;
    int sleeps = 0;
    FakeActionProducts products;
    FakeMachine registry;  // its registry, and the files of Files()
    FakeActionEventLog eventLog;
    // The services and their recovery settings; a step to fail at.
    std::map<std::string, ServiceRecovery> services;
    ServiceStep failStep = ServiceStep::kDone;
    // Accepted logons as "domain\\user" -> password.
    std::map<std::string, std::string> logons;
    std::vector<std::string> logonsTried;
    // Ini entries by "<path>|<section>|<key>".
    std::map<std::string, std::string> iniEntries;

    bool ProcessRunning(const std::string& name) override {
        for (const std::string& process : processes) {
            if (process.size() == name.size() &&
                std::equal(process.begin(), process.end(), name.begin(),
                           [](char a, char b) { return std::tolower(a) == std::tolower(b); }))
                return true;
        }
        return false;
    }
    bool EndProcesses(const std::string& name, int* count) override {
        *count = ProcessRunning(name) ? 1 : 0;
        return true;
    }
    LaunchResult Launch(const LaunchRequest& request) override {
        launches.push_back(request);
        return launchResult;
    }
    unsigned long ShellOpen(const std::string& file, const std::string&) override {
        opened.push_back(file);
        return 0;
    }
    bool EventExists(const std::string& name) override {
        return std::find(events.begin(), events.end(), name) != events.end();
    }
    unsigned long long PhysicalMemoryBytes() override { return memory; }
    std::string FileVersion(const std::string& path) override {
        auto found = fileVersions.find(path);
        return found == fileVersions.end() ? std::string() : found->second;
    }
    bool FileExists(const std::string& path) override { return files.count(path) != 0; }
    bool ReadWholeFile(const std::string& path, std::string* bytes) override {
        auto found = files.find(path);
        if (found == files.end())
            return false;
        *bytes = found->second;
        return true;
    }
    unsigned long RewriteFile(const std::string& path, const std::string& bytes) override {
        if (rewriteError == 0)
            files[path] = bytes;
        return rewriteError;
    }
    std::vector<std::string> folders;
    unsigned long CreateFolders(const std::string& folder) override {
        folders.push_back(folder);
        return 0;
    }
    unsigned long CopyOneFile(const std::string& source, const std::string& target) override {
        if (!FileExists(source))
            return 2;
        files[target] = files[source];
        return 0;
    }
    int CountKeyValues(const std::string& key) override {
        auto found = keyValueCounts.find(key);
        return found == keyValueCounts.end() ? -1 : found->second;
    }
    DialogAnswer PressDialogButton(const std::string& title, const std::string& button) override {
        DialogAnswer answer;
        ++dialogRounds;
        if (title != dialogTitle || dialogRounds <= dialogRoundsHidden)
            return answer;
        answer.windowFound = true;
        answer.buttonPressed = button == "OK";
        return answer;
    }
    void Sleep(unsigned) override { ++sleeps; }
    InstallerQueries& Installer() override { return products; }
    RegistryAccess& Registry() override { return registry; }
    FileSystem& Files() override { return registry; }
    EventLogAccess& EventLog() override { return eventLog; }
    bool CheckLogon(const std::string& user, const std::string& domain, const std::string& password,
                    unsigned long* error) override {
        logonsTried.push_back(domain + "\\" + user);
        auto found = logons.find(domain + "\\" + user);
        const bool accepted = found != logons.end() && found->second == password;
        *error = accepted ? 0 : 1326;  // ERROR_LOGON_FAILURE
        return accepted;
    }
    std::string ErrorText(unsigned long error) override {
        return error == 1326 ? "The user name or password is incorrect." : "?";
    }
    ServiceStep SetServiceRecovery(const std::string& service, const ServiceRecovery& recovery,
                                   unsigned long* error) override {
        *error = failStep == ServiceStep::kDone ? 0 : 5;
        if (failStep != ServiceStep::kDone)
            return failStep;
        if (services.count(service) == 0) {
            *error = 1060;  // ERROR_SERVICE_DOES_NOT_EXIST
            return ServiceStep::kOpenService;
        }
        services[service] = recovery;
        return ServiceStep::kDone;
    }
    std::string IniEntry(const std::string& path, const char* section, const char* key,
                         const char* fallback) override {
        auto found = iniEntries.find(path + "|" + section + "|" + key);
        return found == iniEntries.end() ? fallback : found->second;
    }
    unsigned long iniWriteError = 0;
    unsigned long WriteIniEntry(const std::string& path, const char* section, const char* key,
                                const std::string& value) override {
        if (iniWriteError == 0)
            iniEntries[path + "|" + section + "|" + key] = value;
        return iniWriteError;
    }
};
