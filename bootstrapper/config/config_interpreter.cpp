#include "config_interpreter.h"

#include <cstring>

#include "command_line.h"
#include "files.h"
#include "event_logger.h"
#include "log_file.h"
#include "messages.h"
#include "platform.h"
#include "registry.h"
#include "schema_reader.h"
#include "setup_folder.h"
#include "str_util.h"
#include "text_util.h"
#include "xml_parser.h"

namespace {

const int kMaxExternalDepth = 8;  // external files may name further ones, but not forever
const std::size_t kConfigPathSize = 260;

ConfigInterpreter::MachineFactsSource g_machineFacts = GatherMachineFacts;

std::string SetupFilePath(const std::string& fileName) {
    return SetupFolder() + platform::kPathSeparator + fileName;
}

std::string Attribute(XMLParser& document, const char* name) {
    return document.GetAttribute(nullptr, name, 4).value_or("");
}

bool NameMatches(const std::string& nodeName, const char* name, bool ignoreCase) {
    return ignoreCase ? EqualsNoCase(nodeName.c_str(), name) : nodeName == name;
}

// Visits the child elements named name of the current element; the cursor is back on the
// current element afterwards, whatever the visitor did.
template <typename Visitor>
void ForEachChild(XMLParser& document, const char* name, bool ignoreCase, Visitor visit) {
    const XMLPosition parent = document.GetPosition();
    if (!document.Move(0))
        return;
    do {
        if (document.NodeType() != 1 || !NameMatches(document.NodeName(), name, ignoreCase))
            continue;
        const XMLPosition element = document.GetPosition();
        visit(document);
        document.SetPosition(element);
    } while (document.Move(2));
    document.SetPosition(parent);
}

// Visits the elements named name in the section of that name under the root. Returns
// whether the section exists.
template <typename Visitor>
bool ForEachInSection(XMLParser& document, const char* section, const char* name, Visitor visit) {
    if (!document.IsValid())
        return false;
    const XMLPosition position = document.GetPosition();
    const bool found = document.FindChild(section);
    if (found)
        ForEachChild(document, name, false, visit);
    document.SetPosition(position);
    return found;
}

DependencyRecord ReadDependencyRecord(XMLParser& document) {
    DependencyRecord record{};
    StrNCopy(record.tag, Attribute(document, "Tag").c_str());
    StrNCopy(record.detect, Attribute(document, "Detect").c_str());
    StrNCopy(record.versionText, Attribute(document, "VersionText").c_str());
    StrNCopy(record.versionRE, Attribute(document, "VersionRE").c_str());
    StrNCopy(record.versionList, Attribute(document, "VersionList").c_str());
    StrNCopy(record.machineType, Attribute(document, "MachineType").c_str());
    StrNCopy(record.message, Attribute(document, "Message").c_str());
    record.vital = !EqualsNoCase(Attribute(document, "Vital").c_str(), "No");
    return record;
}

int ProtocolOf(const std::string& text) {
    if (EqualsNoCase(text.c_str(), "UNC"))
        return kProtocolUnc;
    if (EqualsNoCase(text.c_str(), "FTP"))
        return kProtocolFtp;
    return kProtocolOther;
}

}  // namespace

void ConfigInterpreter::SetMachineFactsSource(MachineFactsSource source) {
    g_machineFacts = source ? source : GatherMachineFacts;
}

ConfigInterpreter::ConfigInterpreter(const CommandLine& command, const char* configFile,
                                     const char* standardFile, const char* settingsFile,
                                     EventLogger* eventLogger, std::time_t startTime)
    : command_(command),
      eventLogger_(eventLogger),
      startTime_(startTime),
      machine_(g_machineFacts()) {
    SetCurrentPropertyStore(&properties_);
    LoadDocument(standardFile ? standardFile : "");
    valid_ = valid_ && ReadContents(*document_, false, &standardList_, 0);
    valid_ = valid_ && ReadSuccessIds();
    valid_ = valid_ && ReadMessages();
    valid_ = valid_ && ReadProperties();
    valid_ = valid_ && ReadPrerequisites();
    CloseDocument();

    const std::string configPath = LoadDocument(configFile ? configFile : "");
    char boundedPath[kConfigPathSize] = {};
    if (StrNCopy(boundedPath, configPath.c_str()) > 0)
        configPath_ = boundedPath;
    valid_ = CheckVersion() && valid_;
    valid_ = valid_ && ReadContents(*document_, true, &configList_, 0);
    valid_ = valid_ && ReadProductInfo();
    ReadIdentity();
    CloseDocument();

    ReadSettings(settingsFile);
    if (eventLogger_ && hasProductName_)
        eventLogger_->SetName(productName_.c_str());
    InterpretCommandLine();
    BuildProperties();
}

ConfigInterpreter::~ConfigInterpreter() {
    if (CurrentPropertyStore() == &properties_)
        SetCurrentPropertyStore(nullptr);
}

const char* ConfigInterpreter::GetProductName() const {
    return hasProductName_ ? productName_.c_str() : nullptr;
}

