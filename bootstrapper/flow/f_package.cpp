#include "f_package.h"

#include <cctype>
#include <cstdlib>

#include "log_file.h"
#include "text_util.h"

namespace {

const int kInstall = 0;
const int kForward = 0;
const int kBackward = 1;

PackageRunnerFactory runnerFactory = nullptr;

std::unique_ptr<PackageRunner> CreateRunner() {
    return runnerFactory ? runnerFactory() : CreateSystemPackageRunner();
}

#if !defined(_WIN32)
// The host build cannot start installers.
class HostRunner : public PackageRunner {
  public:
    long Run(const std::string& name, const std::string&, bool, bool) override {
        Log().Error("Package '%s' cannot be started: this build has no process runner",
                    name.c_str());
        return -1;
    }
    std::string Output() const override { return std::string(); }
};
#endif

}  // namespace

#if !defined(_WIN32)
std::unique_ptr<PackageRunner> CreateSystemPackageRunner() {
    return std::make_unique<HostRunner>();
}
#endif

void SetPackageRunnerFactory(PackageRunnerFactory factory) {
    runnerFactory = factory;
}

FPackage::FPackage() {
    tag_ = "PACKAGE";
    description_.clear();
}

int FPackage::RebootCodeValue() const {
    if (rebootCode.empty() || !std::isdigit(static_cast<unsigned char>(rebootCode[0])))
        return 0;
    return std::atoi(rebootCode.c_str());
}

void FPackage::AddConfigurationError(const std::string& text) {
    if (!configurationErrors_.empty())
        configurationErrors_ += "; ";
    configurationErrors_ += text;
}

std::string FPackage::RefCountKeyName() const {
    return version.multiversion ? name + version.versionText : name;
}

const std::optional<std::string>& FPackage::CommandLineTemplate(int action, int mode) const {
    static const std::optional<std::string> none;
    const CommandLines* lines = action == 0   ? &install
                                : action == 1 ? &uninstall
                                : action == 2 ? &repair
                                              : nullptr;
    if (!lines)
        return none;
    switch (mode) {
        case 0:
            return lines->normal;
        case 1:
            return lines->silent;
        case 2:
            return lines->quiet;
        default:
            return none;
    }
}

int FPackage::Execute(int operation) {
    installerStarted_ = false;
    exitCode_ = 0;
    output_.clear();
    callbackFailed_ = false;
    bothWaysWarned_ = false;
    bool succeeded = RunElements(beforeInstaller, operation, operation);
    // The File elements put their changes aside while the installer works on a product
    // that is already there, and apply them again once the product is present.
    const int before = Compare();
    if (before == kSameInstalled || before == kPatternMatched ||
        (before == kOlderInstalled && operation == kInstall))
        succeeded = RunElements(aroundInstaller, operation, kBackward) && succeeded;
    RunInstaller();
    if (callbackUsed_)
        ReadCallbackReturn();
    callbackFailed_ = !IsSuccess(true);
    const int after = Compare();
    if (after == kOlderInstalled || after == kSameInstalled || after == kPatternMatched)
        succeeded = RunElements(aroundInstaller, operation, kForward) && succeeded;
    return succeeded && !callbackFailed_ ? 0 : OnFailType();
}

bool FPackage::RunElements(const FlowList& list, int operation, int direction) {
    bool succeeded = true;
    for (const auto& element : list) {
        element->SetOperation(operation);
        GiveContext(*element);
        succeeded = RunFlowElement(*element, direction) && succeeded;
    }
    return succeeded;
}

void FPackage::GiveContext(FBase& element) const {
    element.Reserved(0) = name;
    element.Reserved(1) = product_.productCode;
    element.Reserved(2) = version.versionText;
    element.Reserved(3) = version.multiversion ? RefCountKeyName() : std::string();
    element.Reserved(4) = std::to_string(comparison_);
}

void FPackage::RunInstaller() {
    const std::string command = BuildCommand();
    LogFile& log = Log();
    log.Line("    Command   : %s", command.c_str());
    if (Trim(command, " \t").empty()) {
        log.Warning("Empty command line: execution skipped");
        return;
    }
    std::unique_ptr<PackageRunner> runner = CreateRunner();
    installerStarted_ = true;
    if (!runner) {
        log.Error("Package '%s' cannot be started: no process runner", name.c_str());
        exitCode_ = -1;
        return;
    }
    exitCode_ = runner->Run(DisplayName(), command, showProgress && showWindow_, mainInstance_);
    output_ = runner->Output();
}
