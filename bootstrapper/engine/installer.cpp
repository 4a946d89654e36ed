#include "installer.h"

#include "config_interpreter.h"
#include "log_file.h"
#include "package_status_table.h"
#include "progress_view.h"
#include "prereq_location.h"
#include "property_store.h"
#include "return_codes.h"
#include "run_services.h"
#include "secrets.h"

namespace {

const int kNameWidth = 26;

}  // namespace

void SetRunDefaults(PropertyStore& store) {
    for (const char* name : {"SkipMain", "SimulateInstall", "ForceRollback", "AutoRollback"})
        store.Set(name, "No", false);
}

void LogProperties(const PropertyStore& store, int phase, LogFile& log) {
    log.Line("\n(%d) INITIALIZING PROPERTIES...", phase);
    for (int i = 0; i < store.Count(); ++i) {
        const Property* property = store.At(i);
        const bool secret = IsSecretProperty(store, property->Name);
        log.Line("    %-*s = %s", kNameWidth, property->Name.c_str(),
                 secret ? kSecretMask : property->Value.c_str());
    }
    log.Line("%s", "");
}

Installer::Installer(ConfigInterpreter& config, RunServices& services)
    : config_(config),
      run_(services),
      log_(services.log),
      store_(services.properties),
      productMap_(services.progress),
      references_(PermanentRefCountRoot(), services.registry, services.log),
      temporaryReferences_(TemporaryRefCountRoot(), services.registry, services.log) {
    for (const auto& element : config.ConfigList()) elements_.push_back(element.get());
    action_ = config.GetAction();
    const unsigned flags = config.GetModeFlags();
    mode_ = (flags & 2) ? 2 : (flags & 1) ? 1 : 0;
    external_ = store_.IsYes("ControlledInstall");
    showMessages_ = mode_ == 0 && !external_;
    mainInstance_ = store_.IsYes("MainInstance");
}

const char* Installer::ActionUpper() const {
    static const char* const names[] = {"INSTALL", "UNINSTALL", "REPAIR"};
    return names[action_ % 3];
}

const char* Installer::ActionLower() const {
    static const char* const names[] = {"install", "uninstall", "repair"};
    return names[action_ % 3];
}

const char* Installer::ActionVerb() const {
    static const char* const names[] = {"Installing", "Uninstalling", "Repairing"};
    return names[action_ % 3];
}

std::string Installer::ModeText() const {
    static const char* const normal[] = {"NORMAL (GUI)", "SILENT", "QUIET"};
    static const char* const external[] = {"EXTERNAL/GUI", "EXTERNAL/SILENT", "EXTERNAL/QUIET"};
    return external_ ? external[mode_] : normal[mode_];
}

// Event identifiers: base 1000 for the application, 1100 for a package; columns 1 started,
// 2 completed, 3 failed, in rows of three by action.
int Installer::EventId(int base, int column) const {
    return base + 3 * (action_ % 3) + column;
}

void Installer::Fail(const std::string& reason) {
    failed_ = true;
    success_ = false;
    if (failReason_.empty())
        failReason_ = reason;
}

void Installer::SetStatus(const std::string& name, int state) {
    productMap_.SetItemStateByName(name.c_str(), state);
}

// The state of the package's progress item; kStateUnreadable (-2) when it has none or the
// table cannot be read: either way there is no state to go by.
int Installer::Status(const std::string& name) const {
    const int index = productMap_.FindItem(name.c_str());
    return index < 0 ? kStateUnreadable : productMap_.GetItemState(index);
}

// The progress dialog shows the final states until the run is over, also behind its last
// boxes, and goes on every way out of the run.
int Installer::Run() {
    const int code = RunChain();
    run_.progressDialog.Close();
    return code;
}

int Installer::RunChain() {
    // Every line of the run masks the values of secret properties, also those set later.
    log_.SetSecretSource(&store_);
    SetRunDefaults(store_);
    const int listCode = CheckPackageList();
    if (listCode >= 0)
        return listCode;
    ApplyRegPrereqLocation(store_, run_.registry);
    if (!RemoveExistingVersion())
        return returnCode_ != -1 ? returnCode_ : RC_OriginalInstallerNotFound;
    JudgeMainPackage();
    DecideCheckDepends();
    LogCommandLine();
    LogProperties(store_, ++phase_, log_);
    CheckDependencies();
    log_.Line("\n(%d) PERFORMING %s IN %s MODE...", ++phase_, ActionUpper(), ModeText().c_str());
    ReportDependencyOutcome();
    if (failed_)
        return StopBeforeWalk();
    PrepareWalk();
    if (returnCode_ == RC_InvalidCRC32Checksum)
        return returnCode_;  // the integrity check failed: no package runs
    Walk();
    return Finish();
}