const char* ConfigInterpreter::GetProductVersion() const {
    return hasProductVersion_ ? productVersion_.c_str() : nullptr;
}

const char* ConfigInterpreter::GetNoExternalNoGuiArgs() const {
    return hasNoExternalNoGuiArgs_ ? noExternalNoGuiArgs_.c_str() : nullptr;
}

std::string ConfigInterpreter::LoadDocument(const std::string& fileName) {
    const std::string path = SetupFilePath(fileName);
    document_ = std::make_unique<XMLParser>(path.c_str());
    ReadDependencies();
    return path;
}

void ConfigInterpreter::CloseDocument() {
    document_.reset();
}

void ConfigInterpreter::ReadDependencies() {
    dependencies_.clear();
    bool full = false;
    ForEachInSection(*document_, "Dependencies", "Dependency", [&](XMLParser& document) {
        if (full)
            return;
        if (static_cast<int>(dependencies_.size()) == kMaxDependencies) {
            Log().Warning(
                "Maximum number of dependencies reached (%d)! Some dependencies will "
                "not be verified.",
                kMaxDependencies);
            full = true;
            return;
        }
        dependencies_.push_back(ReadDependencyRecord(document));
    });
}

bool ConfigInterpreter::ReadContents(XMLParser& document, bool configPass, FlowList* list,
                                     int depth) {
    if (!document.IsValid())
        return false;
    const XMLPosition position = document.GetPosition();
    bool ok = true;
    if (document.FindChild("Contents")) {
        document.SetPosition(position);
        if (configPass)
            ok = ReadExternalConfigs(document, depth);
        document.FindChild("Contents");
        if (ok)
            SchemaReader(machine_).ReadContents(document, configPass ? &standardList_ : nullptr,
                                                list);
    }
    document.SetPosition(position);
    return ok;
}

bool ConfigInterpreter::ReadExternalConfigs(XMLParser& document, int depth) {
    bool ok = true;
    ForEachChild(document, "ExternalConfig", false, [&](XMLParser& element) {
        if (!ok)
            return;
        const std::string fileName = Attribute(element, "FileName");
        if (fileName.empty())
            return;
        if (depth >= kMaxExternalDepth) {
            Log().Error("External configuration '%s' is nested too deeply (more than %d files)",
                        fileName.c_str(), kMaxExternalDepth);
            ok = false;
            return;
        }
        char path[kConfigPathSize] = {};
        if (StrNCopy(path, SetupFilePath(fileName).c_str()) == 0) {
            ok = false;
            return;
        }
        XMLParser external(path);
        ok = ReadContents(external, true, &standardList_, depth + 1);
    });
    return ok;
}

bool ConfigInterpreter::ReadSuccessIds() {
    if (!eventLogger_ || !document_->IsValid())
        return false;
    const XMLPosition position = document_->GetPosition();
    if (document_->FindChild("MSI")) {
        const std::string list = Attribute(*document_, "EventLogSuccessIDs");
        for (const std::string& token : SplitTokens(list.c_str(), ',', 0)) {
            int id = 0;
            if (ParseInt(Trim(token, " \t").c_str(), &id))
                eventLogger_->AddSuccessId(id);
        }
    }
    document_->SetPosition(position);
    return true;
}

bool ConfigInterpreter::ReadMessages() {
    if (!document_->IsValid())
        return false;
    ForEachInSection(*document_, "Messages", "Message", [](XMLParser& element) {
        const std::string tag = Attribute(element, "Tag");
        if (tag.empty())
            return;
        const auto text = element.GetAttribute(nullptr, "Msg", 4);
        UserMessages().Set(tag.c_str(), text ? text->c_str() : nullptr);
    });
    return true;
}

bool ConfigInterpreter::ReadProperties() {
    if (!document_->IsValid())
        return false;
    ForEachInSection(*document_, "Properties", "Property", [this](XMLParser& element) {
        configProperties_.push_back(Property{
            Attribute(element, "Name"), Attribute(element, "Value"), Attribute(element, "Type")});
    });
    return true;
}

bool ConfigInterpreter::ReadPrerequisites() {
    if (!document_->IsValid())
        return false;
    const XMLPosition position = document_->GetPosition();
    std::string defaultUrl;
    if (document_->FindChild("Prerequisites"))
        defaultUrl = Attribute(*document_, "URL");
    document_->SetPosition(position);
    ForEachInSection(*document_, "Prerequisites", "Package", [&](XMLParser& element) {
        const auto url = element.GetAttribute(nullptr, "URL", 4);
        archives_.push_back(
            PrerequisiteArchive{Attribute(element, "Name"), Attribute(element, "Archive"),
                                url ? *url : defaultUrl, Attribute(element, "Size")});
    });
    return true;
}

