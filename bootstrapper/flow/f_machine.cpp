#include "f_machine.h"

#include "log_file.h"
#include "text_util.h"

namespace {

int NotAvailable(const FBase& element, const char* what) {
    Log().Error("%s operations are not available in this build", what);
    return element.OnFailType();
}

}  // namespace

std::string TrimFolderSlashes(const std::string& folder) {
    return Trim(folder, "/\\");
}

FFile::FFile() {
    tag_ = "FILE";
    description_ = "FILE";
}

int FFile::Execute(int /*operation*/) {
    return NotAvailable(*this, "File");
}

FRegistry::FRegistry() {
    tag_ = "REGISTRY";
}

int FRegistry::Execute(int /*operation*/) {
    return NotAvailable(*this, "Registry");
}

FEnvVar::FEnvVar() {
    tag_ = "ENV VAR";
    description_ = "ENVIRONMENT VAR";
}

int FEnvVar::Execute(int /*operation*/) {
    return NotAvailable(*this, "Environment variable");
}
