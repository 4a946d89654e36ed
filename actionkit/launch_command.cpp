#include "launch_command.h"

#include "action_context.h"
#include "text_util.h"

namespace {

const unsigned long kRestartRequired = 3010;
const unsigned long kRestartStarted = 1641;

// Where an unquoted program path ends: after the first ".exe" followed by a blank or the
// end, else at the first blank.
std::size_t UnquotedProgramEnd(const std::string& text) {
    const std::string lower = ToLowerAscii(text);
    for (std::size_t at = lower.find(".exe"); at != std::string::npos;
         at = lower.find(".exe", at + 1)) {
        const std::size_t end = at + 4;
        if (end == text.size() || text[end] == ' ' || text[end] == '\t')
            return end;
    }
    const std::size_t blank = text.find_first_of(" \t");
    return blank == std::string::npos ? text.size() : blank;
}

}  // namespace

bool SplitLaunchCommand(const std::string& text, LaunchCommand* command) {
    const std::string line = Trim(text, " \t");
    std::string program;
    std::string rest;
    if (!line.empty() && line[0] == '"') {
        const std::size_t close = line.find('"', 1);
        if (close == std::string::npos)
            return false;
        program = line.substr(1, close - 1);
        rest = line.substr(close + 1);
    } else {
        const std::size_t end = UnquotedProgramEnd(line);
        program = line.substr(0, end);
        rest = line.substr(end);
    }
    if (!rest.empty() && rest[0] != ' ' && rest[0] != '\t')
        return false;  // text glued to the closing quote would extend the program name
    return JoinLaunchCommand(program, TrimLeft(rest, " \t"), command);
}

bool JoinLaunchCommand(const std::string& program, const std::string& arguments,
                       LaunchCommand* command) {
    std::string path = Trim(program, " \t");
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
        path = path.substr(1, path.size() - 2);
    if (path.empty() || path.find('"') != std::string::npos)
        return false;
    command->program = path;
    command->commandLine = "\"" + path + "\"";
    if (!arguments.empty())
        command->commandLine += " " + arguments;
    return true;
}

unsigned ExitCodeForInstaller(unsigned long exitCode) {
    if (exitCode == 0 || exitCode == kRestartRequired || exitCode == kRestartStarted)
        return kActionSuccess;
    return kActionFailure;
}