bool ConfigInterpreter::CheckVersion() {
    const int version = document_->GetTypedValue("Version");
    if (version < 0) {
        Log().ErrorEvent("Config xml file has no version entry");
        return false;
    }
    if (version == 0) {
        Log().ErrorEvent(
            "Config xml file contains an invalid version (it should be a positive "
            "integer and not zero)");
        return false;
    }
    if (version < kConfigVersion) {
        Log().ErrorEvent(
            "Version '%d' in config xml file is less than '%d' which is first "
            "supported by this version of setup",
            version, kConfigVersion);
        return false;
    }
    if (version > kConfigVersion) {
        Log().ErrorEvent(
            "Version '%d' in config xml file is greater than '%d' which is last "
            "supported by this version of setup",
            version, kConfigVersion);
        return false;
    }
    return true;
}

bool ConfigInterpreter::ReadProductInfo() {
    if (!document_->IsValid())
        return false;
    const XMLPosition position = document_->GetPosition();
    if (document_->FindChild("ProductInfo"))
        productTag_ = Attribute(*document_, "Tag");
    document_->SetPosition(position);
    ReadCannedConfigs();
    return true;
}

void ConfigInterpreter::ReadCannedConfigs() {
    const XMLPosition position = document_->GetPosition();
    if (document_->FindChild("ConfigOptions")) {
        ForEachChild(*document_, "CannedConfig", true, [this](XMLParser& element) {
            CannedConfig config;
            config.name = Attribute(element, "Name");
            config.tag = Attribute(element, "Tag");
            config.isDefault = Attribute(element, "Default") == "1";
            ForEachChild(element, "Option", true, [&config](XMLParser& option) {
                config.options.emplace_back(Attribute(option, "Tag"), Attribute(option, "Value"));
            });
            cannedConfigs_.push_back(config);
        });
    }
    document_->SetPosition(position);
}

void ConfigInterpreter::ReadIdentity() {
    if (!document_->IsValid())
        return;
    const XMLPosition position = document_->GetPosition();
    if (document_->FindChild("ProductInfo")) {
        const auto name = document_->GetAttribute(nullptr, "Name", 4);
        const auto version = document_->GetAttribute(nullptr, "Version", 4);
        hasProductName_ = name.has_value();
        productName_ = name.value_or("");
        hasProductVersion_ = version.has_value();
        productVersion_ = version.value_or("");
    }
    document_->SetPosition(position);
    if (document_->FindChild("Contents") && document_->FindChild("Default")) {
        const auto args = document_->GetAttribute(nullptr, "NoExternalNoGUIArgs", 4);
        hasNoExternalNoGuiArgs_ = args.has_value();
        noExternalNoGuiArgs_ = args.value_or("");
    }
    document_->SetPosition(position);
}

void ConfigInterpreter::ReadSettings(const char* settingsFile) {
    if (!settingsFile)
        return;
    std::vector<std::string> folders;
    std::string registered;
    long error = 0;
    const std::string valuePath = std::string("HKEY_LOCAL_MACHINE\\") + kInstallInfoKey +
                                  "\\InstallerSource\\" + productName_;
    if (hasProductName_ && ReadRegistryValue(valuePath, &registered, kRegistryDefaultView, &error))
        registered = Trim(registered, " \t");
    if (!registered.empty())
        folders.push_back(registered);
    folders.push_back(SetupFolder());
    for (const std::string& folder : folders) {
        const std::string path = folder + platform::kPathSeparator + settingsFile;
        if (!Files::FileExists(path.c_str(), false))
            continue;
        XMLParser settings(path.c_str());
        if (!settings.IsValid())
            continue;
        ReadLocations(settings);
        return;
    }
}

void ConfigInterpreter::ReadLocations(XMLParser& settings) {
    int group = 0;
    ForEachInSection(settings, "URL_Locations", "URL_Source", [&](XMLParser& source) {
        ++group;
        ForEachChild(source, "URL", false, [&](XMLParser& url) {
            DownloadLocation location;
            location.url = Attribute(url, "URL");
            location.protocolText = Attribute(url, "Protocol");
            location.protocol = ProtocolOf(location.protocolText);
            location.server = Attribute(url, "Server");
            location.port = Attribute(url, "Port");
            location.path = Attribute(url, "Path");
            location.user = Attribute(url, "User");
            location.password = Attribute(url, "Password");
            location.group = group;
            locations_.push_back(location);
        });
    });
}

void ConfigInterpreter::InterpretCommandLine() {
    arguments_.Classify(command_.Arguments());
    request_ = InterpretArguments(arguments_);
}

void ConfigInterpreter::BuildProperties() {
    RunFacts run;
    run.action = request_.action;
    run.modeFlags = request_.modeFlags;
    run.packageScope = request_.partialRun;
    run.startTime = startTime_;
    run.productName = productName_;
    run.setupFolder = SetupFolder();
    SetStandardProperties(properties_, run, machine_);
    ApplyArgumentProperties(properties_, arguments_, cannedConfigs_);
    ApplyConfigurationProperties(properties_, configProperties_);
}

void ConfigInterpreter::WriteArgumentReport() const {
    Log().Line("Command line parameters:\n%s", arguments_.ArgumentReport().c_str());
    Log().Line("%s", ArgumentLists::UsageText(command_.ProgramName()).c_str());
}
