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

FFile::FFile() {
    tag_ = "FILE";
    description_ = "FILE";
}

int FFile::Execute(RunServices& run, int /*operation*/) {
    return NotAvailable(run, *this, "File");
}
