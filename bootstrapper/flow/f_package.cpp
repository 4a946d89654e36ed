#include "f_package.h"

#include "f_file.h"
#include "log_file.h"
#include "process_runner.h"
#include "property_store.h"
#include "run_services.h"
#include "str_util.h"
#include "text_util.h"

namespace {

const int kInstall = 0;
const int kForward = 0;
const int kBackward = 1;

}  // namespace

FPackage::FPackage() {
    tag_ = "PACKAGE";
    description_.clear();
}

void FPackage::AddConfigurationError(const std::string& text) {
    if (!configurationErrors_.empty())
        configurationErrors_ += "; ";
    configurationErrors_ += text;
}

int FPackage::Compare(InstallerQueries& queries) {
    comparison_ = CompareRequirement(version, product_, queries);
    return comparison_;
}

void FPackage::ReadPackageInformation(const std::string& installerPath, InstallerQueries& queries) {
    if (EqualsNoCase(type.c_str(), "MSI")) {
        ProductInfo package;
        package.ReadFromPackage(installerPath.c_str(), -1, queries);
        if (version.productId.empty() && package.productCode[0])
            version.productId = std::string("p") + package.productCode;
        if (version.versionText.empty())
            version.versionText = Trim(package.version, " \t");
        StrNCopy(product_.productName, package.productName);
    } else if (EqualsNoCase(type.c_str(), "ISEXEMSI")) {
        const std::string fileVersion = queries.FileVersion(installerPath.c_str());
        if (version.versionText.empty())
            version.versionText = Trim(fileVersion, " \t");
        StrNCopy(product_.productName, queries.FileProductName(installerPath.c_str()).c_str());
    }
}

PackageDecision FPackage::Decide(RunServices& run, int action, int comparison, bool showMessages,
                                 bool forced) const {
    DecisionInputs inputs;
    inputs.action = action;
    inputs.comparison = comparison;
    inputs.installed = product_.installed;
    inputs.showMessages = showMessages;
    inputs.forced = forced;
    return DecidePackage(*this, inputs, run.properties, run.log);
}

PackageCommandLine FPackage::BuildCommand(RunServices& run) {
    return BuildPackageCommand(*this, request_, product_.productCode, run.properties, run.log);
}

bool FPackage::IsSuccess(LogFile& log, bool checkCallback) const {
    return IsSuccessfulExit(*this, outcome_, checkCallback, log, &bothWaysWarned_);
}

void FPackage::ArmCallback(RunServices& run) {
    callback_.Arm(DisplayName(), run.registry, run.processes, run.log);
    outcome_.callbackUsed = true;
    outcome_.callbackCode = callback_.Code();
}

int FPackage::ReadCallbackReturn(RunServices& run) {
    outcome_.callbackCode = callback_.Read(DisplayName(), run.registry, run.log);
    return outcome_.callbackCode;
}

OutputPropertyPlace FPackage::OutputPlace(RunServices& run, const std::string& registryPath) const {
    return OutputPropertyPlace{run.registry, run.log, registryPath, product_.upgradeCode};
}

bool FPackage::PublishOutputProperties(RunServices& run, const std::string& registryPath) {
    return ::PublishOutputProperties(*this, OutputPlace(run, registryPath));
}

bool FPackage::RetrieveOutputProperties(RunServices& run, const std::string& registryPath) {
    return ::RetrieveOutputProperties(*this, OutputPlace(run, registryPath), run.properties);
}

bool FPackage::RemoveOutputProperties(RunServices& run, const std::string& registryPath) {
    return ::RemoveOutputProperties(*this, OutputPlace(run, registryPath));
}

void FPackage::LogDetected(LogFile& log) const {
    std::string line = "    Detected  : ";
    if (!version.productId.empty()) {
        const std::pair<const char*, const char*> fields[] = {
            {"Ver", version.installedVersion.c_str()},
            {"Name", product_.productName},
            {"ProdCode", product_.productCode},
            {"UpgrCode", product_.upgradeCode},
            {"ProdId", version.productId.c_str()},
            {"File", product_.installerFile},
            {"Reg", product_.registry},
            {"InstLoc", product_.installLocation},
            {"UninstStr", product_.uninstallString},
        };
        for (const auto& field : fields) {
            if (field.second[0])
                line += FormatText("%s='%s' ", field.first, field.second);
        }
    }
    log.Line("%s", line.c_str());
}

void FPackage::LogResult(LogFile& log, bool rebootDue) const {
    LogPackageResult(*this, outcome_, rebootDue, log);
}

int FPackage::Execute(RunServices& run, int operation) {
    outcome_.started = false;
    outcome_.exitCode = 0;
    outcome_.output.clear();
    bothWaysWarned_ = false;
    bool succeeded = RunElements(run, beforeInstaller, operation, operation);
    // The File elements take their changes away while an installer works on a product that is
    // already there, so that it meets the files it installed itself, and apply them once the
    // product is present after it. The action decides how (the operation field):
    // - install (an upgrade, or a forced reinstall): a full undo — the originals go back,
    //   the copies and created folders go, the record is removed — and a fresh copy after.
    //   The backups then hold the files of the version just installed, files that the new
    //   configuration no longer copies do not linger, and an installer that removed the
    //   product leaves nothing of ours behind.
    // - repair (operation 2): the recorded copies are only set aside and put back: a repair
    //   must not depend on the source files still being where setup first found them, and
    //   the record and backups of the first install stay valid.
    // - uninstall: the undo; should the product survive its installer (a failed or refused
    //   uninstall) the copy after it puts the files back on the product that stayed.
    const int before = Compare(run.detection);
    if (before == kSameInstalled || before == kPatternMatched ||
        (before == kOlderInstalled && operation == kInstall))
        succeeded = RunElements(run, aroundInstaller, operation, kBackward) && succeeded;
    RunInstaller(run);
    if (callback_.Used())
        ReadCallbackReturn(run);
    const bool callbackFailed = !IsSuccess(run.log, true);
    const int after = Compare(run.detection);
    if (after == kOlderInstalled || after == kSameInstalled || after == kPatternMatched)
        succeeded = RunElements(run, aroundInstaller, operation, kForward) && succeeded;
    return succeeded && !callbackFailed ? 0 : OnFailType();
}

bool FPackage::RunElements(RunServices& run, const FlowList& list, int operation, int direction) {
    bool succeeded = true;
    for (const auto& element : list) {
        element->SetOperation(operation);
        GiveContext(*element);
        succeeded = RunFlowElement(run, *element, direction) && succeeded;
    }
    return succeeded;
}

void FPackage::GiveContext(FBase& element) const {
    if (auto* file = dynamic_cast<FFile*>(&element))
        file->productKey = request_.productKey;
    element.Reserved(0) = name;
    element.Reserved(1) = product_.productCode;
    element.Reserved(2) = version.versionText;
    element.Reserved(3) = version.multiversion ? RefCountKeyName() : std::string();
    element.Reserved(4) = std::to_string(comparison_);
}

void FPackage::RunInstaller(RunServices& run) {
    const PackageCommandLine line = BuildCommand(run);
    const std::string& command = line.command;
    run.log.Line("    Command   : %s", line.display.c_str());
    if (Trim(command, " \t").empty()) {
        run.log.Warning("Empty command line: execution skipped");
        return;
    }
    outcome_.started = true;
    const ProcessResult result = run.processes.Run(
        DisplayName(), command, showProgress && request_.showWindow, request_.mainInstance);
    outcome_.exitCode = result.exitCode;
    outcome_.output = result.output;
}
