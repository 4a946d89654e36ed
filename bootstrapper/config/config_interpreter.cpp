#include "config_interpreter.h"

#include "command_line.h"
#include "log_file.h"

ConfigInterpreter::ConfigInterpreter(const CommandLine& command, const char* /*configFile*/,
                                     const char* /*standardFile*/, const char* /*settingsFile*/,
                                     std::time_t /*startTime*/)
    : command_(command) {}

void ConfigInterpreter::WriteArgumentReport() const {
    // Arguments are not classified yet; the report lists them as given.
    Log().Line("Command line parameters:\n    %s", command_.GivenCommandLine().c_str());
}
