#pragma once
// Command lines built from property values. The program path is always quoted and handed
// to the system on its own, so that "C:\Program Files\x.exe" never starts "C:\Program.exe"
// and a value holding a double quote can never add arguments or another program.

#include <string>

struct LaunchCommand {
    std::string program;      // the path, unquoted
    std::string commandLine;  // the quoted path and the arguments
};

// A whole command line as a package writes it. A quoted program ends at its closing quote;
// an unquoted one ends after the first ".exe" (any case) that is followed by a blank or the
// end, else at the first blank. False for an empty text, a quote left open, or a program
// path that holds a double quote.
bool SplitLaunchCommand(const std::string& text, LaunchCommand* command);

// A program path and its arguments given apart (surrounding quotes of the path are
// dropped). False for an empty path or one that holds a double quote.
bool JoinLaunchCommand(const std::string& program, const std::string& arguments,
                       LaunchCommand* command);

// How a program's exit code reaches Windows Installer: 0 and the restart codes 3010 and
// 1641 go on (0), anything else stops the installation (1603).
unsigned ExitCodeForInstaller(unsigned long exitCode);
