#pragma once
// The entry that starts setup again after a restart, so that a chain interrupted by a
// reboot finishes: a RunOnceEx item of the machine holding setup's own command line and the
// extra parameters of a resumed run.

#include <string>

struct RunServices;

// The command as stored in the entry: "||" and setup's command line (its quoted path and its
// arguments) with the extra parameters. Asynchronous entries start setup through "cmd /c
// start" so that the logon does not wait for it; an argument holding a double quote cannot
// be passed through start, nor one that cmd would read as a command (&, |, %, ...): such an
// entry runs synchronously (*synchronous tells).
std::string ResumeCommand(const std::string& programPath, const std::string& arguments,
                          const std::string& extraParameters, bool async, bool* synchronous);

// " SkipCRC32=Yes", with the download settings of the run that the resumed run keeps.
std::string ResumeParameters(RunServices& run);

// Writes the entry into the machine's RunOnceEx key (HKEY_LOCAL_MACHINE, SOFTWARE\Microsoft
// \Windows\CurrentVersion\RunOnceEx), in a key of its own named after the local time. False
// with the system error code when a key or the value cannot be written.
bool WriteResumeEntry(RunServices& run, const std::string& programPath,
                      const std::string& arguments, bool async, long* error);
