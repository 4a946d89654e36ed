#include "reboot_step.h"

#include <cctype>

#include "event_logger.h"
#include "log_file.h"
#include "machine_restart.h"
#include "messages.h"
#include "property_store.h"
#include "resume_entry.h"
#include "return_codes.h"
#include "run_services.h"
#include "system_error.h"
#include "user_prompts.h"

namespace {

const std::string kRule(60, '#');
const unsigned kRestartDelaySeconds = 10;

void WriteRebootEvent(RunServices& run, const RebootRequest& request) {
    std::string name = request.productName.empty() ? "setup" : request.productName;
    const char first = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    const std::string rest = name.substr(1);
    run.events.Info(
        request.continueAfterReboot
            ? FormatText("Reboot needed. %c%s needs to continue after reboot.", first, rest.c_str())
            : FormatText("Reboot needed. %c%s ended", first, rest.c_str()));
}

// True when the user let the restart go ahead.
bool AskForReboot(RunServices& run, const RebootRequest& request) {
    run.log.Line("#### Ask for reboot %s", request.noCancel ? "- NO cancel button" : "");
    const unsigned buttons = request.noCancel ? kBoxOk : kBoxOkCancel;
    if (run.prompts.Show(request.questionTag, nullptr, buttons | kBoxIconQuestion) == kBoxAnswerOk)
        return true;
    run.log.Line("#### User canceled the reboot!");
    return false;
}

bool Restart(RunServices& run) {
    long error = 0;
    if (run.restart.Restart(run.prompts.Text("REBOOT_MSG", "Setup progress"), kRestartDelaySeconds,
                            &error))
        return true;
    LogSystemError(run.log, error, "RestartSystem", "    ");
    return false;
}

}  // namespace

int RunRebootStep(RunServices& run, const RebootRequest& request) {
    if (run.properties.IsYes("EventLogActions") && request.writeCompletionEvent)
        WriteRebootEvent(run, request);
    bool reboot = request.reboot;
    bool canceled = false;
    bool restarted = false;
    const bool automatic = run.properties.IsYes("AUTOREBOOT");
    if (automatic) {
        if (request.continueAfterReboot) {
            run.log.Line("#### Add to run once");
            long error = 0;
            if (!WriteResumeEntry(run, request.programPath, request.arguments, true, &error))
                run.log.Line("Could not set registry key in RunOnceEx: return error code is %u",
                             static_cast<unsigned>(error));
        }
        if (request.ask && reboot && !AskForReboot(run, request)) {
            reboot = false;
            canceled = true;
        }
        // A run under external control leaves the restart to whoever controls it.
        if (reboot && !request.externalControl)
            restarted = Restart(run);
    }
    const char* outcome = request.externalControl ? "EXTERNALLY CONTROLLED"
                          : !automatic            ? "REBOOT NOT INITIATED"
                          : canceled              ? "REBOOT CANCELED BY THE USER"
                          : !reboot               ? "REBOOT SUPPRESSED"
                          : restarted             ? "SETUP IS REBOOTING YOUR SYSTEM NOW!!!"
                                                  : "REBOOT NOT INITIATED";
    run.log.Line("\n%s\nREBOOT REQUIRED -> %s\n%s", kRule.c_str(), outcome, kRule.c_str());
    return restarted ? RC_RebootInProgress : RC_RebootRequired;
}
