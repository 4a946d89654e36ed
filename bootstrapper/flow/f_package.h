#pragma once
// FPackage: one installable unit of the chain (a prerequisite, the MAIN package or a
// postrequisite). The class ties together what lives in files of their own: the
// configuration record (package_record.h), the comparison with the wanted version
// (version_requirement.h), the run's decision (package_decision.h), the command line
// (package_command.h), the result of the installer (package_result.h), the handshake with
// a chained setup (package_callback.h) and the output properties (package_output.h). What
// it keeps itself is the running: the attached flow elements around the installer and the
// installer's start.

#include <memory>
#include <string>

#include "f_base.h"
#include "package_callback.h"
#include "package_command.h"
#include "package_decision.h"
#include "package_output.h"
#include "package_record.h"
#include "package_result.h"
#include "product_info.h"
#include "version_requirement.h"

class LogFile;

class FPackage : public FBase, public PackageRecord {
  public:
    FPackage();
    // Runs the package: the Execute children, the File elements around the installer, the
    // installer itself. 0 on success, else the OnFail type.
    //
    // Every element of both lists gets SetOperation(operation) and, in its reserved texts,
    // the package's context: 0 the Name, 1 the detected product code, 2 the wanted version,
    // 3 the reference-count key of a multiversion package (else empty), 4 the last
    // comparison result as decimal text. The Execute children run with the operation. The
    // File elements also get the run's product key (CommandRequest), and run with the phase as
    // direction: 1 (backward) before the installer while the product is present, 0 (forward)
    // after it once the product is present. With the action as their operation field this
    // gives (see FPackage::Execute for the reasons):
    //   install over an installed version: undo (originals back) / copy again;
    //   repair: set aside ("$bt") / put back;
    //   uninstall: undo / copy again only when the product is still there after its installer.
    int Execute(RunServices& run, int operation) override;
    std::unique_ptr<FBase> Clone() const override { return std::make_unique<FPackage>(*this); }
    std::string GetTag() const override { return tag_; }

    // Refreshes the product information and compares it with the version requirement.
    int Compare(InstallerQueries& queries);
    int LastComparison() const { return comparison_; }
    const ProductInfo& Product() const { return product_; }
    // Fills an empty product id and version text from the installer file (MSI database or
    // the version resource of an ISEXEMSI executable).
    void ReadPackageInformation(const std::string& installerPath, InstallerQueries& queries);

    // The decision of the run for this package, with the current properties.
    PackageDecision Decide(RunServices& run, int action, int comparison, bool showMessages,
                           bool forced = false) const;

    // The run's choices before Execute.
    void PrepareExecution(const CommandRequest& request) { request_ = request; }
    // The command Execute starts and its copy for the log; logs the package properties when
    // they are set.
    PackageCommandLine BuildCommand(RunServices& run);

    // What the last Execute's installer gave. An installer that did not start (empty
    // command line) counts as not executed, with exit code 0.
    const InstallerOutcome& Outcome() const { return outcome_; }
    bool InstallerStarted() const { return outcome_.started; }
    const std::string& Output() const { return outcome_.output; }
    long ExitCode() const { return outcome_.exitCode; }
    bool IsSuccess(LogFile& log, bool checkCallback) const;
    bool CallbackCheck() const { return CallbackPasses(callback_.Code()); }
    int CallbackReturnCode() const { return callback_.Code(); }
    bool CallbackUsed() const { return callback_.Used(); }
    // Arms the return-code handshake with a chained setup (the MAIN package, once a run).
    void ArmCallback(RunServices& run);
    // Reads the code a chained setup left (after the installer); stores and returns it.
    int ReadCallbackReturn(RunServices& run);

    bool PublishOutputProperties(RunServices& run, const std::string& registryPath);
    bool RetrieveOutputProperties(RunServices& run, const std::string& registryPath);
    bool RemoveOutputProperties(RunServices& run, const std::string& registryPath);

    // The per-package block of the log (the run writes the lines in between).
    void LogDetected(LogFile& log) const;
    void LogResult(LogFile& log, bool rebootDue) const;

    void AddConfigurationError(const std::string& text);
    const std::string& ConfigurationErrors() const { return configurationErrors_; }

    FlowList beforeInstaller;  // the Execute children
    FlowList aroundInstaller;  // the File children

  private:
    bool RunElements(RunServices& run, const FlowList& list, int operation, int direction);
    void GiveContext(FBase& element) const;
    void RunInstaller(RunServices& run);
    OutputPropertyPlace OutputPlace(RunServices& run, const std::string& registryPath) const;

    std::string configurationErrors_;
    ProductInfo product_;
    int comparison_ = kNoRequirement;
    CommandRequest request_;
    InstallerOutcome outcome_;
    ReturnCodeCallback callback_;
    mutable bool bothWaysWarned_ = false;  // the success/error overlap is reported once a run
};
