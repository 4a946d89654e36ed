#include "share_connection.h"

#include "log_file.h"
#include "process_runner.h"
#include "resolver_paths.h"
#include "secrets.h"

namespace {

// An argument of the command line: quoted when it holds a blank or is empty (an empty
// password must still be given, or "net use" would wait for one on its input).
std::string Argument(const std::string& text) {
    if (!text.empty() && text.find_first_of(" \t\"") == std::string::npos)
        return text;
    return "\"" + text + "\"";
}

}  // namespace

ShareCommand ConnectCommand(const std::string& share, const std::string& user,
                            const std::string& password) {
    ShareCommand result;
    if (user.empty()) {
        result.command = FormatText("net use /persistent:yes %s", Argument(share).c_str());
        result.logged = result.command;
        return result;
    }
    const char* format = "net use /persistent:yes /user:%s %s %s";
    result.command = FormatText(format, Argument(user).c_str(), Argument(share).c_str(),
                                Argument(password).c_str());
    result.logged =
        FormatText(format, Argument(user).c_str(), Argument(share).c_str(), kSecretMask);
    return result;
}

long ConnectShare(const ResolverServer& server, ProcessRunner& processes, LogFile& log) {
    const std::string share = ShareRoot(server.folder);
    if (share.empty())
        return -1;
    const ShareCommand command = ConnectCommand(share, server.user, server.password);
    // The runner writes the command to the log when it cannot start it.
    log.AddSecretText(server.password);
    const long code = processes.Run("net use", command.command, false, false).exitCode;
    log.Line("    Resolver  : %s -> %ld", command.logged.c_str(), code);
    return code;
}
