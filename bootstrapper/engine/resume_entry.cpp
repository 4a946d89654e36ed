#include "resume_entry.h"

#include "clock.h"
#include "file_system.h"
#include "local_time.h"
#include "log_file.h"
#include "property_store.h"
#include "registry.h"
#include "run_services.h"

namespace {

const char kRunOnceEx[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx";
// Items of a RunOnceEx key run in the order of their value names.
const char kCommandValue[] = "1";

std::string TimeStamp(std::time_t now) {
    const std::tm local = LocalTime(now);
    return FormatText("%04d-%02d-%02d %02d.%02d.%02d", local.tm_year + 1900, local.tm_mon + 1,
                      local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
}

}  // namespace

std::string ResumeCommand(const std::string& programPath, const std::string& arguments,
                          const std::string& extraParameters, bool async, bool* synchronous) {
    const std::string program = "\"" + programPath + "\"";
    const std::string tail = (arguments.empty() ? "" : " " + arguments) + extraParameters;
    // Through cmd, any of its special characters in a value would become part of a command
    // run at the next logon (in the quoted path only its expansions count): such an entry
    // starts setup directly instead.
    *synchronous = !async || tail.find_first_of("\"&|<>^%()!") != std::string::npos ||
                   programPath.find_first_of("%!") != std::string::npos;
    if (*synchronous)
        return "||" + program + tail;
    // start takes its first quoted argument for the window title: the empty title comes
    // first, so that the quoted path is the program.
    return "||cmd /c \"start \"\" " + program + tail + "\"";
}

std::string ResumeParameters(RunServices& run) {
    std::string extra = " SkipCRC32=Yes";
    if (run.properties.IsYes("AutoDownloadPrerequisites"))
        extra += " AutoDownloadPrerequisites=Yes";
    const std::string location = run.properties.Get("PrerequisitesLocation");
    if (location.empty())
        return extra;
    // Where short names are switched off the path keeps its blanks; quoted, it stays one
    // argument.
    const std::string shortLocation = run.files.ShortPath(location);
    extra += shortLocation.find(' ') == std::string::npos
                 ? " PrerequisitesLocation=" + shortLocation
                 : " PrerequisitesLocation=\"" + shortLocation + "\"";
    return extra;
}

bool WriteResumeEntry(RunServices& run, const std::string& programPath,
                      const std::string& arguments, bool async, long* error) {
    const std::string key =
        std::string(kRunOnceEx) + "\\Bootstrapper " + TimeStamp(run.clock.Now());
    if (!run.registry.CreateKey(kRunOnceEx, kRegistryDefaultView, error) ||
        !run.registry.CreateKey(key, kRegistryDefaultView, error))
        return false;
    bool synchronous = false;
    const std::string command =
        ResumeCommand(programPath, arguments, ResumeParameters(run), async, &synchronous);
    if (async && synchronous)
        run.log.Warning(
            "Added '%s' to run synchronously at startup (cannot set to run asynchronously when "
            "the command line parameters contains double quotes - not supported in this "
            "release)",
            command.c_str());
    return run.registry.WriteString(key + "\\" + kCommandValue, command, kRegistryDefaultView,
                                    error);
}
