#include "package_result.h"

#include "log_file.h"
#include "package_callback.h"
#include "package_record.h"
#include "return_codes.h"
#include "text_util.h"

namespace {

const char kContinuation[] = "\n                ";

// The captured output with its empty lines dropped, continuation lines indented.
std::string OutputLines(const std::string& output) {
    std::string text;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos)
            end = output.size();
        const std::string line = TrimRight(output.substr(start, end - start), "\r");
        if (!line.empty())
            text += (text.empty() ? "" : kContinuation) + line;
        start = end + 1;
    }
    return text;
}

bool IsRebootCode(const PackageRecord& package, int code) {
    return package.RebootCodeValue() != 0 && code == package.RebootCodeValue();
}

// How the sets take the exit code, for the "Ret.code" line and the event entry: the cancel
// and error sets first, then the success set (0 always succeeds); a code that none of them
// names is an error. The reboot code is named on its own, in front of that.
std::string OutcomeText(const PackageRecord& package, int code, bool forEvent) {
    const bool rebootCode = IsRebootCode(package, code);
    const char* text = "error";
    if (package.cancelCodes.count(code) > 0)
        text = "canceled";
    else if (package.errorCodes.count(code) == 0 &&
             (package.allCodesSucceed || package.successCodes.count(code) > 0 || code == 0 ||
              rebootCode))
        text = "success";
    if (forEvent)
        return rebootCode ? "reboot required code" : text;
    return FormatText("%s (%s)", rebootCode ? " (reboot required code)" : "", text);
}

}  // namespace

bool IsSuccessfulExit(const PackageRecord& package, const InstallerOutcome& outcome,
                      bool checkCallback, LogFile& log, bool* warned) {
    const int code = static_cast<int>(outcome.exitCode);
    const bool listed = package.allCodesSucceed || package.successCodes.count(code) > 0;
    const bool error = package.errorCodes.count(code) > 0;
    const bool cancel = package.cancelCodes.count(code) > 0;
    if (listed && (error || cancel) && !*warned) {
        log.Warning(
            "The return code %d is declared both as a Success and Error code. The "
            "error code will be considered.",
            code);
        *warned = true;
    }
    if (checkCallback && !CallbackPasses(outcome.callbackCode))
        return false;
    if (error || cancel)
        return false;
    return listed || code == 0 || code == package.RebootCodeValue();
}

bool RequiresReboot(const PackageRecord& package, const InstallerOutcome& outcome) {
    const int code = static_cast<int>(outcome.exitCode);
    return IsRebootCode(package, code) || (code == 0 && outcome.callbackCode == RC_RebootRequired);
}

void LogPackageResult(const PackageRecord& package, const InstallerOutcome& outcome, bool rebootDue,
                      LogFile& log) {
    const int code = static_cast<int>(outcome.exitCode);
    if (outcome.callbackUsed)
        log.Line("    Callback  : %d [%s]", outcome.callbackCode,
                 ReturnCodeName(outcome.callbackCode));
    log.Line("    Ret.code  : %d [Application returned code %d%s]\n", code, code,
             OutcomeText(package, code, false).c_str());
    log.Line("    Output    : %s", OutputLines(outcome.output).c_str());
    if (code != 0) {
        const std::string text = OutcomeText(package, code, true);
        if (package.errorCodes.count(code) > 0)
            log.ErrorEvent("Package '%s' result code <%d> (%s)", package.name.c_str(), code,
                           text.c_str());
        else
            log.WarningEvent("Package '%s' result code <%d> (%s)", package.name.c_str(), code,
                             text.c_str());
    }
    if (rebootDue)
        log.Line("    Reboot    : %s",
                 package.delayReboot ? "Delayed" : "REQUIRED NOW - will continue after reboot");
}
