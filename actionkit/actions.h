#pragma once
// The custom actions of actionkit.dll as platform-neutral functions of their context; the
// exports (exports_win32.cpp) only build the context from the installer's session. Each
// reads its input properties, does one job, writes its output properties and returns
// kActionSuccess, unless its comment says when it stops the installation.

#include "action_context.h"

// Processes, programs, events and memory (process_actions.cpp).
unsigned LaunchAppAction(ActionContext& context);  // exit code mapped, see launch_command.h
unsigned LaunchExeAction(ActionContext& context);
unsigned ShellOpenAction(ActionContext& context);
unsigned KillAppAction(ActionContext& context);
unsigned FindProcessAction(ActionContext& context);
unsigned CheckGlobalEventAction(ActionContext& context);
unsigned MemoryRequirementMetAction(ActionContext& context);

// Versions and products (product_actions.cpp).
unsigned CmpProductVersionStringsAction(ActionContext& context);
unsigned GetShortVersionAction(ActionContext& context);
unsigned GetProductVersionAction(ActionContext& context);
unsigned CheckProductVersionAction(ActionContext& context);
unsigned FindProductCodeAction(ActionContext& context);
unsigned DetectOldProductsAction(ActionContext& context);
unsigned GetFileVersionAction(ActionContext& context);

// Files, texts and the registry (file_actions.cpp).
// SearchAndReplace and its variant run deferred: a failure stops the installation, since
// they have no property to report it through.
unsigned SearchAndReplaceAction(ActionContext& context, bool noneMeansEmpty);
unsigned SearchAndReplaceMsiAction(ActionContext& context);
unsigned CleanStringAction(ActionContext& context);
unsigned FileExistsAction(ActionContext& context);
unsigned CopyFileAction(ActionContext& context);
unsigned CountRegKeyValuesAction(ActionContext& context);
unsigned GetShaHashAction(ActionContext& context);

// The registry below HKEY_LOCAL_MACHINE (registry_actions.cpp). UpdateRegistryValue runs
// deferred: a failure stops the installation.
unsigned UpdateRegistryValueAction(ActionContext& context, bool noneMeansEmpty);
unsigned SetRemoteAccessExternalPingAction(ActionContext& context);
unsigned AddAppToRegListAction(ActionContext& context);
unsigned DelAppFromRegListAction(ActionContext& context);

// Saving the product's scripts and licence files across an uninstall (backup_actions.cpp).
// BackupFiles stops the installation when a file could not be saved.
unsigned BackupFilesAction(ActionContext& context);
unsigned RestoreFilesAction(ActionContext& context);

// The product's Tcl scripts (script_actions.cpp): every "@INSTALLDIR@" becomes the install
// folder written with "/", lines end in CR LF.
std::string ProcessScriptText(const std::string& text, const std::string& installFolder);
// Rewrites one script in place; 0 or the system's error code.
unsigned long ProcessScriptFile(ActionMachine& machine, const std::string& path,
                                const std::string& installFolder);
// Runs deferred: a script that cannot be rewritten stops the installation.
unsigned ConfigureFilesAction(ActionContext& context);

// The start-up script of the product's Tcl shell (wish_actions.cpp); runs deferred.
std::string WishScriptText(const std::string& installFolder);
unsigned CreateWishScriptAction(ActionContext& context);

// Version records of the product family (version_record_actions.cpp); run deferred.
unsigned UpdateRaveloIniAction(ActionContext& context);
unsigned UpdateQuentiDllAction(ActionContext& context);

// The Application event log (event_actions.cpp).
struct SystemLogEvent {
    unsigned short type = 1;  // 1 error, 2 warning, 4 information
    std::string text;
};
SystemLogEvent ComposeSystemLogEvent(const std::string& message, const std::string& user,
                                     const std::string& privileged, const std::string& logon,
                                     const std::string& product, const std::string& version);
unsigned SystemLogAction(ActionContext& context);

// Service recovery settings (service_actions.cpp).
bool ParseServiceRecovery(const std::string& resetPeriod, const std::string& actions,
                          ServiceRecovery* recovery);
unsigned ConfigServiceOnFailureAction(ActionContext& context);

// Product ini files (ini_actions.cpp).
unsigned ReadDBVersionAction(ActionContext& context);
unsigned IsChassisAction(ActionContext& context);
// Whether the "Manufacturer" of the "General" section of that ini file names the product
// family (the dispatcher's IsChassis shares it).
bool ChassisFromIni(ActionContext& context, const std::string& path);

// An action this build does not carry: logs ".Error: <name> is not available in this
// build" and stops the installation (a package must not go on believing it ran).
unsigned NotAvailableAction(ActionContext& context, const char* name);
