#pragma once
// Fakes of the services a run reaches, for tests that run packages, flow elements or the
// whole installer without Windows: one fake machine (installed products, package files,
// registry values, files), installers that play a script, prompts that answer from a
// script, a clock that moves only when told, and a log kept in memory.

#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "beside_setup_resolver.h"
#include "clock.h"
#include "event_logger.h"
#include "file_system.h"
#include "log_file.h"
#include "machine_probe.h"
#include "machine_restart.h"
#include "messages.h"
#include "message_pump.h"
#include "package_status_table.h"
#include "process_runner.h"
#include "progress_view.h"
#include "product_info.h"
#include "property_store.h"
#include "registry.h"
#include "run_services.h"
#include "user_prompts.h"

// One machine: what detection, the registry and the file system see. Registry views are
// not told apart: a value written in one view is read in every view.
class FakeMachine : public InstallerQueries,
                    public RegistryAccess,
                    public FileSystem,
                    public MachineProbe {
  public:
    struct Product {
        std::string productCode;
        std::string upgradeCode;
        std::string version;
        std::string name;
    };

    // Installs (or replaces) a Windows Installer product.
    void Install(const Product& product);
    // Removes the product of that code; false when it was not installed.
    bool Remove(const std::string& productCode);
    // The installed version of a product code, "" when it is not installed.
    std::string VersionOf(const std::string& productCode) const;
    const std::vector<Product>& Products() const { return products_; }

    // A package file on disk with its Property table (also makes the file exist).
    void AddPackageFile(const std::string& path, const std::map<std::string, std::string>& table);
    void AddFile(const std::string& path, const std::string& fileVersion = "",
                 const std::string& productName = "");
    void SetCurrentDirectory(const std::string& folder) { currentDirectory_ = folder; }
    // The short form ShortPath gives for path (else the path itself).
    void SetShortPath(const std::string& path, const std::string& shortPath) {
        shortPaths_[path] = shortPath;
    }
    // The bytes of a file (also makes the file exist); a relative path is taken in the current
    // folder, as when it is read.
    void SetFileContent(const std::string& path, const std::string& content);

    // A registry value by full path ("HKEY_LOCAL_MACHINE\Key\Value"), creating its key.
    void SetValue(const std::string& path, const std::string& value);
    // The value, or "" when it is missing.
    std::string Value(const std::string& path) const;
    bool HasKey(const std::string& keyPath) const;

    // InstallerQueries
    long RelatedProduct(const char* upgradeCode, unsigned long index,
                        std::string* productCode) override;
    long InstalledProduct(unsigned long index, std::string* productCode) override;
    long ProductProperty(const char* productCode, const char* property,
                         std::string* value) override;
    std::unique_ptr<InstallerPackage> OpenPackage(const char* path, long* error) override;
    bool ReadRegistry(const std::string& path, RegistryView view, std::string* value,
                      long* error) override;
    long ListMachineSubkeys(const char* key, RegistryView view,
                            std::vector<std::string>* names) override;
    std::string FileVersion(const char* path) override;
    std::string FileProductName(const char* path) override;

    // RegistryAccess
    bool ReadValue(const std::string& path, std::string* value, RegistryView view,
                   long* errorCode) override;
    bool CreateKey(const std::string& keyPath, RegistryView view, long* errorCode) override;
    bool DeleteKey(const std::string& keyPath, RegistryView view, long* errorCode) override;
    bool WriteString(const std::string& path, const std::string& value, RegistryView view,
                     long* errorCode) override;
    bool DeleteValue(const std::string& path, RegistryView view, long* errorCode) override;
    // A multi-string value is kept as its strings each ended by a zero character, as the
    // registry keeps it.
    bool ReadStrings(const std::string& path, std::vector<std::string>* texts, RegistryView view,
                     long* errorCode) override;
    // Kept as decimal text, as ReadValue gives numbers.
    bool WriteNumber(const std::string& path, unsigned long value, RegistryView view,
                     long* errorCode) override;
    bool EnumerateValues(const std::string& keyPath, std::vector<RegistryValue>* values,
                         RegistryView view, long* errorCode) override;
    // Values keep their type: WriteString and SetValue write text (REG_SZ), WriteNumber a
    // number, WriteText and SetTypedValue the type they are given. A multi-string value reads
    // as its first string, as on Windows.
    bool ReadTyped(const std::string& path, TypedRegistryValue* value, RegistryView view,
                   long* errorCode) override;
    bool WriteText(const std::string& path, const std::string& value, unsigned long type,
                   RegistryView view, long* errorCode) override;
    bool CountKeyEntries(const std::string& keyPath, RegistryKeyCounts* counts, RegistryView view,
                         long* errorCode) override;
    bool DeleteEmptyKey(const std::string& keyPath, RegistryView view, long* errorCode) override;
    bool EnumerateSubKeys(const std::string& keyPath, std::vector<std::string>* names,
                          RegistryView view, long* errorCode) override;
    // A value of any type by full path, creating its key.
    void SetTypedValue(const std::string& path, const std::string& data, unsigned long type);
    // The type of a value, kRegNone when it is missing.
    unsigned long TypeOf(const std::string& path) const;
    // When not 0, every creation of a key that does not exist yet fails with this code.
    long createKeyFailure = 0;
    // When not 0, ReadTyped of a value that exists fails with this code.
    long typedReadFailure = 0;

    // FileSystem
    bool FileExists(const std::string& path) override;
    std::string CurrentDirectory() override { return currentDirectory_; }
    std::string ShortPath(const std::string& path) override {
        const auto it = shortPaths_.find(path);
        return it == shortPaths_.end() ? path : it->second;
    }
    // Reads the content of a file (empty unless set); a relative path (without a drive and
    // without a leading backslash) is taken in the current folder.
    bool ReadBlocks(const std::string& path, std::size_t blockSize,
                    const BlockReceiver& receive) override;

    // Changing files. Folders exist when created (AddFolder, a copy or a move into them) or
    // when a file lies below them. Names keep the case they were written with.
    long ListMatches(const std::string& folder, const std::string& pattern,
                     std::vector<std::string>* names) override;
    long MoveFileTo(const std::string& source, const std::string& destination) override;
    long CopyFileTo(const std::string& source, const std::string& destination) override;
    long RemoveFile(const std::string& path) override;
    long RemoveFolder(const std::string& folder) override;
    void AddFolder(const std::string& folder);
    // The content of a file, or "<missing>".
    std::string Content(const std::string& path) const;
    // Every file and folder below folder, lower case, in order (a test sees what is left).
    std::vector<std::string> Below(const std::string& folder) const;
    // Every change of path fails with error 32 (in use by another process).
    void Lock(const std::string& path);
    // The last-write time of a file (0 unless set; a copy keeps it, as Windows does).
    void SetWriteTime(const std::string& path, unsigned long long time);
    long LastWriteTime(const std::string& path, unsigned long long* time) override;
    // A file that a folder removal can only schedule for the restart, as for a file in use:
    // RemoveFolder succeeds but leaves it (and the folders above it) in place.
    void HoldUntilRestart(const std::string& path);
    long RemoveAtRestart(const std::string& path) override;
    // The paths handed to RemoveAtRestart, in order.
    std::vector<std::string> removalsAtRestart;

    // MachineProbe
    bool HasChassisSerial() override { return chassis; }
    bool OemManufacturer(std::string* manufacturer, long* errorCode) override;

    bool chassis = false;

  private:
    struct File {
        std::string fileVersion;
        std::string productName;
        std::map<std::string, std::string> table;  // the Property table of a package file
        std::string content;
        bool isPackage = false;
        std::string path;  // as written, when written by a change of files
        unsigned long long writeTime = 0;
    };
    struct Entry {
        std::string key;  // lower case
        std::string name;
        std::string data;
        unsigned long type = kRegString;
    };

    const Product* Find(const std::string& productCode) const;
    Entry* FindEntry(const std::string& path);
    std::vector<std::string> SubKeys(const std::string& key) const;
    std::string InCurrentDirectory(const std::string& path) const;

    std::vector<Product> products_;
    std::map<std::string, File> files_;  // by lower-case path
    std::vector<std::string> keys_;      // lower case, without a final "\"
    std::vector<Entry> values_;          // in the order they were written
    std::string currentDirectory_ = "C:\\Setup";
    std::map<std::string, std::string> shortPaths_;
    std::vector<std::string> folders_;  // lower case, without a final "\"
    std::vector<std::string> locked_;   // lower case
    std::vector<std::string> held_;     // lower case
    bool IsFolder(const std::string& lowerPath) const;
    bool Locked(const std::string& path) const;
    void MakeFoldersAbove(const std::string& path);
};

