#pragma once
// What setup would make of a configuration, without running anything: the verdict on the
// files and the arguments, the property listing, and the chain with what each package's
// decision will be based on. The configuration checker prints it for configuration
// authors; nothing here reaches the machine.

#include "config_interpreter.h"
#include "log_file.h"

// Writes the report to log and returns the return code setup would end with before any
// package runs (RC_InvalidArguments, RC_InvalidConfiguration,
// RC_MainPackageNotDetected), or -1 when setup would accept the files and go on.
int ReportConfiguration(ConfigInterpreter& config, LogFile& log);
