// The exports of actionkit.dll. Each custom action builds its context from the installer's
// session and runs the platform-neutral action (actions.h); no exception leaves an export,
// and the installer only ever sees 0 (go on) or 1603 (stop).
//
// Signatures the custom-action form does not settle, as this library defines them:
//   LaunchExecutable(program, arguments, folder): starts the program (path quoted, never
//     searched for when it has a folder) in folder (null or empty: the caller's) and waits;
//     returns its exit code, or -1 when it did not start. An x64 export carries no stdcall
//     decoration, so it is exported by its plain name.
//   MyKillProcess(name): ends every process with that module base name (exit code 1) but
//     the caller; 1 when all of them ended, else 0.
//   GetShaHash(text, digest): digest receives 40 hexadecimal digits and a terminator (41
//     bytes); returns 1, or 0 for a null pointer.
//   copy1file(source, target): copies, overwriting; 1 on success, else 0.
//   ProcessFile(path, installFolder): rewrites the product script at path as ConfigureFiles
//     does (every "@INSTALLDIR@" becomes the folder with "/"); 1 on success, else 0.
//   DismissDialog (as a custom action): its arguments come from "CustomActionData", else
//     "DismissDialogData", as "title|button|retries|seconds", the same as the dispatcher's
//     procedure of that name.

#include <windows.h>
#include <msi.h>

#include <cstring>
#include <string>

#include "actions.h"
#include "call_dispatch.h"
#include "launch_command.h"
#include "machine_win32.h"
#include "session_win32.h"
#include "text_edit.h"

namespace {

template <typename Action>
UINT RunAction(MSIHANDLE handle, Action action) {
    try {
        InstallerSession session(handle);
        SystemMachine machine;
        ActionContext context(session, machine);
        HideListedProperties(context);
        return action(context);
    } catch (...) {
        return kActionFailure;
    }
}

unsigned DismissDialogAction(ActionContext& context) {
    std::string data = context.Get("CustomActionData");
    if (data.empty())
        data = context.Get("DismissDialogData");
    return RunCallText(context, "DismissDialog(" + data + ")");
}

}  // namespace

#define ACTION(name, call)                                                     \
    extern "C" UINT __stdcall name(MSIHANDLE handle) {                         \
        return RunAction(handle, [](ActionContext& context) { return call; }); \
    }

ACTION(CallProc, RunCallProc(context))
ACTION(LaunchApp, LaunchAppAction(context))
ACTION(LaunchAppImmediate, LaunchAppAction(context))
ACTION(LaunchExe, LaunchExeAction(context))
ACTION(ShellOpen, ShellOpenAction(context))
ACTION(KillApp, KillAppAction(context))
ACTION(FindProcess, FindProcessAction(context))
ACTION(CheckGlobalEvent, CheckGlobalEventAction(context))
ACTION(DismissDialog, DismissDialogAction(context))
ACTION(MemoryRequirementMet, MemoryRequirementMetAction(context))
ACTION(CmpProductVersionStrings, CmpProductVersionStringsAction(context))
ACTION(GetShortVersion, GetShortVersionAction(context))
ACTION(GetProductVersion, GetProductVersionAction(context))
ACTION(CheckProductVersion, CheckProductVersionAction(context))
ACTION(FindProductCode, FindProductCodeAction(context))
ACTION(DetectOldProducts, DetectOldProductsAction(context))
ACTION(GetFileVersion, GetFileVersionAction(context))
ACTION(GetShaHashMSI, GetShaHashAction(context))
ACTION(CleanString, CleanStringAction(context))
ACTION(SearchAndReplace, SearchAndReplaceAction(context, false))
ACTION(SearchAndReplace2, SearchAndReplaceAction(context, true))
ACTION(SearchAndReplaceMSI, SearchAndReplaceMsiAction(context))
ACTION(CountRegKeyValues, CountRegKeyValuesAction(context))
ACTION(copy1fileMSI, CopyFileAction(context))
ACTION(FileExists, FileExistsAction(context))
ACTION(EXITNOW, ((void)context, kActionSuccess))

ACTION(ReadDBVersionMSI, ReadDBVersionAction(context))
ACTION(UpdateRegistryValue, UpdateRegistryValueAction(context, false))
ACTION(UpdateRegistryValue2, UpdateRegistryValueAction(context, true))
ACTION(SetRemoteAccessExternalPingToFour, SetRemoteAccessExternalPingAction(context))
ACTION(AddAppToRegList, AddAppToRegListAction(context))
ACTION(DelAppFromRegList, DelAppFromRegListAction(context))
ACTION(ConfigServiceOnFailureMSI, ConfigServiceOnFailureAction(context))

ACTION(SystemLog, SystemLogAction(context))
ACTION(IsChassis, IsChassisAction(context))
ACTION(ConfigureFiles, ConfigureFilesAction(context))
ACTION(BackupFiles, BackupFilesAction(context))
ACTION(RestoreFiles, RestoreFilesAction(context))
ACTION(CreateTarvexWishTcl, CreateWishScriptAction(context))
ACTION(UpdateRaveloIni, UpdateRaveloIniAction(context))
ACTION(UpdateQuentiDll, UpdateQuentiDllAction(context))

extern "C" {

long __stdcall LaunchExecutable(const char* program, const char* arguments, const char* folder) {
    try {
        LaunchCommand command;
        if (!program || !JoinLaunchCommand(program, arguments ? arguments : "", &command))
            return -1;
        LaunchRequest request;
        request.program = command.program;
        request.commandLine = command.commandLine;
        request.folder = folder ? folder : "";
        const LaunchResult result = SystemMachine().Launch(request);
        return result.started ? static_cast<long>(result.exitCode) : -1;
    } catch (...) {
        return -1;
    }
}

int __stdcall MyKillProcess(const char* name) {
    try {
        int count = 0;
        return name && *name && SystemMachine().EndProcesses(name, &count) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int __stdcall GetShaHash(const char* text, char* digest) {
    if (!text || !digest)
        return 0;
    try {
        const std::string hex = Sha1Hex(text);
        std::memcpy(digest, hex.c_str(), hex.size() + 1);
        return 1;
    } catch (...) {
        return 0;
    }
}

int __stdcall ProcessFile(const char* path, const char* installFolder) {
    if (!path || !*path || !installFolder)
        return 0;
    try {
        SystemMachine machine;
        return ProcessScriptFile(machine, path, installFolder) == 0 ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int __stdcall copy1file(const char* source, const char* target) {
    if (!source || !target)
        return 0;
    return CopyFileA(source, target, FALSE) ? 1 : 0;
}

}  // extern "C"

// A class without data that packages of old could instantiate; only its default constructor
// and copy assignment are exported (actionkit.def names them).
class CActionKit {
  public:
    CActionKit();
    CActionKit& operator=(const CActionKit& other);
};

CActionKit::CActionKit() = default;

CActionKit& CActionKit::operator=(const CActionKit&) {
    return *this;
}
