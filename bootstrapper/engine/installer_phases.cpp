// The phases of the run before the walk: the package list, an existing version to remove,
// the installed MAIN product, the command line, the properties and the dependencies.

#include "command_line.h"
#include "config_interpreter.h"
#include "dependency_check.h"
#include "event_logger.h"
#include "f_package.h"
#include "installer.h"
#include "log_file.h"
#include "messages.h"
#include "package_state.h"
#include "package_status_table.h"
#include "progress_view.h"
#include "property_store.h"
#include "return_codes.h"
#include "run_services.h"
#include "run_texts.h"
#include "text_util.h"
#include "user_prompts.h"

namespace {

// Whether a plain property argument of the command line sets name.
bool ArgumentSets(const ArgumentLists& lists, const std::string& name) {
    for (const std::string& argument : lists.List(kArgBsProperties)) {
        std::string argumentName, value;
        if (SplitAssignment(TrimLeft(argument, " \t"), &argumentName, &value) &&
            EqualsNoCase(argumentName.c_str(), name.c_str()))
            return true;
    }
    return false;
}

FPackage* AsPackage(FBase* element) {
    return dynamic_cast<FPackage*>(element);
}

}  // namespace

int Installer::CheckPackageList() {
    LogFile& log = log_;
    int code = -1;
    int slot = 1;  // slot 0 carries the state of the whole run
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        FPackage* package = AsPackage(elements_[i]);
        if (!package)
            continue;
        if (!package->ConfigurationErrors().empty()) {
            log.Error("%s", package->ConfigurationErrors().c_str());
            code = RC_InvalidConfiguration;
        }
        if (package->IsMain() && !main_) {
            main_ = package;
            mainIndex_ = i;
        } else if (package->IsMain()) {
            log.Error("Another main package has been detected! It will be ignored.");
            code = RC_InvalidConfiguration;
        }
        if (slot < PackageStatusTable::kSlots)
            productMap_.SetItemName(slot++, package->name.c_str());
        run_.progressDialog.AddRow(package->name, package->version.versionText, PS_None);
    }
    // The integrity check has its own progress item (PrepareWalk sets its state).
    if (slot < PackageStatusTable::kSlots)
        productMap_.SetItemName(slot, kIntegrityCheckItem);
    run_.progressDialog.AddRow(kIntegrityCheckItem, "", PS_None);
    if (!main_ && code < 0) {
        const char* product = config_.GetProductName() ? config_.GetProductName() : "";
        log.Error("NO MAIN PACKAGE DETECTED (containing Feature='MAIN' attribute)!");
        log.Line("%s ABORTED!", product);
        run_.events.Action(EventId(1000, 3), FormatText("Application %s failed", product));
        return RC_MainPackageNotDetected;
    }
    if (code >= 0)
        return code;
    const char* product = config_.GetProductName() ? config_.GetProductName() : "";
    log.Line("%s %s %s started", ActionVerb(), product, "application");
    run_.events.Action(EventId(1000, 1), FormatText("Application %s started", product));
    OpenProgressDialog();
    return -1;
}

// The progress dialog belongs to a run with a user interface: normal mode, also under
// external control, whose program chose that mode. A silent run shows the installers'
// wait bar only, a quiet run nothing. The window is "Setup progress", like every box of the
// run; the banner says "Tarvex setup" and, under it, what the run does.
void Installer::OpenProgressDialog() {
    if (mode_ != 0)
        return;
    const char* product = config_.GetProductName() ? config_.GetProductName() : "";
    std::string subtitle = FormatText("%s application '%s'", ActionVerb(), product);
    const std::string packages = store_.Get("Packages");
    if (!packages.empty())
        subtitle += FormatText(" components: %s", packages.c_str());
    ProgressView& dialog = run_.progressDialog;
    dialog.SetTitle(kSetupCaption);
    dialog.SetCaption("Tarvex setup");
    dialog.SetSubtitle(subtitle);
    dialog.Show();
}

bool Installer::RemoveExistingVersion() {
    std::string name = "UninstallExisting";
    std::string version = store_.Get(name.c_str());
    if (version.empty()) {
        name = "Uninstall";
        version = store_.Get(name.c_str());
    }
    if (version.empty() || RemovalIgnored(name, version))
        return true;
    ProductInfo existing;
    if (!existing.Detect(main_->version.productId.c_str(), version.c_str(), run_.detection)) {
        log_.Line("    No installed product was been found");
        return true;
    }
    if (version == main_->version.versionText) {
        log_.Line("    This version is current version and will be ignored");
        return true;
    }
    return RemoveWithOriginalSetup(version, existing.productCode);
}

