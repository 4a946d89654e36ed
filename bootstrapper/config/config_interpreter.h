#pragma once
// ConfigInterpreter: the configuration of one run, read from "standard.xml",
// "config.xml" and "settings.xml" beside setup and from the command line.
//
// The reading of the files, the command-line interpretation and the property store are
// not built yet: until they are, every configuration is invalid, so that each run ends
// with RC_InvalidConfiguration before anything is installed. The run driver already asks
// everything it needs through this interface.

#include <ctime>
#include <string>

class CommandLine;

class ConfigInterpreter {
  public:
    ConfigInterpreter(const CommandLine& command, const char* configFile, const char* standardFile,
                      const char* settingsFile, std::time_t startTime);

    bool IsValid() const { return valid_; }
    bool AreArgumentsInvalid() const { return invalidArguments_; }
    // Bit 0 silent, bit 1 quiet, bit 2 externally controlled; 0 is the full interface.
    unsigned ModeFlags() const { return modeFlags_; }
    // The product name, or null when the configuration names none.
    const char* ProductName() const {
        return productName_.empty() ? nullptr : productName_.c_str();
    }
    // Whether this run is a main instance (property MainInstance is "Yes").
    bool IsMainInstance() const { return mainInstance_; }
    // Writes the report of the arguments and the usage text for invalid arguments.
    void WriteArgumentReport() const;

  private:
    const CommandLine& command_;
    std::string productName_;
    unsigned modeFlags_ = 0;
    bool valid_ = false;
    bool invalidArguments_ = false;
    bool mainInstance_ = true;
};
