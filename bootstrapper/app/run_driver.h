#pragma once
// The run driver: from the command line to the exit code of setup. It writes the banner,
// builds the configuration, guards against a second main instance of the product, hands
// the chain to the engine, writes the closing summary and shows the final message box.

#include <ctime>
#include <memory>
#include <string>

class CommandLine;
class ConfigInterpreter;
class InstanceMap;

class RunDriver {
  public:
    // module: the program's instance handle; systemCommandLine: the arguments as Windows
    // passed them to WinMain (without the program path).
    RunDriver(void* module, const char* systemCommandLine);
    ~RunDriver();

    // Runs setup once and returns the return code, the process exit code.
    int Run();

  private:
    void PrepareStart(const char* systemCommandLine);
    void RunProtected();
    bool StoppedWithoutSharedBlock();
    bool RefusedAsSecondInstance();
    void RunConfiguredChain();
    void WriteSummary();
    void FlushBanner();
    void ShowFinalMessage();

    void* module_;
    int returnCode_ = -1;
    unsigned modeFlags_ = 5;  // no final box until the configuration says otherwise
    bool exceptionCaught_ = false;
    std::string detailText_;
    std::string bannerText_;
    std::time_t startTime_ = 0;
    std::unique_ptr<CommandLine> command_;
    std::unique_ptr<ConfigInterpreter> config_;
    std::unique_ptr<InstanceMap> productMap_;
    std::unique_ptr<InstanceMap> globalMap_;
};
