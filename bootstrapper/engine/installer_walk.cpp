// The walk over the elements: flow elements run under their conditions, packages are
// decided, resolved, run and classified.

#include <ctime>

#include "clock.h"
#include "command_line.h"
#include "config_interpreter.h"
#include "event_logger.h"
#include "f_package.h"
#include "file_system.h"
#include "installer.h"
#include "installer_resolver.h"
#include "local_time.h"
#include "log_file.h"
#include "messages.h"
#include "package_integrity.h"
#include "pending_renames.h"
#include "package_state.h"
#include "package_status_table.h"
#include "property_store.h"
#include "return_codes.h"
#include "run_services.h"
#include "str_util.h"
#include "text_util.h"
#include "user_prompts.h"

namespace {

bool ListContains(const std::string& list, const std::string& name) {
    for (const std::string& item : SplitTokens(list.c_str(), ',', 0)) {
        if (EqualsNoCase(Trim(item, " \t").c_str(), name.c_str()))
            return true;
    }
    return false;
}

std::string ElapsedText(std::time_t seconds) {
    std::string text;
    if (seconds / 3600)
        text += FormatText(" %d hour(s)", static_cast<int>(seconds / 3600));
    if ((seconds % 3600) / 60)
        text += FormatText(" %d min", static_cast<int>((seconds % 3600) / 60));
    if (seconds % 60)
        text += FormatText(" %d sec", static_cast<int>(seconds % 60));
    return text;
}

std::string WithoutLastComma(const std::string& reason) {
    return reason.size() >= 2 && reason.compare(reason.size() - 2, 2, ", ") == 0
               ? reason.substr(0, reason.size() - 2)
               : reason;
}

}  // namespace

void Installer::PrepareWalk() {
    if (mainInstance_)
        LookForPendingRenames();
    main_->ArmCallback(run_);
    SetTemporaryReferences();
    CheckPackageIntegrity();
}

// Files that Windows replaces or deletes at the next restart: when setup itself is among
// them, the walk stops before its first element and asks for the restart first.
void Installer::LookForPendingRenames() {
    pendingRenames_ = PendingFileRenames(run_);
    const CommandLine& command = config_.Command();
    if (PendingRenamesName(pendingRenames_, command.FullProgramPath()) ||
        PendingRenamesName(pendingRenames_, command.ShortProgramPath()))
        store_.Set("PendingReboot", "1", true);
}

// The main instance checks the files shipped with setup against "crc32.txt" before an
// install or a repair, unless "SkipCRC32" is "Yes" (a resumed setup is started with it). The
// progress item of the check shows the result: not checked (also when the check does not
// run), passed, or failed; a failed check ends the run with RC_InvalidCRC32Checksum before
// any package runs.
//
// Slot 0 is also the overall state of the run, which Finish() writes at the end. A failed
// check ends the run, so slot 0 becomes failed at once, as Finish() would leave it. A check
// that did not run writes nothing there: "skipped" would read as the whole run being skipped
// while the walk goes on. The check's own progress item carries its result in every case.
void Installer::CheckPackageIntegrity() {
    const bool wanted =
        mainInstance_ && (action_ == 0 || action_ == 2) && !store_.IsYes("SkipCRC32");
    const int result = wanted ? VerifyPackageIntegrity(run_) : -1;
    if (result < 0) {
        SetStatus(kIntegrityCheckItem, PS_Skipped);
        return;
    }
    if (result > 0) {
        SetStatus(kIntegrityCheckItem, PS_Completed);
        return;
    }
    SetStatus(kIntegrityCheckItem, PS_Failed);
    productMap_.SetItemState(0, PS_Failed);
    returnCode_ = RC_InvalidCRC32Checksum;
}

std::string Installer::Label(std::size_t index) const {
    if (index < mainIndex_)
        return store_.IsYes("Prerequisites") ? "[PRE] " : "[Pre] ";
    if (index > mainIndex_)
        return store_.IsYes("Postrequisites") ? "[POST]" : "[Post]";
    return store_.IsYes("SkipMain") ? "[Main]" : "[MAIN]";
}

bool Installer::ListedInPackages(const std::string& name) const {
    return ListContains(store_.Get("Packages"), name);
}

bool Installer::IsSelected(const FPackage& package, std::size_t index) const {
    const std::string packages = store_.Get("Packages");
    if (!packages.empty())
        return ListContains(packages, package.name);
    if (index < mainIndex_)
        return store_.IsYes("Prerequisites");
    if (index > mainIndex_)
        return store_.IsYes("Postrequisites");
    return !store_.IsYes("SkipMain");
}

