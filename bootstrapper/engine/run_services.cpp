#include "run_services.h"

#include "config_interpreter.h"
#include "dependency_check.h"
#include "f_package.h"
#include "files.h"
#include "log_file.h"
#include "property_store.h"
#include "setup_folder.h"
#include "text_util.h"

DependencyOutcome CheckRunDependencies(const std::vector<DependencyRecord>& records,
                                       bool checkDepends) {
    return CheckDependencies(records, checkDepends, SystemMachineProbe());
}

ResolvedInstaller ResolveInstaller(const FPackage& package) {
    ResolvedInstaller result;
    std::string fileName = ExpandProperties(package.fileName.c_str());
    if (fileName.compare(0, 2, ".\\") == 0)
        fileName.erase(0, 2);
    if (fileName.empty()) {
        Log().Line("    Resolver  : IGNORED - no file name provided");
        result.reason = "No package file name provided";
        return result;
    }
    const std::string path = Files::JoinPath(SetupFolder(), fileName);
    if (Files::FileExists(path.c_str(), false)) {
        result.found = true;
        result.path = path;
        Log().Line("    Resolver  : INSTALLER '%s'", path.c_str());
        return result;
    }
    result.reason = "No package/archive file found";
    Log().Line("    Resolver  : FAILED resolving installer file location: %s",
               result.reason.c_str());
    return result;
}