// What one installer does when it runs, by the name it is started under (the package's
// display name).
struct InstallerScript {
    long exitCode = 0;
    std::string output;
    // The code a chained setup leaves through the callback (written when not empty).
    std::string callbackValue;
    // Changes the installer makes to the machine (install, remove, registry values).
    std::function<void(FakeMachine&)> effect;
};

// Installers that play their scripts; every start is recorded.
class FakeInstallers : public ProcessRunner {
  public:
    explicit FakeInstallers(FakeMachine& machine) : machine_(machine) {}

    struct Start {
        std::string name;
        std::string command;
        bool showWindow = false;
        bool collectEvents = false;
    };

    void Script(const std::string& name, InstallerScript script) { scripts_[name] = script; }
    const std::vector<Start>& Starts() const { return starts_; }
    const std::map<std::string, std::string>& Environment() const { return environment_; }

    ProcessResult Run(const std::string& name, const std::string& command, bool showWindow,
                      bool collectEvents) override;
    bool SetEnvironment(const std::string& name, const std::string& value) override;

  private:
    FakeMachine& machine_;
    std::map<std::string, InstallerScript> scripts_;
    std::vector<Start> starts_;
    std::map<std::string, std::string> environment_;
};

// Prompts answered from a queue; once it is empty, OK boxes answer OK and Yes/No and
// OK/Cancel boxes answer defaultAnswer.
class FakePrompts : public UserPrompts {
  public:
    struct Shown {
        std::string tag;
        std::string text;
        unsigned type = 0;
    };
    int Show(const char* tag, const char* text, unsigned type) override;
    // From a message table with the built-in texts, which a test may change.
    std::string Text(const char* tag, const char* fallback) override {
        return MessageText(messages, tag, fallback);
    }

