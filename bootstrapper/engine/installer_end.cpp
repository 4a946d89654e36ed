// The end of the run: completion line and events, the failure box, the rollback and
// reboot decisions and the return code.

#include "clock.h"
#include "command_line.h"
#include "config_interpreter.h"
#include "event_logger.h"
#include "f_package.h"
#include "installer.h"
#include "log_file.h"
#include "messages.h"
#include "package_state.h"
#include "package_status_table.h"
#include "prereq_location.h"
#include "property_store.h"
#include "reboot_step.h"
#include "return_codes.h"
#include "run_services.h"
#include "text_util.h"
#include "user_prompts.h"

namespace {}  // namespace

int Installer::Finish() {
    LogFile& log = log_;
    const std::string propsPath = store_.Get("PROPS_REGISTRY_PATH");
    for (FBase* element : elements_) {
        if (auto* package = dynamic_cast<FPackage*>(element)) {
            RemoveTemporaryReference(*package);
            package->RemoveOutputProperties(run_, propsPath);
        }
    }
    main_->Compare(run_.detection);
    log.Line("%s", kSectionSeparator.c_str());
    log.Line("\n%s COMPLETED:  %s\n", ActionUpper(), success_ ? "YES" : "NO");
    const char* product = config_.GetProductName() ? config_.GetProductName() : "";
    if (!success_) {
        run_.events.Action(EventId(1000, 3), FormatText("Application %s failed", product));
    } else if (!forcedReboot_ || continueAfterReboot_) {
        const std::string text =
            executedCount_ > 0
                ? FormatText("Application %s completed", product)
                : FormatText("Application already %sed (no action performed)", ActionLower());
        log.Line("%s", text.c_str());
        run_.events.Action(EventId(1000, 2), text);
    }
    if (showMessages_ && !success_ && !quitRequested_) {
        std::string text =
            std::string(product) +
            (returnCode_ == RC_ActionCanceled ? " setup canceled!" : " setup failed!");
        // Operations Windows still has pending for a restart may be why the run failed.
        if (!pendingRenames_.empty())
            text += "\n" + pendingRenames_ + run_.prompts.Text("PEND_REBOOT_ON_FAIL", "");
        run_.prompts.Show("BS_ERROR", text.c_str(), kBoxIconError);
    }
    DeleteCacheStep();
    if (mainInstance_)  // the place chosen for prerequisites served this run only
        DeleteRegPrereqLocation(run_.registry, log);
    const bool rollback = DecideRollback();
    if (rebootRequired_ && returnCode_ != RC_CallbackFailed)
        returnCode_ = RebootStep();
    if (returnCode_ == -1)
        returnCode_ = success_ ? RC_AllCompleted : RC_NotCompleted;
    if (rollback)
        RollBack();
    if (showMessages_ && returnCode_ == RC_AllCompleted)
        run_.prompts.Show(nullptr, "Setup completed", kBoxIconInformation);
    productMap_.SetItemState(0, success_ ? PS_Completed : PS_Failed);
    if (external_)
        run_.clock.Sleep(2000);
    return returnCode_;
}

bool Installer::DecideRollback() const {
    const bool forced = store_.IsYes("ForceRollback");
    const bool automatic = store_.IsYes("AutoRollback");
    if (!((!mainAlreadyInstalled_ && executedCount_ > 0) || forced || automatic))
        return false;
    if (automatic)
        return action_ == 0;
    if (returnCode_ == RC_NotCompleted || returnCode_ == RC_CallbackFailed ||
        (returnCode_ == -1 && !success_))
        return action_ == 0 && mode_ == 0;
    if (returnCode_ == RC_ActionCanceled)
        return action_ == 0 && mode_ != 2;
    return false;
}

void Installer::RollBack() {
    if (!external_ && showMessages_ && !store_.IsYes("ForceRollback")) {
        const char* tag =
            returnCode_ == RC_ActionCanceled ? "ROLLBACK_ON_CANCEL" : "ROLLBACK_ON_ERROR";
        const int answer = run_.prompts.Show(tag, nullptr, kBoxYesNo | kBoxIconQuestion);
        if (answer != kBoxAnswerYes)
            return;
    }
    const char* product = config_.GetProductName() ? config_.GetProductName() : "";
    log_.Line("Rolling back application '%s'...", product);
    for (int slot = 1; slot < PackageStatusTable::kSlots; ++slot) {
        if (productMap_.GetItemState(slot) != PS_Canceled)
            productMap_.SetItemState(slot, PS_None);
    }
    const int item = AddProgressItem("Rollback installed product");
    const int code =
        ExecuteOriginalInstaller(product, RollbackArguments(), main_->Product().productCode);
    if (code == RC_OriginalInstallerNotFound)
        log_.Error("Cannot uninstall this product since the original setup was not found.");
    productMap_.SetItemState(
        item, code == RC_AllCompleted || code == RC_RebootRequired ? PS_Completed : PS_Failed);
    if (showMessages_)
        run_.prompts.Show(nullptr, "Rollback completed", kBoxIconInformation);
}

// A reboot is due: the reboot step asks, restarts and arranges the resume.
int Installer::RebootStep() const {
    RebootRequest request;
    request.externalControl = external_;
    request.continueAfterReboot = continueAfterReboot_;
    request.reboot = rebootRequired_;
    request.ask = showMessages_;
    request.noCancel = store_.IsYes("DisableCancelOnRebootRequired");
    request.questionTag = rebootQuestion_;
    // A walk ended by "ForceReboot" "Yes" wrote no completion event.
    request.writeCompletionEvent = !forcedReboot_ || continueAfterReboot_;
    request.productName = config_.GetProductName() ? config_.GetProductName() : "";
    const CommandLine& command = config_.Command();
    request.programPath = command.FullProgramPath();
    // The first token is the program itself.
    for (int i = 1; i < command.ArgumentCount(); ++i)
        request.arguments += (request.arguments.empty() ? "" : " ") + command.Argument(i);
    return RunRebootStep(run_, request);
}
