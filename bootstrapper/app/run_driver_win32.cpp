#include "run_driver.h"

#include <windows.h>

#include <exception>

#include "clock.h"
#include "command_line.h"
#include "config_interpreter.h"
#include "download_fetcher_factory.h"
#include "event_log_access.h"
#include "event_logger.h"
#include "file_system.h"
#include "installer.h"
#include "instance_map.h"
#include "log_file.h"
#include "machine_probe.h"
#include "machine_restart.h"
#include "message_pump.h"
#include "messages.h"
#include "package_resolver.h"
#include "platform.h"
#include "plugin_library.h"
#include "process_runner.h"
#include "product_info.h"
#include "progress_dialog.h"
#include "registry.h"
#include "resolver_servers.h"
#include "resource.h"
#include "return_codes.h"
#include "run_services.h"
#include "run_texts.h"
#include "setup_folder.h"
#include "shared_block_name.h"
#include "shell_exec.h"
#include "system_info.h"
#include "user_prompts.h"

namespace {

const char kGlobalMapName[] = "TARVEX_BOOTSTRAPPER";
const std::size_t kFullCommandLineSize = 2048;
// Appends as much of text as fits in a buffer of size bytes (terminator included):
// an over-long command line is cut, never overrun.
void AppendBounded(std::string& target, const std::string& text, std::size_t size) {
    if (target.size() + 1 >= size)
        return;
    target += text.substr(0, size - 1 - target.size());
}

BannerFacts GatherBannerFacts(std::time_t startTime, const CommandLine& command) {
    BannerFacts facts;
    const std::string program = platform::ProgramPath();
    facts.productName = GetVersion(program.c_str(), "ProductName");
    facts.fileVersion = GetVersion(program.c_str(), "FileVersion");
    facts.platform = OsPlatform();
    facts.osVersion = OsVersionText(facts.platform, 3);
    facts.startTime = startTime;
    facts.tickCountMs = SystemTickCount();
    facts.commandLine = command.GivenCommandLine();
    return facts;
}

// Loads and initialises utils and forms (from the folder of setup) for the installer run
// and releases every plug-in library when the run is over, also when it throws.
class PluginSession {
  public:
    explicit PluginSession(ConfigInterpreter& config) {
        InstallPluginLibraryCaller(SetupFolder);
        InitializePlugins(Log().GetConsoleHandle(), &config.Properties(),
                          config.GetConfigPath().c_str());
    }
    ~PluginSession() { UnloadAll(); }
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;
};

}  // namespace

RunDriver::RunDriver(void* module, const char* systemCommandLine) : module_(module) {
    PrepareStart(systemCommandLine);
}

RunDriver::~RunDriver() = default;

void RunDriver::PrepareStart(const char* systemCommandLine) {
    // Entries written through the log's Event variants go to the event log as well, and the
    // installer's events of each package are read back into the log.
    GlobalEventLogger().Attach(SystemEventLog(), SystemRegistry(), Log(), SystemClock());
    ForwardLogToEventLog(Log());
    ShellExec::SetWaitDialog(module_, IDD_WAIT_DIALOG, IDC_WAIT_PROGRESS, IDC_WAIT_TEXT);
    std::string fullCommandLine;
    AppendBounded(fullCommandLine, "\"", kFullCommandLineSize);
    AppendBounded(fullCommandLine, platform::ProgramPath(), kFullCommandLineSize);
    AppendBounded(fullCommandLine, "\" ", kFullCommandLineSize);
    AppendBounded(fullCommandLine, systemCommandLine ? systemCommandLine : "",
                  kFullCommandLineSize);
    startTime_ = std::time(nullptr);
    command_ = std::make_unique<CommandLine>(fullCommandLine.c_str(), " \t", '"');
    bannerText_ = BuildBanner(GatherBannerFacts(startTime_, *command_));
}

void RunDriver::FlushBanner() {
    if (bannerText_.empty())
        return;
    Log().Write("%s", bannerText_.c_str());
    bannerText_.clear();
}

int RunDriver::Run() {
    try {
        RunProtected();
    } catch (const char* text) {
        Log().Error("Exception: %s", text);
        exceptionCaught_ = true;
    } catch (const std::exception& error) {
        Log().Error("Exception: %s", error.what());
        exceptionCaught_ = true;
    } catch (...) {
        Log().Error("Exception: no details");
        exceptionCaught_ = true;
    }
    if (exceptionCaught_) {
        FlushBanner();
        Log().ErrorEvent("An internal error ocurred. Please run setup again.");
        returnCode_ = RC_UnhandledException;
    }
    Log().SetSecretSource(nullptr);  // the properties go with the configuration
    config_.reset();
    productMap_.reset();
    globalMap_.reset();
    if (ShowsFinalMessage(modeFlags_, returnCode_))
        ShowFinalMessage();
    return returnCode_;
}

