// The original installer: the setup of the installed version, registered when it installed
// MAIN, which removes that version (before a newer one is installed, and for a rollback).
// Without it an MSI product is removed by its product code.

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "command_line.h"
#include "config_interpreter.h"
#include "f_package.h"
#include "file_system.h"
#include "installer.h"
#include "log_file.h"
#include "package_result.h"
#include "package_state.h"
#include "package_status_table.h"
#include "process_runner.h"
#include "product_info.h"
#include "progress_view.h"
#include "property_store.h"
#include "registry.h"
#include "return_codes.h"
#include "run_services.h"
#include "system_error.h"
#include "text_util.h"
#include "version_compare.h"

namespace {

constexpr char kBackupFolderName[] = "BSBackup";
constexpr char kSetupProductName[] = "TARVEX Bootstrapper";
constexpr int kFourFields = 6;  // CompareVersions: any other mode compares four fields

std::string InstallSourcePath(const std::string& product) {
    return std::string("HKEY_LOCAL_MACHINE\\") + kInstallInfoKey + "\\InstallerSource\\" + product;
}

std::string Join(const std::vector<std::string>& names, const char* separator) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : separator) + name;
    return text;
}

bool IsProductCode(const std::string& code) {
    if (code.size() != 38 || code.front() != '{' || code.back() != '}')
        return false;
    for (std::size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        const char c = code[i];
        if (dash ? c != '-' : !std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

// An installer's exit code in the terms of the MAIN package's code sets, judged as the
// package's own results are.
int ReturnCodeFor(const FPackage& main, long code, LogFile& log) {
    if (main.cancelCodes.count(static_cast<int>(code)))
        return RC_ActionCanceled;
    InstallerOutcome outcome;
    outcome.started = true;
    outcome.exitCode = code;
    bool warned = false;
    if (!IsSuccessfulExit(main, outcome, false, log, &warned))
        return RC_NotCompleted;
    return RequiresReboot(main, outcome) ? RC_RebootRequired : RC_AllCompleted;
}

}  // namespace

// The arguments of the original setup, built once: it uninstalls as a child instance,
// without restarting the machine itself, or, for a rollback, externally controlled, silent
// and with "Rollback" set.
const std::string& RemoveExistingArguments() {
    static const std::string text = FormatText("x %s=No %s=No", "MainInstance", "AUTOREBOOT");
    return text;
}

const std::string& RollbackArguments() {
    static const std::string text = FormatText("x -n %s=No %s=1 -s", "MainInstance", "Rollback");
    return text;
}

// The install source of a product is this setup's folder (its full path, without a final
// backslash), registered in the main instance as soon as MAIN has installed: a later setup
// of another version finds this one there, and so does the settings lookup. A successful
// uninstall of MAIN by a main instance takes the value away, whichever setup it names: the
// product is gone, and a setup removing an old version runs as a child instance, after
// which the new version registers itself.
void Installer::RegisterInstallSource(const FPackage& package) {
    const char* product = config_.GetProductName();
    if (!mainInstance_ || !package.IsMain() || !product || !*product)
        return;
    const std::string folder = ParentFolder(config_.Command().FullProgramPath());
    const std::string path = InstallSourcePath(product);
    long error = 0;
    if (action_ == 0) {
        if (!run_.registry.CreateKey(ParentFolder(path), kRegistryDefaultView, &error) ||
            !run_.registry.WriteString(path, folder, kRegistryDefaultView, &error))
            log_.Warning("Cannot register the install source '%s': error code %d (%s)",
                         folder.c_str(), static_cast<int>(error), SystemErrorText(error).c_str());
        return;
    }
    if (action_ == 1)
        run_.registry.DeleteValue(path, kRegistryDefaultView, &error);
}

// Runs the original setup of product with arguments, or removes productCode through
// Windows Installer when there is none. Returns the setup's return code, or
// RC_OriginalInstallerNotFound when neither was possible.
int Installer::ExecuteOriginalInstaller(const std::string& product, const std::string& arguments,
                                        const std::string& productCode) {
    std::string program;
    if (FindOriginalSetup(product, &program)) {
        // The child runs in this run's mode unless the arguments name one.
        const char* mode = mode_ == 2 ? "-q" : mode_ == 1 ? "-s" : "";
        const bool modeGiven = arguments.find(" -s") != std::string::npos ||
                               arguments.find(" -q") != std::string::npos;
        const std::string command = TrimRight(
            FormatText("\"%s\" %s %s", program.c_str(), arguments.c_str(), modeGiven ? "" : mode),
            " ");
        log_.Line("    Calling setup...");
        log_.Line("    %s", command.c_str());
        const int item = AddProgressItem("Uninstalling version...");
        const int code = ExecuteAnotherInstance(command);
        if (code < 0) {
            log_.Line("    Original setup not called");
            productMap_.SetItemState(item, PS_Failed);
            return RC_OriginalInstallerNotFound;
        }
        productMap_.SetItemState(
            item, code == RC_AllCompleted || code == RC_RebootRequired ? PS_Completed : PS_Failed);
        log_.Line("    Setup ended the instance with the return code %d [%s]", code,
                  ReturnCodeName(code));
        return code;
    }
    const int code = UninstallByProductCode(productCode);
    return code;
}

bool Installer::FindOriginalSetup(const std::string& product, std::string* program) {
    std::string folder;
    long error = 0;
    if (!product.empty() &&
        run_.registry.ReadValue(InstallSourcePath(product), &folder, kRegistryDefaultView, &error))
        folder = TrimRight(Trim(folder, " \t"), "\\");
    if (product.empty() || folder.empty()) {
        log_.Line("    Install source for original setup not found");
        return false;
    }
    // The original setup carries this setup's program name.
    *program = folder + "\\" + config_.Command().ProgramName();
    std::vector<std::string> missing;
    if (!run_.files.FileExists(*program))
        missing.push_back(*program);
    if (!run_.files.FileExists(folder + "\\config.xml"))
        missing.push_back(folder + "\\config.xml");
    if (missing.empty() &&
        !EqualsNoCase(run_.detection.FileProductName(program->c_str()).c_str(), kSetupProductName))
        missing.push_back(*program + " (not a setup)");
    if (!missing.empty()) {
        log_.Line("    Original setup (bootstrapper) not found: %s",
                  Join(missing, " and ").c_str());
        return false;
    }
    const std::string version = run_.detection.FileVersion(program->c_str());
    log_.Line("    Original setup found (%s) in '%s'", version.c_str(), folder.c_str());
    const std::string own = run_.detection.FileVersion(config_.Command().FullProgramPath().c_str());
    if (CompareVersions(version.c_str(), own.c_str(), kFourFields) < 0)
        UpdateOriginalSetup(folder);
    return true;
}

// An older original setup may not cope with what a newer one left on the machine: this
// setup's program and plug-ins replace it (its XML files, which describe the installed
// version, stay). The replaced files are backed up first and put back when the copy fails;
// nothing is replaced when the backup fails.
void Installer::UpdateOriginalSetup(const std::string& folder) {
    const std::string own = ParentFolder(config_.Command().FullProgramPath());
    if (EqualsNoCase(own.c_str(), folder.c_str()))
        return;
    std::vector<std::string> names;
    for (const std::string& name :
         {config_.Command().ProgramName(), std::string("utils.dll"), std::string("forms.dll")}) {
        if (run_.files.FileExists(own + "\\" + name))
            names.push_back(name);
    }
    log_.Line(
        "    Original setup version is older than the current one. Copy current setup files over "
        "the original files: %s",
        Join(names, ", ").c_str());
    const std::string backup = folder + "\\" + kBackupFolderName;
    log_.Line("    Backup existing setup files into %s", backup.c_str());
    std::vector<std::string> backedUp;
    for (const std::string& name : names) {
        if (!run_.files.FileExists(folder + "\\" + name))
            continue;
        const bool ok = run_.files.CopyFileTo(folder + "\\" + name, backup + "\\" + name) == 0;
        log_.Line("    Backup %s %s", name.c_str(), ok ? "succeeded" : "failed");
        if (!ok) {
            run_.files.RemoveFolder(backup);
            return;
        }
        backedUp.push_back(name);
    }
    log_.Line("    Copy setup files from %s to %s", own.c_str(), folder.c_str());
    std::vector<std::string> copied;
    for (const std::string& name : names) {
        const bool ok = run_.files.CopyFileTo(own + "\\" + name, folder + "\\" + name) == 0;
        log_.Line("    Copy %s %s", name.c_str(), ok ? "succeeded" : "failed");
        if (!ok)
            break;
        copied.push_back(name);
    }
    if (copied.size() == names.size())
        return;
    log_.Line("    Restore setup files from backup");
    for (const std::string& name : copied) {
        if (std::find(backedUp.begin(), backedUp.end(), name) == backedUp.end())
            run_.files.RemoveFile(folder + "\\" + name);  // a file the original did not have
    }
    for (const std::string& name : backedUp) {
        const bool ok = run_.files.CopyFileTo(backup + "\\" + name, folder + "\\" + name) == 0;
        log_.Line("    Restore %s %s", name.c_str(), ok ? "succeeded" : "failed");
    }
    run_.files.RemoveFolder(backup);
}

int Installer::UninstallByProductCode(const std::string& productCode) {
    std::string reason;
    if (!EqualsNoCase(main_->type.c_str(), "MSI"))
        reason = "no MSI package found ";
    else if (!IsProductCode(productCode))
        reason = FormatText("invalid product code '%s' ", productCode.c_str());
    if (reason.empty()) {
        log_.Line("    Trying to uninstall main product by product code: '%s'",
                  productCode.c_str());
        const std::string modeText = store_.Get(mode_ == 2 ? "WI_QuietMode" : "WI_SilentMode");
        const std::string command = FormatText("msiexec /x %s %s REBOOT=ReallySuppress",
                                               productCode.c_str(), modeText.c_str());
        const ProcessResult result =
            run_.processes.Run(main_->DisplayName(), command, mode_ != 2, mainInstance_);
        if (result.exitCode >= 0) {
            log_.Line("    MSI code  : %d [%s]", static_cast<int>(result.exitCode),
                      SystemErrorText(result.exitCode).c_str());
            const int code = ReturnCodeFor(*main_, result.exitCode, log_);
            log_.Line("    BS code   : %d [%s]", code, ReturnCodeName(code));
            return code;
        }
        reason = FormatText("msiexec could not start ");
    }
    log_.Error("Installer::ExecuteOriginalInstaller(...) Could not initiate any setup: %s",
               reason.c_str());
    return RC_OriginalInstallerNotFound;
}

// A chained setup: it shares the status block, logs into the same log and returns one of
// the setup return codes; -1 when it could not start.
int Installer::ExecuteAnotherInstance(const std::string& command) {
    const std::size_t end =
        command.empty() || command[0] != '"' ? command.find(' ') : command.find('"', 1) + 1;
    const std::string program = command.substr(0, end);
    log_.Line("%s", std::string(85, '=').c_str());
    log_.Line("Executing another instance of Setup %s", program.c_str());
    log_.Line("%s", std::string(85, '-').c_str());
    log_.Line("%s %s", program.c_str(), TrimLeft(command.substr(program.size()), " ").c_str());
    const ProcessResult result = run_.processes.Run("Setup", command, true, false);
    const int code = static_cast<int>(result.exitCode);
    log_.Line("Setup ended the instance (%s) with the return code %d [%s]", program.c_str(), code,
              ReturnCodeName(code));
    log_.Line("%s", std::string(85, '=').c_str());
    return code;
}

// A progress item of its own, in the first free slot and as a row of the dialog; -1 when
// the list is full (no slot is taken from a package). The row keeps its name: the dialog
// finds an item's state by the name it was added with, so the outcome shows as its state.
int Installer::AddProgressItem(const char* name) {
    for (int slot = 1; slot < PackageStatusTable::kSlots; ++slot) {
        if (productMap_.GetItemName(slot).empty()) {
            productMap_.SetItemName(slot, name);
            productMap_.SetItemState(slot, PS_InProgress);
            run_.progressDialog.AddRow(name, "", PS_InProgress);
            return slot;
        }
    }
    return -1;
}
