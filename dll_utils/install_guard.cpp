#include "install_guard.h"

#include "str_util.h"
#include "text_util.h"

namespace {

const unsigned long kWaitPollMs = 50;
const char kCanceled[] = "Instalation canceled! Another instance is (un)installing.";

enum class GuardAction { kWait, kCancel, kAsk, kInvalid };

GuardAction ParseAction(const char* word) {
    const std::string action = word;
    if (action == "WAIT")
        return GuardAction::kWait;
    if (action == "CANCEL")
        return GuardAction::kCancel;
    if (action == "DISP_MSG_DIALOG")
        return GuardAction::kAsk;
    return GuardAction::kInvalid;
}

bool AllDigits(const std::string& text) {
    if (text.empty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

std::string QuestionText(const std::string& owner) {
    std::string text = "Another installation is currently running ";
    if (!owner.empty())
        text += "under " + owner;
    return text + ". Press RETRY to continue or CANCEL to stop.";
}

InstanceCount CountLogged(GuardEnvironment& environment, PluginSession session,
                          const std::string& name, const std::string& texts) {
    InstanceCount counted = CountInstances(environment, name, texts);
    if (counted.count < 0)
        PluginLog(session, kLogWarning, "Error on finding concurrent installations");
    return counted;
}

}  // namespace

bool CommandLineMatches(const std::string& commandLine, const std::string& texts) {
    std::size_t start = 0;
    while (start <= texts.size()) {
        std::size_t comma = texts.find(',', start);
        if (comma == std::string::npos)
            comma = texts.size();
        const std::string piece = Trim(texts.substr(start, comma - start), " \t");
        if (!piece.empty() && ContainsNoCase(commandLine, piece))
            return true;
        start = comma + 1;
    }
    return false;
}

InstanceCount CountInstances(GuardEnvironment& environment, const std::string& name,
                             const std::string& texts) {
    InstanceCount counted;
    std::vector<GuardProcess> processes;
    if (!environment.ListProcesses(&processes, &counted.failure)) {
        counted.count = -1;
        return counted;
    }
    // The name and the texts are compared here, in code: they never become part of the
    // text of a query.
    for (const GuardProcess& process : processes) {
        if (!process.hasCommandLine || process.name != name || texts.empty() ||
            !CommandLineMatches(process.commandLine, texts))
            continue;
        ++counted.count;
        const std::string owner = environment.OwnerOf(process.id);
        if (!owner.empty())
            counted.owner = owner;
    }
    return counted;
}

int PreventConcurrentInstallationsProc(GuardEnvironment& environment, PluginSession session,
                                       int argc, char** argv, char* result, int resultSize,
                                       int* error) {
    if (!CheckPluginArgCount(argc, 4, -1, error))
        return 0;
    StrCopyTruncated(result, "1", resultSize);
    if (!AllDigits(argv[4])) {
        PluginLog(session, kLogError, "%s - invalid maximum instances number!", argv[4]);
        SetPluginStatus(error, ERR_PROC_BAD_ARG_COUNT);
        return 0;
    }
    // An unknown action is refused at once, not only when too many instances run: the
    // mistake in the configuration shows on every machine.
    const GuardAction action = ParseAction(argv[3]);
    if (action == GuardAction::kInvalid) {
        PluginLog(session, kLogError, "%s - invalid action!", argv[3]);
        SetPluginStatus(error, ERR_PROC_BAD_ARG_COUNT);
        return 0;
    }
    // A maximum beyond the int range allows any number of instances.
    long long maximum = 0;
    for (const char* c = argv[4]; *c && maximum <= 0x7fffffff; ++c)
        maximum = maximum * 10 + (*c - '0');
    InstanceCount counted = CountLogged(environment, session, argv[1], argv[2]);
    while (counted.count > maximum) {
        environment.PumpMessages();
        if (environment.QuitRequested()) {
            StrCopyTruncated(result, "CANCEL", resultSize);
            break;
        }
        if (action == GuardAction::kWait) {
            environment.Sleep(kWaitPollMs);
        } else if (action == GuardAction::kCancel ||
                   !environment.AskRetry(QuestionText(counted.owner))) {
            PluginLog(session, kLogInfo, "%s", kCanceled);
            StrCopyTruncated(result, "CANCEL", resultSize);
            break;
        } else {
            PluginLog(session, kLogPlain,
                      "Retrying to continue current (un)instalation if it's only one.");
        }
        counted = CountLogged(environment, session, argv[1], argv[2]);
    }
    return 0;
}