    Messages messages;
    std::vector<int> answers;
    int defaultAnswer = 7;  // No
    std::vector<Shown> shown;
};

// Records the restarts the run asks for; succeeds unless told otherwise.
class FakeRestart : public MachineRestart {
  public:
    bool Restart(const std::string& message, unsigned delaySeconds, long* error) override {
        requests.push_back(Request{message, delaySeconds});
        *error = failure;
        return failure == 0;
    }
    struct Request {
        std::string message;
        unsigned delaySeconds;
    };
    std::vector<Request> requests;
    long failure = 0;  // the error a restart fails with, 0: it starts
};

// Starts at a fixed time (08:00:00 local time) and moves only by Advance and Sleep.
class FakeClock : public Clock {
  public:
    FakeClock();
    std::time_t Now() override { return now_; }
    void Sleep(unsigned milliseconds) override;
    void Advance(int seconds) { now_ += seconds; }
    unsigned long long SleptMilliseconds() const { return slept_; }

  private:
    std::time_t now_;
    unsigned long long slept_ = 0;
};

// Counts the calls; there are never window messages to dispatch. Broadcasts are recorded
// and fail with broadcastFailure when it is not 0.
class FakeMessagePump : public MessagePump {
  public:
    void DispatchPending() override { ++calls; }
    int calls = 0;

    bool BroadcastSettingChange(const char* area, long* errorCode) override {
        broadcasts.push_back(area);
        *errorCode = broadcastFailure;
        return broadcastFailure == 0;
    }
    std::vector<std::string> broadcasts;
    long broadcastFailure = 0;
};

// Records what the run asks of the progress dialog: its rows, its texts and, in order, when
// it was shown and closed.
class FakeProgressView : public ProgressView {
  public:
    struct Row {
        std::string name;
        std::string version;
        int state;
    };
    void AddRow(const std::string& name, const std::string& version, int state) override {
        rows.push_back({name, version, state});
    }
    void SetTitle(const std::string& text) override { title = text; }
    void SetCaption(const std::string& text) override { caption = text; }
    void SetSubtitle(const std::string& text) override { subtitle = text; }
    void Show() override { calls.push_back("Show"); }
    void Close() override { calls.push_back("Close"); }

    std::vector<Row> rows;
    std::string title;
    std::string caption;
    std::string subtitle;
    std::vector<std::string> calls;
};

// A log that writes into memory only.
class MemoryLog {
  public:
    MemoryLog();
    ~MemoryLog();
    MemoryLog(const MemoryLog&) = delete;
    MemoryLog& operator=(const MemoryLog&) = delete;

    LogFile& File() { return log_; }
    // What was written since the last Clear().
    std::string Text() const;
    void Clear();
    bool Contains(const std::string& part) const { return Text().find(part) != std::string::npos; }

  private:
    LogFile log_;
    std::FILE* stream_;
    std::size_t start_ = 0;
};

// All fakes of one run, and the services made of them. The setup folder of the resolver is
// "C:\Setup".
class FakeRun {
  public:
    explicit FakeRun(PropertyStore& properties);
    FakeRun();
    FakeRun(const FakeRun&) = delete;
    FakeRun& operator=(const FakeRun&) = delete;

    RunServices& Services() { return services_; }
    std::string LogText() const { return log.Text(); }

    static constexpr const char* kSetupFolder = "C:\\Setup";

    PropertyStore ownProperties;
    FakeMachine machine;
    FakeInstallers installers{machine};
    FakePrompts prompts;
    FakeClock clock;
    MemoryLog log;
    MemoryStatusTable progress;
    EventLogger events;
    FakeMessagePump pump;
    FakeRestart restart;
    FakeProgressView dialog;

  private:
    BesideSetupResolver resolver_;
    RunServices services_;
};
