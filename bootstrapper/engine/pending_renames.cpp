#include "pending_renames.h"

#include <vector>

#include "log_file.h"
#include "registry.h"
#include "run_services.h"
#include "system_error.h"
#include "text_util.h"

namespace {

const char kPendingRenames[] =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\"
    "PendingFileRenameOperations";
const long kErrorFileNotFound = 2;
const long kErrorMoreData = 234;

}  // namespace

std::string PendingFileRenames(RunServices& run) {
    std::vector<std::string> operations;
    long error = 0;
    if (!run.registry.ReadStrings(kPendingRenames, &operations, kRegistryDefaultView, &error)) {
        if (error != kErrorFileNotFound && error != kErrorMoreData)
            run.log.Line("Error '%ld' retrieving '%s' value from registry: %s", error,
                         kPendingRenames, SystemErrorText(error).c_str());
        return std::string();
    }
    std::string joined;
    for (const std::string& operation : operations) {
        if (!operation.empty())
            joined += operation + "\n";
    }
    return joined;
}

bool PendingRenamesName(const std::string& renames, const std::string& path) {
    return !path.empty() && ContainsNoCase(renames, path);
}
