#include "beside_setup_resolver.h"

#include <utility>

#include "file_system.h"
#include "files.h"
#include "log_file.h"
#include "resolver_paths.h"

BesideSetupResolver::BesideSetupResolver(std::string setupFolder, FileSystem& files, LogFile& log)
    : setupFolder_(std::move(setupFolder)), files_(files), log_(log) {}

ResolvedInstaller BesideSetupResolver::Resolve(const InstallerRequest& request) {
    ResolvedInstaller result;
    std::string fileName;
    const bool safeName = SafeRelativeName(request.fileName, &fileName);
    if (fileName.empty()) {
        log_.Line("    Resolver  : IGNORED - no file name provided");
        result.reason = "No package file name provided";
        return result;
    }
    if (!safeName) {  // a name that would leave setup's folder
        result.reason = "Package file name '" + request.fileName +
                        "' must name a file inside the searched folders";
        log_.Line("    Resolver  : FAILED resolving installer file location: %s",
                  result.reason.c_str());
        return result;
    }
    const std::string path = Files::JoinPath(setupFolder_, fileName);
    if (files_.FileExists(path)) {
        result.found = true;
        result.path = path;
        log_.Line("    Resolver  : INSTALLER '%s'", path.c_str());
        return result;
    }
    result.reason = "No package/archive file found";
    log_.Line("    Resolver  : FAILED resolving installer file location: %s",
              result.reason.c_str());
    return result;
}
