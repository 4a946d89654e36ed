// The procedure table of utils.dll, in its fixed order. The procedures that this build does
// not carry yet answer with kPluginNotAvailable and the log line "<name> is not available
// in this build"; none of them pretends to succeed.

#include <cctype>
#include <string>

#include "machine_procedures.h"
#include "plugin_interface.h"
#include "product_procedures.h"
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
    {"GetRootDrive", NotAvailableProc<1, 1>, kProcText, kHelp},
    {"RemoveChar", NotAvailableProc<2, 3>, kProcText, kHelp},
    {"IsVersionInRange", IsVersionInRangeProc, kProcInteger, kHelp},
    {"CompareVersions", CompareVersionsProc, kProcInteger, kHelp},
    {"RunningAsAdmin", NotAvailableProc<0, 0>, kProcInteger, kHelp},
    {"RefCount", RefCountProc, kProcInteger, kHelp},
    {"IsOSVersion", NotAvailableProc<1, 1>, kProcInteger, kHelp},
    {"RegistryExists", NotAvailableProc<1, 2>, kProcInteger, kHelp},
    {"RegistryEntriesCount", NotAvailableProc<1, 2>, kProcInteger, kHelp},
    {"CountInstalledProducts", CountInstalledProductsProc, kProcInteger, kHelp},
    {"FileExists", NotAvailableProc<1, 1>, kProcInteger, kHelp},
    {"CopyFile", NotAvailableProc<2, 2>, kProcInteger, kHelp},
    {"DeleteFile", NotAvailableProc<1, 1>, kProcInteger, kHelp},
    {"DeleteFolder", NotAvailableProc<1, 2>, kProcInteger, kHelp},
    {"MoveFile", NotAvailableProc<2, 2>, kProcInteger, kHelp},
    {"LogEventMessage", NotAvailableProc<1, 2>, kProcInteger, kHelp},
    {"ControlService", UtilsControlService, kProcInteger, kHelp},
    {"ServiceRegistered", UtilsServiceRegistered, kProcInteger, kHelp},
    {"ServiceIsRunning", UtilsServiceIsRunning, kProcInteger, kHelp},
    {"Process", UtilsProcess, kProcInteger, kHelp},
    {"ProcessIsRunning", UtilsProcessIsRunning, kProcInteger, kHelp},
    {"MessageBox", NotAvailableProc<2, 4>, kProcText, kHelp},
    {"MessageBoxEx", NotAvailableProc<2, 6>, kProcText, kHelp},
    {"CheckVersionAndCmdLineParam", CheckVersionAndCmdLineParamProc, kProcInteger, kHelp},
    {"FindWindow", UtilsFindWindow, kProcText, kHelp},
    {"SetWindowTitle", UtilsSetWindowTitle, kProcInteger, kHelp},
    {"GetDiskFreeSpace", NotAvailableProc<1, 1>, kProcInteger, kHelp},
    {"GetProcessorArchitecture", NotAvailableProc<0, -1>, kProcInteger, kHelp},
    {"IsFileVersionInRange", IsFileVersionInRangeProc, kProcInteger, kHelp},
    {"RegistryGetValue", NotAvailableProc<2, 3>, kProcText, kHelp},
    {"RegistrySetValue", NotAvailableProc<3, 4>, kProcInteger, kHelp},
    {"RegistrySetValue_x32x64", NotAvailableProc<3, 4>, kProcInteger, kHelp},
    {"RegistryMakeKey_x32x64", NotAvailableProc<1, 1>, kProcInteger, kHelp},
    {"PathJoin", NotAvailableProc<2, -1>, kProcText, kHelp},
    {"SetAccessPermissions", NotAvailableProc<2, 3>, kProcInteger, kHelp},
    {"TakeFileOwnership", NotAvailableProc<1, 1>, kProcInteger, kHelp},
    {"TakeRegistryOwnership", NotAvailableProc<1, 1>, kProcInteger, kHelp},
    {"RegistryGrantAccessToCrtUser", NotAvailableProc<1, 1>, kProcInteger, kHelp},
    {"OptionsDialog", NotAvailableProc<5, -1>, kProcText, kHelp},
    {"OptionsDialogEx", NotAvailableProc<7, -1>, kProcText, kHelp},
    {"GetPropertyValue", NotAvailableProc<2, 2>, kProcText, kHelp},
    {"RegistryCopyKeyWOW6432", NotAvailableProc<1, 1>, kProcInteger, kHelp},
    {"RegistryDeleteKeyWOW64", NotAvailableProc<1, 1>, kProcInteger, kHelp},
    {"UninstallMsiProduct", UninstallMsiProductProc, kProcText, kHelp},
    {"GetEnv", NotAvailableProc<1, 1>, kProcText, kHelp},
    {"MutexLock", UtilsMutexLock, kProcInteger, kHelp},
    {"MutexUnlock", UtilsMutexUnlock, kProcInteger, kHelp},
    {"MutexArrayLock", UtilsMutexArrayLock, kProcInteger, kHelp},
    {"MutexArrayUnlock", UtilsMutexArrayUnlock, kProcInteger, kHelp},
    {"GetAccountName", NotAvailableProc<1, 1>, kProcText, kHelp},
    {"ReplaceInFile", NotAvailableProc<3, 3>, kProcInteger, kHelp},
    {"FindInFile", NotAvailableProc<2, 2>, kProcInteger, kHelp},
    {"GetProductCode", GetProductCodeProc, kProcText, kHelp},
    {"StrToUpper", StrToUpperProc, kProcText, kHelp},
    {"StrToLower", StrToLowerProc, kProcText, kHelp},
    {"BrowseForFile", NotAvailableProc<3, -1>, kProcText, kHelp},
    {"PreventConcurrentInstallations", UtilsPreventConcurrentInstallations, kProcText, kHelp},
};

}  // namespace

const PluginProcTable& PluginModuleTable() {
    static const PluginProcTable table = {kUtilsProcedures,
                                          sizeof(kUtilsProcedures) / sizeof(kUtilsProcedures[0])};
    return table;
}
