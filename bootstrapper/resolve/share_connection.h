#pragma once
// Connects a network share before the resolver looks for an archive on it.

#include <string>

class LogFile;
class ProcessRunner;

// A server of the resolver: a folder or a network share where archives may lie, with the
// account its configuration gives for it (both empty when it gives none).
struct ResolverServer {
    std::string folder;
    std::string user;
    std::string password;
};

// The command that connects the share of server, and the same command as the log may show
// it (the password masked). With a user it is "net use /persistent:yes /user:<user>
// <share> <password>"; without one the share is connected with the credentials of the
// user who runs setup: setup carries no account of its own.
struct ShareCommand {
    std::string command;
    std::string logged;
};
ShareCommand ConnectCommand(const std::string& share, const std::string& user,
                            const std::string& password);

// Runs the connection hidden through the process runner and gives its exit code; a share
// that cannot be reduced to "\\server\share" is not tried and gives -1.
long ConnectShare(const ResolverServer& server, ProcessRunner& processes, LogFile& log);
