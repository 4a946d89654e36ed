#pragma once
// Installer: the run over the chain. It checks the package list and finds the MAIN
// package, judges the installed MAIN product, logs the command line and the properties,
// checks dependencies, then walks the elements once in document order — deciding, running
// and classifying each package, running the flow elements between them — and ends with
// the completion line, the failure box, the rollback and reboot decisions and the return
// code.
//
// The run reaches the machine and the user only through the RunServices it is built with
// (run_services.h): the run driver hands it the real ones, the walk tests fakes.

#include <ctime>
#include <string>
#include <vector>

#include "cache_folder_guard.h"
#include "f_package.h"
#include "installer_resolver.h"
#include "ref_count.h"

class ConfigInterpreter;
class LogFile;
class PackageStatusTable;
struct RunServices;

// The progress item of the integrity check, beside one item per package.
inline constexpr char kIntegrityCheckItem[] = "Package Integrity Check";
// The line of forty underscores between the sections of the walk.
inline const std::string kSectionSeparator(40, '_');
class PropertyStore;

class Installer {
  public:
    Installer(ConfigInterpreter& config, RunServices& services);
    // Runs the chain and returns the run's return code.
    int Run();

  private:
    // The run up to its return code; Run() closes the progress dialog after it.
    int RunChain();
    // Phases before the walk.
    int CheckPackageList();
    void OpenProgressDialog();
    bool RemoveExistingVersion();
    bool RemovalIgnored(const std::string& name, const std::string& version);
    bool RemoveWithOriginalSetup(const std::string& version, const std::string& productCode);
    void JudgeMainPackage();
    void SetMaintenanceSubtitle();
    void DecideCheckDepends();
    void LogCommandLine();
    void CheckDependencies();
    void ReportDependencyOutcome();
    int StopBeforeWalk();
    void PrepareWalk();
    void CheckPackageIntegrity();
    void LookForPendingRenames();
    // The walk.
    void Walk();
    bool HandleRunProperties();
    void CancelPendingItems();
    // Returns false when the walk ends after this element.
    bool RunFlowElementStep(FBase& element, std::time_t start);
    bool ForceRebootRequested();
    // Returns false when the walk ends after this package.
    bool RunPackageStep(FPackage& package, std::size_t index, std::time_t start);
    int CheckPackageStatus(FPackage& package, std::string* reason);
    // runnable: the package is selected and not already processed.
    PackageDecision DecideForRun(FPackage& package, std::size_t index, int mode, bool forced,
                                 bool runnable);
    void LogSkippedPackage(FPackage& package, const PackageDecision& decision, int processed,
                           bool notListed, bool runnable, std::time_t start);
    void ExecutePackage(FPackage& package, const PackageDecision& decision, int mode,
                        std::time_t start);
    bool RunInstaller(FPackage& package, const PackageDecision& decision, int mode,
                      const std::string& installerPath);
    bool ClassifyPackage(FPackage& package);
    std::string Label(std::size_t index) const;
    bool IsSelected(const FPackage& package, std::size_t index) const;
    bool FeatureSelected(const FPackage& package) const;
    void LogEnd(std::time_t start) const;
    bool ListedInPackages(const std::string& name) const;
    // Reference counts of shared products (installer_ref_count.cpp).
    std::string ReferenceName() const;
    void SetTemporaryReferences();
    void RemoveTemporaryReference(const FPackage& package);
    void RemoveOrphanReferences(const FPackage& package);
    bool TakeProductCodeFromReferences(FPackage& package);
    std::string RefCountProductCode(const FPackage& package);
    void AddRefCountPhrases(const FPackage& package, PackageDecision& decision, bool runnable);
    void UpdateReferences(const FPackage& package);
    // The package cache and the original installer (installer_cache.cpp,
    // installer_original.cpp).
    std::string ResolveCachedInstaller(FPackage& package, const ResolvedInstaller& resolved);
    std::string CacheFolder(const FPackage& package) const;
    std::string CachedCopy(const FPackage& package) const;
    bool HasCachedCopy(const FPackage& package) const;
    int Cache(const FPackage& package, const std::string& source, std::string* cached);
    bool CachedCopyIsCurrent(const FPackage& package, const std::string& source,
                             const std::string& destination);
    void NoteReleasedCache(const FPackage& package, int before, int after);
    void DeleteCacheStep();
    int DeleteCache(const std::vector<std::string>& folders);
    bool RefuseFolder(const std::string& given, const NormalizedFolder& folder);
    bool MarkSetupFolderForRestart();
    void RegisterInstallSource(const FPackage& package);
    int ExecuteOriginalInstaller(const std::string& product, const std::string& arguments,
                                 const std::string& productCode);
    bool FindOriginalSetup(const std::string& product, std::string* program);
    void UpdateOriginalSetup(const std::string& folder);
    int UninstallByProductCode(const std::string& productCode);
    int ExecuteAnotherInstance(const std::string& command);
    int AddProgressItem(const char* name);
    // After the walk.
    int Finish();
    bool DecideRollback() const;
    void RollBack();
    int RebootStep() const;

    // Texts of the run.
    const char* ActionUpper() const;
    const char* ActionLower() const;
    const char* ActionVerb() const;
    std::string ModeText() const;
    int EventId(int base, int column) const;
    void Fail(const std::string& reason);
    void SetStatus(const std::string& name, int state);
    int Status(const std::string& name) const;

    ConfigInterpreter& config_;
    RunServices& run_;
    LogFile& log_;
    PropertyStore& store_;
    PackageStatusTable& productMap_;
    RefCount references_;           // the permanent store
    RefCount temporaryReferences_;  // the references of runs in progress
    std::vector<FBase*> elements_;
    FPackage* main_ = nullptr;
    std::size_t mainIndex_ = 0;
    int action_ = 0;
    int mode_ = 0;  // 0 normal, 1 silent, 2 quiet
    bool external_ = false;
    bool showMessages_ = false;
    bool mainInstance_ = false;
    int returnCode_ = -1;
    bool failed_ = false;
    bool success_ = true;
    std::string failReason_;
    std::string pendingRenames_;  // the file operations Windows has pending for the restart
    bool rebootRequired_ = false;
    bool rebootNow_ = false;
    bool continueAfterReboot_ = false;
    bool forcedReboot_ = false;
    bool quitRequested_ = false;
    bool mainAlreadyInstalled_ = false;
    bool maintenance_ = false;
    bool writeCompletionEvent_ = true;
    int executedCount_ = 0;
    int phase_ = 0;
    int vitalFailures_ = 0;
    int nonVitalFailures_ = 0;
    std::string vitalFailureText_;
    std::string nonVitalFailureText_;
    // Cache folders of packages whose reference count this run took to zero.
    std::vector<std::string> releasedCaches_;
    const char* rebootQuestion_ = "REBOOT_REQ";
};

// The fixed arguments of the original setup: removing an existing version, and a rollback.
const std::string& RemoveExistingArguments();
const std::string& RollbackArguments();

// The defaults of the run: SkipMain, SimulateInstall, ForceRollback and AutoRollback are
// "No" unless set.
void SetRunDefaults(PropertyStore& store);
// The property listing of a phase: its heading and one "name = value" line per property.
void LogProperties(const PropertyStore& store, int phase, LogFile& log);
