#include <cstdio>
#include <cstdlib>
#include <string>

#include "actions.h"
#include "launch_command.h"
#include "text_util.h"

namespace {

const unsigned long long kMebibyte = 1024ULL * 1024ULL;

std::string Decimal(long long value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%lld", value);
    return text;
}

}  // namespace

// The command line comes from "CustomActionData": in a deferred action the data the package
// set for it, in an immediate one the session property of that name. The exit code is
// stored in "LaunchAppRetCode" where the session allows it (not in deferred actions) and
// reaches the installer mapped by ExitCodeForInstaller: a failed program stops the
// installation instead of handing the installer a code it does not understand.
unsigned LaunchAppAction(ActionContext& context) {
    const std::string text = context.Get("CustomActionData");
    LaunchCommand command;
    if (!SplitLaunchCommand(text, &command)) {
        context.log(".Error: LaunchApp> Invalid command line: '%s'", text.c_str());
        return kActionFailure;
    }
    LaunchRequest request;
    request.program = command.program;
    request.commandLine = command.commandLine;
    request.toFront = true;
    context.log(".Info: LaunchApp> Cmd = %s", command.commandLine.c_str());
    const LaunchResult result = context.machine.Launch(request);
    if (!result.started) {
        context.log(".Error: LaunchApp> Failed to create process (error code %lu)", result.error);
        return kActionFailure;
    }
    context.log(".Info: LaunchApp> Exit code %lu", result.exitCode);
    context.session.Set("LaunchAppRetCode", Decimal(result.exitCode));
    return ExitCodeForInstaller(result.exitCode);
}

// "LaunchExeRetCode" holds the exit code after a wait, "-1" when the program could not be
// started; the action itself goes on.
unsigned LaunchExeAction(ActionContext& context) {
    const std::string file = context.Get("LaunchExeFile");
    const std::string arguments = context.Get("LaunchExeArgs");
    LaunchRequest request;
    request.wait = std::strtol(context.Get("LaunchExeWait").c_str(), nullptr, 10) != 0;
    LaunchCommand command;
    LaunchResult result;
    if (JoinLaunchCommand(file, arguments, &command)) {
        request.program = command.program;
        request.commandLine = command.commandLine;
        context.log(".Info: LaunchExe> Cmd = %s, Wait = %d", command.commandLine.c_str(),
                    request.wait ? 1 : 0);
        result = context.machine.Launch(request);
    } else {
        context.log(".Error: LaunchExe> Invalid program path: '%s'", file.c_str());
        context.Set("LaunchExeRetCode", "-1");
        return kActionSuccess;
    }
    if (!result.started) {
        context.log(".Error: LaunchExe> Failed to create process (error code %lu)", result.error);
        context.Set("LaunchExeRetCode", "-1");
    } else if (request.wait) {
        context.Set("LaunchExeRetCode", Decimal(result.exitCode));
    }
    return kActionSuccess;
}

// The shell looks for a name without a folder in the current folder first, where a planted
// file of that name would be opened (or run) elevated: only a path or an address is opened.
unsigned ShellOpenAction(ActionContext& context) {
    const std::string file = context.Get("ShellOpenFile");
    if (!NamesFolder(file)) {
        context.log(".Error: ShellOpen> '%s' names no folder: it is not looked for", file.c_str());
        return kActionSuccess;
    }
    const unsigned long error = context.machine.ShellOpen(file, context.Get("ShellOpenArgs"));
    if (error != 0)
        context.log(".Error: ShellOpen> Could not open '%s' (error code %lu)", file.c_str(), error);
    return kActionSuccess;
}

unsigned KillAppAction(ActionContext& context) {
    const std::string name = context.Get("PROCNAME");
    if (name.empty()) {
        context.log(".Error: KillApp> PROCNAME property not set");
        return kActionSuccess;
    }
    int count = 0;
    const bool ended = context.machine.EndProcesses(name, &count);
    context.log(ended ? ".Info: KillApp> %d process(es) named %s ended"
                      : ".Error: KillApp> Not every one of %d process(es) named %s ended",
                count, name.c_str());
    return kActionSuccess;
}

unsigned FindProcessAction(ActionContext& context) {
    const std::string name = context.Get("FindProcessName");
    const bool found = !name.empty() && context.machine.ProcessRunning(name);
    context.Set("FindProcessResult", Flag(found));
    return kActionSuccess;
}

unsigned CheckGlobalEventAction(ActionContext& context) {
    const std::string name = context.Get("GlobalEventName");
    const bool found = !name.empty() && context.machine.EventExists(name);
    context.Set("GlobalEventFound", Flag(found));
    return kActionSuccess;
}

// The answer goes to "MemoryRequirementMet" ("1" or "0", "0" when "MINMEMORY" is not a
// number): as the return value, 1 would read to the installer as a failed action. The size
// is counted in 64 bits, so machines with 2 GiB or more are measured right.
unsigned MemoryRequirementMetAction(ActionContext& context) {
    const std::string text = context.Get("MINMEMORY");
    char* end = nullptr;
    const long long minimum = std::strtoll(text.c_str(), &end, 10);
    bool met = false;
    if (text.empty() || *end != '\0' || minimum < 0) {
        context.log(".Error: MemoryRequirementMet> MINMEMORY is not a number: '%s'", text.c_str());
    } else {
        const unsigned long long mebibytes = context.machine.PhysicalMemoryBytes() / kMebibyte;
        met = mebibytes >= static_cast<unsigned long long>(minimum);
        context.log(".Info: MemoryRequirementMet> %llu MiB, at least %lld wanted", mebibytes,
                    minimum);
    }
    context.Set("MemoryRequirementMet", Flag(met));
    return kActionSuccess;
}

unsigned NotAvailableAction(ActionContext& context, const char* name) {
    context.log(".Error: %s is not available in this build", name);
    return kActionFailure;
}