// An optional package that belongs to a feature of the MAIN product runs when that feature
// is selected for this run (its "MSIFeature.<name>" property is "Yes").
bool Installer::FeatureSelected(const FPackage& package) const {
    return store_.IsYes(("MSIFeature." + package.feature).c_str());
}

bool Installer::HandleRunProperties() {
    LogFile& log = log_;
    if (store_.Get("PendingReboot") == "1") {
        if (showMessages_)
            run_.prompts.Show("PEND_REBOOT", nullptr, kBoxIconInformation);
        returnCode_ = RC_PendingRebootDetected;
        return false;
    }
    if (ForceRebootRequested())
        return false;
    const std::string quit = store_.Get("Quit");
    struct QuitRule {
        const char* value;
        int code;
        bool fails;
    } static const rules[] = {{"Success", RC_AllCompleted, false},
                              {"Normal", RC_ActionQuit, false},
                              {"Cancel", RC_ActionCanceled, true},
                              {"Error", RC_NotCompleted, true}};
    for (const QuitRule& rule : rules) {
        if (!EqualsNoCase(quit.c_str(), rule.value))
            continue;
        log.Line("%s", kSectionSeparator.c_str());
        log.Line("Property %s=%s -> QUITTING", "Quit", quit.c_str());
        returnCode_ = rule.code;
        quitRequested_ = true;
        if (rule.fails)
            success_ = false;
        if (rule.code == RC_ActionCanceled)
            CancelPendingItems();
        return false;
    }
    return true;
}

// "ForceReboot" set to "Yes" or "YesAndContinueInstall" ends the walk with a reboot now.
bool Installer::ForceRebootRequested() {
    const std::string forceReboot = store_.Get("ForceReboot");
    if (!EqualsNoCase(forceReboot.c_str(), "Yes") &&
        !EqualsNoCase(forceReboot.c_str(), "YesAndContinueInstall"))
        return false;
    rebootRequired_ = rebootNow_ = forcedReboot_ = true;
    continueAfterReboot_ = EqualsNoCase(forceReboot.c_str(), "YesAndContinueInstall");
    returnCode_ = RC_RebootRequired;
    return true;
}

void Installer::CancelPendingItems() {
    for (int slot = 1; slot < PackageStatusTable::kSlots; ++slot) {
        if (!productMap_.GetItemName(slot).empty() && productMap_.GetItemState(slot) == PS_None)
            productMap_.SetItemState(slot, PS_Canceled);
    }
}

void Installer::Walk() {
    LogFile& log = log_;
    for (std::size_t i = 0; i < elements_.size() && !failed_; ++i) {
        if (!HandleRunProperties())
            break;
        FBase& element = *elements_[i];
        FPackage* package = dynamic_cast<FPackage*>(&element);
        const std::string label = Label(i);
        log.Line("%s", kSectionSeparator.c_str());
        log.Line("%s %s", label.c_str(),
                 package ? package->name.c_str() : element.GetTag().c_str());
        const std::time_t start = run_.clock.Now();
        const std::tm local = LocalTime(start);
        log.Line("    Started at: %02d:%02d:%02d\n", local.tm_hour, local.tm_min, local.tm_sec);
        if (package) {
            if (!RunPackageStep(*package, i, start))
                break;
        } else {
            if (!RunFlowElementStep(element, start))
                break;
        }
    }
}

void Installer::LogEnd(std::time_t start) const {
    const std::time_t end = run_.clock.Now();
    const std::tm local = LocalTime(end);
    log_.Line("    Ended at  : %02d:%02d:%02d  (duration:%s)\n", local.tm_hour, local.tm_min,
              local.tm_sec, ElapsedText(end - start).c_str());
}

// An element may set "ForceReboot" itself: the test runs again after it, so that the last
// element of the list is not the one whose request nobody reads.
bool Installer::RunFlowElementStep(FBase& element, std::time_t start) {
    element.SetOperation(action_);
    if (!RunFlowElement(run_, element, action_))
        Fail(element.GetTag() + " failed");
    LogEnd(start);
    return !ForceRebootRequested();
}

