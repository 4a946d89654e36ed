// The procedure table of utils.dll, in its fixed order. Each procedure lives in the file of
// its concern (products, processes and services, registry, files, text, system, dialogs).

#include <cctype>
#include <string>

#include "machine_procedures.h"
#include "plugin_interface.h"
#include "product_procedures.h"
#include "dialog_procedures.h"
#include "event_procedures.h"
#include "file_procedures.h"
#include "registry_procedures.h"
#include "system_procedures.h"
#include "text_procedures.h"
#include "str_util.h"
#include "version_compare.h"

namespace {

const char kHelp[] = "See 'standard.xml' file for details\n";

// CompareVersions(a|b): -1, 0 or 1 over the fields of the longer text.
int CompareVersionsProc(PluginSession, int argc, char** argv, char*, int, int* error) {
    if (!CheckPluginArgCount(argc, 2, 2, error))
        return 0;
    return CompareVersions(argv[1], argv[2], kVersionCompareLonger);
}

// Puts the argument, converted character by character, into the result buffer.
template <int (*Convert)(int)>
int ConvertCaseProc(PluginSession, int argc, char** argv, char* result, int resultSize,
                    int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    StrCopyTruncated(result, argv[1], resultSize);
    for (int i = 0; i < resultSize && result[i] != '\0'; ++i)
        result[i] = static_cast<char>(Convert(static_cast<unsigned char>(result[i])));
    return 0;
}

int Upper(int c) {
    return std::toupper(c);
}

int Lower(int c) {
    return std::tolower(c);
}

const PluginProc StrToUpperProc = ConvertCaseProc<Upper>;
const PluginProc StrToLowerProc = ConvertCaseProc<Lower>;

const PluginProcEntry kUtilsProcedures[] = {
    {"IsInstalledVersion", IsInstalledVersionProc, kProcInteger, kHelp},
    {"GetProductVersion", GetProductVersionProc, kProcText, kHelp},
    {"GetInstalledComponents", GetInstalledComponentsProc, kProcInteger, kHelp},
    {"IsChassis", IsChassisProc, kProcInteger, kHelp},
    {"AllowInstallClient", AllowInstallClientProc, kProcInteger, kHelp},
    {"GetFeatureState", GetFeatureStateProc, kProcInteger, kHelp},
    {"IsMsSQLInstance", IsMsSQLInstanceProc, kProcInteger, kHelp},
    {"IsRebootRequired", IsRebootRequiredProc, kProcInteger, kHelp},
    {"ClearChildProduct", ClearChildProductProc, kProcInteger, kHelp},
    {"GetInstallLocation", GetInstallLocationProc, kProcText, kHelp},
    {"GetRootDrive", GetRootDriveProc, kProcText, kHelp},
    {"RemoveChar", RemoveCharProc, kProcText, kHelp},
    {"IsVersionInRange", IsVersionInRangeProc, kProcInteger, kHelp},
    {"CompareVersions", CompareVersionsProc, kProcInteger, kHelp},
    {"RunningAsAdmin", RunningAsAdminProc, kProcInteger, kHelp},
    {"RefCount", RefCountProc, kProcInteger, kHelp},
    {"IsOSVersion", IsOSVersionProc, kProcInteger, kHelp},
    {"RegistryExists", RegistryExistsProc, kProcInteger, kHelp},
    {"RegistryEntriesCount", RegistryEntriesCountProc, kProcInteger, kHelp},
    {"CountInstalledProducts", CountInstalledProductsProc, kProcInteger, kHelp},
    {"FileExists", FileExistsProc, kProcInteger, kHelp},
    {"CopyFile", CopyFileProc, kProcInteger, kHelp},
    {"DeleteFile", DeleteFileProc, kProcInteger, kHelp},
    {"DeleteFolder", DeleteFolderProc, kProcInteger, kHelp},
    {"MoveFile", MoveFileProc, kProcInteger, kHelp},
    {"LogEventMessage", LogEventMessageProc, kProcInteger, kHelp},
    {"ControlService", UtilsControlService, kProcInteger, kHelp},
    {"ServiceRegistered", UtilsServiceRegistered, kProcInteger, kHelp},
    {"ServiceIsRunning", UtilsServiceIsRunning, kProcInteger, kHelp},
    {"Process", UtilsProcess, kProcInteger, kHelp},
    {"ProcessIsRunning", UtilsProcessIsRunning, kProcInteger, kHelp},
    {"MessageBox", MessageBoxProc, kProcText, kHelp},
    {"MessageBoxEx", MessageBoxExProc, kProcText, kHelp},
    {"CheckVersionAndCmdLineParam", CheckVersionAndCmdLineParamProc, kProcInteger, kHelp},
    {"FindWindow", UtilsFindWindow, kProcText, kHelp},
    {"SetWindowTitle", UtilsSetWindowTitle, kProcInteger, kHelp},
    {"GetDiskFreeSpace", GetDiskFreeSpaceProc, kProcInteger, kHelp},
    {"GetProcessorArchitecture", GetProcessorArchitectureProc, kProcInteger, kHelp},
    {"IsFileVersionInRange", IsFileVersionInRangeProc, kProcInteger, kHelp},
    {"RegistryGetValue", RegistryGetValueProc, kProcText, kHelp},
    {"RegistrySetValue", RegistrySetValueProc, kProcInteger, kHelp},
    {"RegistrySetValue_x32x64", RegistrySetValueBothProc, kProcInteger, kHelp},
    {"RegistryMakeKey_x32x64", RegistryMakeKeyBothProc, kProcInteger, kHelp},
    {"PathJoin", PathJoinProc, kProcText, kHelp},
    {"SetAccessPermissions", SetAccessPermissionsProc, kProcInteger, kHelp},
    {"TakeFileOwnership", TakeFileOwnershipProc, kProcInteger, kHelp},
    {"TakeRegistryOwnership", TakeRegistryOwnershipProc, kProcInteger, kHelp},
    {"RegistryGrantAccessToCrtUser", RegistryGrantAccessToCrtUserProc, kProcInteger, kHelp},
    {"OptionsDialog", OptionsDialogProc, kProcText, kHelp},
    {"OptionsDialogEx", OptionsDialogExProc, kProcText, kHelp},
    {"GetPropertyValue", GetPropertyValueProc, kProcText, kHelp},
    {"RegistryCopyKeyWOW6432", RegistryCopyKeyWow6432Proc, kProcInteger, kHelp},
    {"RegistryDeleteKeyWOW64", RegistryDeleteKeyWow64Proc, kProcInteger, kHelp},
    {"UninstallMsiProduct", UninstallMsiProductProc, kProcText, kHelp},
    {"GetEnv", GetEnvProc, kProcText, kHelp},
    {"MutexLock", UtilsMutexLock, kProcInteger, kHelp},
    {"MutexUnlock", UtilsMutexUnlock, kProcInteger, kHelp},
    {"MutexArrayLock", UtilsMutexArrayLock, kProcInteger, kHelp},
    {"MutexArrayUnlock", UtilsMutexArrayUnlock, kProcInteger, kHelp},
    {"GetAccountName", GetAccountNameProc, kProcText, kHelp},
    {"ReplaceInFile", ReplaceInFileProc, kProcInteger, kHelp},
    {"FindInFile", FindInFileProc, kProcInteger, kHelp},
    {"GetProductCode", GetProductCodeProc, kProcText, kHelp},
    {"StrToUpper", StrToUpperProc, kProcText, kHelp},
    {"StrToLower", StrToLowerProc, kProcText, kHelp},
    {"BrowseForFile", BrowseForFileProc, kProcText, kHelp},
    {"PreventConcurrentInstallations", UtilsPreventConcurrentInstallations, kProcText, kHelp},
};

}  // namespace

const PluginProcTable& PluginModuleTable() {
    static const PluginProcTable table = {kUtilsProcedures,
                                          sizeof(kUtilsProcedures) / sizeof(kUtilsProcedures[0])};
    return table;
}
