// The procedures that CallProc dispatches to, and their table.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "actions.h"
#include "call_dispatch.h"
#include "launch_command.h"
#include "product_lookup.h"
#include "str_util.h"
#include "version_text.h"

namespace {

void PutResult(char* result, const std::string& text) {
    StrCopyTruncated(result, text.c_str(), kCallResultSize);
}

int Number(const char* text) {
    return static_cast<int>(std::strtol(text ? text : "", nullptr, 10));
}

// Arguments: command, arguments, wait flag, optional working folder (more are ignored).
int LaunchExeProc(ActionContext& context, int argc, char** argv, char*) {
    if (argc < 4)
        return kCallBadArgCount;
    LaunchRequest request;
    request.wait = Number(argv[3]) != 0;
    request.folder = argc > 4 ? argv[4] : "";
    LaunchCommand command;
    const bool valid = JoinLaunchCommand(argv[1], argv[2], &command);
    context.log(".Info: LaunchExeProc> Cmd = %s, Wait = %d, WkDir = %s",
                command.commandLine.c_str(), request.wait ? 1 : 0, request.folder.c_str());
    LaunchResult launched;
    if (valid) {
        request.program = command.program;
        request.commandLine = command.commandLine;
        launched = context.machine.Launch(request);
    } else {
        launched.error = 87;  // a path with a double quote is never started
    }
    if (!launched.started) {
        context.log(".Error: LaunchExeProc> Failed to create process (error code %lu)",
                    launched.error);
        return -1;
    }
    return request.wait ? static_cast<int>(launched.exitCode) : 0;
}

int FindProductCodeProc(ActionContext& context, int argc, char** argv, char* result) {
    if (argc != 2)
        return kCallBadArgCount;
    const auto products = RelatedProductCodes(context.machine.Installer(), argv[1]);
    PutResult(result, products.empty() ? std::string() : products.back());
    return 0;
}

int CompareVersionsProc(ActionContext&, int argc, char** argv, char*) {
    if (argc != 3)
        return kCallBadArgCount;
    return CompareFourFields(argv[1], argv[2]);
}

int VersionInRangeProc(ActionContext&, int argc, char** argv, char*) {
    if (argc != 3)
        return kCallBadArgCount;
    return VersionInRanges(argv[1], argv[2]) ? 1 : 0;
}

int MultiVersionInRangeProc(ActionContext& context, int argc, char** argv, char*) {
    if (argc != 3)
        return kCallBadArgCount;
    if (!IsUpgradeCodeText(argv[1])) {
        context.log(
            ".Info: CallProc> Invalid upgrade code format. It must be "
            "u{XXXXXXXX-YYYY-ZZZZ-UUUU-WWWWWWWWWWWW}");
        return 0;
    }
    InstallerQueries& queries = context.machine.Installer();
    for (const std::string& product : RelatedProductCodes(queries, argv[1])) {
        const std::string version = InstalledVersion(queries, product);
        if (!version.empty() && VersionInRanges(version, argv[2]))
            return 1;
    }
    return 0;
}

int GetProductVersionProc(ActionContext& context, int argc, char** argv, char* result) {
    if (argc != 2)
        return kCallBadArgCount;
    PutResult(result, HighestInstalledVersion(context.machine.Installer(), argv[1]));
    return 0;
}

// -1, 0 or 1 from comparing the installed version with the required one; a product that is
// not installed compares as lower (-1).
int CheckProductVersionProc(ActionContext& context, int argc, char** argv, char*) {
    if (argc != 3)
        return kCallBadArgCount;
    const std::string installed = HighestInstalledVersion(context.machine.Installer(), argv[1]);
    return installed.empty() ? -1 : CompareFourFields(installed, argv[2]);
}

int CountRegKeyValuesProc(ActionContext& context, int argc, char** argv, char*) {
    if (argc != 2)
        return kCallBadArgCount;
    const int count = context.machine.CountKeyValues(argv[1]);
    return count < 0 ? 0 : count;
}

int FindProcessProc(ActionContext& context, int argc, char** argv, char*) {
    if (argc != 2)
        return kCallBadArgCount;
    return context.machine.ProcessRunning(argv[1]) ? 1 : 0;
}

// Arguments: window title, button text, number of rounds (default 1), seconds between them
// (default 1).
int DismissDialog(ActionContext& context, int argc, char** argv, char*) {
    if (argc < 2 || argc > 5)
        return kCallBadArgCount;
    const char* title = argv[1];
    const char* button = argc > 2 ? argv[2] : "";
    const int retries = argc > 3 ? Number(argv[3]) : 1;
    const int seconds = argc > 4 ? Number(argv[4]) : 1;
    context.log(".Info: CallProc> aArgs1 = %s, aArgs2 = %s, aArgs3 = %s, aArgs4 = %s", title,
                button, argc > 3 ? argv[3] : "", argc > 4 ? argv[4] : "");
    context.log(".Info: CallProc> WindowTitle = %s, ButtonText = %s, Retries = %d, RetrySecs = %d",
                title, button, retries, seconds);
    for (int round = 0; round < retries; ++round) {
        const ActionMachine::DialogAnswer answer = context.machine.PressDialogButton(title, button);
        context.log(answer.windowFound ? ".Info: CallProc> Dialog found"
                                       : ".Info: CallProc> Dialog not found");
        if (answer.buttonPressed)
            context.log(".Info: CallProc> Button press sent");
        context.log(".Info: CallProc> WindowTitle '%s' found=%d t=%d", title,
                    answer.windowFound ? 1 : 0, round);
        if (answer.windowFound)
            return answer.buttonPressed ? 1 : 0;
        if (round + 1 < retries)
            context.machine.Sleep(static_cast<unsigned>(seconds < 0 ? 0 : seconds));
    }
    return 0;
}

// As the export: the ini file is the argument, else "CHASSISARG"; 1 for a chassis, else 0.
int IsChassisProc(ActionContext& context, int argc, char** argv, char*) {
    if (argc > 2)
        return kCallBadArgCount;
    std::string path = argc == 2 ? argv[1] : context.Get("CHASSISARG");
    return ChassisFromIni(context, path.empty() ? "NONE" : path) ? 1 : 0;
}

// Arguments: user name, password and optionally the domain (a name "domain\\user" also
// names it). 1 when the logon service accepts the password, else 0 with the system's text
// in the result; the password is masked in every line (see HideCallSecrets).
int CheckLoginCredentials(ActionContext& context, int argc, char** argv, char* result) {
    if (argc < 3 || argc > 4)
        return kCallBadArgCount;
    std::string user = argv[1];
    std::string domain = argc == 4 ? argv[3] : "";
    const std::size_t slash = user.find('\\');
    if (domain.empty() && slash != std::string::npos) {
        domain = user.substr(0, slash);
        user = user.substr(slash + 1);
    }
    unsigned long error = 0;
    const bool accepted = context.machine.CheckLogon(user, domain, argv[2], &error);
    std::string text;
    if (!accepted) {
        text = context.machine.ErrorText(error);
        std::snprintf(result, kCallResultSize, "%s", text.c_str());
    }
    context.log(".Info: CallProc> Returned %d%s%s", accepted ? 1 : 0, accepted ? "" : ": ",
                text.c_str());
    return accepted ? 1 : 0;
}

const CallEntry kCallTable[] = {
    {"LaunchExeProc", LaunchExeProc, 0},
    {"FindProductCodeProc", FindProductCodeProc, 1},
    {"CompareVersionsProc", CompareVersionsProc, 0},
    {"VersionInRangeProc", VersionInRangeProc, 0},
    {"MultiVersionInRangeProc", MultiVersionInRangeProc, 0},
    {"GetProductVersionProc", GetProductVersionProc, 1},
    {"CheckProductVersionProc", CheckProductVersionProc, 0},
    {"CountRegKeyValuesProc", CountRegKeyValuesProc, 0},
    {"FindProcessProc", FindProcessProc, 0},
    {"IsChassis", IsChassisProc, 0},
    {"DismissDialog", DismissDialog, 0},
    {"CheckLoginCredentials", CheckLoginCredentials, 0},
};

}  // namespace

const CallEntry* FindCallEntry(const std::string& name) {
    for (const CallEntry& entry : kCallTable) {
        if (name == entry.name)
            return &entry;
    }
    return nullptr;
}
