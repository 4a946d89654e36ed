// Fuzz target: the configuration reader over "standard.xml", "config.xml" and
// "settings.xml" taken from one input. The input holds the three files in that order,
// separated by lines "@@@@"; missing parts are empty files. The files are written into a
// private folder that is setup's folder for the reader; the report of the configuration
// checker then walks everything that was read.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "command_line.h"
#include "config_interpreter.h"
#include "config_report.h"
#include "event_logger.h"
#include "log_file.h"
#include "setup_folder.h"

namespace {

const char kSeparator[] = "\n@@@@\n";
const char* const kFiles[] = {"standard.xml", "config.xml", "settings.xml"};

MachineFacts FuzzFacts() {
    MachineFacts facts;
    facts.platform = 2;
    facts.osVersion = "10.0.0";
    facts.osArchitecture = "64-bit";
    return facts;
}

std::string& Folder() {
    static std::string folder;
    return folder;
}

void WriteFiles(const std::string& input) {
    std::string rest = input;
    for (const char* name : kFiles) {
        const std::size_t end = rest.find(kSeparator);
        const std::string part = rest.substr(0, end);
        rest = end == std::string::npos ? std::string() : rest.substr(end + sizeof(kSeparator) - 1);
        std::ofstream(Folder() + "/" + name, std::ios::binary | std::ios::trunc) << part;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The log must not grow a file per input: without these it opens none.
    unsetenv("TEMP");
    unsetenv("ALLUSERSPROFILE");
    char folder[] = "/tmp/tarvex-fuzz-config-XXXXXX";
    if (!mkdtemp(folder))
        std::abort();
    Folder() = folder;
    SetSetupFolder(Folder());
    ConfigInterpreter::SetMachineFactsSource(FuzzFacts);
    std::atexit([] { std::filesystem::remove_all(Folder()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WriteFiles(std::string(reinterpret_cast<const char*>(data), size));
    const std::string line = "\"" + Folder() + "/setup.exe\" -s";
    const CommandLine command(line.c_str(), " \t", '"');
    EventLogger events;
    ConfigInterpreter config(command, "config.xml", "standard.xml", "settings.xml", &events, 0);
    LogFile report(nullptr, "", "");
    ReportConfiguration(config, report);
    return 0;
}
