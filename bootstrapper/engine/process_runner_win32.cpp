// The program's process runner: ShellExec with the output captured and, in the main
// instance, the installer's events collected into the log.

#include <windows.h>

#include "process_runner.h"
#include "shell_exec.h"

namespace {

class ShellRunner : public ProcessRunner {
  public:
    ProcessResult Run(const std::string& name, const std::string& command, bool showWindow,
                      bool collectEvents) override {
        ProcessResult result;
        ShellExec shell;
        shell.SetName(name.substr(0, ShellExec::kNameSize - 1).c_str());
        if (!shell.SetCommand("%s", command.c_str()))
            return result;
        result.exitCode = shell.ExecuteCommand(showWindow, true, true, collectEvents);
        shell.GetOutput(&result.output);
        return result;
    }
    bool SetEnvironment(const std::string& name, const std::string& value) override {
        return SetEnvironmentVariableA(name.c_str(), value.c_str()) != 0;
    }
};

}  // namespace

ProcessRunner& SystemProcessRunner() {
    static ShellRunner runner;
    return runner;
}