// Whether the removal that property name asks for (of the main product at version) is not
// to be done on this run; says why in the log, and takes the property back where the run
// will not act on it.
bool Installer::RemovalIgnored(const std::string& name, const std::string& version) {
    LogFile& log = log_;
    if (action_ != 1 && ArgumentSets(config_.Arguments(), name)) {
        log.Line(
            "'%s' is ignored on other actions than uninstall when it is provided in command "
            "line",
            name.c_str());
        return true;
    }
    log.Line(
        "Property '%s' found. Trying to perform uninstall for main product having '%s' "
        "version",
        name.c_str(), version.c_str());
    if (external_ || store_.IsYes("SkipMain")) {
        if (external_)
            log.Line(
                "    Ignored on external control ('ExternalControl' property is set to "
                "'Yes').");
        else
            log.Line(
                "    Ignored if MAIN package is skipped ('SkipMain' property set to "
                "'Yes').");
        log.Line("    Resetting '%s' property", name.c_str());
        store_.Set(name.c_str(), "", true);
        return true;
    }
    if (main_->version.productId.empty()) {
        log.Line("No %s for main product. Ignoring '%s' property", "upgrade code", name.c_str());
        return true;
    }
    return false;
}

// Runs the setup that installed version (productCode) to remove it. false ends the run.
bool Installer::RemoveWithOriginalSetup(const std::string& version,
                                        const std::string& productCode) {
    const char* product = config_.GetProductName() ? config_.GetProductName() : "";
    const int code = ExecuteOriginalInstaller(product, RemoveExistingArguments(), productCode);
    if (code == RC_OriginalInstallerNotFound) {
        log_.Error("Cannot uninstall this product since the original setup was not found.");
        returnCode_ = RC_OriginalInstallerNotFound;
        return false;
    }
    // The new version is not installed over an old one that is still there: a failed
    // removal ends the run with the code of the setup that failed.
    if (code != RC_AllCompleted && code != RC_RebootRequired) {
        log_.Error("Cannot uninstall version '%s' of this product.", version.c_str());
        returnCode_ = code;
        return false;
    }
    // The old setup shares the progress list and marked the packages it removed, which
    // have the names of this run's packages: this run has processed none of them yet.
    for (FBase* element : elements_) {
        if (FPackage* package = AsPackage(element))
            SetStatus(package->name, PS_None);
    }
    return true;
}

void Installer::JudgeMainPackage() {
    const int comparison = main_->Compare(run_.detection);
    const std::string installed = main_->version.installedVersion;
    const std::string wanted = main_->version.versionText;
    LogFile& log = log_;
    if (comparison == kNoRequirement) {
        std::string missing;
        if (main_->version.productId.empty())
            missing = "product id";
        if (wanted.empty())
            missing += missing.empty() ? "desired version" : " and desired version";
        Fail(missing + FormatText(" not specified in 'config.xml', <Version> entry for MAIN "
                                  "package '%s'",
                                  main_->name.c_str()));
    } else if (comparison == kOlderInstalled) {
        log.Line(
            "Installed version '%s' of the MAIN package '%s' is less than the specified one "
            "'%s'",
            installed.c_str(), main_->name.c_str(), wanted.c_str());
        if (action_ == 1)
            Fail("installed version of the MAIN package is older");
    } else if (comparison == kSameInstalled || comparison == kPatternMatched) {
        mainAlreadyInstalled_ = true;
        store_.Set("InstallDir", main_->Product().installLocation, true);
        store_.Set("UninstallString", main_->Product().uninstallString, true);
        store_.Set("MainIsInstalled", "1", true);
        if (action_ == 0 && mode_ == 0) {
            maintenance_ = true;
            SetMaintenanceSubtitle();
        }
    } else if (comparison == kNewerInstalled) {
        const std::string text = FormatText(
            "Installed version '%s' of the MAIN package '%s' is greater than the specified one "
            "'%s'",
            installed.c_str(), main_->name.c_str(), wanted.c_str());
        log.Line("%s", text.c_str());
        if (action_ == 0 || action_ == 1)
            Fail(text);
        if (action_ == 0 && !main_->version.multiversion)
            returnCode_ = RC_ANewerVerAlreadyInstalled;
    }
    store_.Set("MainInstalledVersion", installed.c_str(), true);
}

