#include "package_callback.h"

#include "log_file.h"
#include "process_runner.h"
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

std::string CallbackKey() {
    return std::string(kMachineRoot) + "\\" + kReturnCodesKey;
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

}  // namespace

void ReturnCodeCallback::Arm(const std::string& displayName, RegistryAccess& registry,
                             ProcessRunner& processes, LogFile& log) {
    used_ = true;
    code_ = RC_None;
    long error = 0;
    if (!registry.CreateKey(CallbackKey(), kRegistryDefaultView, &error) ||
        !registry.WriteString(CallbackKey() + "\\" + displayName, "", kRegistryDefaultView, &error))
        LogSystemError(log, error, kCallbackContext, "    ");
    const std::string path =
        FormatText("%s\\%s\\%s", kMachineRoot, kReturnCodesKey, displayName.c_str());
    if (path.size() >= kCallbackPathSize) {
        log.Error("CallbackPath buffer too small!");
        return;
    }
    processes.SetEnvironment("CALLBACKPATH", path);
}

int ReturnCodeCallback::Read(const std::string& displayName, RegistryAccess& registry,
                             LogFile& log) {
    std::string text;
    long error = 0;
    if (!registry.ReadValue(CallbackKey() + "\\" + displayName, &text, kRegistryDefaultView,
                            &error)) {
        LogSystemError(log, error, kCallbackContext, "    ");
        text.clear();
    }
    if (text.size() > kCallbackPathSize)
        text.resize(kCallbackPathSize);
    code_ = CallbackCode(Trim(text, " \t"));
    return code_;
}

bool CallbackPasses(int code) {
    switch (code) {
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
