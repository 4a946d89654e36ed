// The Windows process runner of packages: ShellExec with the output captured and the
// installer's events collected into the log by the main instance.

#include "f_package.h"
#include "shell_exec.h"

namespace {

class ShellRunner : public PackageRunner {
  public:
    long Run(const std::string& name, const std::string& command, bool showWindow,
             bool mainInstance) override {
        shell_.SetName(name.substr(0, ShellExec::kNameSize - 1).c_str());
        if (!shell_.SetCommand("%s", command.c_str()))
            return -1;
        return shell_.ExecuteCommand(showWindow, true, true, mainInstance);
    }
    std::string Output() const override {
        std::string text;
        shell_.GetOutput(&text);
        return text;
    }

  private:
    ShellExec shell_;
};

}  // namespace

std::unique_ptr<PackageRunner> CreateSystemPackageRunner() {
    return std::make_unique<ShellRunner>();
}