// The package's entry in the status table: already processed, canceled or unknown states
// keep it from running. Returns the state, or -1 when the package may run.
int Installer::CheckPackageStatus(FPackage& package, std::string* reason) {
    const int status = Status(package.name);
    if (status == -2) {
        log_.Warning("No status found for product '%s'", package.name.c_str());
        return -1;
    }
    if (status == PS_Completed || status == PS_Failed)
        return status;
    if (status == PS_Canceled) {
        Fail("canceled");
        *reason += "canceled, ";
        return status;
    }
    if (status < PS_Error || status > PS_Preprocessed)
        log_.Error("Invalid status (%d) for product '%s'", status, package.name.c_str());
    return -1;
}

bool Installer::RunPackageStep(FPackage& package, std::size_t index, std::time_t start) {
    log_.Line("    Folder    : '%s'\n", run_.files.CurrentDirectory().c_str());
    store_.Set("LastPackageReturnCode", "0", true);
    const bool listed = !store_.Get("Packages").empty();
    const bool selected = IsSelected(package, index);
    std::string reason;
    if (listed)
        reason += selected ? "SELECTED, " : "NOT SELECTED, ";
    const bool forced = ListContains(store_.Get("Force"), package.name);
    if (forced)
        reason += "forced, ";
    const int processed = CheckPackageStatus(package, &reason);
    const bool runnable = selected && processed < 0;
    RemoveOrphanReferences(package);
    const int mode = (package.silent && mode_ == 0) ? 1 : mode_;
    PackageDecision decision = DecideForRun(package, index, mode, forced, runnable);
    decision.reason = reason + decision.reason;
    if (!runnable)
        decision.state = 2;
    if (decision.state == 1)
        ExecutePackage(package, decision, mode, start);
    else
        LogSkippedPackage(package, decision, processed, listed && !selected, runnable, start);
    return !(decision.stopWalk || failed_ || (rebootNow_ && !package.delayReboot));
}

// The package's own decision, completed with the phrases of the run.
PackageDecision Installer::DecideForRun(FPackage& package, std::size_t index, int mode, bool forced,
                                        bool runnable) {
    int comparison = package.Compare(run_.detection);
    if (TakeProductCodeFromReferences(package))
        comparison = package.Compare(run_.detection);
    store_.Set("Version", package.version.versionText.c_str(), true);
    PackageDecision decision = package.Decide(run_, action_, comparison, showMessages_, forced);
    if (decision.showMessage)
        run_.prompts.Show(nullptr, decision.conditionMessage.c_str(),
                          package.IsMain() ? kBoxIconError : kBoxIconWarning);
    AddRefCountPhrases(package, decision, runnable);
    const auto skip = [&decision](const std::string& phrase) {
        decision.reason += phrase;
        decision.state = 2;
    };
    if (maintenance_)
        decision.reason += "maintenance mode, ";
    const bool pre = store_.IsYes("Prerequisites");
    const bool post = store_.IsYes("Postrequisites");
    if (index > mainIndex_ && pre && !post)
        skip("processing only prerequisites, ");
    if (index < mainIndex_ && post && !pre)
        skip("processing only postrequisites, ");
    if (index == mainIndex_ && store_.IsYes("SkipMain"))
        skip("skipping MAIN, ");
    if (decision.state == 1 && !package.required && !package.feature.empty() && !package.IsMain() &&
        !FeatureSelected(package))
        skip(FormatText("feature '%s' not selected, ", package.feature.c_str()));
    if (decision.state == 1 && !package.CommandLineTemplate(decision.commandAction, mode) &&
        package.extraParameters.empty())
        skip("command line is not specified, ");
    if (decision.conditionFailed && package.IsMain())
        Fail("condition(s) of the MAIN package false");
    return decision;
}

void Installer::LogSkippedPackage(FPackage& package, const PackageDecision& decision, int processed,
                                  bool notListed, bool runnable, std::time_t start) {
    LogFile& log = log_;
    package.LogDetected(log);
    log.Line("    Mode      : %s", ModeText().c_str());
    log.Line("    Status    : SKIPPING %s [%s]", ActionUpper(),
             WithoutLastComma(decision.reason).c_str());
    if (processed >= 0)
        log.Line("    Action    : Not executed %s",
                 FormatText("(already processed: %s)", StateName(processed).c_str()).c_str());
    else if (notListed)
        log.Line("    Action    : Not executed: not specified in packages list");
    else
        log.Line("    Action    : Not executed");
    if (runnable)
        UpdateReferences(package);
    LogEnd(start);
    log.Line("    Completed : %s %s", "Yes", "");
}

