#include "f_machine.h"

#include "log_file.h"
#include "run_services.h"
#include "text_util.h"

namespace {

int NotAvailable(RunServices& run, const FBase& element, const char* what) {
    run.log.Error("%s operations are not available in this build", what);
    return element.OnFailType();
}

}  // namespace

std::string TrimFolderSlashes(const std::string& folder) {
    return Trim(folder, "/\\");
}

FRegistry::FRegistry() {
    tag_ = "REGISTRY";
}

int FRegistry::Execute(RunServices& run, int /*operation*/) {
    return NotAvailable(run, *this, "Registry");
}

FEnvVar::FEnvVar() {
    tag_ = "ENV VAR";
    description_ = "ENVIRONMENT VAR";
}

int FEnvVar::Execute(RunServices& run, int /*operation*/) {
    return NotAvailable(run, *this, "Environment variable");
}