void RunDriver::RunProtected() {
    config_ = std::make_unique<ConfigInterpreter>(*command_, "config.xml", "standard.xml",
                                                  "settings.xml", &GlobalEventLogger(), startTime_);
    modeFlags_ = config_->GetModeFlags();
    // From the banner on, no line shows the value of a secret property of the run.
    Log().SetSecretSource(&config_->Properties());
    if (config_->HasInvalidArguments()) {
        FlushBanner();
        config_->WriteArgumentReport();
        returnCode_ = RC_InvalidArguments;
        return;
    }
    globalMap_ = std::make_unique<InstanceMap>(kGlobalMapName);
    // The product name is free text; the block gets a valid object name built from it. A
    // configuration without a product name keeps an unnamed block of its own.
    const char* productName = config_->GetProductName();
    productMap_ =
        std::make_unique<InstanceMap>(productName ? SharedBlockName(productName).c_str() : nullptr);
    if (StoppedWithoutSharedBlock())
        return;
    productMap_->SetOwnerName(productName);
    if (RefusedAsSecondInstance())
        return;

    globalMap_.reset();  // it guards only the moment of start-up
    const int count = productMap_->AddInstance();
    Log().SetIndentLevel(count - 1);
    platform::ChangeDirectory(SetupFolder());
    FlushBanner();
    RunConfiguredChain();
    WriteSummary();
    productMap_->RemoveInstance();
}

// A block that could not be created or mapped says nothing about other instances: the
// map has logged the system's error, and the run stops here with a code of its own, whether
// it is a main instance or a chained child (which could neither report its packages' states
// nor see its parent's). The code is RC_UnhandledException: the failure is in setup's own
// machinery, not in the chain, nothing has been installed, and running setup again is the
// advice that fits a system short of resources; it also brings the error box with the link
// to the log, where the system's error text is. RC_AnotherInstanceRunning would send the
// user looking for a setup that does not run, and RC_NotCompleted speaks of packages that
// never started.
bool RunDriver::StoppedWithoutSharedBlock() {
    if (globalMap_->HasView() && productMap_->HasView())
        return false;
    FlushBanner();
    returnCode_ = RC_UnhandledException;
    Log().ErrorEvent("The shared status block of %s could not be opened. Quitting...",
                     productMap_->HasView() ? "the start-up guard" : "the product");
    return true;
}

bool RunDriver::RefusedAsSecondInstance() {
    if (!config_->IsMainInstance())
        return false;  // a chained child is never refused
    if (productMap_->IsCreated() && globalMap_->IsCreated())
        return false;
    FlushBanner();
    returnCode_ = RC_AnotherInstanceRunning;
    detailText_ =
        !productMap_->IsCreated() ? productMap_->GetOwnerName() : globalMap_->GetOwnerName();
    Log().ErrorEvent("Another %s is running: '%s'", kSetupCaption, detailText_.c_str());
    return true;
}

void RunDriver::RunConfiguredChain() {
    if (!config_->IsValid()) {
        Log().ErrorEvent("Invalid configuration. Quitting...");
        returnCode_ = RC_InvalidConfiguration;
        return;
    }
    // The plug-ins are initialised before the chain runs and released after it.
    PluginSession plugins(*config_);
    // A prerequisite found nowhere is downloaded from the configured sites or asked for in
    // the prerequisite dialog.
    const std::unique_ptr<PrerequisiteFetcher> fetcher = MakeDownloadFetcher(
        module_, config_->PrerequisiteArchives(), config_->Locations(), Log(), SystemFileSystem());
    PackageResolver resolver(
        {Log(), config_->Properties(), SystemRegistry(), SystemFileSystem(), SystemProcessRunner(),
         SystemClock(), *fetcher},
        {SetupFolder(), config_->GetProductName() ? config_->GetProductName() : "",
         ServersFromLocations(config_->Locations()), (config_->GetModeFlags() & 2) != 0});
    // No window until the run shows it (normal mode only); the run closes it before the
    // product map goes.
    ProgressDialog progressDialog(module_, productMap_.get(), config_->Properties());
    RunServices services{Log(),
                         config_->Properties(),
                         MessageBoxPrompts(),
                         *productMap_,
                         SystemProcessRunner(),
                         resolver,
                         SystemInstallerQueries(),
                         SystemMachineProbe(),
                         SystemRegistry(),
                         SystemFileSystem(),
                         SystemClock(),
                         GlobalEventLogger(),
                         SystemMessagePump(),
                         SystemMachineRestart(),
                         progressDialog};
    Installer installer(*config_, services);
    returnCode_ = installer.Run();
}

void RunDriver::WriteSummary() {
    LogFile& log = Log();
    log.Line("%s", "");
    log.Line("Warnings: %d", log.GetWarningCount());
    log.Line("Errors  : %d", log.GetErrorCount());
    log.Line("%s", DurationText(static_cast<long long>(std::time(nullptr) - startTime_)).c_str());
    log.Line("%s", ReturnedText(returnCode_).c_str());
    log.Line("%s", SeparatorLine().c_str());
}

void RunDriver::ShowFinalMessage() {
    const FinalMessage message = ChooseFinalMessage(returnCode_, detailText_);
    if (!message.tag)
        return;
    const char* logPath = message.offerLogLink ? Log().GetFirstLogPath() : nullptr;
    UserMessages().Show(message.tag, message.text.c_str(), kSetupCaption, MB_OK | MB_ICONERROR,
                        logPath, nullptr, false);
}