void Installer::SetMaintenanceSubtitle() {
    const char* product = config_.GetProductName() ? config_.GetProductName() : "";
    std::string subtitle = FormatText("Maintenance for '%s'", product);
    const std::string packages = store_.Get("Packages");
    if (!packages.empty())
        subtitle += FormatText(" (packages %s)", packages.c_str());
    run_.progressDialog.SetSubtitle(subtitle);
}

void Installer::DecideCheckDepends() {
    LogFile& log = log_;
    if (store_.IsDefined("CheckDepends")) {
        log.Line("PROPERTY '%s' SET TO '%s'", "CheckDepends", store_.Get("CheckDepends").c_str());
        return;
    }
    const char* reason = nullptr;
    if (external_)
        reason = "EXTERNAL CONTROL -> The dependencies will not be checked";
    else if (action_ == 1 || action_ == 2)
        reason = "UNINSTALL OR REPAIR MODE -> The dependencies will not be checked";
    else if (mainAlreadyInstalled_)
        reason = "PRODUCT ALREADY INSTALLED -> The dependencies will not be checked";
    if (reason)
        log.Line("%s", reason);
    store_.Set("CheckDepends", reason ? "No" : "Yes", true);
}

void Installer::LogCommandLine() {
    LogFile& log = log_;
    log.Line("\n(%d) CHECKING COMMAND LINE PARAMETERS...", ++phase_);
    log.Line("Command line parameters (including default Features/Properties):\n%s",
             config_.Arguments().ArgumentReport().c_str());
    const char* defaults = config_.GetNoExternalNoGuiArgs();
    if (!defaults || !*defaults || external_ || mode_ == 0)
        return;
    // Defaults apply only to unattended runs that nobody controls from outside.
    const CommandLine split((std::string("setup ") + defaults).c_str(), " \t", '"');
    ArgumentLists lists;
    lists.Classify(split.Arguments());
    log.Line("Default command line parameters (only for non external non full GUI mode):\n%s",
             lists.ArgumentReport().c_str());
    if (!lists.List(kArgSwitches).empty() || !lists.List(kArgActions).empty() ||
        !lists.List(kArgInvalid).empty())
        log.Line(
            "Invalid arguments in Contents/Default section! Only Features/Properties are "
            "allowed. They will be ignored.");
    PropertyStore defaultsStore;
    ApplyArgumentProperties(defaultsStore, lists, {});
    store_.Merge(defaultsStore, false);
}

void Installer::CheckDependencies() {
    log_.Line("\n(%d) CHECKING DEPENDENCIES...", ++phase_);
    const DependencyOutcome outcome =
        ::CheckDependencies(config_.Dependencies(), store_.IsYes("CheckDepends") && !failed_,
                            run_.machine, run_.detection, log_);
    vitalFailures_ = outcome.vitalFailures;
    nonVitalFailures_ = outcome.nonVitalFailures;
    vitalFailureText_ = outcome.vitalText;
    nonVitalFailureText_ = outcome.nonVitalText;
    log_.Line("    %s\n", outcome.summary.c_str());
}

void Installer::ReportDependencyOutcome() {
    const char* product = config_.GetProductName() ? config_.GetProductName() : "";
    LogFile& log = log_;
    if (vitalFailures_ > 0) {
        log.Line("    %s will not continue! %d vital %s found\n", product, vitalFailures_,
                 vitalFailures_ == 1 ? "dependency is not" : "dependencies are not");
        returnCode_ = RC_DependenciesFailed;
        if (showMessages_)
            run_.prompts.Show("DEPENDS_FAIL", vitalFailureText_.c_str(), kBoxIconError);
        Fail("vital dependencies not found");
    } else if (nonVitalFailures_ > 0) {
        log.Line("    %s will continue. %d non vital %s found\n", product, nonVitalFailures_,
                 nonVitalFailures_ == 1 ? "dependency is not" : "dependencies are not");
        if (showMessages_)
            run_.prompts.Show(nullptr, nonVitalFailureText_.c_str(), kBoxIconWarning);
    }
}

int Installer::StopBeforeWalk() {
    const char* product = config_.GetProductName() ? config_.GetProductName() : "";
    log_.ErrorEvent("Could not continue: %s", failReason_.c_str());
    run_.events.Action(EventId(1000, 3), FormatText("Application %s failed", product));
    if (returnCode_ == RC_DependenciesFailed || returnCode_ == RC_ANewerVerAlreadyInstalled)
        return returnCode_;
    if (showMessages_) {
        const std::string text = "Cannot continue: " + failReason_;
        run_.prompts.Show(nullptr, text.c_str(), kBoxIconError);
    }
    return RC_InstallationAborted;
}
