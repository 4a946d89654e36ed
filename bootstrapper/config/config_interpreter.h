#pragma once
// ConfigInterpreter: the configuration of one run. It reads "standard.xml", "config.xml"
// and "settings.xml" beside setup, interprets the command line and builds the property
// store. Everything is read in the constructor; afterwards the configuration is
// read-only except for its property store.

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "arguments.h"
#include "f_base.h"
#include "property_store.h"
#include "standard_properties.h"
#include "xml_parser.h"

class CommandLine;
class EventLogger;

// One Dependency element of a document (at most 16 are read per document).
struct DependencyRecord {
    char tag[64];
    char detect[512];
    char versionText[256];
    char versionRE[512];
    char versionList[512];
    char machineType[128];
    char message[256];
    bool vital;
};

enum DownloadProtocol { kProtocolOther = 0, kProtocolUnc = 1, kProtocolFtp = 2 };

// One URL element of "settings.xml": where missing installer archives may be fetched.
struct DownloadLocation {
    int protocol = kProtocolOther;
    std::string url;  // a complete address; the parts below are used when it is empty
    std::string protocolText;
    std::string server;
    std::string port;
    std::string path;
    std::string user;
    std::string password;  // kept as given; never written to the log
    int group = 0;         // the URL_Source group, numbered from 1
};

// One Package element under Prerequisites.
struct PrerequisiteArchive {
    std::string name;
    std::string archive;
    std::string url;
    std::string size;
};

class ConfigInterpreter {
  public:
    static const int kMaxDependencies = 16;
    static const int kConfigVersion = 2;  // the first and the last version this setup reads

    ConfigInterpreter(const CommandLine& command, const char* configFile, const char* standardFile,
                      const char* settingsFile, EventLogger* eventLogger, std::time_t startTime);
    ~ConfigInterpreter();
    ConfigInterpreter(const ConfigInterpreter&) = delete;
    ConfigInterpreter& operator=(const ConfigInterpreter&) = delete;

    bool IsValid() const { return valid_; }
    bool HasInvalidArguments() const { return request_.invalid; }
    unsigned GetModeFlags() const { return request_.modeFlags; }
    int GetAction() const { return request_.action; }
    int GetPartialRun() const { return request_.partialRun; }
    // Null when "config.xml" names none.
    const char* GetProductName() const;
    // The command line setup was started with.
    const CommandLine& Command() const { return command_; }
    const char* GetProductVersion() const;
    const char* GetNoExternalNoGuiArgs() const;
    const std::string& GetProductTag() const { return productTag_; }
    const std::string& GetConfigPath() const { return configPath_; }
    // Whether this run is a main instance (property MainInstance is "Yes").
    bool IsMainInstance() const { return properties_.IsYes("MainInstance"); }

    PropertyStore& Properties() { return properties_; }
    const PropertyStore& Properties() const { return properties_; }
    const ArgumentLists& Arguments() const { return arguments_; }
    const std::vector<DependencyRecord>& Dependencies() const { return dependencies_; }
    const std::vector<DownloadLocation>& Locations() const { return locations_; }
    const std::vector<PrerequisiteArchive>& PrerequisiteArchives() const { return archives_; }
    const std::vector<CannedConfig>& CannedConfigs() const { return cannedConfigs_; }
    // The elements of the Contents sections: the standard list (standard.xml and the
    // external files) and the product's own list (config.xml).
    const FlowList& StandardList() const { return standardList_; }
    const FlowList& ConfigList() const { return configList_; }
    const MachineFacts& Machine() const { return machine_; }

    // The report of the arguments and the usage text, written for invalid arguments.
    void WriteArgumentReport() const;

    // The machine facts the standard properties are built from; tests give their own.
    using MachineFactsSource = MachineFacts (*)();
    static void SetMachineFactsSource(MachineFactsSource source);

  private:
    std::string LoadDocument(const std::string& fileName);
    void CloseDocument();
    void ReadDependencies();
    bool ReadContents(XMLParser& document, bool configPass, FlowList* list, int depth);
    bool ReadExternalConfigs(XMLParser& document, int depth);
    bool ReadSuccessIds();
    bool ReadMessages();
    bool ReadProperties();
    bool ReadPrerequisites();
    bool CheckVersion();
    bool ReadProductInfo();
    void ReadCannedConfigs();
    void ReadIdentity();
    void ReadSettings(const char* settingsFile);
    void ReadLocations(XMLParser& settings);
    void InterpretCommandLine();
    void BuildProperties();

    const CommandLine& command_;
    EventLogger* eventLogger_;
    std::time_t startTime_;
    std::unique_ptr<XMLParser> document_;
    std::vector<DependencyRecord> dependencies_;
    PropertyStore properties_;
    std::vector<Property> configProperties_;
    ArgumentLists arguments_;
    RunRequest request_;
    bool valid_ = true;
    std::string configPath_;
    std::string productName_, productVersion_, noExternalNoGuiArgs_, productTag_;
    bool hasProductName_ = false, hasProductVersion_ = false, hasNoExternalNoGuiArgs_ = false;
    std::vector<DownloadLocation> locations_;
    std::vector<PrerequisiteArchive> archives_;
    std::vector<CannedConfig> cannedConfigs_;
    MachineFacts machine_;
    FlowList standardList_;
    FlowList configList_;
};
