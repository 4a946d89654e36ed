// check_config DIR [setup arguments...]: reads "standard.xml", "config.xml" and
// "settings.xml" of DIR with setup's own configuration reader and prints what setup would
// say of them, on the standard output. It runs nothing and writes no log file: the log
// folders are taken from TEMP and ALLUSERSPROFILE, which it clears before the log opens.
// Exit status 0 when setup would accept the files, else the return code setup would end
// with.

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "command_line.h"
#include "config_interpreter.h"
#include "config_report.h"
#include "event_logger.h"
#include "log_file.h"
#include "setup_folder.h"

namespace {

// The arguments as they would stand on setup's command line: setup keeps the double quotes
// of a token, so only an argument with blanks in it is quoted (as a shell would have had to).
std::string CommandLineArguments(int argc, char** argv) {
    std::string text;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool blanks = argument.find_first_of(" \t") != std::string::npos;
        text += blanks ? " \"" + argument + "\"" : " " + argument;
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR [setup arguments...]\n", argv[0]);
        return 2;
    }
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::absolute(argv[1], error);
    if (error || !std::filesystem::is_directory(folder)) {
        std::fprintf(stderr, "%s: '%s' is not a folder\n", argv[0], argv[1]);
        return 2;
    }
    unsetenv("TEMP");
    unsetenv("ALLUSERSPROFILE");
    Log().AddStreamSink(stdout);
    SetSetupFolder(folder.string());
    const std::string line =
        "\"" + (folder / "setup.exe").string() + "\"" + CommandLineArguments(argc, argv);
    const CommandLine command(line.c_str(), " \t", '"');
    EventLogger events;
    ConfigInterpreter config(command, "config.xml", "standard.xml", "settings.xml", &events,
                             std::time(nullptr));
    const int code = ReportConfiguration(config, Log());
    std::fflush(stdout);
    return code < 0 ? 0 : code;
}