void Installer::ExecutePackage(FPackage& package, const PackageDecision& decision, int mode,
                               std::time_t start) {
    LogFile& log = log_;
    const ResolvedInstaller installer = run_.resolver.Resolve(
        {package.name, store_.Expand(package.fileName.c_str()), package.archiveName});
    const std::string installerPath = ResolveCachedInstaller(package, installer);
    if (!installerPath.empty())
        package.ReadPackageInformation(installerPath, run_.detection);
    package.LogDetected(log);
    log.Line("    Mode      : %s", ModeText().c_str());
    log.Line("    Status    : EXECUTING %s [%s]", ActionUpper(),
             WithoutLastComma(decision.reason).c_str());
    SetStatus(package.name, PS_InProgress);
    bool succeeded = false;
    if (!installerPath.empty()) {
        succeeded = RunInstaller(package, decision, mode, installerPath);
        if (succeeded)
            RegisterInstallSource(package);
    } else {
        log.Line("    Action    : Not executed: %s", installer.reason.c_str());
        SetStatus(package.name, PS_Failed);
    }
    UpdateReferences(package);
    const bool countsAsSuccess = succeeded || (!package.vital && !package.IsMain());
    LogEnd(start);
    log.Line("    Completed : %s %s", succeeded ? "Yes" : "No",
             !succeeded && !package.vital ? "(non vital)" : "");
    if (!countsAsSuccess) {
        success_ = false;
        if (action_ != 1 || package.IsMain())
            Fail(package.name + " failed");
    }
}

// Runs the package with its installer file at installerPath and classifies the result.
bool Installer::RunInstaller(FPackage& package, const PackageDecision& decision, int mode,
                             const std::string& installerPath) {
    log_.Line("    Action    : Executing");
    run_.events.Action(EventId(1100, 1), FormatText("Package %s started: %s", package.name.c_str(),
                                                    package.DisplayName().c_str()));
    // The templates may name the package's file and product code: set them before the
    // command line is expanded.
    store_.Set("PackageFileName", installerPath.c_str(), true);
    store_.Set("PackageProductCode", package.Product().productCode, true);
    store_.Set("PackageTag", package.tag.c_str(), true);
    const auto& commandTemplate = package.CommandLineTemplate(decision.commandAction, mode);
    CommandRequest request;
    request.baseText =
        FormatText("%s %s", commandTemplate.value_or("").c_str(), package.extraParameters.c_str());
    request.showWindow = mode != 2;
    request.installerItems = package.IsMain() && action_ == 0;
    request.mainInstance = mainInstance_;
    request.setPackageProperties = true;
    request.productKey = ReferenceName();
    package.PrepareExecution(request);
    const std::string propsPath = store_.Get("PROPS_REGISTRY_PATH");
    package.PublishOutputProperties(run_, propsPath);
    package.Execute(run_, decision.commandAction);
    // Execute has detected the product again after its installer: no second detection.
    store_.Set("LastPackageReturnCode", FormatText("%ld", package.ExitCode()).c_str(), true);
    package.RetrieveOutputProperties(run_, propsPath);
    ++executedCount_;
    return ClassifyPackage(package);
}

// The result of a package that ran: its status, events, the reboot it asks for and the
// result lines of its block. Returns whether it succeeded.
bool Installer::ClassifyPackage(FPackage& package) {
    const long code = package.ExitCode();
    bool succeeded = package.IsSuccess(log_, false);
    if (package.cancelCodes.count(static_cast<int>(code)))
        returnCode_ = RC_ActionCanceled;
    if (succeeded && !package.CallbackCheck()) {
        succeeded = false;
        returnCode_ = RC_CallbackFailed;
    }
    if (!succeeded && package.IsMain())
        --executedCount_;
    const bool rebootDue = RequiresReboot(package, package.Outcome());
    if (rebootDue) {
        rebootRequired_ = true;
        rebootNow_ = rebootNow_ || !package.delayReboot;
    }
    package.LogResult(log_, rebootDue);
    const std::string text = FormatText("%s (code %ld)", package.DisplayName().c_str(), code);
    if (succeeded) {
        SetStatus(package.name, PS_Completed);
        run_.events.Action(EventId(1100, 2), FormatText("Package %s completed: %s.",
                                                        package.name.c_str(), text.c_str()));
    } else {
        SetStatus(package.name, returnCode_ == RC_ActionCanceled ? PS_Canceled : PS_Failed);
        run_.events.Action(EventId(1100, 3), FormatText("Package %s failed: %s.%s",
                                                        package.name.c_str(), text.c_str(), ""));
    }
    return succeeded;
}
