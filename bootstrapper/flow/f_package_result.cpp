// FPackage: what comes out of an installer run: the classification of its exit code, the
// return code a chained setup leaves in the registry, the Windows Installer properties it
// hands back, and the package's lines of the log.

#include "f_package.h"

#include <cstdlib>

#include "log_file.h"
#include "property_store.h"
#include "registry.h"
#include "return_codes.h"
#include "str_util.h"
#include "system_error.h"
#include "text_util.h"

const char* const kReturnCodesKey =
    "SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo\\Bootstrapper\\ReturnCodes";

namespace {

const char kMachineRoot[] = "HKEY_LOCAL_MACHINE";
const std::size_t kCallbackPathSize = 1024;
const char kCallbackContext[] = "ClearCallbackReturn";
const char kContinuation[] = "\n                ";

std::string CallbackKey() {
    return std::string(kMachineRoot) + "\\" + kReturnCodesKey;
}

bool SetEnvironmentText(const char* name, const std::string& value) {
#if defined(_WIN32)
    return _putenv((std::string(name) + "=" + value).c_str()) == 0;
#else
    return setenv(name, value.c_str(), 1) == 0;
#endif
}

// The chained setup's text: empty is no code, a known return code is taken, anything else
// means the handshake failed.
int CallbackCode(const std::string& text) {
    if (text.empty())
        return RC_None;
    int code = 0;
    if (ParseInt(text.c_str(), &code) && code >= RC_None && code < RC_ItemsNb)
        return code;
    return RC_CallbackFailed;
}

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

}  // namespace

bool FPackage::IsSuccess(bool checkCallback) const {
    const int code = static_cast<int>(exitCode_);
    const bool listed = allCodesSucceed || successCodes.count(code) > 0;
    const bool error = errorCodes.count(code) > 0;
    const bool cancel = cancelCodes.count(code) > 0;
    if (listed && (error || cancel) && !bothWaysWarned_) {
        Log().Warning(
            "The return code %d is declared both as a Success and Error code. The "
            "error code will be considered.",
            code);
        bothWaysWarned_ = true;
    }
    if (checkCallback && !CallbackCheck())
        return false;
    if (error || cancel)
        return false;
    return listed || code == 0 || code == RebootCodeValue();
}

bool FPackage::CallbackCheck() const {
    switch (callbackReturnCode_) {
        case RC_None:
        case RC_AllCompleted:
        case RC_RebootRequired:
        case RC_RebootInProgress:
        case RC_ActionQuit:
            return true;
        default:
            return false;
    }
}

void FPackage::ArmCallback() {
    callbackUsed_ = true;
    callbackReturnCode_ = RC_None;
    long error = 0;
    if (!CreateRegistryKey(CallbackKey(), kRegistryDefaultView, &error) ||
        !WriteRegistryString(CallbackKey() + "\\" + DisplayName(), "", kRegistryDefaultView,
                             &error))
        LogSystemError(error, kCallbackContext, "    ");
    const std::string path =
        FormatText("%s\\%s\\%s", kMachineRoot, kReturnCodesKey, DisplayName().c_str());
    if (path.size() >= kCallbackPathSize) {
        Log().Error("CallbackPath buffer too small!");
        return;
    }
    SetEnvironmentText("CALLBACKPATH", path);
}

int FPackage::ReadCallbackReturn() {
    std::string text;
    long error = 0;
    if (!ReadRegistryValue(CallbackKey() + "\\" + DisplayName(), &text, kRegistryDefaultView,
                           &error)) {
        LogSystemError(error, kCallbackContext, "    ");
        text.clear();
    }
    if (text.size() > kCallbackPathSize)
        text.resize(kCallbackPathSize);
    callbackReturnCode_ = CallbackCode(Trim(text, " \t"));
    return callbackReturnCode_;
}

void FPackage::LogDetected() const {
    std::string line = "    Detected  : ";
    if (!version.productId.empty()) {
        const std::pair<const char*, const char*> fields[] = {
            {"Ver", version.installedVersion.c_str()},
            {"Name", product_.productName},
            {"ProdCode", product_.productCode},
            {"UpgrCode", product_.upgradeCode},
            {"ProdId", version.productId.c_str()},
            {"File", product_.installerFile},
            {"Reg", product_.registry},
            {"InstLoc", product_.installLocation},
            {"UninstStr", product_.uninstallString},
        };
        for (const auto& field : fields) {
            if (field.second[0])
                line += FormatText("%s='%s' ", field.first, field.second);
        }
    }
    Log().Line("%s", line.c_str());
}

// How the sets take the exit code, for the "Ret.code" line and the event entry: the cancel
// and error sets first, then the success set (0 always succeeds); a code that none of them
// names is an error. The reboot code is named on its own, in front of that.
std::string FPackage::OutcomeText(bool forEvent) const {
    const int code = static_cast<int>(exitCode_);
    const bool rebootCode = RebootCodeValue() != 0 && code == RebootCodeValue();
    const char* text = "error";
    if (cancelCodes.count(code) > 0)
        text = "canceled";
    else if (errorCodes.count(code) == 0 &&
             (allCodesSucceed || successCodes.count(code) > 0 || code == 0 || rebootCode))
        text = "success";
    if (forEvent)
        return rebootCode ? "reboot required code" : text;
    return FormatText("%s (%s)", rebootCode ? " (reboot required code)" : "", text);
}

void FPackage::LogResult(bool rebootDue) const {
    LogFile& log = Log();
    const int code = static_cast<int>(exitCode_);
    if (callbackUsed_)
        log.Line("    Callback  : %d [%s]", callbackReturnCode_,
                 ReturnCodeName(callbackReturnCode_));
    log.Line("    Ret.code  : %d [Application returned code %d%s]\n", code, code,
             OutcomeText(false).c_str());
    log.Line("    Output    : %s", OutputLines(output_).c_str());
    if (code != 0) {
        const std::string outcome = OutcomeText(true);
        if (errorCodes.count(code) > 0)
            log.ErrorEvent("Package '%s' result code <%d> (%s)", name.c_str(), code,
                           outcome.c_str());
        else
            log.WarningEvent("Package '%s' result code <%d> (%s)", name.c_str(), code,
                             outcome.c_str());
    }
    if (rebootDue)
        log.Line("    Reboot    : %s",
                 delayReboot ? "Delayed" : "REQUIRED NOW - will continue after reboot");
}
